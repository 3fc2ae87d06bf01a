#include "RegistryFileParser.h"

#include "Ansi.h"
#include "RegistryFormat.h"
#include "RegistrySettingsKey.h"
#include "RegistryValue.h"

#include <QStringDecoder>
#include <algorithm>

namespace {

QString decodeFile(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder utf16(QStringDecoder::Utf16LE);
        return utf16(bytes.mid(2));
    }
    QStringDecoder utf8(QStringDecoder::Utf8); // skips a byte-order mark
    const QString text = utf8(bytes);
    return utf8.hasError() ? Ansi::decode(bytes) : text;
}

// Reads the quoted text that starts at pos; regedit escapes only backslash and double quote.
// On success pos is just after the closing quote.
bool readQuoted(const QString &line, qsizetype &pos, QString &text)
{
    text.clear();
    for (qsizetype i = pos + 1; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u'"') {
            pos = i + 1;
            return true;
        }
        const bool escape =
            c == u'\\' && i + 1 < line.size() && (line[i + 1] == u'\\' || line[i + 1] == u'"');
        if (escape)
            ++i;
        text += line[i];
    }
    return false;
}

// 1 to maxDigits hex digits and nothing else (toUInt alone would take blanks, signs, "0x").
bool readHex(const QString &digits, qsizetype maxDigits, uint &number)
{
    const auto isHexDigit = [](QChar c) {
        const char16_t u = c.toLower().unicode();
        return (u >= u'0' && u <= u'9') || (u >= u'a' && u <= u'f');
    };
    if (digits.isEmpty() || digits.size() > maxDigits ||
        !std::all_of(digits.begin(), digits.end(), isHexDigit))
        return false;
    number = digits.toUInt(nullptr, 16);
    return true;
}

bool readBytes(const QString &list, QByteArray &bytes)
{
    const QStringList items = list.split(u',');
    for (qsizetype i = 0; i < items.size(); ++i) {
        const QString item = items[i].trimmed();
        if (item.isEmpty() && i == items.size() - 1)
            break; // a trailing comma, or no bytes at all
        uint byte = 0;
        if (!readHex(item, 2, byte))
            return false;
        bytes.append(char(byte));
    }
    return true;
}

} // namespace

RegistryFileParser::RegistryFileParser(const QByteArray &file)
    : m_lines(decodeFile(file).split(u'\n'))
{
    for (QString &line : m_lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
}

bool RegistryFileParser::parse(QSettings::SettingsMap &map)
{
    m_map = &map;
    m_next = 0;
    m_section.clear();
    m_error.clear();
    if (!readHeader())
        return false;
    QString line;
    while (nextLine(line)) {
        const bool ok = line.startsWith(u'[') ? readSection(line) : readValue(line);
        if (!ok)
            return false;
    }
    closeSection();
    return true;
}

// The next line that is neither blank nor a comment, trimmed.
bool RegistryFileParser::nextLine(QString &line)
{
    while (m_next < m_lines.size()) {
        line = m_lines[m_next++].trimmed();
        if (!line.isEmpty() && !line.startsWith(u';'))
            return true;
    }
    return false;
}

bool RegistryFileParser::readHeader()
{
    QString line;
    if (!nextLine(line))
        return true; // nothing but blanks: an empty store
    if (line == RegistryFormat::header() || line == QLatin1String("REGEDIT4"))
        return true;
    return fail(QStringLiteral("the first line is not \"%1\"").arg(RegistryFormat::header()));
}

bool RegistryFileParser::readSection(const QString &line)
{
    closeSection();
    if (!line.endsWith(u']'))
        return fail(QStringLiteral("a key name must end with ]"));
    const QString name = line.mid(1, line.size() - 2);
    if (name.startsWith(u'-'))
        return fail(QStringLiteral("deleting keys is not supported"));
    const QStringList parts = name.split(u'\\');
    if (!parts.first().startsWith(QLatin1String("HKEY_")) || parts.contains(QString()))
        return fail(QStringLiteral("\"%1\" is not a full registry key name").arg(name));
    m_section = name;
    m_sectionHasValues = false;
    return true;
}

void RegistryFileParser::closeSection()
{
    if (!m_section.isEmpty() && !m_sectionHasValues)
        m_map->insert(RegistrySettingsKey::forKey(m_section), true);
    m_section.clear();
}

bool RegistryFileParser::readValue(const QString &line)
{
    if (m_section.isEmpty())
        return fail(QStringLiteral("a value before the first key"));
    QString name;
    qsizetype pos = 0;
    if (line.startsWith(u'@'))
        pos = 1;
    else if (!line.startsWith(u'"'))
        return fail(QStringLiteral("a value line must begin with a quoted name or @"));
    else if (!readQuoted(line, pos, name))
        return fail(QStringLiteral("the value name has no closing quote"));
    const QString rest = line.mid(pos).trimmed();
    if (!rest.startsWith(u'='))
        return fail(QStringLiteral("= expected after the value name"));
    QVariant value;
    if (!readData(rest.mid(1).trimmed(), value))
        return false;
    m_map->insert(RegistrySettingsKey::forValue(m_section, name), value);
    m_sectionHasValues = true;
    return true;
}

bool RegistryFileParser::readData(QString data, QVariant &value)
{
    if (data.startsWith(u'"')) {
        QString text;
        qsizetype pos = 0;
        if (!readQuoted(data, pos, text) || !data.mid(pos).trimmed().isEmpty())
            return fail(QStringLiteral("text data must be one quoted text"));
        value = QVariant::fromValue(RegistryValue{RegistryValue::Sz, Ansi::encode(text) + '\0'});
        return true;
    }
    if (data.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        uint number = 0;
        if (!readHex(data.mid(6), 8, number))
            return fail(QStringLiteral("dword: needs up to 8 hex digits"));
        value = QVariant::fromValue(RegistryValue::fromDword(qint32(number)));
        return true;
    }
    if (data.startsWith(QLatin1String("hex"), Qt::CaseInsensitive))
        return readHexData(data, value);
    if (data == QLatin1String("-"))
        return fail(QStringLiteral("deleting values is not supported"));
    return fail(QStringLiteral("unknown kind of value data"));
}

bool RegistryFileParser::readHexData(QString data, QVariant &value)
{
    while (data.endsWith(u'\\')) {
        data.chop(1);
        if (m_next >= m_lines.size())
            return fail(QStringLiteral("the file ends inside continued hex data"));
        data += m_lines[m_next++].trimmed();
    }
    const qsizetype colon = data.indexOf(u':');
    const QString kind = data.left(colon).toLower();
    uint type = RegistryValue::Binary;
    const bool typed = kind.startsWith(QLatin1String("hex(")) && kind.endsWith(u')') &&
                       readHex(kind.mid(4, kind.size() - 5), 8, type);
    if (colon < 0 || (kind != QLatin1String("hex") && !typed))
        return fail(QStringLiteral("hex data must begin with hex: or hex(n):"));
    QByteArray bytes;
    if (!readBytes(data.mid(colon + 1), bytes))
        return fail(
            QStringLiteral("hex data must be bytes of two hex digits, separated by commas"));
    value = QVariant::fromValue(RegistryValue{RegistryValue::Type(type), bytes});
    return true;
}

bool RegistryFileParser::fail(const QString &why)
{
    m_error = QStringLiteral("line %1: %2").arg(m_next).arg(why);
    return false;
}
