#include "LogTail.h"

#include "Ansi.h"

#include <QFile>
#include <sys/stat.h>

std::optional<QString> LogTail::read(const QString &path, Update &update)
{
    QFile file(path);
    struct stat info {};
    if (!file.open(QIODevice::ReadOnly) || ::fstat(file.handle(), &info) != 0) {
        reset();
        return file.errorString();
    }
    const qint64 size = file.size();
    const bool sameFile = path == m_path && quint64(info.st_dev) == m_device &&
                          quint64(info.st_ino) == m_inode && size >= m_offset;
    update.whole = !sameFile;
    if (sameFile && !file.seek(m_offset)) {
        reset();
        return file.errorString();
    }
    const QByteArray bytes = file.read(size - (sameFile ? m_offset : 0));
    update.text = Ansi::decode(bytes);
    m_path = path;
    m_offset = (sameFile ? m_offset : 0) + bytes.size();
    m_device = quint64(info.st_dev);
    m_inode = quint64(info.st_ino);
    return std::nullopt;
}
