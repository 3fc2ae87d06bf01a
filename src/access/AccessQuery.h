#pragma once

#include "AccessRows.h"
#include "Failure.h"
#include "SelectStatement.h"

class AccessFile;

// Evaluates a parsed statement against a snapshot: the rows of its table, or of the saved
// select query it names (itself evaluated the same way), that meet every equality, with the
// columns it selects. An equality between a column and a value is answered from the column's
// index; the rows come in table order.
//
// The caller holds the file's mutex.
namespace AccessQuery {

// values: one for each "?" of the statement, in order.
Failure run(AccessFile &file, const SelectStatement &statement, const QVariantList &values,
            AccessRows &result);

} // namespace AccessQuery
