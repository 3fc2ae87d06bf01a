#pragma once

#include "AccessColumn.h"
#include "Failure.h"

#include <QHash>
#include <QList>
#include <QVariant>
#include <mdbtools.h>
#include <vector>

// One table of an Access file snapshot: its columns, where its rows lie and their typed
// values. Rows are found once, by libmdb's walk over the table's data pages; each value is then
// read from the row's own bytes, column by column as the table definition numbers them, so a
// table with deleted columns reads the columns it shows. Equality lookups go through an index
// per column, built the first time the column is asked for.
//
// Not thread-safe: every table of a file shares libmdb's page buffer, and the file serialises
// all use of them.
class AccessTable {
public:
    // fileSize: no value of the table can be longer than its file.
    AccessTable(MdbHandle *mdb, MdbCatalogEntry *entry, qsizetype fileSize);
    ~AccessTable();
    AccessTable(const AccessTable &) = delete;
    AccessTable &operator=(const AccessTable &) = delete;

    bool isValid() const { return m_table != nullptr; }
    QString name() const;
    const QList<AccessColumn> &columns() const { return m_columns; }
    // The column of that name, compared as Access compares names; -1 when there is none.
    int columnIndex(const QString &name) const;

    qsizetype rowCount();
    // The values of the given columns of one row, in that order.
    Failure read(qsizetype row, const QList<int> &columns, QVariantList &values);
    // The rows, in table order, whose column holds a value of that key (AccessValue::key).
    Failure rowsWithKey(int column, const QString &key, QList<qsizetype> &rows);

private:
    struct Location {
        quint32 page;
        quint16 row;
    };

    void findRows();
    Failure load(qsizetype row);
    Failure value(int column, QVariant &out);
    Failure memoBytes(const MdbField &field, QByteArray &out);
    Failure buildIndex(int column);

    MdbHandle *m_mdb;
    qsizetype m_fileSize;
    MdbTableDef *m_table = nullptr;
    QList<AccessColumn> m_columns;
    bool m_rowsFound = false;
    std::vector<Location> m_rows;
    std::vector<MdbField> m_fields;
    int m_fieldCount = 0;
    QHash<int, QHash<QString, QList<qsizetype>>> m_indexes;
};
