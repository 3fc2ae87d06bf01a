#include "RegistryFileWriter.h"

#include "RegistryFormat.h"
#include "RegistrySettingsKey.h"
#include "RegistryValue.h"

#include <QList>
#include <QStringList>
#include <algorithm>
#include <map>
#include <utility>

namespace {

using NamedValue = std::pair<QString, RegistryValue>;

// Case-insensitive as regedit sorts, then case-sensitive so that two names differing only
// in case stay two entries.
int compareNames(const QString &a, const QString &b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded : a.compare(b, Qt::CaseSensitive);
}

struct KeyOrder {
    bool operator()(const QStringList &a, const QStringList &b) const
    {
        for (qsizetype i = 0; i < qMin(a.size(), b.size()); ++i) {
            if (const int c = compareNames(a[i], b[i]); c != 0)
                return c < 0;
        }
        return a.size() < b.size();
    }
};

bool valueOrder(const NamedValue &a, const NamedValue &b)
{
    if (a.first.isEmpty() != b.first.isEmpty())
        return a.first.isEmpty();
    return compareNames(a.first, b.first) < 0;
}

QString quoted(QString text)
{
    text.replace(u'\\', QLatin1String("\\\\"));
    text.replace(u'"', QLatin1String("\\\""));
    return u'"' + text + u'"';
}

// Text data that a quoted string gives back byte for byte.
bool isOneLineText(const QByteArray &data)
{
    return data.endsWith('\0') && data.count('\0') == 1 && !data.contains('\r') &&
           !data.contains('\n');
}

// hex: data broken after a comma before a line grows beyond 80 characters, continued
// with a backslash and two blanks, as regedit does.
QString hexData(const QString &head, const RegistryValue &value)
{
    QString out;
    QString line = head;
    line += value.type == RegistryValue::Binary
                ? QStringLiteral("hex:")
                : QStringLiteral("hex(%1):").arg(quint32(value.type), 0, 16);
    for (qsizetype i = 0; i < value.data.size(); ++i) {
        QString item = QStringLiteral("%1").arg(quint8(value.data[i]), 2, 16, QChar(u'0'));
        if (i + 1 < value.data.size())
            item += u',';
        if (line.size() + item.size() > 79 && line.endsWith(u',')) {
            out += line + QLatin1String("\\\r\n");
            line = QStringLiteral("  ");
        }
        line += item;
    }
    return out + line;
}

QString valueLine(const NamedValue &named)
{
    const auto &[name, value] = named;
    const QString head = (name.isEmpty() ? QStringLiteral("@") : quoted(name)) + u'=';
    if (value.type == RegistryValue::Sz && isOneLineText(value.data))
        return head + quoted(value.text());
    if (value.type == RegistryValue::Dword && value.data.size() == 4)
        return head + QStringLiteral("dword:%1").arg(quint32(value.dword()), 8, 16, QChar(u'0'));
    return hexData(head, value);
}

} // namespace

namespace RegistryFileWriter {

QByteArray write(const QSettings::SettingsMap &map)
{
    std::map<QStringList, QList<NamedValue>, KeyOrder> keys;
    for (auto it = map.begin(); it != map.end(); ++it) {
        RegistrySettingsKey::Location location;
        if (!RegistrySettingsKey::locate(it.key(), location))
            continue;
        QList<NamedValue> &values = keys[location.keyName.split(u'\\')];
        // Entries that are not registry values (set on the QSettings object directly) have
        // no registry type and are left out.
        if (!location.keyOnly && it.value().metaType() == QMetaType::fromType<RegistryValue>())
            values.append({location.valueName, it.value().value<RegistryValue>()});
    }
    const QLatin1String eol("\r\n");
    QString out = RegistryFormat::header() + eol;
    for (auto &[key, values] : keys) {
        std::sort(values.begin(), values.end(), valueOrder);
        out += eol + u'[' + key.join(u'\\') + u']' + eol;
        for (const NamedValue &value : values)
            out += valueLine(value) + eol;
    }
    return (out + eol).toUtf8();
}

} // namespace RegistryFileWriter
