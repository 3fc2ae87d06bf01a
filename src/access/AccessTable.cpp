#include "AccessTable.h"

#include "AccessError.h"
#include "AccessValue.h"
#include "JetValue.h"

#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

bool isJet3(const MdbHandle *mdb)
{
    return mdb->f->jet_version == MDB_VER_JET3;
}

QByteArrayView bytesAt(const MdbHandle *mdb, int start, int size)
{
    return {reinterpret_cast<const char *>(mdb->pg_buf) + start, size};
}

// libmdb trusts the counts and offsets a row declares; a damaged row could send it far
// outside the page. A row must hold what it declares: its null mask after its data, and (with
// variable columns) their count and offsets, each inside the row.
bool rowIsWhole(const unsigned char *row, size_t size, bool jet3, bool variableColumns)
{
    const size_t countBytes = jet3 ? 1 : 2;
    if (size < countBytes)
        return false;
    const size_t columns = jet3 ? row[0] : qFromLittleEndian<quint16>(row);
    const size_t mask = (columns + 7) / 8;
    if (size < countBytes + mask)
        return false;
    if (!variableColumns || jet3)
        return true;
    if (size < countBytes + mask + 2)
        return false;
    const size_t varCount = qFromLittleEndian<quint16>(row + size - mask - 2);
    const size_t table = 2 * (varCount + 1);
    if (size < countBytes + mask + 2 + table)
        return false;
    for (size_t i = 0; i <= varCount; ++i) {
        const size_t at = size - mask - 2 - 2 * (i + 1);
        if (qFromLittleEndian<quint16>(row + at) > size)
            return false;
    }
    return true;
}

Failure damaged(const QString &table, const QString &what)
{
    return AccessError::make(
        AccessError::Unspecified,
        u"Table %1: %2; the file is damaged or was being written"_s.arg(table, what));
}

} // namespace

AccessTable::AccessTable(MdbHandle *mdb, MdbCatalogEntry *entry, qsizetype fileSize)
    : m_mdb(mdb)
    , m_fileSize(fileSize)
    , m_table(mdb_read_table(entry))
{
    // libmdb walks the rows through the table's page map and does not check that it has one.
    if (!m_table || !m_table->usage_map || m_table->map_sz == 0 || !mdb_read_columns(m_table)) {
        if (m_table)
            mdb_free_tabledef(m_table);
        m_table = nullptr;
        return;
    }
    for (unsigned i = 0; i < m_table->num_cols; ++i) {
        const auto *col = static_cast<MdbColumn *>(g_ptr_array_index(m_table->columns, i));
        m_columns.append({QString::fromUtf8(col->name), col->col_type,
                          JetValue::fieldType(col->col_type), JetValue::metaType(col->col_type),
                          col->col_size});
    }
    m_fields.resize(std::max<size_t>(m_table->num_cols, 1));
}

AccessTable::~AccessTable()
{
    if (m_table)
        mdb_free_tabledef(m_table);
}

QString AccessTable::name() const
{
    return m_table ? QString::fromUtf8(m_table->name) : QString();
}

int AccessTable::columnIndex(const QString &name) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (AccessValue::sameName(m_columns.at(i).name, name))
            return i;
    }
    return -1;
}

qsizetype AccessTable::rowCount()
{
    findRows();
    return qsizetype(m_rows.size());
}

// libmdb's walk skips deleted rows and follows the table's usage map; only where each row
// lies is kept.
void AccessTable::findRows()
{
    if (m_rowsFound || !m_table)
        return;
    m_rowsFound = true;
    // The definition's row count is a hint; no file holds more rows than it has bytes.
    m_rows.reserve(std::min<size_t>(m_table->num_rows, size_t(m_fileSize) / 8));
    mdb_rewind_table(m_table);
    while (mdb_fetch_row(m_table))
        m_rows.push_back({m_table->cur_phys_pg, quint16(m_table->cur_row - 1)});
}

