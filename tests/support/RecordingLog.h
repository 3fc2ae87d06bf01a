#pragma once

#include "LogWriter.h"

#include <QList>

// Keeps every entry handed to writeLog, with its flags.
class RecordingLog : public LogWriter {
public:
    struct Entry {
        QString str;
        bool timeStamp = false;
        bool msgBox = false;
    };
    QList<Entry> entries;

    void writeLog(const QString &str, bool timeStamp, bool msgBox) override
    {
        entries.append({str, timeStamp, msgBox});
    }
};
