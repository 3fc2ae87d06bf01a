#include "AppFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace AppFolder {

QString path()
{
    const QString home = qEnvironmentVariable("ETIKOR_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(QDir(home).absolutePath());
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

QString programName()
{
    if (QCoreApplication::instance())
        return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return QStringLiteral("etikor");
}

QString toNative(const QString &path)
{
    QString p = path;
    p.replace(u'\\', u'/');
    return p;
}

} // namespace AppFolder
