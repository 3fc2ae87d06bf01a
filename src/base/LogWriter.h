#pragma once

#include <QString>

// The one logging operation of the station. Every subsystem reports through it; none writes
// the communication log file itself.
class LogWriter {
public:
    virtual ~LogWriter() = default;
    // str: the entry text, unchanged. timeStamp: write the stamped record (date, time and
    // hundredths before the text); msgBox: a plain record also goes to the operator's queue.
    virtual void writeLog(const QString &str, bool timeStamp, bool msgBox) = 0;
};
