#pragma once

#include "Failure.h"

#include <QSqlDatabase>
#include <QString>

class QSqlError;

// One connection to the print-data database that a station names in serverPath, open for
// the life of this object (a request opens, uses and closes its own). serverPath is either a
// file path or a connection string whose keys name the engine. A file is an Access database
// when its name ends in .mdb, .mde, .accdb or .accde or its header says so (read live and
// read-only, see AccessDriver), else an SQLite database.
//   Provider=SQLite;Data Source=<file>
//   Provider=PostgreSQL;Host=<h>;Port=<p>;Database=<d>;User ID=<u>;Password=<pw>
//   Driver={<ODBC driver>};... or DSN=<name>;...   (handed to the ODBC driver manager)
//   Provider=Microsoft.Jet.OLEDB.4.0 / Microsoft.ACE.OLEDB.12.0;Data Source=<file>
//       (a Windows station's string: its data source is opened as a file, as above)
// Keys are matched without regard to case; values may be quoted with double quotes.
// A file is named as configurations name it: "~apppath~" stands for the station's folder
// (stationFolder, the folder that holds its "Server" folder), a name beginning with one
// backslash lies below that folder, and backslashes separate folders.
class DatabaseConnection {
public:
    explicit DatabaseConnection(const QString &serverPath, const QString &stationFolder = {});
    ~DatabaseConnection();
    DatabaseConnection(const DatabaseConnection &) = delete;
    DatabaseConnection &operator=(const DatabaseConnection &) = delete;

    bool isOpen() const;
    // Why it did not open: the engine's own error number (1 when it gives none) and its own
    // description.
    const Failure &failure() const { return m_failure; }
    QSqlDatabase database() const;
    // The Qt SQL driver the string names: "QSQLITE", "QPSQL", "QODBC" or AccessDriver::kName;
    // empty when the string names no engine this station knows.
    QString engine() const { return m_engine; }

    // The rule of the Windows stations: a text that starts with "PROVIDER" (trimmed, any
    // case) is a connection string and stays as it is; anything else is a file path, given
    // as "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + text + ";Persist Security Info=False".
    // An ODBC string (starting with "Driver=", "DSN=" or "FileDSN=") stays as it is too:
    // wrapped as a data source it could name nothing.
    static QString jetConnectionString(const QString &text);

    // A failure of the engine as the station reports it: its native error code when that is
    // a number (1 when it is not) and the engine's own text.
    static Failure failureOf(const QSqlError &error);

    // The file a configuration's name stands for on this system, as above.
    static QString resolveFile(const QString &name, const QString &stationFolder);
    // The file at path is (or, when missing, is named as) an Access database.
    static bool isAccessFile(const QString &path);

private:
    void openFile(const QString &name);
    void openProvider(const QString &serverPath);
    void openPostgres(const QString &serverPath);
    void openOdbc(const QString &serverPath);
    void open(QSqlDatabase &db);
    void fail(const QString &description);

    QString m_name;
    QString m_stationFolder;
    QString m_engine;
    Failure m_failure;
};
