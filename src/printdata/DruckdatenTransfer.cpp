#include "DruckdatenTransfer.h"

#include "AppSettings.h"
#include "DatabaseConnection.h"
#include "FieldValue.h"
#include "PlcLink.h"
#include "PlcStatus.h"
#include "PrintControls.h"
#include "PrintRequest.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

using namespace Qt::StringLiterals;

DruckdatenTransfer::DruckdatenTransfer(const PrintDataServices &services)
    : m_services(services)
    , m_report(services.controls, services.log)
{
}

qint32 DruckdatenTransfer::writeDruckdaten(const SqlStatement &sql, const QString &sfield)
{
    return m_services.withDatabase([&](const DatabaseConnection &connection) {
        return transfer(connection.database(), sql, sfield);
    });
}

qint32 DruckdatenTransfer::transfer(const QSqlDatabase &database, const SqlStatement &sql,
                                    const QString &sfield)
{
    Outcome outcome;
    if (!sql.isEmpty()) {
        QSqlQuery query(database);
        query.setForwardOnly(true);
        if (!sql.exec(query)) {
            m_report.recordsetFailed(DatabaseConnection::failureOf(query.lastError()), sql.shown());
            return 1;
        }
        outcome = readRows(query, sfield);
    }
    if (outcome.failure.pending()) {
        m_report.transferFailed(outcome.failure);
        return 1;
    }
    return concludeRows(outcome, sql, sfield);
}

// Only the first row is transferred; the others are counted, so that the caller learns
// whether the query found anything at all.
DruckdatenTransfer::Outcome DruckdatenTransfer::readRows(QSqlQuery &query, const QString &sfield)
{
    Outcome outcome;
    if (!query.next())
        return outcome;
    outcome.failure = transferFirstRow(query, sfield, outcome);
    if (outcome.failure.pending())
        return outcome;
    outcome.rows = 1;
    while (query.next())
        ++outcome.rows;
    if (query.lastError().isValid())
        outcome.failure = DatabaseConnection::failureOf(query.lastError());
    return outcome;
}

Failure DruckdatenTransfer::transferFirstRow(const QSqlQuery &query, const QString &sfield,
                                             Outcome &outcome)
{
    const int column = query.record().indexOf(sfield);
    if (column < 0)
        return FieldValue::itemNotFound();
    QString text;
    if (const Failure failure = FieldValue::toText(query.value(column), text); failure.pending())
        return failure;
    if (text.isEmpty()) {
        const PrintRequest &request = m_services.request;
        m_report.report(u"No Printdata"_s + request.LosName + u' ' +
                            QString::number(request.TeileNr) + u"! Printer field "_s + sfield +
                            u" is empty!"_s,
                        false);
    }
    text = m_services.processText(text, true);
    if (m_services.settings.writePrintData != 0) {
        outcome.variable = m_services.variableName(u"Druckdaten"_s);
        outcome.plcCode = writeText(outcome.variable, text);
    }
    return {};
}

// The handle is released only after a successful write, and the last code of the chain is
// what the transfer reports.
qint32 DruckdatenTransfer::writeText(const QString &variable, const QString &text)
{
    PlcLink &plc = m_services.plc;
    qint32 handle = 0;
    qint32 code = plc.createHandle(variable, handle);
    if (code == PlcStatus::Good)
        code = plc.writeString(handle, int(text.size() * 2), text);
    if (code == PlcStatus::Good)
        code = plc.releaseHandle(handle);
    return code;
}

qint32 DruckdatenTransfer::concludeRows(const Outcome &outcome, const SqlStatement &sql,
                                        const QString &sfield)
{
    qint32 result = 0;
    PrintControls &controls = m_services.controls;
    if (controls.steuerzeichenNull) {
        m_report.controlCharacterNull(outcome.variable, sfield);
        result = 1;
        controls.steuerzeichenNull = false;
    }
    // The link's failures are OPC UA Bad codes, negative as 32-bit integers: any code other
    // than Good is a failure.
    if (outcome.plcCode != PlcStatus::Good) {
        m_report.handleFailed(outcome.variable, outcome.plcCode);
        result = 1;
    }
    if (outcome.rows == 0) {
        result = 1;
        if (m_services.settings.outputCount <= 1)
            m_report.noRecordsFound(sql.shown());
    }
    return result;
}
