#include "MimePackage.h"

#include <QXmlStreamWriter>

namespace MimePackage {

QString typeName(const QString &extension)
{
    return QLatin1String("application/x-etikor-") + extension.toLower();
}

QString fileName(const QString &extension)
{
    return QLatin1String("etikor-") + extension.toLower() + QLatin1String(".xml");
}

QByteArray xml(const QString &extension)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(2);
    xml.writeStartDocument();
    xml.writeDefaultNamespace(
        QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info"));
    xml.writeStartElement(QStringLiteral("mime-info"));
    xml.writeStartElement(QStringLiteral("mime-type"));
    xml.writeAttribute(QStringLiteral("type"), typeName(extension));
    xml.writeTextElement(QStringLiteral("comment"), QStringLiteral("Etikor station configuration"));
    xml.writeStartElement(QStringLiteral("comment"));
    xml.writeAttribute(QStringLiteral("xml:lang"), QStringLiteral("de"));
    xml.writeCharacters(QStringLiteral("Etikor-Stationskonfiguration"));
    xml.writeEndElement();
    xml.writeEmptyElement(QStringLiteral("sub-class-of"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("text/plain"));
    xml.writeEmptyElement(QStringLiteral("glob"));
    xml.writeAttribute(QStringLiteral("pattern"), QLatin1String("*.") + extension.toLower());
    xml.writeEndDocument();
    return out;
}

} // namespace MimePackage
