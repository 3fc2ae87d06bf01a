#include "PrintvarsQuery.h"

#include "DatabaseConnection.h"
#include "SqlStatement.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace Qt::StringLiterals;

namespace PrintvarsQuery {

Printvars read(const QString &serverPath, const QString &stationFolder, const QString &losName,
               qint32 teileNr)
{
    using O = Printvars::Outcome;
    Printvars result;
    const DatabaseConnection connection(DatabaseConnection::jetConnectionString(serverPath),
                                        stationFolder);
    if (!connection.isOpen())
        return {O::DatabaseMissing, {}, {}, connection.failure().description};
    const SqlStatement statement(u"Select * from Druckdaten where LosName=? and TeileNr=?"_s,
                                 {losName, teileNr},
                                 u"Select * from Druckdaten where LosName='"_s + losName +
                                     u"' and TeileNr="_s + QString::number(teileNr));
    result.query = statement.shown();
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    if (!statement.exec(query)) {
        result.outcome = O::QueryFailed;
        result.description = query.lastError().text();
        return result;
    }
    const int column = query.record().indexOf(u"Printvars"_s);
    if (!query.next() || column < 0 || query.value(column).isNull()) {
        result.outcome = O::NoRecord;
        return result;
    }
    result.text = query.value(column).toString();
    result.outcome = result.text.isEmpty() ? O::Empty : O::Found;
    return result;
}

} // namespace PrintvarsQuery
