#pragma once

#include <QString>

// The RAW printer output as the request cycle, the print-data lookup and the transfers use it.
class RawOutput {
public:
    virtual ~RawOutput() = default;
    // Sends data as one job to the active printer: 0 when the job ran (or the printer name
    // was not recognised), 1 when it failed. Sets the request's rawPrintMs on success.
    virtual qint32 printRawData(const QString &data) = 0;
    // The prefix rule; data unchanged when the prefix is switched off.
    virtual QString applyPrefix(const QString &prefix, const QString &data) const = 0;
    // PrintRAW mode 2: the request's print file: 1 sent or nothing to do, 2 missing, empty or
    // failed, 3 interrupted.
    virtual qint32 printRawFile(const QString &losName, qint32 teileNr) = 0;
};
