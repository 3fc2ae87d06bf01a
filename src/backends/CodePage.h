#pragma once

#include <QByteArray>
#include <QString>

// Windows code page numbers as print data and configurations name them, mapped onto the
// converters Qt offers (its own and, on Debian, ICU's).
namespace CodePage {

// The converter name for a code page number, or an empty text when the number means the
// system ANSI code page (-1, 0, 3, 1252) or names nothing Qt can convert.
QString converterName(int codePage);

// text in the named code page. A character the code page cannot represent becomes "?", as the
// Windows conversion does without best-fit tables; converters disagree on their own
// substitution bytes (0x1A, 0x7F, 0xFC, ...), so we never leave that to them.
QByteArray encode(const QString &text, const QString &converter);

} // namespace CodePage
