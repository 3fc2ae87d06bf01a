#include "AccessImport.h"

#include "AccessError.h"
#include "AccessFile.h"
#include "AccessTable.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <mdbtools.h>

using namespace Qt::StringLiterals;

namespace {

QString quotedName(const QString &name)
{
    return u'"' + QString(name).replace(u"\""_s, u"\"\""_s) + u'"';
}

class Importer {
public:
    Importer(AccessFile &file, QSqlDatabase &db, QTextStream &out, QTextStream &err)
        : m_file(file)
        , m_db(db)
        , m_out(out)
        , m_err(err)
    {
    }

    bool copyTable(const QString &name)
    {
        AccessTable *table = m_file.table(name);
        if (!table) {
            m_err << "Table " << name << ": cannot be read\n";
            return false;
        }
        QStringList columns, marks;
        QList<int> all;
        for (const AccessColumn &c : table->columns()) {
            columns.append(quotedName(c.name) + u' ' +
                           AccessImport::declaredType(c.jetType, c.size));
            marks.append(u"?"_s);
            all.append(int(all.size()));
        }
        QSqlQuery query(m_db);
        if (!query.exec(u"CREATE TABLE "_s + quotedName(name) + u" ("_s + columns.join(u", "_s) +
                        u')'))
            return failed(u"Table "_s + name, query);
        if (!query.prepare(u"INSERT INTO "_s + quotedName(name) + u" VALUES ("_s +
                           marks.join(u", "_s) + u')'))
            return failed(u"Table "_s + name, query);
        QVariantList values;
        for (qsizetype row = 0; row < table->rowCount(); ++row) {
            if (const Failure f = table->read(row, all, values); f.pending()) {
                m_err << "Table " << name << ": " << f.description << '\n';
                return false;
            }
            for (int i = 0; i < values.size(); ++i)
                query.bindValue(i, values.at(i));
            if (!query.exec())
                return failed(u"Table "_s + name, query);
        }
        m_out << "Table " << name << ": " << table->rowCount() << " rows\n";
        return true;
    }

    // Access SQL and SQLite agree on what the station's queries use (brackets, quotes, ON);
    // a query SQLite does not take is reported and left out.
    bool copyQuery(const QString &name)
    {
        QString text = m_file.savedQuery(name)->text.trimmed();
        while (text.endsWith(u';'))
            text.chop(1);
        QSqlQuery query(m_db);
        if (!query.exec(u"CREATE VIEW "_s + quotedName(name) + u" AS "_s + text))
            return failed(u"Query "_s + name, query);
        m_out << "Query " << name << ": view\n";
        return true;
    }

private:
    bool failed(const QString &what, const QSqlQuery &query)
    {
        m_err << what << ": " << query.lastError().text() << '\n';
        return false;
    }

    AccessFile &m_file;
    QSqlDatabase &m_db;
    QTextStream &m_out;
    QTextStream &m_err;
};

int import(AccessFile &file, const QString &target, QTextStream &out, QTextStream &err)
{
    const QString partial = target + u".partial"_s;
    QFile::remove(partial);
    bool complete = true;
    const QString connection = u"etikor.import"_s;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
        db.setDatabaseName(partial);
        if (!db.open()) {
            err << partial << ": " << db.lastError().text() << '\n';
            complete = false;
        } else {
            db.transaction();
            Importer importer(file, db, out, err);
            QMutexLocker lock(&file.mutex());
            for (const QString &table : file.tableNames())
                complete = importer.copyTable(table) && complete;
            for (const QString &query : file.queryNames(true))
                complete = importer.copyQuery(query) && complete;
            complete = db.commit() && complete;
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!QFile::rename(partial, target)) {
        err << "Cannot write " << target << '\n';
        QFile::remove(partial);
        return 1;
    }
    return complete ? 0 : 1;
}

} // namespace

namespace AccessImport {

QString declaredType(int jetType, int size)
{
    switch (jetType) {
    case MDB_BOOL:
        return u"BOOLEAN"_s;
    case MDB_BYTE:
        return u"TINYINT"_s;
    case MDB_INT:
        return u"SMALLINT"_s;
    case MDB_LONGINT:
        return u"INTEGER"_s;
    case MDB_MONEY:
        return u"CURRENCY"_s;
    case MDB_FLOAT:
        return u"REAL"_s;
    case MDB_DOUBLE:
        return u"DOUBLE"_s;
    case MDB_DATETIME:
        return u"DATETIME"_s;
    case MDB_TEXT:
        return u"VARCHAR(%1)"_s.arg(size > 0 ? size : 255);
    case MDB_MEMO:
        return u"MEMO"_s;
    case MDB_NUMERIC:
        return u"DECIMAL"_s;
    case MDB_REPID:
        return u"GUID"_s;
    default:
        return u"BLOB"_s;
    }
}

int run(const QStringList &arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (arguments.size() != 3 || arguments.at(0) != QLatin1StringView(kOption)) {
        err << "usage: etikor " << kOption << " FILE.mdb|FILE.accdb OUT.db\n";
        return 2;
    }
    const QString source = arguments.at(1);
    const QString target = QFileInfo(arguments.at(2)).absoluteFilePath();
    if (QFileInfo::exists(target)) {
        err << target << " exists; give the name of a new file\n";
        return 1;
    }
    Failure failure;
    const std::shared_ptr<AccessFile> file = AccessFile::open(source, failure);
    if (!file) {
        err << failure.description << '\n';
        return 1;
    }
    return import(*file, target, out, err);
}

} // namespace AccessImport
