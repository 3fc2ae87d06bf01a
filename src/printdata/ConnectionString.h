#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The key/value pairs of a connection string ("Key=Value;Key=Value"). Keys are matched
// without regard to case and blanks around them; a value may be quoted with double quotes
// (a doubled quote inside stands for one) or, as ODBC drivers write it, with braces, and may
// then contain ";" and "=".
class ConnectionString {
public:
    explicit ConnectionString(const QString &text);

    // The value of the first of the keys that the string has; empty when it has none.
    QString value(const QStringList &keys) const;
    bool contains(const QString &key) const;

private:
    struct Pair {
        QString key;
        QString value;
    };
    static QList<QString> split(const QString &text);
    static QString unquoted(const QString &value);

    QList<Pair> m_pairs;
};
