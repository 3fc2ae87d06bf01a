#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The free space of the file system a folder lives on, as the disk-space watch compares it.
struct FreeSpace {
    // The mount point; Linux has no drive letters, so this is what the operator is shown.
    QString drive;
    // All free bytes of the file system, including those reserved for root: the figure the
    // limit was always meant for.
    qint64 bytesFree = 0;
};

namespace FreeSpaceSource {
// The free space of folder's file system. No value when nothing can be measured: the folder
// does not exist, the file system is not ready, or it is a network file system, whose
// figure comes from a server and says nothing about the station's own disk.
std::optional<FreeSpace> measure(const QString &folder);
// True for the file-system types of network shares (NFS, SMB/CIFS, sshfs, 9p, cluster file
// systems and the like), in any case.
bool isNetworkFileSystem(const QByteArray &fileSystemType);
} // namespace FreeSpaceSource
