#pragma once

#include "LabelLayout.h"

#include <QByteArray>
#include <QString>
#include <optional>

class QXmlStreamReader;

// Reads label layouts saved by gLabels, the label designer plant staff draw labels in:
// gLabels 3 files (XML in the namespaces http://glabels.org/xmlns/2.3/ and .../3.0/, plain or
// gzip-compressed, as gLabels 3 saves them) and gLabels 4 files (version "4.0"). A file is
// recognised by its content, whatever its name says, so layouts keep the names the station's
// print data give them.
class GlabelsReader {
public:
    // Larger files, or ones that inflate past this, are no label layouts.
    static constexpr qsizetype kLargestLayout = 16 * 1024 * 1024;

    // Whether bytes hold a gLabels document.
    static bool isLayout(const QByteArray &bytes);
    // The layout in a file; on failure nothing, and error says why (with the file's name).
    static std::optional<LabelLayout> read(const QString &path, QString *error = nullptr);
    // The layout in a document's bytes; on failure nothing, and error says why.
    static std::optional<LabelLayout> parse(const QByteArray &bytes, QString *error = nullptr);

private:
    static std::optional<QByteArray> document(const QByteArray &bytes, QString *error);
    static bool readRoot(QXmlStreamReader &xml, LabelLayout &layout, QString &error);
    static bool readTemplate(QXmlStreamReader &xml, LabelLayout &layout, QString &error);
    static bool readLabelShape(QXmlStreamReader &xml, LabelLayout &layout, QString &error);
    static bool readObjects(QXmlStreamReader &xml, LabelLayout &layout, QString &error);
};
