#pragma once

#include "Failure.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

class QSqlRecord;

// What the print-data database says about itself: its views (the stored queries of the
// Windows stations) and the column types of a query. Each engine keeps this in its own
// catalog; an engine without a readable catalog (ODBC) answers with nothing.
class DatabaseCatalog {
public:
    explicit DatabaseCatalog(const QSqlDatabase &database);

    // A table or view of that name (letter case aside) exists.
    bool hasRelation(const QString &name) const;
    // The SELECT statement of the view; empty when there is no such view or it cannot be read.
    QString viewText(const QString &name) const;
    // Creates a view over the SELECT statement; a trailing ";" is dropped.
    Failure createView(const QString &name, const QString &selectText) const;
    // The field type code (see FieldType) of every column of the query's result, in its
    // order. record is the result's record; queryText the statement it came from.
    QList<int> columnTypes(const QString &queryText, const QSqlRecord &record) const;

private:
    QString sqliteViewText(const QString &name) const;
    QString postgresViewText(const QString &name) const;
    QStringList sqliteDeclaredTypes(const QString &queryText) const;
    QList<int> postgresTypes(const QSqlRecord &record) const;
    static QList<int> typesOfFields(const QSqlRecord &record);

    QSqlDatabase m_database;
};
