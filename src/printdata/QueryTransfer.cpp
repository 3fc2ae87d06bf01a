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
// The row's columns go to the PLC in one write, in column order, and are reported in that
// order afterwards.
Failure QueryTransfer::transferRow(const QSqlQuery &query, const QList<int> &types, qint32 &result)
{
    const QSqlRecord record = query.record();
    PrintRequest &request = m_services.request;
    QList<ColumnWrite> columns;
    PlcItems writes;
    Failure failure;
    for (int i = 0; i < record.count() && !failure.pending(); ++i) {
        const QString column = record.fieldName(i);
        if (column == u"TeileNr")
            failure = FieldValue::toInt32(query.value(i), request.TeileNr);
        else if (column == u"LosName")
            failure = FieldValue::toText(query.value(i), request.LosName);
        else
            columns.append(
                prepareColumn(column, types.value(i, FieldType::None), query.value(i), writes));
    }
    // The columns before a value that cannot be converted are written all the same.
    if (writeColumns(columns, writes))
        result = 1;
    return failure;
}

// The column's handle and value, its write added to the batch when PLC writes are on.
QueryTransfer::ColumnWrite QueryTransfer::prepareColumn(const QString &column, int type,
                                                        const QVariant &value, PlcItems &writes)
{
    ColumnWrite write;
    write.variable = m_services.variableName(column);
    write.value = value.toString();
    if (m_services.settings.writePrintData != 0)
        write.code = m_services.plc.createHandle(write.variable, write.handle);
    if (write.code != PlcStatus::Good)
        return write;
    if (const auto item = itemFor(write.handle, column, type, value)) {
        write.item = writes.size();
        writes.append(*item);
    }
    PrintControls &controls = m_services.controls;
    write.controlCharacterNull = controls.steuerzeichenNull;
    controls.steuerzeichenNull = false;
    return write;
}

// The write the column's type asks for, when PLC writes are on; a text is prepared either
// way, which reports its control characters.
std::optional<PlcItem> QueryTransfer::itemFor(qint32 handle, const QString &column, int type,
                                              const QVariant &value)
{
    const bool write = m_services.settings.writePrintData != 0;
    if (FieldType::isText(type)) {
        const bool labelData = column.toUpper() == u"ETIKETTENDATEN";
        const QString text = m_services.processText(value.toString(), labelData);
        if (!write)
            return std::nullopt;
        return PlcItem::of(handle, int(text.size() * 2), QMetaType::QString, text);
    }
    if (!write)
        return std::nullopt;
    switch (type) {
    case FieldType::Integer:
        return PlcItem::of(
            handle, 2, QMetaType::Short,
            QVariant::fromValue(qint16(FieldValue::narrowed(
                value, std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()))));
    case FieldType::Double:
        return PlcItem::of(handle, 8, QMetaType::Double, FieldValue::real(value));
    case FieldType::Boolean:
        return PlcItem::of(handle, 2, QMetaType::Bool, FieldValue::boolean(value));
    case FieldType::BigInt:
        return PlcItem::of(handle, 4, QMetaType::Int,
                           qint32(FieldValue::narrowed(value, std::numeric_limits<qint32>::min(),
                                                       std::numeric_limits<qint32>::max())));
    default:
        return std::nullopt;
    }
}

// Writes the batch, gives back every handle that was created (whether its write failed or
// its type is not written: the link keeps no handle nobody uses) and reports each column.
// A failing write does not stop the others. True when something was reported.
bool QueryTransfer::writeColumns(QList<ColumnWrite> &columns, PlcItems &writes)
{
    PlcLink &plc = m_services.plc;
    if (!writes.isEmpty())
        plc.writeMany(writes);
    bool reported = false;
    for (ColumnWrite &write : columns) {
        if (write.item >= 0)
            write.code = writes.at(write.item).status;
        if (write.handle != 0)
            plc.releaseHandle(write.handle);
        if (write.controlCharacterNull) {
            m_report.controlCharacterNull(write.variable, write.value);
            reported = true;
        }
        // The link's failures are OPC UA Bad codes, negative as 32-bit integers: any code
        // other than Good is a failure.
        if (write.code != PlcStatus::Good) {
            m_report.handleFailed(write.variable, write.code);
            reported = true;
        }
    }
    return reported;
}

qint32 QueryTransfer::trap(const Failure &failure)
{
    m_report.transferFailed(failure);
    return failure.number;
}
