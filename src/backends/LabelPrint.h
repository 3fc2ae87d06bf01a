#pragma once

#include "LabelProgram.h"
#include "Printvars.h"

#include <QString>
#include <functional>
#include <memory>

struct AppSettings;
class LogWriter;
class PrintControls;
struct PrintRequest;

// The label output (labelPrint): for a lot and part it reads the record's Printvars, opens
// the layout they name in the label program (or keeps the one open), fills the objects they
// address and prints one label. A call with an empty lot restarts the label program, one with
// the close flag ends it. Failures go to the status line and the log; the result is 0 when a
// label was printed (or the program closed), 1 otherwise.
class LabelPrint {
public:
    struct Parts {
        const AppSettings &settings;
        PrintControls &controls;
        LogWriter &log;
        PrintRequest &request;
        LabelProgramFactory startProgram;
        PrintvarsReader readPrintvars;
        std::function<void()> cleanLabelImages;
    };

    explicit LabelPrint(Parts parts);
    ~LabelPrint();

    qint32 labelPrint(const QString &losName, qint32 teileNr, bool close);

    bool isOpen() const { return m_open; }
    const QString &layoutName() const { return m_layoutName; }

    static const QString kDefaultLayout;

private:
    void endProgram();
    bool start();
    std::unique_ptr<LabelDocument> openLayout(const QString &name);
    qint32 printRecord(const QString &losName, qint32 teileNr);
    qint32 fillAndPrint(const QString &text, const QString &losName, qint32 teileNr);
    bool fill(const QString &name, const QString &value, const QString &job);
    void report(const QString &text, bool msgBox = true);
    QString path(const QString &relative) const;

    Parts m_parts;
    bool m_open = false;
    std::unique_ptr<LabelProgram> m_app;
    std::unique_ptr<LabelDocument> m_doc;
    QString m_layoutName;
};
