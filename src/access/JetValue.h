#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QMetaType>
#include <QString>

// The values of an Access file as its pages store them, read without libmdb's formatting:
// libmdb would hand back texts in the locale's number and date format, and cut memos short.
namespace JetValue {

// A text or memo: Jet 4 and later store UTF-16LE, optionally "compressed" (the marker FF FE,
// then runs of one byte per character up to a 00 byte that switches to two bytes per
// character and back); Jet 3 stores the bytes of the file's code page.
QString text(QByteArrayView bytes, bool jet3, int codePage);

// A date: days since 30 December 1899, the time as the fraction of a day (before that day
// the whole days count back while the fraction still counts forward). Invalid outside the
// years 100 to 9999.
QDateTime dateTime(double days);

// A currency value: a 64-bit integer of ten-thousandths.
double currency(QByteArrayView bytes);

// The field type code of the Windows stations' database interface for a libmdb type number
// (Long is 3, Integer 2, Text 202, Memo 203, ...); 0 for types it has no code for.
int fieldType(int jetType);
// The type of the values a column of that libmdb type gives.
QMetaType metaType(int jetType);

} // namespace JetValue
