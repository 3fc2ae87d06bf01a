#pragma once

#include "Failure.h"
#include "SavedQuery.h"

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QStringList>
#include <memory>

class AccessTable;

// What identifies one state of a file on disk: a file rewritten in place or replaced by
// another has a different stamp.
struct FileStamp {
    qint64 size = -1;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    quint64 inode = 0;

    bool operator==(const FileStamp &) const = default;
    static FileStamp of(const QString &path);
};

// A private snapshot of an Access file: its bytes read into memory in one go, opened there by
// libmdb. Other programs go on writing the file on disk; this snapshot never sees a page
// change under it. Tables and saved queries are read from it when first asked for.
//
// libmdb keeps one page buffer per file, so every use of a snapshot, its tables included, must
// hold mutex().
class AccessFile {
public:
    // Reads and opens the file; a null pointer and failure when it is not a readable Access
    // database (missing, being written, cut short, another kind of file).
    static std::shared_ptr<AccessFile> open(const QString &path, Failure &failure);
    // The same for bytes already read; name is what messages call the file.
    static std::shared_ptr<AccessFile> fromBytes(const QString &name, QByteArray bytes,
                                                 Failure &failure, FileStamp stamp = {});
    ~AccessFile();
    AccessFile(const AccessFile &) = delete;
    AccessFile &operator=(const AccessFile &) = delete;

    const QString &path() const { return m_path; }
    const FileStamp &stamp() const { return m_stamp; }
    QMutex &mutex() { return m_mutex; }

    QStringList tableNames() const;
    QStringList systemTableNames() const;
    // The names of the saved queries; only the select queries when selectOnly.
    QStringList queryNames(bool selectOnly);
    // The table of that name (letter case aside); null when there is none.
    AccessTable *table(const QString &name);
    // The saved query of that name (letter case aside); null when there is none.
    const SavedQuery *savedQuery(const QString &name);

private:
    struct Handle;
    AccessFile(QString path, FileStamp stamp, QByteArray bytes);
    Failure openHandle();
    Failure readCatalog();
    void readQueries();

    QString m_path;
    FileStamp m_stamp;
    QByteArray m_bytes;
    std::unique_ptr<Handle> m_handle;
    QMutex m_mutex;
    QHash<QString, std::shared_ptr<AccessTable>> m_tables;
    bool m_queriesRead = false;
    QList<SavedQuery> m_queries;
};
