#pragma once

#include <QString>

// The start-up's care for the print-data database: the stored query the lot requests of
// label type 0 run is created when the database lacks it. A database that cannot be opened
// is reported by the first request that needs it, not here. An Access database is read-only:
// when it lacks the query, the note returned says so, for the log.
namespace DatabasePreparation {

// Ensures the stored query "ServerDruckdaten" when serverPath names a database; a file in it
// is named as DatabaseConnection reads it, below stationFolder.
QString prepareDatabase(const QString &serverPath, const QString &stationFolder = {});
// Creates the view name over text when the database has no table or view of that name.
QString ensureStoredQuery(const QString &serverPath, const QString &name, const QString &text,
                          const QString &stationFolder = {});

} // namespace DatabasePreparation
