#include "DatabasePreparation.h"

#include "AccessDriver.h"
#include "DatabaseCatalog.h"
#include "DatabaseConnection.h"
#include "PrintLookup.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcPrintData, "etikor.printdata")

using namespace Qt::StringLiterals;

namespace DatabasePreparation {

QString prepareDatabase(const QString &serverPath, const QString &stationFolder)
{
    if (serverPath.isEmpty())
        return {};
    return ensureStoredQuery(serverPath, PrintLookup::storedQueryName(),
                             PrintLookup::storedQueryText(), stationFolder);
}

QString ensureStoredQuery(const QString &serverPath, const QString &name, const QString &text,
                          const QString &stationFolder)
{
    const DatabaseConnection connection(serverPath, stationFolder);
    if (!connection.isOpen()) {
        qCInfo(lcPrintData) << "stored query not checked:" << connection.failure().description;
        return {};
    }
    const DatabaseCatalog catalog(connection.database());
    if (catalog.hasRelation(name))
        return {};
    if (connection.engine() == AccessDriver::kName)
        return u"The Access database %1 has no stored query \"%2\" and is read here read-only, "
               u"so it cannot be given one: lot requests run \"%3\" with their filter instead"_s
                   .arg(connection.database().databaseName(), name,
                        PrintLookup::defaultQueryText());
    const Failure failure = catalog.createView(name, text);
    if (failure.pending())
        qCInfo(lcPrintData) << "stored query" << name << "not created:" << failure.description;
    return {};
}

} // namespace DatabasePreparation
