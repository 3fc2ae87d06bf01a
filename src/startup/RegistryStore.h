#pragma once

#include "Failure.h"
#include "RegistryValue.h"

#include <QString>
#include <optional>

// The station's registry: one file in the syntax of a regedit export, read and written
// through QSettings (see RegistryFormat). Every operation opens the file, does its one change
// and writes it back at once; QSettings writes through QSaveFile, so the file on disk is
// always either the old or the new one, never half written. Names are case-sensitive,
// unlike in a Windows registry.
class RegistryStore {
public:
    enum Root { ClassesRoot, LocalMachine };

    explicit RegistryStore(const QString &path = defaultPath());

    // ETIKOR_REGISTRY when set; /etc/etikor/registry.reg for root, whose registrations are
    // machine-wide; otherwise registry.reg in the user's configuration folder.
    static QString defaultPath();
    static QString rootName(Root root);

    QString path() const { return m_path; }

    // Creates the key root\keyPath (keyPath with backslashes, e.g. "Software\Vornhalt").
    Failure createKey(Root root, const QString &keyPath);
    // Creates the key when needed and stores the value; an empty name is the default value.
    Failure setValue(Root root, const QString &keyPath, const QString &name,
                     const RegistryValue &value);
    // The value, or nothing when key or value do not exist. Failure number 1: the file
    // cannot be read; 2: it is not a valid store file (its description says where).
    Failure value(Root root, const QString &keyPath, const QString &name,
                  std::optional<RegistryValue> &found) const;
    bool keyExists(Root root, const QString &keyPath) const;

private:
    Failure store(const QString &settingsKey, const QVariant &value);
    static QString parseProblem(const QString &path, const QString &error);
    Failure failure(int status, const QString &description) const;

    QString m_path;
};
