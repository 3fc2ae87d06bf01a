#pragma once

#include "DrawingViewer.h"
#include "ImageBuilder.h"

#include <QString>
#include <functional>
#include <memory>

struct AppSettings;
class LogWriter;
class PrintControls;
struct PrintRequest;

// The drawing output (printCad): prints the drawing a CAD system exported for the lot and
// part, found by name in the image folder, through the drawing viewer or, in Windows-print
// mode, the image builder. When the file is missing it can print a remnant label instead: one
// the image builder generates from the request's remnant data, else a fixed image for the
// remnant flag. A call with an empty lot restarts the components, one with the close flag (or
// with both modes off) ends them. Results: 0 printed or closed, 1 nothing printed, 3 the viewer
// failed, 5 the builder reported an error, 6 the builder call failed, or the builder's own
// non-zero code.
class CadPrint {
public:
    struct Parts {
        const AppSettings &settings;
        PrintControls &controls;
        LogWriter &log;
        PrintRequest &request;
        DrawingViewerFactory createViewer;
        ImageBuilderFactory createBuilder;
        std::function<void()> cleanCadImages;
        // Where the fallback images (RestETK.emf, label/rest/waste + extension) lie.
        QString programFolder;
    };

    explicit CadPrint(Parts parts);
    ~CadPrint();

    qint32 printCad(const QString &losName, qint32 teileNr, bool close, qint16 resteKennung);

    bool isOpen() const { return m_open; }
    // The request's file: "<folder>\<lot>\<part>[#<type>]<ext>" (form 1) or
    // "<folder>\<lot>#<part>[#<type>]<ext>" (any other form), as the configuration writes it.
    static QString fileName(const QString &folder, int form, const QString &losName, qint32 teileNr,
                            int etikettenType, const QString &extension);

private:
    void release();
    bool start();
    qint32 printMissing(const QString &requested, qint16 resteKennung);
    qint32 print(const QString &path);
    qint32 printWithBuilder(const QString &path, const QString &name);
    qint32 printWithViewer(const QString &path, const QString &name);
    QString local(const QString &configured) const;
    void report(const QString &text, bool msgBox = true);

    Parts m_parts;
    bool m_open = false;
    std::unique_ptr<DrawingViewer> m_viewer;
    std::unique_ptr<ImageBuilder> m_builder;
};