Failure AccessTable::load(qsizetype row)
{
    const Location &at = m_rows.at(size_t(row));
    if (m_mdb->cur_pg != at.page && mdb_read_pg(m_mdb, at.page) != m_mdb->fmt->pg_size)
        return damaged(name(), u"page %1 cannot be read"_s.arg(at.page));
    int start = 0;
    size_t size = 0;
    if (mdb_find_row(m_mdb, at.row, &start, &size) != 0 || start < 0 ||
        qsizetype(start) + qsizetype(size) > m_mdb->fmt->pg_size ||
        !rowIsWhole(m_mdb->pg_buf + start, size, isJet3(m_mdb), m_table->num_var_cols > 0))
        return damaged(name(), u"row %1 of page %2 is not whole"_s.arg(at.row).arg(at.page));
    m_fieldCount = mdb_crack_row(m_table, start, size, m_fields.data());
    if (m_fieldCount < 0)
        return damaged(name(), u"row %1 of page %2 cannot be read"_s.arg(at.row).arg(at.page));
    return {};
}

Failure AccessTable::read(qsizetype row, const QList<int> &columns, QVariantList &values)
{
    findRows();
    values.clear();
    if (row < 0 || row >= qsizetype(m_rows.size()))
        return AccessError::make(AccessError::Unspecified, u"no row %1"_s.arg(row));
    if (Failure failure = load(row); failure.pending())
        return failure;
    for (const int column : columns) {
        QVariant v;
        if (Failure failure = value(column, v); failure.pending())
            return failure;
        values.append(v);
    }
    return {};
}

// A column that rows written before it was added do not have reads as null.
Failure AccessTable::value(int column, QVariant &out)
{
    const AccessColumn &col = m_columns.at(column);
    const QMetaType type = col.metaType;
    out = QVariant(type);
    if (column >= m_fieldCount)
        return {};
    const MdbField &field = m_fields.at(size_t(column));
    if (col.jetType == MDB_BOOL) {
        out = QVariant(field.is_null == 0); // a Yes/No value is its bit in the null mask
        return {};
    }
    if (field.is_null)
        return {};
    if (field.start < 0 || field.siz < 0 || field.start + field.siz > m_mdb->fmt->pg_size)
        return damaged(name(), u"a value of column %1 lies outside its page"_s.arg(col.name));
    const QByteArrayView bytes = bytesAt(m_mdb, field.start, field.siz);
    const auto fits = [&](int size) {
        return bytes.size() >= size;
    };
    const bool jet3 = isJet3(m_mdb);
    switch (col.jetType) {
    case MDB_BYTE:
        if (fits(1))
            out = QVariant::fromValue(qint16(uchar(bytes[0])));
        break;
    case MDB_INT:
        if (fits(2))
            out = QVariant::fromValue(qFromLittleEndian<qint16>(bytes.data()));
        break;
    case MDB_LONGINT:
    case MDB_COMPLEX:
        if (fits(4))
            out = QVariant(qFromLittleEndian<qint32>(bytes.data()));
        break;
    case MDB_FLOAT:
        if (fits(4))
            out = QVariant(qFromLittleEndian<float>(bytes.data()));
        break;
    case MDB_DOUBLE:
        if (fits(8))
            out = QVariant(qFromLittleEndian<double>(bytes.data()));
        break;
    case MDB_DATETIME:
        if (fits(8))
            out = QVariant(JetValue::dateTime(qFromLittleEndian<double>(bytes.data())));
        break;
    case MDB_MONEY:
        if (fits(8))
            out = QVariant(JetValue::currency(bytes));
        break;
    case MDB_NUMERIC:
        if (fits(17)) {
            char *text = mdb_numeric_to_string(m_mdb, field.start, col.size >> 8, col.size & 0xFF);
            out = QVariant(QString::fromLatin1(text).toDouble());
            g_free(text);
        }
        break;
    case MDB_REPID:
        if (fits(16)) {
            char *text = mdb_uuid_to_string(m_mdb->pg_buf, field.start);
            out = QVariant(QString::fromLatin1(text));
            g_free(text);
        }
        break;
    case MDB_TEXT:
        out = QVariant(JetValue::text(bytes, jet3, m_mdb->f->code_page));
        break;
    case MDB_BINARY:
        out = QVariant(bytes.toByteArray());
        break;
    case MDB_MEMO:
    case MDB_OLE: {
        QByteArray data;
        if (Failure failure = memoBytes(field, data); failure.pending())
            return failure;
        out = col.jetType == MDB_MEMO ? QVariant(JetValue::text(data, jet3, m_mdb->f->code_page))
                                      : QVariant(data);
        break;
    }
    default:
        break;
    }
    return {};
}

