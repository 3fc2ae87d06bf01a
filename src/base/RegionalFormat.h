#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Dates, times and numbers as the station's texts show them: the system's short date and
// long time format, the way plant operators know them from the Windows stations (four-digit
// year, no time zone), and numbers with the regional group separator.
namespace RegionalFormat {
QString shortDate(const QDate &date, const QLocale &locale = QLocale::system());
QString longTime(const QTime &time, const QLocale &locale = QLocale::system());
// Short date, one blank, long time.
QString dateTime(const QDateTime &moment);
// Whole number with group separators ("###,###,###,##0").
QString groupedNumber(qint64 value);
} // namespace RegionalFormat
