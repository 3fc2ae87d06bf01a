#include "FileAssociation.h"

#include "DesktopEntry.h"
#include "MimeAppsList.h"
#include "MimePackage.h"
#include "RegistryStore.h"
#include "RegistryValue.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// Readers of these files never see half of one: the new file replaces the old at once.
bool writeAtomically(const QString &path, const QByteArray &bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

// Refreshes a desktop cache when its tool is installed. Without update-mime-database only
// programs that read the package files themselves (Qt's do) know the type until it runs.
void runIfInstalled(const QString &tool, const QString &folder)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return;
    QProcess process;
    process.start(program, {folder});
    process.waitForFinished(60000);
}

QString dataHome()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
}

} // namespace

FileAssociation::FileAssociation(RegistryStore &store)
    : m_store(store)
{
}

QString FileAssociation::desktopFileName()
{
    return QStringLiteral("etikor.desktop");
}

bool FileAssociation::registerFileType(const QString &extension, const QString &programPath)
{
    const QString home = dataHome();
    if (!writeClassKeys(extension, programPath) || !installMimeType(extension, home) ||
        !installDesktopEntry(extension, programPath, home))
        return false;
    runIfInstalled(QStringLiteral("update-mime-database"), home + QLatin1String("/mime"));
    runIfInstalled(QStringLiteral("update-desktop-database"),
                   home + QLatin1String("/applications"));
    return setDefaultApplication(extension);
}

bool FileAssociation::writeClassKeys(const QString &extension, const QString &programPath)
{
    const RegistryStore::Root root = RegistryStore::ClassesRoot;
    const QString fileClass = extension + QLatin1String("_auto_file");
    const QString quote = QStringLiteral("\"");
    const QString command =
        quote + programPath + quote + u' ' + quote + QLatin1String("%1") + quote;
    const auto setDefault = [&](const QString &key, const QString &text) {
        return !m_store.setValue(root, key, QString(), RegistryValue::fromText(text)).pending();
    };
    const auto createKey = [&](const QString &key) {
        return !m_store.createKey(root, key).pending();
    };
    return setDefault(u'.' + extension, fileClass) && createKey(fileClass) &&
           createKey(fileClass + QLatin1String("\\Shell")) &&
           createKey(fileClass + QLatin1String("\\Shell\\Open")) &&
           setDefault(fileClass + QLatin1String("\\Shell\\Open\\Command"), command) &&
           setDefault(fileClass + QLatin1String("\\DefaultIcon"),
                      programPath + QLatin1String(",0"));
}

bool FileAssociation::installMimeType(const QString &extension, const QString &dataHome)
{
    return writeAtomically(dataHome + QLatin1String("/mime/packages/") +
                               MimePackage::fileName(extension),
                           MimePackage::xml(extension));
}

bool FileAssociation::installDesktopEntry(const QString &extension, const QString &programPath,
                                          const QString &dataHome)
{
    return writeAtomically(dataHome + QLatin1String("/applications/") + desktopFileName(),
                           DesktopEntry::text(programPath, MimePackage::typeName(extension)));
}

bool FileAssociation::setDefaultApplication(const QString &extension)
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                         QLatin1String("/mimeapps.list");
    QFile current(path);
    QString content;
    if (current.exists()) {
        if (!current.open(QIODevice::ReadOnly))
            return false;
        content = QString::fromUtf8(current.readAll());
    }
    const QString updated =
        MimeAppsList::withDefault(content, MimePackage::typeName(extension), desktopFileName());
    return writeAtomically(path, updated.toUtf8());
}
