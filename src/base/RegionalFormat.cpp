#include "RegionalFormat.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

// Qt's short formats keep a two-digit year and its long time format names the time zone;
// the texts of the station carry the full year and no zone.
QString dateFormat()
{
    QString format = QLocale::system().dateFormat(QLocale::ShortFormat);
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(twoDigitYear, QStringLiteral("yyyy"));
    return format;
}

QString timeFormat()
{
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    format.replace(zone, QStringLiteral(" "));
    return format.trimmed();
}

} // namespace

namespace RegionalFormat {

QString shortDate(const QDate &date)
{
    return QLocale::system().toString(date, dateFormat());
}

QString longTime(const QTime &time)
{
    return QLocale::system().toString(time, timeFormat());
}

QString dateTime(const QDateTime &moment)
{
    return shortDate(moment.date()) + u' ' + longTime(moment.time());
}

QString groupedNumber(qint64 value)
{
    return QLocale::system().toString(value);
}

} // namespace RegionalFormat
