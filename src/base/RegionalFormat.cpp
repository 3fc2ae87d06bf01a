#include "RegionalFormat.h"

#include <QLocale>
#include <QRegularExpression>

namespace {

// Qt's short formats keep a two-digit year and its long time format names the time zone;
// the texts of the station carry the full year and no zone.
QString dateFormat(const QLocale &locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(twoDigitYear, QStringLiteral("yyyy"));
    return format;
}

QString timeFormat(const QLocale &locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b\\s*"));
    format.replace(zone, QStringLiteral(" "));
    return format.trimmed();
}

} // namespace

namespace RegionalFormat {

QString shortDate(const QDate &date, const QLocale &locale)
{
    return locale.toString(date, dateFormat(locale));
}

QString longTime(const QTime &time, const QLocale &locale)
{
    return locale.toString(time, timeFormat(locale));
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
