#pragma once

#include <QString>

// How a registry location becomes a QSettings key. A full key name such as
// "HKEY_LOCAL_MACHINE\Software\Vornhalt" becomes the group "HKEY_LOCAL_MACHINE/Software/
// Vornhalt"; a value is an entry of that group, the key's default value the entry "@". Names
// may hold characters QSettings would read as separators, so "%", "/", "\" and "@" inside a
// name are written as %XX. A key that exists without values is recorded by the entry "%",
// which no escaped name can equal.
namespace RegistrySettingsKey {
QString forValue(const QString &keyName, const QString &valueName);
QString forKey(const QString &keyName);
QString group(const QString &keyName);

// The registry location of a QSettings key. False when the key has no group part.
struct Location {
    QString keyName;
    QString valueName;
    bool keyOnly = false;
};
bool locate(const QString &settingsKey, Location &location);
} // namespace RegistrySettingsKey