// A memo or OLE value begins with twelve bytes: its length with two flags in the top bits, and
// where the rest lies. Flag 0x80000000: the value follows in the row itself. Flag 0x40000000:
// it is one row of a long-value page. Neither: a chain of long-value rows, each beginning with
// the page and row of the next.
Failure AccessTable::memoBytes(const MdbField &field, QByteArray &out)
{
    if (field.siz < 12)
        return damaged(name(), u"a memo field is cut short"_s);
    const QByteArrayView head = bytesAt(m_mdb, field.start, field.siz);
    const quint32 lengthAndFlags = qFromLittleEndian<quint32>(head.data());
    const quint32 length = lengthAndFlags & 0x3FFFFFFFu;
    quint32 next = qFromLittleEndian<quint32>(head.data() + 4);
    if (qsizetype(length) > m_fileSize) // a damaged length, not a value
        return damaged(name(), u"a memo claims %1 bytes"_s.arg(length));
    if (lengthAndFlags & 0x80000000u) {
        if (head.size() < 12 + qsizetype(length))
            return damaged(name(), u"a memo is longer than its row"_s);
        out = head.sliced(12, length).toByteArray();
        return {};
    }
    const bool single = lengthAndFlags & 0x40000000u;
    out.reserve(length);
    for (quint32 links = 0; out.size() < qsizetype(length); ++links) {
        void *page = nullptr;
        int offset = 0;
        size_t size = 0;
        if (links > length || next == 0 || mdb_find_pg_row(m_mdb, next, &page, &offset, &size))
            return damaged(name(), u"a memo's pages cannot be followed"_s);
        if (offset < 0 || qsizetype(size) > m_mdb->fmt->pg_size - offset)
            return damaged(name(), u"a memo page is damaged"_s);
        QByteArrayView chunk(static_cast<const char *>(page) + offset, qsizetype(size));
        if (!single) {
            if (chunk.size() < 4)
                return damaged(name(), u"a memo page is cut short"_s);
            next = qFromLittleEndian<quint32>(chunk.data());
            chunk = chunk.sliced(4);
        }
        out.append(chunk.first(std::min(chunk.size(), qsizetype(length) - out.size())));
        if (single && out.size() < qsizetype(length))
            return damaged(name(), u"a memo is longer than its page"_s);
    }
    return {};
}

Failure AccessTable::buildIndex(int column)
{
    QHash<QString, QList<qsizetype>> index;
    for (qsizetype row = 0; row < qsizetype(m_rows.size()); ++row) {
        QVariant v;
        Failure failure = load(row);
        if (!failure.pending())
            failure = value(column, v);
        if (failure.pending())
            return failure;
        if (const QString key = AccessValue::key(v); !key.isNull())
            index[key].append(row);
    }
    m_indexes.insert(column, index);
    return {};
}

Failure AccessTable::rowsWithKey(int column, const QString &key, QList<qsizetype> &rows)
{
    findRows();
    if (!m_indexes.contains(column)) {
        if (Failure failure = buildIndex(column); failure.pending())
            return failure;
    }
    rows = m_indexes.value(column).value(key);
    return {};
}
