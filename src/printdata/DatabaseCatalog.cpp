#include "DatabaseCatalog.h"

#include "AccessDriver.h"
#include "DatabaseConnection.h"
#include "FieldType.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcCatalog, "etikor.printdata.catalog")

namespace {

QString withoutTrailingSemicolon(const QString &text)
{
    QString result = text.trimmed();
    while (result.endsWith(u';'))
        result = result.chopped(1).trimmed();
    return result;
}

// SQLite keeps a view as the statement that created it; its query is what follows "AS"
// after the view's name and its optional column list.
QString selectOfCreateView(const QString &createView)
{
    static const QRegularExpression statement(
        u"^\\s*CREATE\\s+(?:TEMP(?:ORARY)?\\s+)?VIEW\\s+(?:IF\\s+NOT\\s+EXISTS\\s+)?"
        u"(?:\"(?:[^\"]|\"\")*\"|\\[[^\\]]*\\]|`[^`]*`|[^\\s(]+)(?:\\s*\\([^)]*\\))?\\s*AS\\s+(.*)$"_s,
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return statement.match(createView).captured(1).trimmed();
}

} // namespace

DatabaseCatalog::DatabaseCatalog(const QSqlDatabase &database)
    : m_database(database)
{
}

bool DatabaseCatalog::hasRelation(const QString &name) const
{
    const QStringList relations = m_database.tables(QSql::AllTables);
    return relations.contains(name, Qt::CaseInsensitive);
}

QString DatabaseCatalog::viewText(const QString &name) const
{
    const QString engine = m_database.driverName();
    if (engine == u"QSQLITE")
        return sqliteViewText(name);
    if (engine == u"QPSQL")
        return postgresViewText(name);
    if (const auto *access = qobject_cast<const AccessDriver *>(m_database.driver()))
        return access->savedQueryText(name);
    return {};
}

Failure DatabaseCatalog::createView(const QString &name, const QString &selectText) const
{
    const QString identifier = m_database.driver()->escapeIdentifier(name, QSqlDriver::TableName);
    QSqlQuery query(m_database);
    if (query.exec(u"CREATE VIEW "_s + identifier + u" AS "_s +
                   withoutTrailingSemicolon(selectText)))
        return {};
    return DatabaseConnection::failureOf(query.lastError());
}

QList<int> DatabaseCatalog::columnTypes(const QString &queryText, const QSqlRecord &record) const
{
    if (m_database.driverName() == u"QPSQL")
        return postgresTypes(record);
    if (m_database.driverName() == AccessDriver::kName)
        return typesOfFields(record);
    const QStringList declared =
        m_database.driverName() == u"QSQLITE" ? sqliteDeclaredTypes(queryText) : QStringList();
    QList<int> codes;
    for (int i = 0; i < record.count(); ++i) {
        const int code = i < declared.size() ? FieldType::fromDeclaredType(declared.at(i)) : -1;
        codes.append(code >= 0 ? code : FieldType::fromMetaType(record.field(i).metaType()));
    }
    return codes;
}

QString DatabaseCatalog::sqliteViewText(const QString &name) const
{
    QSqlQuery query(m_database);
    query.prepare(u"SELECT sql FROM sqlite_master WHERE type='view' AND name=?"_s);
    query.addBindValue(name);
    if (!query.exec() || !query.next())
        return {};
    return selectOfCreateView(query.value(0).toString());
}

// PostgreSQL folds unquoted names to lower case, so a view created as ServerDruckdaten
// without quotes is found under serverdruckdaten.
QString DatabaseCatalog::postgresViewText(const QString &name) const
{
    for (const QString &candidate : {name, name.toLower()}) {
        QSqlQuery query(m_database);
        query.prepare(u"SELECT definition FROM pg_views WHERE viewname=?"_s);
        query.addBindValue(candidate);
        if (query.exec() && query.next())
            return query.value(0).toString().trimmed();
    }
    return {};
}

// The SQLite driver reports BIGINT columns as texts and INTEGER ones as ints, losing what
// the database declared. A temporary view over the query carries the declared types of the
// columns it selects, and PRAGMA table_info reads them back.
QStringList DatabaseCatalog::sqliteDeclaredTypes(const QString &queryText) const
{
    const QString view = u"etikor_column_types"_s;
    QSqlQuery query(m_database);
    query.exec(u"DROP VIEW IF EXISTS temp."_s + view);
    if (!query.exec(u"CREATE TEMP VIEW "_s + view + u" AS "_s +
                    withoutTrailingSemicolon(queryText))) {
        qCDebug(lcCatalog) << "no declared column types:" << query.lastError().text();
        return {};
    }
    QStringList declared;
    if (query.exec(u"PRAGMA temp.table_info("_s + view + u')')) {
        while (query.next())
            declared.append(query.value(2).toString());
    }
    query.exec(u"DROP VIEW IF EXISTS temp."_s + view);
    return declared;
}

// The Access driver gives each field its field type code as the SQL type.
QList<int> DatabaseCatalog::typesOfFields(const QSqlRecord &record)
{
    QList<int> codes;
    for (int i = 0; i < record.count(); ++i)
        codes.append(record.field(i).typeID());
    return codes;
}

// The PostgreSQL driver hands the column's type OID through as the field's type id.
QList<int> DatabaseCatalog::postgresTypes(const QSqlRecord &record) const
{
    QList<int> codes;
    for (int i = 0; i < record.count(); ++i)
        codes.append(FieldType::fromPostgresOid(record.field(i).typeID()));
    return codes;
}
