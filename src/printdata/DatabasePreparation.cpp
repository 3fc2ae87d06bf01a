#include "DatabasePreparation.h"

#include "DatabaseCatalog.h"
#include "DatabaseConnection.h"
#include "PrintLookup.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcPrintData, "etikor.printdata")

namespace DatabasePreparation {

void prepareDatabase(const QString &serverPath, const QString &stationFolder)
{
    if (!serverPath.isEmpty())
        ensureStoredQuery(serverPath, PrintLookup::storedQueryName(),
                          PrintLookup::storedQueryText(), stationFolder);
}

void ensureStoredQuery(const QString &serverPath, const QString &name, const QString &text,
                       const QString &stationFolder)
{
    const DatabaseConnection connection(serverPath, stationFolder);
    if (!connection.isOpen()) {
        qCInfo(lcPrintData) << "stored query not checked:" << connection.failure().description;
        return;
    }
    const DatabaseCatalog catalog(connection.database());
    if (catalog.hasRelation(name))
        return;
    const Failure failure = catalog.createView(name, text);
    if (failure.pending())
        qCInfo(lcPrintData) << "stored query" << name << "not created:" << failure.description;
}

} // namespace DatabasePreparation
