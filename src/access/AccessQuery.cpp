#include "AccessQuery.h"

#include "AccessError.h"
#include "AccessFile.h"
#include "AccessTable.h"
#include "AccessValue.h"

#include <numeric>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Saved queries may read other saved queries; a chain this deep is taken for a loop.
constexpr int kDeepestQuery = 16;

// Where the rows come from: a table of the file, or the rows of a saved query.
struct Source {
    QString name;
    QString alias;
    AccessTable *table = nullptr;
    AccessRows rows;

    const QList<AccessColumn> &columns() const { return table ? table->columns() : rows.columns; }
    qsizetype rowCount() const { return table ? table->rowCount() : rows.rows.size(); }

    int columnIndex(const QString &qualifier, const QString &column) const
    {
        if (!qualifier.isEmpty() && !AccessValue::sameName(qualifier, name) &&
            !AccessValue::sameName(qualifier, alias))
            return -1;
        if (table)
            return table->columnIndex(column);
        for (int i = 0; i < rows.columns.size(); ++i) {
            if (AccessValue::sameName(rows.columns.at(i).name, column))
                return i;
        }
        return -1;
    }

    Failure read(qsizetype row, const QList<int> &wanted, QVariantList &values) const
    {
        if (table)
            return table->read(row, wanted, values);
        values.clear();
        for (const int column : wanted)
            values.append(rows.rows.at(row).at(column));
        return {};
    }
};

// A compiled operand: a column of the source (index into the columns read for a row) or a
// value.
struct Term {
    int column = -1;
    QVariant value;
};

struct Condition {
    Term left;
    Term right;
};

Failure runDepth(AccessFile &file, const SelectStatement &statement, const QVariantList &values,
                 AccessRows &result, int depth);

QString qualified(const QString &qualifier, const QString &name)
{
    return qualifier.isEmpty() ? name : qualifier + u'.' + name;
}

Failure openSource(AccessFile &file, const SelectStatement &statement, Source &source, int depth)
{
    source.name = statement.source;
    source.alias = statement.sourceAlias;
    source.table = file.table(statement.source);
    if (source.table)
        return {};
    const SavedQuery *saved = file.savedQuery(statement.source);
    if (!saved)
        return AccessError::make(
            AccessError::UnknownTable,
            u"The Access database has no table or query named \"%1\""_s.arg(statement.source));
    if (!saved->isSelect)
        return AccessError::make(
            AccessError::Syntax,
            u"The saved query \"%1\" is not a select query"_s.arg(saved->name));
    if (depth >= kDeepestQuery)
        return AccessError::make(AccessError::Syntax,
                                 u"The saved query \"%1\" reads itself"_s.arg(saved->name));
    Failure failure;
    const SelectStatement inner = SelectStatement::parse(saved->text, failure);
    if (failure.pending()) {
        failure.description = u"Saved query \"%1\": "_s.arg(saved->name) + failure.description;
        return failure;
    }
    return runDepth(file, inner, {}, source.rows, depth + 1);
}

// The columns a row must be read for: the selected ones first, then those the conditions need.
struct Plan {
    QList<int> read;
    QList<AccessColumn> output;
    QList<Condition> conditions;
};

Failure planColumns(const SelectStatement &statement, const Source &source, Plan &plan)
{
    for (const SelectStatement::Column &c : statement.columns) {
        if (c.all) {
            if (!c.qualifier.isEmpty() && !AccessValue::sameName(c.qualifier, source.name) &&
                !AccessValue::sameName(c.qualifier, source.alias))
                return AccessError::make(
                    AccessError::UnknownColumn,
                    u"\"%1.*\" names no source of the query"_s.arg(c.qualifier));
            for (int i = 0; i < source.columns().size(); ++i) {
                plan.read.append(i);
                plan.output.append(source.columns().at(i));
            }
            continue;
        }
        const int index = source.columnIndex(c.qualifier, c.name);
        if (index < 0)
            return AccessError::make(
                AccessError::UnknownColumn,
                u"\"%1\" has no column \"%2\""_s.arg(source.name, qualified(c.qualifier, c.name)));
        AccessColumn column = source.columns().at(index);
        column.name = c.alias.isEmpty() ? c.name : c.alias;
        plan.read.append(index);
        plan.output.append(column);
    }
    return {};
}

