#pragma once

#include <QList>
#include <QString>
#include <QVariantList>

// A saved query of an Access file, rebuilt as SQL text from the rows the file's query catalog
// (MSysQueries) keeps for it. Access stores a query as attributes, not as text: its type, its
// sources, output columns, joins, WHERE, GROUP BY, HAVING and ORDER BY expressions.
struct SavedQuery {
    // A row of MSysQueries that belongs to the query.
    struct Attribute {
        int attribute = 0;
        int flag = 0;
        QString name1;
        QString name2;
        QString expression;
    };

    QString name;
    // A select query; the others (action, crosstab, union, pass-through, data definition) are
    // known by name but cannot be read from.
    bool isSelect = false;
    // The text as Access shows it in SQL view: clauses on lines of their own, ending in ";".
    QString text;

    static SavedQuery rebuild(const QString &name, const QList<Attribute> &attributes);
};
