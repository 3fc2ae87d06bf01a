#include "AccessResult.h"

#include "AccessDriver.h"
#include "AccessFile.h"
#include "AccessQuery.h"

#include <QMutexLocker>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>

using namespace Qt::StringLiterals;

AccessResult::AccessResult(const AccessDriver *driver, std::shared_ptr<AccessFile> file)
    : QSqlResult(driver)
    , m_file(std::move(file))
{
}

QVariant AccessResult::data(int index)
{
    if (at() < 0 || at() >= m_rows.rows.size() || index < 0 || index >= m_rows.columns.size())
        return {};
    return m_rows.rows.at(at()).at(index);
}

bool AccessResult::isNull(int index)
{
    return data(index).isNull();
}

bool AccessResult::reset(const QString &query)
{
    return prepare(query) && exec();
}

bool AccessResult::prepare(const QString &query)
{
    setQuery(query);
    m_rows = {};
    m_statement = SelectStatement::parse(query, m_parseFailure);
    if (m_parseFailure.pending()) {
        fail(m_parseFailure);
        return false;
    }
    return true;
}

bool AccessResult::exec()
{
    setActive(false);
    setAt(QSql::BeforeFirstRow);
    m_rows = {};
    if (m_parseFailure.pending() || !m_file) {
        fail(m_parseFailure);
        return false;
    }
    Failure failure;
    {
        QMutexLocker lock(&m_file->mutex());
        failure = AccessQuery::run(*m_file, m_statement, boundValues(), m_rows);
    }
    if (failure.pending()) {
        m_rows = {};
        fail(failure);
        return false;
    }
    setLastError({});
    setSelect(true);
    setActive(true);
    return true;
}

bool AccessResult::fetch(int index)
{
    if (index < 0 || index >= m_rows.rows.size())
        return false;
    setAt(index);
    return true;
}

bool AccessResult::fetchFirst()
{
    return fetch(0);
}

bool AccessResult::fetchLast()
{
    return fetch(int(m_rows.rows.size()) - 1);
}

int AccessResult::size()
{
    return isActive() ? int(m_rows.rows.size()) : -1;
}

int AccessResult::numRowsAffected()
{
    return 0;
}

// Each field carries the column's field type code as its SQL type, where the transfers read it.
QSqlRecord AccessResult::record() const
{
    QSqlRecord record;
    for (const AccessColumn &column : m_rows.columns) {
        QSqlField field(column.name, column.metaType);
        field.setSqlType(column.fieldType);
        record.append(field);
    }
    return record;
}

void AccessResult::fail(const Failure &failure)
{
    setLastError(QSqlError(QString(), failure.description, QSqlError::StatementError,
                           QString::number(failure.number)));
}
