#include "TextEncoding.h"

#include "Ansi.h"
#include "AppSettings.h"
#include "CodePage.h"
#include "PrintControls.h"

#include <optional>

namespace {

// An escape is "$" and the three characters after it, taken whether or not they are digits.
constexpr qsizetype kEscapeLength = 4;

QString withLineEnds(QString w)
{
    // A text that already has CR in it is taken to have its line ends right.
    if (!w.contains(u'\r') && w.contains(u'\n'))
        w.replace(u'\n', QStringLiteral("\r\n"));
    return w + QStringLiteral("\r\n");
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

QStringView withoutBlanks(QStringView s)
{
    while (!s.isEmpty() && isBlank(s.front()))
        s = s.mid(1);
    while (!s.isEmpty() && isBlank(s.back()))
        s.chop(1);
    return s;
}

// The value of the (up to) three characters after a "$": an optional sign and decimal digits,
// with blanks allowed before and after them and between sign and digits, but not among the
// digits ("1 3" is no number, so a typo there cannot silently become a different byte). No
// value when the characters are anything else, including a decimal point or nothing at all.
std::optional<int> escapeValue(QStringView field)
{
    field = withoutBlanks(field);
    bool negative = false;
    if (!field.isEmpty() && (field.front() == u'+' || field.front() == u'-')) {
        negative = field.front() == u'-';
        field = withoutBlanks(field.mid(1));
    }
    if (field.isEmpty())
        return std::nullopt;
    int v = 0;
    for (QChar c : field) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        v = v * 10 + (c.unicode() - u'0');
    }
    return negative ? -v : v;
}

void appendEscape(QString &out, int value, PrintControls &controls)
{
    if (value == 0)
        controls.steuerzeichenNull = true;
    else if (value >= 1 && value <= 255)
        out += Ansi::charOf(static_cast<unsigned char>(value));
}

// Texts of any length are processed whole; positions are not limited to 16 bits here.
QString expandEscapes(const QString &w, PrintControls &controls)
{
    QString out;
    out.reserve(w.size());
    int value = 0; // an escape that is no number repeats the previous escape's value
    qsizetype p = 0;
    qsizetype q = w.indexOf(u'$', p);
    while (q >= 0) {
        out += QStringView(w).mid(p, q - p);
        value = escapeValue(QStringView(w).mid(q + 1, kEscapeLength - 1)).value_or(value);
        appendEscape(out, value, controls);
        p = q + kEscapeLength;
        q = p < w.size() ? w.indexOf(u'$', p) : -1;
    }
    if (p < w.size())
        out += QStringView(w).mid(p);
    return out;
}

// UTF-8 cannot carry an unpaired surrogate; like the Windows conversion we send U+FFFD for it
// rather than Qt's "?", so that the printer shows that something was lost.
QString withLoneSurrogatesReplaced(const QString &text)
{
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        if (c.isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

// The conversion takes its text as NUL-terminated, as the stations' conversion always has: a
// NUL character ends the text there.
QString upToNul(const QString &text)
{
    return text.left(text.indexOf(QChar(u'\0')));
}

} // namespace

namespace TextEncoding {

QString scanSteuerzeichen(const QString &sStr, const AppSettings &settings, PrintControls &controls)
{
    QString w = settings.rawAddCrLf >= 1 ? withLineEnds(sStr) : sStr;
    if (controls.check(PrintControls::CheckBox::chkUTF8) >= 1)
        w = toUtf8(w);
    if (settings.sonderzeichen == 0)
        return w;
    return expandEscapes(w, controls);
}

QString toUtf8(const QString &text)
{
    if (text.isEmpty())
        return {};
    return encodeText(text, kUtf8CodePage, 0);
}

// The flags are the Windows conversion's (best-fit mapping, composite characters, invalid
// characters). Our converters have no best-fit tables and always write "?" for a character the
// code page lacks (U+FFFD in UTF-8), which is what our callers, all passing 0, rely on; no flag
// could ask for anything these converters do differently, so the argument is taken and ignored.
QString encodeText(const QString &text, int codePage, int flags)
{
    Q_UNUSED(flags);
    const QString t = upToNul(text);
    if (codePage == kUtf8CodePage)
        return Ansi::decode(withLoneSurrogatesReplaced(t).toUtf8());
    const QString converter = CodePage::converterName(codePage);
    if (converter.isEmpty())
        return Ansi::decode(Ansi::encode(t));
    return Ansi::decode(CodePage::encode(t, converter));
}

QByteArray bytesOf(const QString &byteText)
{
    return Ansi::encode(byteText);
}

} // namespace TextEncoding
