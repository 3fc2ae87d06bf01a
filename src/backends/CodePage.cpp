#include "CodePage.h"

#include <QStringEncoder>
#include <array>
#include <utility>

namespace {

// Windows numbers that Qt and ICU know under another name than "windows-<n>".
constexpr std::array<std::pair<int, const char *>, 17> kAliases = {{
    {1, "IBM850"},    // the OEM code page of the plants' Western stations
    {2, "macintosh"}, // the Macintosh code page of those stations
    {12000, "UTF-32LE"},
    {12001, "UTF-32BE"},
    {20127, "US-ASCII"},
    {21866, "KOI8-U"},
    {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"},
    {28593, "ISO-8859-3"},
    {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"},
    {28596, "ISO-8859-6"},
    {28597, "ISO-8859-7"},
    {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"},
    {28603, "ISO-8859-13"},
    {28605, "ISO-8859-15"},
}};

bool meansAnsi(int codePage)
{
    // CP_ACP and CP_THREAD_ACP name the ANSI code page, 1252 is it.
    return codePage == -1 || codePage == 0 || codePage == 3 || codePage == 1252;
}

bool known(const QString &name)
{
    return !name.isEmpty() && QStringEncoder(name.toLatin1().constData()).isValid();
}

QString aliasOf(int codePage)
{
    for (const auto &[number, name] : kAliases) {
        if (number == codePage)
            return QLatin1String(name);
    }
    return {};
}

// One character or surrogate pair starting at i.
qsizetype unitLength(const QString &text, qsizetype i)
{
    return text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
               ? 2
               : 1;
}

bool representable(QStringView character, const QByteArray &converter)
{
    // A fresh encoder each time: an encoder's error state survives resetState() with ICU.
    QStringEncoder encoder(converter.constData());
    const QByteArray ignored = encoder.encode(character);
    return !encoder.hasError();
}

QString withUnrepresentableReplaced(const QString &text, const QByteArray &converter)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = unitLength(text, i);
        const QStringView character = QStringView(text).mid(i, n);
        if (representable(character, converter))
            out += character;
        else
            out += u'?';
        i += n;
    }
    return out;
}

} // namespace

namespace CodePage {

QString converterName(int codePage)
{
    if (meansAnsi(codePage))
        return {};
    const QString alias = aliasOf(codePage);
    const QString n = QString::number(codePage);
    for (const QString &name : {alias, QLatin1String("windows-") + n, QLatin1String("cp") + n,
                                QLatin1String("ibm") + n}) {
        if (known(name))
            return name;
    }
    return {};
}

QByteArray encode(const QString &text, const QString &converter)
{
    const QByteArray name = converter.toLatin1();
    QStringEncoder encoder(name.constData());
    return encoder.encode(withUnrepresentableReplaced(text, name));
}

} // namespace CodePage
