#pragma once

#include <QString>
#include <optional>

// The number conversions the configuration format was defined with. Values typed into a
// Windows station's configuration must give the same numbers here.
namespace VbConvert {
// The leading number of a text: blanks, tabs and line feeds are skipped anywhere inside it,
// a sign, digits, one decimal point and an exponent (E or D) are taken; anything else ends
// the number. A text with no leading number gives 0. "&H1F" and "&O17" are hexadecimal and
// octal.
double leadingNumber(const QString &text);
// Rounds half to even, as the conversions of the format do.
double roundHalfEven(double v);
// A whole text converted to a 16-bit integer: surrounding blanks allowed, the whole text must
// be a number (a decimal fraction is rounded half to even); empty, non-numeric or out-of-range
// texts give no value.
std::optional<int> toInt16(const QString &text);
// The leading number rounded to a 32-bit integer, clamped into range.
int leadingInt32(const QString &text);
} // namespace VbConvert
