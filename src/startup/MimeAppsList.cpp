#include "MimeAppsList.h"

#include <QStringList>

namespace {

const QString kGroup = QStringLiteral("[Default Applications]");

bool isGroupHeader(const QString &line)
{
    return line.trimmed().startsWith(u'[');
}

qsizetype groupLine(const QStringList &lines)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].trimmed() == kGroup)
            return i;
    }
    return -1;
}

bool isEntryFor(const QString &line, const QString &mimeType)
{
    const qsizetype equals = line.indexOf(u'=');
    return equals > 0 && line.left(equals).trimmed() == mimeType;
}

} // namespace

namespace MimeAppsList {

QString withDefault(const QString &content, const QString &mimeType, const QString &desktopId)
{
    QStringList lines = content.split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast(); // the end of the last line, not a line of its own
    const QString entry = mimeType + u'=' + desktopId;

    const qsizetype group = groupLine(lines);
    if (group < 0) {
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append(QString());
        lines << kGroup << entry;
        return lines.join(u'\n') + u'\n';
    }
    qsizetype end = group + 1;
    while (end < lines.size() && !isGroupHeader(lines[end]))
        ++end;
    for (qsizetype i = group + 1; i < end; ++i) {
        if (isEntryFor(lines[i], mimeType)) {
            lines[i] = entry;
            return lines.join(u'\n') + u'\n';
        }
    }
    qsizetype insertAt = end;
    while (insertAt > group + 1 && lines[insertAt - 1].trimmed().isEmpty())
        --insertAt;
    lines.insert(insertAt, entry);
    return lines.join(u'\n') + u'\n';
}

} // namespace MimeAppsList
