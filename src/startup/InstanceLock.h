#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

// One running instance per program and user. The lock file lives in the user's runtime
// directory; a lock left by a crashed process is taken over, so a restart after a power cut
// is never refused.
class InstanceLock {
public:
    explicit InstanceLock(QString programName, QString directory = {});

    // True when this process now holds the lock (or already did).
    bool tryLock();
    QString path() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
