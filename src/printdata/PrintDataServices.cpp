#include "PrintDataServices.h"

#include "AppSettings.h"
#include "DatabaseConnection.h"
#include "PrintControls.h"
#include "PrintDataReport.h"
#include "RawOutput.h"
#include "TextEncoding.h"

using namespace Qt::StringLiterals;

QString PrintDataServices::variableName(const QString &column) const
{
    return controls.modulName + (settings.ablOnOff ? u".bAbl.print."_s : u".print."_s) + column;
}

QString PrintDataServices::processText(const QString &text, bool rawPrint) const
{
    QString result = TextEncoding::scanSteuerzeichen(text, settings, controls);
    // The RAW job's own result does not concern the transfer: the printer output reports
    // its failures itself.
    if (rawPrint && settings.printRaw > 0 && !result.isEmpty())
        raw.printRawData(result);
    if (settings.prefixOnOff > 0)
        result = raw.applyPrefix(settings.prefix, result);
    return result;
}

qint32 PrintDataServices::withDatabase(
    const std::function<qint32(const DatabaseConnection &)> &transfer) const
{
    if (controls.serverPath.isEmpty())
        return 0;
    const DatabaseConnection connection(
        DatabaseConnection::jetConnectionString(controls.serverPath), settings.baseDir);
    if (!connection.isOpen()) {
        PrintDataReport(controls, log).openDatabaseFailed(connection.failure());
        return 1;
    }
    controls.steuerzeichenNull = false;
    return transfer(connection);
}
