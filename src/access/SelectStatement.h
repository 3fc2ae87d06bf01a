#pragma once

#include "Failure.h"

#include <QList>
#include <QString>
#include <QVariant>

// The statements the Access back-end evaluates, parsed:
//   SELECT * | column [AS alias], ... FROM source [[AS] alias]
//       [WHERE operand = operand [AND operand = operand ...]] [;]
// A column is name, source.name or source.*; names may be bracketed ([Teile Nr]). An operand
// is a column, a text in single or double quotes, a number or a "?" for a bound value;
// conditions may stand in parentheses, as Access writes them. Keywords ignore letter case.
struct SelectStatement {
    struct Column {
        QString qualifier; // empty when the column was not qualified
        QString name;      // empty for "*" and "source.*"
        QString alias;
        bool all = false;
    };
    struct Operand {
        enum Kind { ColumnRef, Literal, Parameter };
        Kind kind = Literal;
        QString qualifier;
        QString name;
        QVariant value;
        int parameter = -1;
    };
    struct Equality {
        Operand left;
        Operand right;
    };

    QList<Column> columns;
    QString source;
    QString sourceAlias;
    QList<Equality> where;
    int parameterCount = 0;

    // A failure (numbered as a syntax error) says what was not understood and where.
    static SelectStatement parse(const QString &text, Failure &failure);
};
