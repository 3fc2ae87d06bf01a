#include "AccessFile.h"

#include "AccessError.h"
#include "AccessTable.h"
#include "AccessValue.h"

#include <QFile>
#include <QMutexLocker>
#include <mdbtools.h>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

// libmdb's handle and the catalog entries its tables are read through. The catalog is read
// here rather than by mdb_read_catalog, which also parses every object's property blob and
// can loop without end on a damaged one; the station needs names, types and first pages only.
struct AccessFile::Handle {
    MdbHandle *mdb = nullptr;
    std::vector<std::unique_ptr<MdbCatalogEntry>> entries;
    ~Handle()
    {
        entries.clear();
        if (mdb)
            mdb_close(mdb);
    }

    std::unique_ptr<MdbCatalogEntry> entry(const QString &name, int type, qint32 id, qint32 flags)
    {
        auto e = std::make_unique<MdbCatalogEntry>();
        e->mdb = mdb;
        const QByteArray utf8 = name.toUtf8().left(MDB_MAX_OBJ_NAME);
        std::copy(utf8.cbegin(), utf8.cend(), e->object_name);
        e->object_name[utf8.size()] = 0;
        e->object_type = type;
        e->table_pg = quint32(id) & 0x00FFFFFFu;
        e->props = nullptr;
        e->flags = flags;
        return e;
    }

    bool isTable(const MdbCatalogEntry &e) const { return e.object_type == MDB_TABLE; }
    bool isSystem(const MdbCatalogEntry &e) const { return e.flags & 0x80000002; }
};

namespace {

// A file that keeps changing while it is read is tried this often before the request gives up
// (the next one tries again).
constexpr int kReadAttempts = 3;

qint64 nanoseconds(const timespec &t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

Failure unreadable(const QString &path, const QString &why)
{
    return AccessError::make(AccessError::Unspecified,
                             u"The Access database %1 cannot be read: %2"_s.arg(path, why));
}

// Jet 3 files have pages of 2 KB, Jet 4 and the ACE formats pages of 4 KB; the version byte
// at offset 0x14 tells them apart, the text at offset 4 says what the file is.
Failure checkHeader(const QString &path, const QByteArray &bytes)
{
    const QByteArray magic = bytes.mid(4, 15);
    if (magic != "Standard Jet DB" && magic != "Standard ACE DB")
        return unreadable(path, u"it is not an Access database"_s);
    const qsizetype pageSize = bytes.size() > 0x14 && bytes[0x14] == 0 ? 2048 : 4096;
    if (bytes.size() < 2 * pageSize || bytes.size() % pageSize != 0)
        return unreadable(path, u"it ends inside a page (%1 bytes): it is being written or "
                                u"is damaged"_s.arg(bytes.size()));
    return {};
}

} // namespace

FileStamp FileStamp::of(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {qint64(info.st_size), nanoseconds(info.st_mtim), nanoseconds(info.st_ctim),
            quint64(info.st_ino)};
}

AccessFile::AccessFile(QString path, FileStamp stamp, QByteArray bytes)
    : m_path(std::move(path))
    , m_stamp(stamp)
    , m_bytes(std::move(bytes))
    , m_handle(std::make_unique<Handle>())
{
}

AccessFile::~AccessFile()
{
    m_tables.clear(); // the tables refer to the handle
}

std::shared_ptr<AccessFile> AccessFile::open(const QString &path, Failure &failure)
{
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        const FileStamp before = FileStamp::of(path);
        QFile file(path);
        if (before.size < 0) {
            failure = unreadable(path, u"it does not exist or cannot be reached"_s);
            return {};
        }
        if (!file.open(QIODevice::ReadOnly)) {
            failure = unreadable(path, file.errorString());
            return {};
        }
        QByteArray bytes = file.readAll();
        file.close();
        if (FileStamp::of(path) != before || bytes.size() != before.size)
            continue; // written while it was read: read it again
        return fromBytes(path, std::move(bytes), failure, before);
    }
    failure = unreadable(path, u"it changed while it was read: it is being written"_s);
    return {};
}

std::shared_ptr<AccessFile> AccessFile::fromBytes(const QString &name, QByteArray bytes,
                                                  Failure &failure, FileStamp stamp)
{
    if (failure = checkHeader(name, bytes); failure.pending())
        return {};
    std::shared_ptr<AccessFile> snapshot(new AccessFile(name, stamp, std::move(bytes)));
    if (failure = snapshot->openHandle(); failure.pending())
        return {};
    return snapshot;
}

Failure AccessFile::openHandle()
{
    m_handle->mdb = mdb_open_buffer(m_bytes.data(), size_t(m_bytes.size()), MDB_NOFLAGS);
    if (!m_handle->mdb)
        return unreadable(m_path, u"its header cannot be read"_s);
    return readCatalog();
}

