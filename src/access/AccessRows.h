#pragma once

#include "AccessColumn.h"

#include <QList>
#include <QVariantList>

// The result of one statement: its columns and the rows that matched, values typed, nulls as
// null variants.
struct AccessRows {
    QList<AccessColumn> columns;
    QList<QVariantList> rows;
};
