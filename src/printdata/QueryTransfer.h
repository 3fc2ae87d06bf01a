#pragma once

#include "PrintDataReport.h"
#include "PrintDataServices.h"
#include "SqlStatement.h"

#include <QList>
#include <QString>

class CommLink;
class DatabaseConnection;
class QSqlDatabase;
class QSqlQuery;
class QVariant;

// The print data of a lot request for label type 0 (and any type outside 1 to 5): every
// column of the rows a stored query returns goes into the PLC variable named after it,
// converted by its data type (see FieldType). The columns TeileNr and LosName are taken over
// into the request instead, and a label-data column is also sent to the RAW printer.
class QueryTransfer {
public:
    explicit QueryTransfer(const PrintDataServices &services);

    // quelle: the view whose statement is run (without it: every column of Druckdaten);
    // where: the filter appended to it, with the request's values bound; cc: the request's
    // link record, which the transfer
    // does not need: it writes through the station's link. 0 when everything was
    // transferred, 1 when a failure was reported or no row was found, the run-time error's
    // number when a value of TeileNr or LosName could not be taken over.
    qint32 writeQuery(const QString &quelle, const SqlStatement &where, const CommLink *cc);

private:
    QString viewText(const DatabaseConnection &connection, const QString &quelle) const;
    qint32 transfer(const QSqlDatabase &database, const QString &view, const SqlStatement &where);
    Failure transferRow(const QSqlQuery &query, const QList<int> &types, qint32 &result);
    bool writeColumn(const QString &column, int type, const QVariant &value);
    qint32 writeValue(qint32 handle, const QString &column, int type, const QVariant &value);
    qint32 trap(const Failure &failure);

    PrintDataServices m_services;
    PrintDataReport m_report;
};
