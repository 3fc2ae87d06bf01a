#include "FreeSpaceSource.h"

#include <QStorageInfo>
#include <algorithm>
#include <array>
#include <string_view>

namespace {

// Types as the kernel reports them in the mount table; FUSE clients carry a "fuse." prefix.
constexpr std::array<std::string_view, 25> kNetworkTypes = {
    "9p",          "afs",       "beegfs",     "ceph",        "cifs",
    "coda",        "davfs",     "fuse.ceph",  "fuse.davfs2", "fuse.glusterfs",
    "fuse.rclone", "fuse.s3fs", "fuse.sshfs", "glusterfs",   "gpfs",
    "lustre",      "ncp",       "ncpfs",      "nfs",         "nfs4",
    "orangefs",    "smb",       "smb2",       "smb3",        "smbfs",
};

} // namespace

namespace FreeSpaceSource {

bool isNetworkFileSystem(const QByteArray &fileSystemType)
{
    const QByteArray type = fileSystemType.toLower();
    const std::string_view name(type.constData(), size_t(type.size()));
    return std::find(kNetworkTypes.begin(), kNetworkTypes.end(), name) != kNetworkTypes.end();
}

std::optional<FreeSpace> measure(const QString &folder)
{
    const QStorageInfo storage(folder);
    if (!storage.isValid() || !storage.isReady())
        return std::nullopt;
    if (isNetworkFileSystem(storage.fileSystemType()))
        return std::nullopt;
    const qint64 bytesFree = storage.bytesFree();
    if (bytesFree < 0)
        return std::nullopt;
    return FreeSpace{storage.rootPath(), bytesFree};
}

} // namespace FreeSpaceSource
