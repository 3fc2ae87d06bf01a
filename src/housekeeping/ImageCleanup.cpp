#include "ImageCleanup.h"

#include "AppSettings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr QDir::Filters kEverything =
    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;

QFileInfoList entries(const QString &folder)
{
    return QDir(folder).entryInfoList(kEverything, QDir::Name);
}

// A real folder; a link to one is treated as a file so nothing outside the tree is reached.
bool isFolder(const QFileInfo &entry)
{
    return entry.isDir() && !entry.isSymLink();
}

bool isProtected(const QString &name)
{
    return name.contains(QStringLiteral("FIXED"), Qt::CaseInsensitive);
}

// The part after the last dot, lower-cased; a hidden ".jpg" has the extension "jpg" too.
QString extension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1).toLower();
}

QString joined(const QString &folder, const QString &name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

// True when no file lies anywhere below folder, only folders.
bool holdsOnlyFolders(const QString &folder)
{
    for (const QFileInfo &entry : entries(folder)) {
        if (!isFolder(entry) || !holdsOnlyFolders(entry.filePath()))
            return false;
    }
    return true;
}

} // namespace

ImageCleanup::ImageCleanup(const AppSettings &settings, Today today)
    : m_settings(settings)
    , m_today(std::move(today))
{
}

void ImageCleanup::cleanLabelImages()
{
    clean({m_settings.labelshopPath, joined(m_settings.labelshopPath, QStringLiteral("Images")),
           true, false});
}

void ImageCleanup::cleanCadImages()
{
    clean({m_settings.cadPath, m_settings.cadPath, false, true});
}

void ImageCleanup::cleanImageFolder(const QString &folder)
{
    for (const QString &sub : collect(folder, true, true))
        cleanImageFolder(sub);
}

void ImageCleanup::clean(const Variant &variant)
{
    // An empty folder setting would make the listing below read the working directory.
    if (m_settings.deleteDelay == 0 || variant.setting.isEmpty())
        return;
    m_imageFiles.clear();
    const QStringList folders =
        collect(variant.baseFolder, variant.fixedCheck, variant.cadTypeAtTop);
    for (const QString &folder : folders)
        cleanImageFolder(folder);
    deleteOldFiles();
    for (const QString &folder : folders) {
        if (holdsOnlyFolders(folder))
            QDir(folder).removeRecursively();
    }
}

QStringList ImageCleanup::collect(const QString &folder, bool fixedCheck, bool withCadType)
{
    const QString cad = withCadType ? cadType() : QString();
    QStringList folders;
    for (const QFileInfo &entry : entries(folder)) {
        const QString name = entry.fileName();
        if (fixedCheck && isProtected(name))
            continue;
        const QString path = joined(folder, name);
        if (isFolder(entry)) {
            folders.append(path);
            continue;
        }
        const QString ext = extension(name);
        if (ext == u"bmp" || ext == u"jpg" || (!cad.isEmpty() && ext == cad))
            m_imageFiles.append(path);
        // Explorer's thumbnail caches come along with images copied from Windows stations.
        if (name.toUpper() == u"THUMBS.DB")
            QFile::remove(path);
    }
    return folders;
}

void ImageCleanup::deleteOldFiles() const
{
    const QDate today = m_today();
    for (const QString &path : m_imageFiles) {
        const QFileInfo file(path);
        if (!file.exists())
            continue;
        const QDate modified = file.lastModified().toLocalTime().date();
        if (modified.isValid() && modified.daysTo(today) > m_settings.deleteDelay)
            QFile::remove(path);
    }
}

QString ImageCleanup::cadType() const
{
    return m_settings.cadExtension.right(3).toLower();
}
