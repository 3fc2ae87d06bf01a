#include "PrintvarsXml.h"

#include <QXmlStreamReader>

std::optional<PrintvarsXml> PrintvarsXml::parse(const QString &text, QString *error)
{
    PrintvarsXml result;
    QXmlStreamReader xml(text);
    bool rootFirst = false; // whether the first node is the root element
    bool seenNode = false;
    bool layoutSeen = false;
    int depth = 0;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartDocument) {
            // A declaration is a node of its own in front of the root.
            seenNode = !xml.documentVersion().isEmpty();
            continue;
        }
        if (token == QXmlStreamReader::Comment ||
            token == QXmlStreamReader::ProcessingInstruction || token == QXmlStreamReader::DTD) {
            seenNode = true;
            continue;
        }
        if (token == QXmlStreamReader::EndElement) {
            --depth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        if (depth == 0)
            rootFirst = !std::exchange(seenNode, true);
        const QString name = xml.name().toString();
        if (depth == 1 || name == QLatin1String("Layout")) {
            const QString value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            if (name == QLatin1String("Layout")) {
                if (!std::exchange(layoutSeen, true))
                    result.layout = value;
            } else if (rootFirst) {
                result.fields.append({name, value});
            }
            continue; // readElementText ended on this element's end
        }
        ++depth;
    }
    if (xml.hasError()) {
        if (error)
            *error = xml.errorString();
        return std::nullopt;
    }
    return result;
}
