#pragma once

#include "PlcItem.h"
#include "PrintDataReport.h"
#include "PrintDataServices.h"
#include "SqlStatement.h"

#include <QList>
#include <QString>
#include <optional>

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
    // One column of a row on its way to the PLC: its handle, the write it takes (none for a
    // type that is not written), and what is to be reported about it.
    struct ColumnWrite {
        QString variable;
        QString value;
        qint32 handle = 0;
        qint32 code = 0;
        qsizetype item = -1; // its write in the row's batch
        bool controlCharacterNull = false;
    };

    Failure transferRow(const QSqlQuery &query, const QList<int> &types, qint32 &result);
    ColumnWrite prepareColumn(const QString &column, int type, const QVariant &value,
                              PlcItems &writes);
    std::optional<PlcItem> itemFor(qint32 handle, const QString &column, int type,
                                   const QVariant &value);
    bool writeColumns(QList<ColumnWrite> &columns, PlcItems &writes);
    qint32 trap(const Failure &failure);

    PrintDataServices m_services;
    PrintDataReport m_report;
};
