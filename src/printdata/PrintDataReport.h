#pragma once

#include "Failure.h"

#include <QString>

class LogWriter;
class PrintControls;

// The messages of the print-data lookup and transfers. A message goes into the status label
// lblError, stamped with the current date and time, and, unless it is only shown, into the
// communication log.
class PrintDataReport {
public:
    PrintDataReport(PrintControls &controls, LogWriter &log);

    // Date, blank, time, blank, message; shown and logged.
    void report(const QString &message, bool msgBox = true);
    // Date, blank, time, blank, message; shown only.
    void show(const QString &message);
    // The caption as it is, shown and logged.
    void log(const QString &caption, bool msgBox = true);

    void openDatabaseFailed(const Failure &failure);
    void recordsetFailed(const Failure &failure, const QString &queryText);
    void transferFailed(const Failure &failure);
    void noRecordsFound(const QString &filter);
    void controlCharacterNull(const QString &variable, const QString &scanned);
    void handleFailed(const QString &variable, qint32 code);

    static QString stamped(const QString &message);
    // Upper-case hexadecimal without leading zeros; a negative number shows its eight digits.
    static QString hex(qint32 number);

private:
    PrintControls &m_controls;
    LogWriter &m_log;
};
