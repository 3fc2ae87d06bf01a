#include "DatabaseConnection.h"

#include "AccessDriver.h"
#include "ConnectionString.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>

using namespace Qt::StringLiterals;

namespace {

// Qt SQL keys its connections by name; every object gets its own, so that two connections to
// the same database never share one.
QString nextConnectionName()
{
    static quint64 counter = 0;
    return u"etikor.printdata.%1"_s.arg(++counter);
}

bool startsWithWord(const QString &text, const QString &word)
{
    return text.trimmed().startsWith(word, Qt::CaseInsensitive);
}

bool isOdbcString(const QString &text)
{
    static const QRegularExpression odbc(u"^\\s*(DRIVER|DSN|FILEDSN)\\s*="_s,
                                         QRegularExpression::CaseInsensitiveOption);
    return odbc.match(text).hasMatch();
}

bool isFileProvider(const QString &provider)
{
    return provider.compare(u"SQLite"_s, Qt::CaseInsensitive) == 0 ||
           provider.startsWith(u"Microsoft.Jet.OLEDB"_s, Qt::CaseInsensitive) ||
           provider.startsWith(u"Microsoft.ACE.OLEDB"_s, Qt::CaseInsensitive);
}

// Neither the PostgreSQL client nor the ODBC driver manager may keep a request waiting on a
// server that does not answer.
constexpr int kLoginTimeoutSeconds = 10;

} // namespace

DatabaseConnection::DatabaseConnection(const QString &serverPath, const QString &stationFolder)
    : m_name(nextConnectionName())
    , m_stationFolder(stationFolder)
{
    if (startsWithWord(serverPath, u"PROVIDER"_s))
        openProvider(serverPath);
    else if (isOdbcString(serverPath))
        openOdbc(serverPath);
    else
        openFile(serverPath.trimmed());
}

DatabaseConnection::~DatabaseConnection()
{
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

bool DatabaseConnection::isOpen() const
{
    return QSqlDatabase::contains(m_name) && database().isOpen();
}

QSqlDatabase DatabaseConnection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

QString DatabaseConnection::jetConnectionString(const QString &text)
{
    if (startsWithWord(text, u"PROVIDER"_s) || isOdbcString(text))
        return text;
    return u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source="_s + text +
           u";Persist Security Info=False"_s;
}

Failure DatabaseConnection::failureOf(const QSqlError &error)
{
    bool numeric = false;
    const qint32 code = error.nativeErrorCode().trimmed().toInt(&numeric);
    return {numeric && code != 0 ? code : 1, u"Database"_s, error.text(), {}, 0};
}

// SQLite would create a missing file and hand back an empty database; a mistyped path must
// be reported instead, so the file has to be there.
QString DatabaseConnection::resolveFile(const QString &name, const QString &stationFolder)
{
    QString path = name;
    if (!stationFolder.isEmpty()) {
        path.replace(u"~apppath~"_s, stationFolder, Qt::CaseInsensitive);
        if (path.size() > 1 && path[0] == u'\\' && path[1] != u'\\')
            path.prepend(stationFolder);
    }
    return path.replace(u'\\', u'/');
}

bool DatabaseConnection::isAccessFile(const QString &path)
{
    static const QRegularExpression extension(u"\\.(mdb|mde|accdb|accde)$"_s,
                                              QRegularExpression::CaseInsensitiveOption);
    if (extension.match(path).hasMatch())
        return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(19).mid(4);
    return head == "Standard Jet DB" || head == "Standard ACE DB";
}

void DatabaseConnection::openFile(const QString &name)
{
    const QString path = resolveFile(name, m_stationFolder);
    const bool access = isAccessFile(path);
    m_engine = access ? AccessDriver::kName : u"QSQLITE"_s;
    if (!QFileInfo(path).isFile()) {
        fail(u"database file not found: "_s + path);
        return;
    }
    if (access)
        AccessDriver::registerDriver();
    QSqlDatabase db = QSqlDatabase::addDatabase(m_engine, m_name);
    db.setDatabaseName(path);
    open(db);
}

void DatabaseConnection::openProvider(const QString &serverPath)
{
    const ConnectionString pairs(serverPath);
    const QString provider = pairs.value({u"Provider"_s});
    if (isFileProvider(provider)) {
        openFile(pairs.value({u"Data Source"_s}));
    } else if (provider.compare(u"PostgreSQL"_s, Qt::CaseInsensitive) == 0) {
        openPostgres(serverPath);
    } else {
        fail(u"unknown database provider: "_s + provider);
    }
}

void DatabaseConnection::openPostgres(const QString &serverPath)
{
    m_engine = u"QPSQL"_s;
    const ConnectionString pairs(serverPath);
    QSqlDatabase db = QSqlDatabase::addDatabase(m_engine, m_name);
    db.setHostName(pairs.value({u"Host"_s, u"Server"_s, u"Data Source"_s}));
    db.setDatabaseName(pairs.value({u"Database"_s, u"Initial Catalog"_s}));
    db.setUserName(pairs.value({u"User ID"_s, u"UID"_s, u"User"_s}));
    db.setPassword(pairs.value({u"Password"_s, u"PWD"_s}));
    const QString port = pairs.value({u"Port"_s});
    if (!port.isEmpty()) {
        bool valid = false;
        const int number = port.toInt(&valid);
        if (!valid || number <= 0 || number > 65535) {
            fail(u"invalid port in connection string: "_s + port);
            return;
        }
        db.setPort(number);
    }
    db.setConnectOptions(u"connect_timeout=%1"_s.arg(kLoginTimeoutSeconds));
    open(db);
}

void DatabaseConnection::openOdbc(const QString &serverPath)
{
    m_engine = u"QODBC"_s;
    QSqlDatabase db = QSqlDatabase::addDatabase(m_engine, m_name);
    db.setDatabaseName(serverPath.trimmed());
    db.setConnectOptions(
        u"SQL_ATTR_LOGIN_TIMEOUT=%1;SQL_ATTR_CONNECTION_TIMEOUT=%1"_s.arg(kLoginTimeoutSeconds));
    open(db);
}

void DatabaseConnection::open(QSqlDatabase &db)
{
    if (!db.open())
        m_failure = failureOf(db.lastError());
}

void DatabaseConnection::fail(const QString &description)
{
    m_failure = {1, u"Database"_s, description, {}, 0};
}
