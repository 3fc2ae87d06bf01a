#pragma once

#include "PrintDataReport.h"
#include "PrintDataServices.h"
#include "SqlStatement.h"

#include <QString>

class QSqlDatabase;
class QSqlQuery;

// The print data of a lot request for label types 1 to 5: one column of the first row the
// query finds goes, with its control characters expanded and the prefix in front, into the
// PLC text variable ".print.Druckdaten" of the module, and to the RAW printer when that mode
// is on.
class DruckdatenTransfer {
public:
    explicit DruckdatenTransfer(const PrintDataServices &services);

    // sql: the complete SELECT statement with the request's values bound; sfield: the column
    // to transfer. 0 when all went well, 1 when something was reported or no row was found.
    qint32 writeDruckdaten(const SqlStatement &sql, const QString &sfield);

private:
    struct Outcome {
        QString variable;
        qint32 plcCode = 0;
        int rows = 0;
        Failure failure;
    };

    qint32 transfer(const QSqlDatabase &database, const SqlStatement &sql, const QString &sfield);
    Outcome readRows(QSqlQuery &query, const QString &sfield);
    Failure transferFirstRow(const QSqlQuery &query, const QString &sfield, Outcome &outcome);
    qint32 writeText(const QString &variable, const QString &text);
    qint32 concludeRows(const Outcome &outcome, const SqlStatement &sql, const QString &sfield);

    PrintDataServices m_services;
    PrintDataReport m_report;
};
