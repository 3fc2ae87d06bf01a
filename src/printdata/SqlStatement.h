#pragma once

#include <QString>
#include <QVariantList>

class QSqlQuery;

// A statement whose values from a request are bound as parameters, never pasted into its
// text: lot names come from barcodes and order systems, and a text that reached the SQL could
// read or change any table. shown() is the statement as the station writes it in its
// messages, each value in its place as it came.
class SqlStatement {
public:
    SqlStatement() = default;
    // A statement without values, executed and shown as it stands.
    explicit SqlStatement(QString text);
    // sql holds a "?" for each of values; shown writes them in.
    SqlStatement(QString sql, QVariantList values, QString shown);

    const QString &sql() const { return m_sql; }
    const QVariantList &values() const { return m_values; }
    const QString &shown() const { return m_shown; }
    bool isEmpty() const { return m_sql.isEmpty(); }

    // This statement with text in front, in both forms; the values stay bound.
    SqlStatement after(const QString &text) const;
    // Prepares query with the statement and runs it with the values bound.
    bool exec(QSqlQuery &query) const;

private:
    QString m_sql;
    QVariantList m_values;
    QString m_shown;
};
