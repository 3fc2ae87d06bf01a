#include "RegistryStore.h"

#include "RegistryFormat.h"
#include "RegistrySettingsKey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <cerrno>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString keyName(RegistryStore::Root root, const QString &keyPath)
{
    return RegistryStore::rootName(root) + u'\\' + keyPath;
}

// The system's reason (errno text) why path cannot be accessed in mode, or an empty text.
QString accessError(const QString &path, int mode)
{
    if (::access(QFile::encodeName(path).constData(), mode) == 0)
        return {};
    return qt_error_string(errno);
}

// QSettings says only "access error". The reason is found here: an existing file must be
// readable and writable, and the nearest existing folder on the way to the file must be a
// writable folder, for the new file and for QSettings' lock file beside it.
QString writeProblem(const QString &path)
{
    const QFileInfo file(path);
    if (file.exists()) {
        if (QString reason = accessError(path, R_OK | W_OK); !reason.isEmpty())
            return reason;
    }
    QString folder = file.absolutePath();
    while (!QFileInfo::exists(folder) && !QDir(folder).isRoot())
        folder = QFileInfo(folder).absolutePath();
    if (!QFileInfo(folder).isDir())
        return qt_error_string(ENOTDIR);
    const QString reason = accessError(folder, W_OK | X_OK);
    return reason.isEmpty() ? qt_error_string(EIO) : reason;
}

QString readProblem(const QString &path)
{
    const QString reason = accessError(path, R_OK);
    return reason.isEmpty() ? qt_error_string(EIO) : reason;
}

} // namespace

RegistryStore::RegistryStore(const QString &path)
    : m_path(path)
{
}

QString RegistryStore::defaultPath()
{
    const QString fromEnvironment = qEnvironmentVariable("ETIKOR_REGISTRY");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    if (::geteuid() == 0)
        return QStringLiteral("/etc/etikor/registry.reg");
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1String("/etikor/registry.reg");
}

QString RegistryStore::rootName(Root root)
{
    return root == ClassesRoot ? QStringLiteral("HKEY_CLASSES_ROOT")
                               : QStringLiteral("HKEY_LOCAL_MACHINE");
}

Failure RegistryStore::createKey(Root root, const QString &keyPath)
{
    return store(RegistrySettingsKey::forKey(keyName(root, keyPath)), true);
}

Failure RegistryStore::setValue(Root root, const QString &keyPath, const QString &name,
                                const RegistryValue &value)
{
    return store(RegistrySettingsKey::forValue(keyName(root, keyPath), name),
                 QVariant::fromValue(value));
}

Failure RegistryStore::value(Root root, const QString &keyPath, const QString &name,
                             std::optional<RegistryValue> &found) const
{
    found.reset();
    const QSettings settings(m_path, RegistryFormat::format());
    if (const QString error = RegistryFormat::parseError(settings); !error.isEmpty())
        return failure(QSettings::FormatError, parseProblem(m_path, error));
    if (settings.status() == QSettings::AccessError)
        return failure(QSettings::AccessError, readProblem(m_path));
    const QVariant stored =
        settings.value(RegistrySettingsKey::forValue(keyName(root, keyPath), name));
    if (stored.metaType() == QMetaType::fromType<RegistryValue>())
        found = stored.value<RegistryValue>();
    return {};
}

bool RegistryStore::keyExists(Root root, const QString &keyPath) const
{
    QSettings settings(m_path, RegistryFormat::format());
    settings.beginGroup(RegistrySettingsKey::group(keyName(root, keyPath)));
    return !settings.childKeys().isEmpty() || !settings.childGroups().isEmpty();
}

// A value that could not be written stays pending in QSettings' per-process cache of the
// file: later reads in this process see it, and the next successful write of the file
// writes it too.
Failure RegistryStore::store(const QString &settingsKey, const QVariant &value)
{
    QSettings settings(m_path, RegistryFormat::format());
    // A file that does not parse is left alone: writing it would drop every value in it.
    if (const QString error = RegistryFormat::parseError(settings); !error.isEmpty())
        return failure(QSettings::FormatError, parseProblem(m_path, error));
    settings.setValue(settingsKey, value);
    settings.sync();
    if (settings.status() != QSettings::NoError)
        return failure(settings.status(), writeProblem(m_path));
    return {};
}

// Messages put the description straight after the key's name, as the system's own texts
// go there; a file that does not parse is named, with the line, in parentheses after it.
QString RegistryStore::parseProblem(const QString &path, const QString &error)
{
    return u" ("_s + path + u", "_s + error + u')';
}

Failure RegistryStore::failure(int status, const QString &description) const
{
    return {status, m_path, description, {}, 0};
}
