#pragma once

#include <QByteArray>
#include <QString>

struct AppSettings;
class PrintControls;

// Turns print data held as ordinary text into the "byte text" the outputs send: a text in which
// every character stands for one output byte, carried as the character that byte denotes in
// the system ANSI code page (Windows-1252, see Ansi). bytesOf() gives the bytes back exactly.
namespace TextEncoding {

// The system ANSI code page, as the code page argument of encodeText.
inline constexpr int kAnsiCodePage = -1;
inline constexpr int kUtf8CodePage = 65001;

// Applies, in this order, the line-end rule (settings.rawAddCrLf >= 1), the UTF-8 conversion
// (check box chkUTF8 ticked or greyed, read at every call) and the "$nnn" escapes
// (settings.sonderzeichen != 0). An escape of value 0 sets controls.steuerzeichenNull; nothing
// here clears it, that is the caller's job.
QString scanSteuerzeichen(const QString &sStr, const AppSettings &settings,
                          PrintControls &controls);

// The UTF-8 encoding of text as byte text: one character per UTF-8 byte.
QString toUtf8(const QString &text);

// The bytes of text in the given code page as byte text. See CodePage for how code page
// numbers are resolved; flags exist for the callers' sake and change nothing (see .cpp).
QString encodeText(const QString &text, int codePage, int flags);

// The exact output bytes a byte text stands for. An ordinary text gives its bytes in the
// system ANSI code page, which is what every output sends for it.
QByteArray bytesOf(const QString &byteText);

} // namespace TextEncoding
