#include "Registry.h"

#include "Ansi.h"
#include "MessageSink.h"
#include "RegistryStore.h"
#include "RegistryValue.h"

#include <QDir>
#include <QSettings>
#include <optional>

namespace {

const QString kFamily = QStringLiteral("Orvane-Application");
const QString kOptions = QStringLiteral("Optionen");

QString keyPath(const QString &app, const QString &section)
{
    return QLatin1String("Software") + QLatin1String("\\Vornhalt\\") + app + u'\\' + section;
}

// The registry data a value becomes, or nothing for a kind the registry does not take.
std::optional<RegistryValue> registryData(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return RegistryValue::fromText(value.toString());
    case QMetaType::Short:
    case QMetaType::Int:
        return RegistryValue::fromDword(value.toInt());
    case QMetaType::Bool:
        return RegistryValue::fromDword(value.toBool() ? -1 : 0);
    default:
        return std::nullopt;
    }
}

QVariant variantOf(const RegistryValue &value)
{
    switch (value.type) {
    case RegistryValue::Sz:
    case RegistryValue::MultiSz:
        return value.text();
    case RegistryValue::Dword:
        return QVariant::fromValue<qint32>(value.dword());
    default:
        return value.data;
    }
}

// An option as text. Raw bytes (an option stored as REG_EXPAND_SZ) are read as the
// Windows-1252 text they hold, without the terminating zero.
QString optionText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QByteArray)
        return RegistryValue{RegistryValue::Binary, value.toByteArray()}.text();
    return value.toString();
}

QString optionApp(const QString &area)
{
    return area.isEmpty() ? kFamily : kFamily + u'\\' + area;
}

} // namespace

Registry::Registry(RegistryStore &store, MessageSink &sink)
    : m_store(store)
    , m_sink(sink)
{
}

void Registry::writeRegistry(const QString &app, const QString &section, const QString &key,
                             const QVariant &value)
{
    const QString path = keyPath(app, section);
    const std::optional<RegistryValue> data = registryData(value);
    const Failure failure = data ? m_store.setValue(RegistryStore::LocalMachine, path, key, *data)
                                 : m_store.createKey(RegistryStore::LocalMachine, path);
    if (failure.pending())
        report(QStringLiteral("Fehler beim Schreiben der Registry : "), app, section,
               failure.description);
}

QVariant Registry::readRegistry(const QString &app, const QString &section, const QString &key,
                                const QVariant &def)
{
    std::optional<RegistryValue> stored;
    const Failure failure =
        m_store.value(RegistryStore::LocalMachine, keyPath(app, section), key, stored);
    // An unreadable file is a key that cannot be opened: the default, silently. A file that
    // reads but does not parse is an error met while reading.
    if (failure.number == QSettings::FormatError) {
        report(QStringLiteral("Fehler beim Lesen der Registry : "), app, section,
               failure.description);
        return {};
    }
    if (failure.pending() || !stored)
        return def;
    return variantOf(*stored);
}

QString Registry::getOption(const QString &key, const QString &area)
{
    const QString app = optionApp(area);
    const QString text = optionText(readRegistry(app, kOptions, key, QStringLiteral("-1")));
    if (text != QLatin1String("-1"))
        return text;
    writeRegistry(app, kOptions, key, QString());
    return {};
}

void Registry::setOption(const QString &key, const QString &value, const QString &area)
{
    writeRegistry(optionApp(area), kOptions, key, value);
}

void Registry::registerProgram(const QString &programFolder, const QString &programFileName)
{
    const QString etikor = QStringLiteral("Etikor");
    writeRegistry(kFamily, etikor, QStringLiteral("Server"),
                  QDir(programFolder).filePath(programFileName));
    writeRegistry(kFamily, etikor, QStringLiteral("Extension"), QStringLiteral("DCNF"));
}

void Registry::report(const QString &what, const QString &app, const QString &section,
                      const QString &description)
{
    m_sink.addMessage(1, what + app + u'\\' + section + description, QString(), 0, false,
                      QString());
}
