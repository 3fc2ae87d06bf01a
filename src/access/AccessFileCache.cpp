#include "AccessFileCache.h"

#include <QFileInfo>
#include <QMutexLocker>

AccessFileCache &AccessFileCache::shared()
{
    static AccessFileCache cache;
    return cache;
}

std::shared_ptr<AccessFile> AccessFileCache::open(const QString &path, Failure &failure)
{
    failure = {};
    const QString key = QFileInfo(path).absoluteFilePath();
    QMutexLocker lock(&m_mutex);
    const auto cached = m_files.constFind(key);
    if (cached != m_files.cend() && (*cached)->stamp() == FileStamp::of(key))
        return *cached;
    std::shared_ptr<AccessFile> file = AccessFile::open(key, failure);
    if (file)
        m_files.insert(key, file);
    else
        m_files.remove(key);
    return file;
}

void AccessFileCache::clear()
{
    QMutexLocker lock(&m_mutex);
    m_files.clear();
}
