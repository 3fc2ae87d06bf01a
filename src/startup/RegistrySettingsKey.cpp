#include "RegistrySettingsKey.h"

#include <QStringList>

namespace {
const QString kDefaultValue = QStringLiteral("@");
const QString kKeyOnly = QStringLiteral("%");

bool needsEscape(QChar c)
{
    return c == u'%' || c == u'/' || c == u'\\' || c == u'@';
}

QString escaped(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (QChar c : name) {
        if (needsEscape(c))
            out += u'%' + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        else
            out += c;
    }
    return out;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

// The character of the escape "%XX" at position i, or -1 when there is none.
int escapeAt(const QString &name, qsizetype i)
{
    if (name[i] != u'%' || i + 2 >= name.size())
        return -1;
    const int high = hexDigit(name[i + 1]);
    const int low = hexDigit(name[i + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

QString unescaped(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const int code = escapeAt(name, i);
        if (code >= 0) {
            out += QChar(code);
            i += 2;
        } else {
            out += name[i];
        }
    }
    return out;
}
} // namespace

namespace RegistrySettingsKey {

QString group(const QString &keyName)
{
    QStringList parts = keyName.split(u'\\', Qt::SkipEmptyParts);
    for (QString &part : parts)
        part = escaped(part);
    return parts.join(u'/');
}

QString forValue(const QString &keyName, const QString &valueName)
{
    return group(keyName) + u'/' + (valueName.isEmpty() ? kDefaultValue : escaped(valueName));
}

QString forKey(const QString &keyName)
{
    return group(keyName) + u'/' + kKeyOnly;
}

bool locate(const QString &settingsKey, Location &location)
{
    QStringList parts = settingsKey.split(u'/', Qt::SkipEmptyParts);
    if (parts.size() < 2)
        return false;
    const QString last = parts.takeLast();
    for (QString &part : parts)
        part = unescaped(part);
    location.keyName = parts.join(u'\\');
    location.keyOnly = last == kKeyOnly;
    location.valueName = location.keyOnly || last == kDefaultValue ? QString() : unescaped(last);
    return true;
}

} // namespace RegistrySettingsKey
