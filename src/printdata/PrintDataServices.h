#pragma once

#include <QString>
#include <functional>

struct AppSettings;
struct PrintRequest;
class LogWriter;
class PlcLink;
class PrintControls;
class RawOutput;
class DatabaseConnection;

// The parts of the station that the print-data lookup and its transfers work with. The
// station owns them; this only refers to them.
struct PrintDataServices {
    const AppSettings &settings;
    PrintControls &controls;
    PrintRequest &request;
    LogWriter &log;
    PlcLink &plc;
    RawOutput &raw;

    // The PLC variable of a print-data column: module name, ".print." (".bAbl.print." in the
    // alternative family) and the column name.
    QString variableName(const QString &column) const;
    // A text on its way into the PLC: control characters expanded, sent to the RAW printer
    // when rawPrint is asked for and the RAW mode is on, then the prefix put in front.
    QString processText(const QString &text, bool rawPrint) const;
    // Runs one transfer on its own connection to the database: 0 when no database is
    // configured, 1 after the failed open was reported, else the transfer's result. The
    // control-character flag is cleared before the transfer starts.
    qint32 withDatabase(const std::function<qint32(const DatabaseConnection &)> &transfer) const;
};
