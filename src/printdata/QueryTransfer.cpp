#include "QueryTransfer.h"

#include "AppSettings.h"
#include "DatabaseCatalog.h"
#include "DatabaseConnection.h"
#include "FieldType.h"
#include "FieldValue.h"
#include "PlcLink.h"
#include "PlcStatus.h"
#include "PrintControls.h"
#include "PrintLookup.h"
#include "PrintRequest.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <limits>

using namespace Qt::StringLiterals;

QueryTransfer::QueryTransfer(const PrintDataServices &services)
    : m_services(services)
    , m_report(services.controls, services.log)
{
}

qint32 QueryTransfer::writeQuery(const QString &quelle, const SqlStatement &where,
                                 const CommLink *cc)
{
    Q_UNUSED(cc)
    return m_services.withDatabase([&](const DatabaseConnection &connection) {
        return transfer(connection.database(), viewText(connection, quelle), where);
    });
}

// The view's statement up to its first ";".
QString QueryTransfer::viewText(const DatabaseConnection &connection, const QString &quelle) const
{
    QString text = DatabaseCatalog(connection.database()).viewText(quelle);
    if (text.isEmpty())
        text = PrintLookup::defaultQueryText();
    const qsizetype semicolon = text.indexOf(u';');
    if (semicolon >= 0)
        text.truncate(semicolon);
    return text;
}

// The view's statement, one blank and the filter. The column types come from the view alone:
// the filter changes which rows come, not what their columns are.
qint32 QueryTransfer::transfer(const QSqlDatabase &database, const QString &view,
                               const SqlStatement &where)
{
    const SqlStatement statement = where.after(view + u' ');
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!statement.exec(query)) {
        m_report.recordsetFailed(DatabaseConnection::failureOf(query.lastError()),
                                 statement.shown());
        return 1;
    }
    const QList<int> types = DatabaseCatalog(database).columnTypes(view, query.record());
    qint32 result = 0;
    int rows = 0;
    while (query.next()) {
        if (const Failure failure = transferRow(query, types, result); failure.pending())
            return trap(failure);
        ++rows;
    }
    if (query.lastError().isValid())
        return trap(DatabaseConnection::failureOf(query.lastError()));
    if (rows == 0) {
        result = 1;
        if (m_services.settings.outputCount <= 1)
            m_report.noRecordsFound(where.shown());
    }
    return result;
}

// Every row writes the same variables, so with several rows the last one stays in the PLC.
Failure QueryTransfer::transferRow(const QSqlQuery &query, const QList<int> &types, qint32 &result)
{
    const QSqlRecord record = query.record();
    PrintRequest &request = m_services.request;
    for (int i = 0; i < record.count(); ++i) {
        const QString column = record.fieldName(i);
        Failure failure;
        if (column == u"TeileNr")
            failure = FieldValue::toInt32(query.value(i), request.TeileNr);
        else if (column == u"LosName")
            failure = FieldValue::toText(query.value(i), request.LosName);
        else if (writeColumn(column, types.value(i, FieldType::None), query.value(i)))
            result = 1;
        if (failure.pending())
            return failure;
    }
    return {};
}

// True when something was reported. A failing write does not stop the transfer: the next
// column is written all the same.
bool QueryTransfer::writeColumn(const QString &column, int type, const QVariant &value)
{
    const QString variable = m_services.variableName(column);
    PlcLink &plc = m_services.plc;
    qint32 handle = 0;
    qint32 code = PlcStatus::Good;
    if (m_services.settings.writePrintData != 0)
        code = plc.createHandle(variable, handle);
    if (code == PlcStatus::Good) {
        code = writeValue(handle, column, type, value);
        // Every handle that was created is given back, whether its write failed or its
        // column's type is one that is not written: the link keeps no handle nobody uses.
        if (handle != 0)
            plc.releaseHandle(handle);
    }
    bool reported = false;
    PrintControls &controls = m_services.controls;
    if (controls.steuerzeichenNull) {
        m_report.controlCharacterNull(variable, value.toString());
        controls.steuerzeichenNull = false;
        reported = true;
    }
    // The link's failures are OPC UA Bad codes, negative as 32-bit integers: any code other
    // than Good is a failure.
    if (code != PlcStatus::Good) {
        m_report.handleFailed(variable, code);
        reported = true;
    }
    return reported;
}

// The value converted by the column's type and, when PLC writes are on, written; the
// result is the write's code (Good when nothing was written).
qint32 QueryTransfer::writeValue(qint32 handle, const QString &column, int type,
                                 const QVariant &value)
{
    PlcLink &plc = m_services.plc;
    const bool write = m_services.settings.writePrintData != 0;
    if (FieldType::isText(type)) {
        const bool labelData = column.toUpper() == u"ETIKETTENDATEN";
        const QString text = m_services.processText(value.toString(), labelData);
        return write ? plc.writeString(handle, int(text.size() * 2), text) : PlcStatus::Good;
    }
    if (!write)
        return PlcStatus::Good;
    switch (type) {
    case FieldType::Integer:
        return plc.writeInt(handle, 2,
                            qint16(FieldValue::narrowed(value, std::numeric_limits<qint16>::min(),
                                                        std::numeric_limits<qint16>::max())));
    case FieldType::Double:
        return plc.writeLReal(handle, 8, FieldValue::real(value));
    case FieldType::Boolean:
        return plc.writeBool(handle, 2, FieldValue::boolean(value));
    case FieldType::BigInt:
        return plc.writeLong(handle, 4,
                             qint32(FieldValue::narrowed(value, std::numeric_limits<qint32>::min(),
                                                         std::numeric_limits<qint32>::max())));
    default:
        return PlcStatus::Good;
    }
}

qint32 QueryTransfer::trap(const Failure &failure)
{
    m_report.transferFailed(failure);
    return failure.number;
}
