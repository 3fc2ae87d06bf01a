#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the code page of the plants' Western Windows stations. Configuration and
// log files keep it on disk so that they move between Windows and Linux stations unchanged.
// Every byte 0..255 maps to exactly one character and back (the five bytes Windows leaves
// undefined map to U+0081, U+008D, U+008F, U+0090, U+009D, as Windows itself does), so a
// "byte text" -- one character per output byte -- survives the round trip exactly.
namespace Ansi {
QString decode(const QByteArray &bytes);
// Characters outside the code page become '?', as the Windows conversion does.
QByteArray encode(const QString &text);
// The character that byte b denotes.
QChar charOf(unsigned char b);
// True when every character of text maps to a byte.
bool isEncodable(const QString &text);
} // namespace Ansi