Failure compileTerm(const SelectStatement::Operand &operand, const QVariantList &values,
                    const Source &source, Plan &plan, Term &term)
{
    switch (operand.kind) {
    case SelectStatement::Operand::Literal:
        term.value = operand.value;
        return {};
    case SelectStatement::Operand::Parameter:
        if (operand.parameter >= values.size())
            return AccessError::make(AccessError::UnknownColumn,
                                     u"No value given for one or more required parameters"_s);
        term.value = values.at(operand.parameter);
        return {};
    case SelectStatement::Operand::ColumnRef:
        break;
    }
    const int index = source.columnIndex(operand.qualifier, operand.name);
    if (index < 0)
        return AccessError::make(AccessError::UnknownColumn,
                                 u"\"%1\" has no column \"%2\""_s.arg(
                                     source.name, qualified(operand.qualifier, operand.name)));
    term.column = int(plan.read.size());
    plan.read.append(index);
    return {};
}

Failure compile(const SelectStatement &statement, const QVariantList &values, const Source &source,
                Plan &plan)
{
    if (Failure failure = planColumns(statement, source, plan); failure.pending())
        return failure;
    for (const SelectStatement::Equality &e : statement.where) {
        Condition condition;
        if (Failure failure = compileTerm(e.left, values, source, plan, condition.left);
            failure.pending())
            return failure;
        if (Failure failure = compileTerm(e.right, values, source, plan, condition.right);
            failure.pending())
            return failure;
        plan.conditions.append(condition);
    }
    return {};
}

// The rows worth reading: those the index of one equality of a column and a value gives, else
// all of them. A text column is preferred: a lot name narrows far more than a part number, and
// one index is all a request built after a change of the file has to wait for.
Failure candidates(const Source &source, const Plan &plan, QList<qsizetype> &rows)
{
    int best = -1;
    std::optional<QString> bestKey;
    for (const Condition &c : plan.conditions) {
        const bool leftColumn = c.left.column >= 0;
        if (!source.table || leftColumn == (c.right.column >= 0))
            continue;
        const int index = plan.read.at((leftColumn ? c.left : c.right).column);
        const AccessColumn &column = source.columns().at(index);
        const auto key = AccessValue::keyFor((leftColumn ? c.right : c.left).value, column);
        const bool text = column.metaType.id() == QMetaType::QString;
        if (key &&
            (best < 0 || (text && source.columns().at(best).metaType.id() != QMetaType::QString))) {
            best = index;
            bestKey = key;
        }
    }
    if (best >= 0)
        return source.table->rowsWithKey(best, *bestKey, rows);
    rows.resize(source.rowCount());
    std::iota(rows.begin(), rows.end(), 0);
    return {};
}

bool meets(const QList<Condition> &conditions, const QVariantList &values)
{
    for (const Condition &c : conditions) {
        const QVariant &left = c.left.column >= 0 ? values.at(c.left.column) : c.left.value;
        const QVariant &right = c.right.column >= 0 ? values.at(c.right.column) : c.right.value;
        if (!AccessValue::equal(left, right))
            return false;
    }
    return true;
}

Failure runDepth(AccessFile &file, const SelectStatement &statement, const QVariantList &values,
                 AccessRows &result, int depth)
{
    if (values.size() != statement.parameterCount && values.size() > 0)
        return AccessError::make(
            AccessError::UnknownColumn,
            u"The statement has %1 parameters, %2 values were given"_s.arg(statement.parameterCount)
                .arg(values.size()));
    Source source;
    if (Failure failure = openSource(file, statement, source, depth); failure.pending())
        return failure;
    Plan plan;
    if (Failure failure = compile(statement, values, source, plan); failure.pending())
        return failure;
    QList<qsizetype> rows;
    if (Failure failure = candidates(source, plan, rows); failure.pending())
        return failure;
    result.columns = plan.output;
    result.rows.clear();
    QVariantList read;
    const qsizetype selected = plan.output.size();
    for (const qsizetype row : std::as_const(rows)) {
        if (Failure failure = source.read(row, plan.read, read); failure.pending())
            return failure;
        if (meets(plan.conditions, read))
            result.rows.append(read.first(selected));
    }
    return {};
}

} // namespace

namespace AccessQuery {

Failure run(AccessFile &file, const SelectStatement &statement, const QVariantList &values,
            AccessRows &result)
{
    return runDepth(file, statement, values, result, 0);
}

} // namespace AccessQuery
