#pragma once

#include "Failure.h"

#include <QDateTime>
#include <QString>

class PrintControls;
class SyslogSocket;

// The station's entries in the system's application log. Every communication-log entry goes
// here as a tagged line naming program, module, message, date and time, so a plant engineer
// can follow the station with journalctl -t Etikor.
class AppEventLog {
public:
    // evType of the entries: 1 error, 2 warning, 4 information.
    enum EventType { Error = 1, Warning = 2, Information = 4 };
    static constexpr int kMaxEntry = 30000;

    AppEventLog(SyslogSocket &socket, const PrintControls &controls);

    // The tagged entry for msg; any evType other than 1, 2 and 4 counts as 4. A failing
    // write is ignored: the entry has already reached the log file.
    void writeAppLogEvent(const QString &msg, int evType = Information);
    // msg as it stands, as an information entry; the failure when the log refused it.
    Failure writeText(const QString &msg);

    // "<User>Etikor</User>  <Area>…" with the 30,000-character cut.
    static QString entryText(const QString &msg, const QString &modulName, const QDateTime &moment);

private:
    SyslogSocket &m_socket;
    const PrintControls &m_controls;
};
