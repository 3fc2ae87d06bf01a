#pragma once

#include <QString>
#include <optional>

// Follows the communication log for its history box. The log only ever grows at its end or
// starts afresh after a rollover, so after the first full read only the bytes appended since
// the last read are read and decoded: a box that shows a 640,000-byte log stays cheap to
// refresh after every entry. A file that shrank, was replaced or is another file is read
// whole again.
class LogTail {
public:
    struct Update {
        QString text;      // Windows-1252 decoded
        bool whole = true; // text replaces the box's content; else it is appended
    };

    // The system's description when the file cannot be read; the reader then starts over.
    std::optional<QString> read(const QString &path, Update &update);
    // The next read is a whole one.
    void reset() { m_path.clear(); }

private:
    QString m_path;
    qint64 m_offset = 0;
    quint64 m_device = 0;
    quint64 m_inode = 0;
};
