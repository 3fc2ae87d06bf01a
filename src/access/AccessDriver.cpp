#include "AccessDriver.h"

#include "AccessFile.h"
#include "AccessFileCache.h"
#include "AccessResult.h"
#include "AccessTable.h"

#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <mutex>

using namespace Qt::StringLiterals;

const QString AccessDriver::kName = u"ETIKOR_ACCESS"_s;

void AccessDriver::registerDriver()
{
    static std::once_flag once;
    std::call_once(once, [] {
        QSqlDatabase::registerSqlDriver(kName, new QSqlDriverCreator<AccessDriver>());
    });
}

AccessDriver::AccessDriver(QObject *parent)
    : QSqlDriver(parent)
{
}

AccessDriver::~AccessDriver() = default;

bool AccessDriver::hasFeature(DriverFeature feature) const
{
    switch (feature) {
    case QuerySize:
    case PreparedQueries:
    case PositionalPlaceholders:
    case Unicode:
        return true;
    default:
        return false;
    }
}

bool AccessDriver::open(const QString &db, const QString &user, const QString &password,
                        const QString &host, int port, const QString &options)
{
    Q_UNUSED(user)
    Q_UNUSED(password)
    Q_UNUSED(host)
    Q_UNUSED(port)
    Q_UNUSED(options)
    Failure failure;
    m_file = AccessFileCache::shared().open(db, failure);
    if (!m_file) {
        setLastError(QSqlError(QString(), failure.description, QSqlError::ConnectionError,
                               QString::number(failure.number)));
        setOpenError(true);
        return false;
    }
    setOpen(true);
    setOpenError(false);
    return true;
}

void AccessDriver::close()
{
    m_file.reset();
    setOpen(false);
    setOpenError(false);
}

QSqlResult *AccessDriver::createResult() const
{
    return new AccessResult(this, m_file);
}

QStringList AccessDriver::tables(QSql::TableType type) const
{
    if (!m_file)
        return {};
    QMutexLocker lock(&m_file->mutex());
    QStringList names;
    if (type & QSql::Tables)
        names += m_file->tableNames();
    if (type & QSql::SystemTables)
        names += m_file->systemTableNames();
    if (type & QSql::Views)
        names += m_file->queryNames(true);
    return names;
}

QSqlRecord AccessDriver::record(const QString &tableName) const
{
    QSqlRecord record;
    if (!m_file)
        return record;
    QMutexLocker lock(&m_file->mutex());
    if (AccessTable *table = m_file->table(tableName)) {
        for (const AccessColumn &column : table->columns()) {
            QSqlField field(column.name, column.metaType, table->name());
            field.setSqlType(column.fieldType);
            record.append(field);
        }
    }
    return record;
}

QString AccessDriver::escapeIdentifier(const QString &identifier, IdentifierType type) const
{
    Q_UNUSED(type)
    if (identifier.startsWith(u'[') && identifier.endsWith(u']'))
        return identifier;
    return u'[' + identifier + u']';
}

QString AccessDriver::savedQueryText(const QString &name) const
{
    if (!m_file)
        return {};
    QMutexLocker lock(&m_file->mutex());
    const SavedQuery *query = m_file->savedQuery(name);
    return query ? query->text : QString();
}