// MSysObjects, whose definition is always on page 2, lists every object: its id (for a table,
// the page of its definition), name, type and flags.
Failure AccessFile::readCatalog()
{
    auto objects = m_handle->entry(u"MSysObjects"_s, MDB_TABLE, 2, qint32(0x80000002));
    AccessTable table(m_handle->mdb, objects.get(), m_bytes.size());
    const QList<int> columns{table.columnIndex(u"Id"_s), table.columnIndex(u"Name"_s),
                             table.columnIndex(u"Type"_s), table.columnIndex(u"Flags"_s)};
    if (!table.isValid() || columns.contains(-1))
        return unreadable(m_path, u"its catalog cannot be read"_s);
    QVariantList v;
    for (qsizetype row = 0; row < table.rowCount(); ++row) {
        if (const Failure failure = table.read(row, columns, v); failure.pending())
            return unreadable(m_path, failure.description);
        if (!v.at(1).toString().isEmpty())
            m_handle->entries.push_back(m_handle->entry(v.at(1).toString(), v.at(2).toInt() & 0x7F,
                                                        v.at(0).toInt(), v.at(3).toInt()));
    }
    return {};
}

QStringList AccessFile::tableNames() const
{
    QStringList names;
    for (const auto &entry : m_handle->entries) {
        if (m_handle->isTable(*entry) && !m_handle->isSystem(*entry))
            names.append(QString::fromUtf8(entry->object_name));
    }
    return names;
}

QStringList AccessFile::systemTableNames() const
{
    QStringList names;
    for (const auto &entry : m_handle->entries) {
        if (m_handle->isTable(*entry) && m_handle->isSystem(*entry))
            names.append(QString::fromUtf8(entry->object_name));
    }
    return names;
}

AccessTable *AccessFile::table(const QString &name)
{
    const QString key = name.toCaseFolded();
    if (const auto found = m_tables.constFind(key); found != m_tables.cend())
        return found->get();
    for (const auto &entry : m_handle->entries) {
        if (!m_handle->isTable(*entry) ||
            !AccessValue::sameName(QString::fromUtf8(entry->object_name), name))
            continue;
        auto table = std::make_shared<AccessTable>(m_handle->mdb, entry.get(), m_bytes.size());
        if (!table->isValid())
            return nullptr;
        m_tables.insert(key, table);
        return table.get();
    }
    return nullptr;
}

QStringList AccessFile::queryNames(bool selectOnly)
{
    readQueries();
    QStringList names;
    for (const SavedQuery &query : std::as_const(m_queries)) {
        if (query.isSelect || !selectOnly)
            names.append(query.name);
    }
    return names;
}

const SavedQuery *AccessFile::savedQuery(const QString &name)
{
    readQueries();
    for (const SavedQuery &query : std::as_const(m_queries)) {
        if (AccessValue::sameName(query.name, name))
            return &query;
    }
    return nullptr;
}

// Saved queries are objects of type 5 in MSysObjects; their attributes are the rows of
// MSysQueries with the object's id. Names beginning with "~" belong to forms and reports.
void AccessFile::readQueries()
{
    if (m_queriesRead)
        return;
    m_queriesRead = true;
    AccessTable *objects = table(u"MSysObjects"_s);
    AccessTable *attributes = table(u"MSysQueries"_s);
    if (!objects || !attributes)
        return;
    QList<QPair<qint32, QString>> queries;
    const QList<int> objectColumns{objects->columnIndex(u"Id"_s), objects->columnIndex(u"Name"_s),
                                   objects->columnIndex(u"Type"_s)};
    if (objectColumns.contains(-1))
        return;
    QVariantList v;
    for (qsizetype row = 0; row < objects->rowCount(); ++row) {
        if (objects->read(row, objectColumns, v).pending())
            return;
        if (v.at(2).toInt() == 5 && !v.at(1).toString().startsWith(u'~'))
            queries.append({v.at(0).toInt(), v.at(1).toString()});
    }
    // Rows of one attribute (the column pairs of a join, say) keep the sequence of their Order.
    QHash<qint32, QList<QPair<QByteArray, SavedQuery::Attribute>>> byObject;
    QList<int> attributeColumns;
    for (const QString &name : {u"ObjectId"_s, u"Attribute"_s, u"Flag"_s, u"Name1"_s, u"Name2"_s,
                                u"Expression"_s, u"Order"_s})
        attributeColumns.append(attributes->columnIndex(name));
    if (attributeColumns.contains(-1))
        return;
    for (qsizetype row = 0; row < attributes->rowCount(); ++row) {
        if (attributes->read(row, attributeColumns, v).pending())
            return;
        byObject[v.at(0).toInt()].append({v.at(6).toByteArray(),
                                          {v.at(1).toInt(), v.at(2).toInt(), v.at(3).toString(),
                                           v.at(4).toString(), v.at(5).toString()}});
    }
    for (const auto &[id, name] : std::as_const(queries)) {
        auto rows = byObject.value(id);
        std::stable_sort(rows.begin(), rows.end(),
                         [](const auto &a, const auto &b) { return a.first < b.first; });
        QList<SavedQuery::Attribute> ordered;
        for (const auto &row : std::as_const(rows))
            ordered.append(row.second);
        m_queries.append(SavedQuery::rebuild(name, ordered));
    }
}
