#pragma once

#include "LabelObject.h"

#include <QString>
#include <optional>

class QXmlStreamReader;

// Reads one <Object-…> element of a gLabels layout into a LabelObject: its geometry, matrix
// and shadow, and what its kind holds. gLabels 3 and 4 name the same things differently (a
// text's spans and <Field/> elements against paragraphs with ${…}; "field" against
// "src_field"; font sizes that gLabels 4 writes at three quarters); the object comes out the
// same from both.
class GlabelsObjectReader {
public:
    GlabelsObjectReader(QXmlStreamReader &xml, int format);

    // Reads the element the reader stands on, to its end. On failure nothing, and error says
    // why, with the line.
    std::optional<LabelObject> read(QString &error);

private:
    bool readKind(LabelObject &object);
    bool readGeometry(LabelObject &object);
    void readShadow(LabelObject &object);
    void readShapeStyle(LabelObject &object);
    void readTextStyle(LabelObject &object);
    void readFont(LabelObject &object, double sizeScale);
    void readText3(LabelObject &object);
    void readSpan(LabelObject &object);
    void readText4(LabelObject &object);
    void readBarcode(LabelObject &object);
    void readImage(LabelObject &object);
    std::optional<double> length(const char *name, bool required);
    quint32 color(const char *name, quint32 fallback) const;
    bool fail(const QString &why);

    QXmlStreamReader &m_xml;
    int m_format;
    QString m_error;
};
