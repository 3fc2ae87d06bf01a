#include "SqlStatement.h"

#include <QSqlQuery>

SqlStatement::SqlStatement(QString text)
    : m_sql(text)
    , m_shown(std::move(text))
{
}

SqlStatement::SqlStatement(QString sql, QVariantList values, QString shown)
    : m_sql(std::move(sql))
    , m_values(std::move(values))
    , m_shown(std::move(shown))
{
}

SqlStatement SqlStatement::after(const QString &text) const
{
    return {text + m_sql, m_values, text + m_shown};
}

bool SqlStatement::exec(QSqlQuery &query) const
{
    if (m_values.isEmpty())
        return query.exec(m_sql);
    if (!query.prepare(m_sql))
        return false;
    for (const QVariant &value : m_values)
        query.addBindValue(value);
    return query.exec();
}
