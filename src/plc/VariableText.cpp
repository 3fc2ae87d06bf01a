#include "VariableText.h"

#include "PlcLink.h"
#include "PlcStatus.h"

qint32 variableText(PlcLink &link, const QString &name)
{
    qint32 namespaceIndex = 0;
    qint32 size = 0;
    QString typeName;
    qint32 dataTypeId = 0;
    qint32 accessLevel = 0;
    if (link.getVariableInfo(name, namespaceIndex, size, typeName, dataTypeId, accessLevel) !=
        PlcStatus::Good)
        return 0;
    return size - 1;
}

QString fitText(const QString &text, qint32 length)
{
    if (length <= 0)
        return text;
    qint32 bytes = 0;
    qsizetype end = 0;
    while (end < text.size()) {
        const char32_t c = text.at(end).isHighSurrogate() && end + 1 < text.size()
                               ? QChar::surrogateToUcs4(text.at(end), text.at(end + 1))
                               : char32_t(text.at(end).unicode());
        const qint32 size = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (bytes + size > length)
            break;
        bytes += size;
        end += c >= 0x10000 ? 2 : 1;
    }
    return text.left(end);
}

QString untilNul(const QString &read)
{
    const qsizetype nul = read.indexOf(QChar(u'\0'));
    return nul < 0 ? read : read.left(nul);
}
