// The "$nnn" escapes of prefixes and print data (TextEncoding::scanSteuerzeichen). Input: one
// byte of options (line ends added, escapes on, the UTF-8 box, how the text is read), then
// the text: Windows-1252 bytes as a configuration holds it, or UTF-16 code units, which also
// reach unpaired surrogates.
//
// The same text with escapes off is what the escapes work on, so with escapes on:
// - a text without "$" comes out unchanged, and no text grows (an escape is four characters
//   and gives at most one);
// - only an escape sets steuerzeichenNull;
// - with the UTF-8 box on, the result is byte text (one Windows-1252 character per byte).

#include "Ansi.h"
#include "AppSettings.h"
#include "PrintControls.h"
#include "TextEncoding.h"

#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, const QString &text)
{
    fprintf(stderr, "scanSteuerzeichen: %s\n  text: %s\n", what,
            text.toUtf8().toHex(' ').constData());
    abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t options = bytes[0];
    const char *rest = reinterpret_cast<const char *>(bytes) + 1;
    const qsizetype restSize = qsizetype(size - 1);
    const QString text =
        options & 0x40 ? QString::fromUtf16(reinterpret_cast<const char16_t *>(rest), restSize / 2)
                       : Ansi::decode(QByteArray(rest, restSize));

    AppSettings settings;
    settings.rawAddCrLf = options & 1;
    // Any value other than 0 switches the escapes on.
    static constexpr int kSonderzeichen[] = {0, 1, 2, -1};
    settings.sonderzeichen = kSonderzeichen[(options >> 1) & 3];
    PrintControls controls;
    controls.setCheck(PrintControls::CheckBox::chkUTF8, ((options >> 3) & 3) % 3);

    const QString out = TextEncoding::scanSteuerzeichen(text, settings, controls);
    const bool zeroFlag = controls.steuerzeichenNull;

    AppSettings plain = settings;
    plain.sonderzeichen = 0;
    const QString unescaped = TextEncoding::scanSteuerzeichen(text, plain, controls);

    if (settings.sonderzeichen != 0) {
        if (!unescaped.contains(u'$') && out != unescaped)
            fail("a text without escapes changed", text);
        if (out.size() > unescaped.size())
            fail("escapes made the text longer", text);
    }
    if (zeroFlag && (settings.sonderzeichen == 0 || !unescaped.contains(u'$')))
        fail("steuerzeichenNull set without an escape", text);
    if (controls.check(PrintControls::CheckBox::chkUTF8) >= 1 && !Ansi::isEncodable(out))
        fail("UTF-8 output is not byte text", text);
    return 0;
}
