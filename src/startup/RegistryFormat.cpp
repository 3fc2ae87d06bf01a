#include "RegistryFormat.h"

#include "RegistryFileParser.h"
#include "RegistryFileWriter.h"

#include <QIODevice>

namespace {

// One part only: no registry location maps to it (see RegistrySettingsKey).
const QString kParseError = QStringLiteral("%parse-error");

bool readStore(QIODevice &device, QSettings::SettingsMap &map)
{
    RegistryFileParser parser(device.readAll());
    if (!parser.parse(map)) {
        map.clear();
        map.insert(kParseError, parser.error());
    }
    return true;
}

bool writeStore(QIODevice &device, const QSettings::SettingsMap &map)
{
    const QByteArray bytes = RegistryFileWriter::write(map);
    return device.write(bytes) == bytes.size();
}

} // namespace

namespace RegistryFormat {

QSettings::Format format()
{
    static const QSettings::Format registered =
        QSettings::registerFormat(QStringLiteral("reg"), readStore, writeStore);
    return registered;
}

QString header()
{
    return QStringLiteral("Windows Registry Editor Version 5.00");
}

QString parseError(const QSettings &settings)
{
    return settings.value(kParseError).toString();
}

} // namespace RegistryFormat
