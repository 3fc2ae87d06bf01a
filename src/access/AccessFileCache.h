#pragma once

#include "AccessFile.h"

#include <QHash>
#include <QMutex>
#include <memory>

// The latest snapshot of each Access file the station reads. A request gets the cached
// snapshot while the file on disk is unchanged (so its tables, rows and indexes are found once),
// and a fresh one as soon as another program has written the file. A snapshot that a request
// still uses stays alive until it is done, even when a newer one has replaced it here.
class AccessFileCache {
public:
    // The process's cache: every connection to an Access file goes through it.
    static AccessFileCache &shared();

    std::shared_ptr<AccessFile> open(const QString &path, Failure &failure);
    void clear();

private:
    QMutex m_mutex;
    QHash<QString, std::shared_ptr<AccessFile>> m_files;
};
