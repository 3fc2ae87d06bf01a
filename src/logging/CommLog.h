#pragma once

#include "LogWriter.h"

#include <QDateTime>
#include <functional>
#include <optional>

class AppEventLog;
class HistoryView;
class LogBackup;
class MessageSink;
class PrintControls;

// writeLog: the station's running record. Each entry goes to the log file named by
// commLogFile (opened, appended and closed per entry, so other programs can read it at any
// time), to the history box, to the operator's queue where asked, and to the system log.
// Records are Windows-1252 and end in CR CR LF, as on the Windows stations. An entry the file
// cannot take shows in lblLastComm and goes to the queue and the system log all the same.
class CommLog : public LogWriter {
public:
    using Clock = std::function<QDateTime()>;
    using DiskSpaceOk = std::function<bool()>;

    CommLog(PrintControls &controls, MessageSink &sink, AppEventLog &eventLog, LogBackup &backup,
            DiskSpaceOk diskSpaceOk, Clock clock = &QDateTime::currentDateTime);

    // The history box; none (the service): entries go to file, queue and system log only.
    void setHistoryView(HistoryView *view) { m_view = view; }

    void writeLog(const QString &str, bool timeStamp, bool msgBox) override;

    // At start, once commLogFile is known: roll over a log left too large, prune old backups,
    // load the file into the hidden history box.
    void prepare();

    // "dd.MM.yyyy hh:mm:ss,cc": the stamp of a stamped record, with hundredths 00..99.
    static QString stamp(const QDateTime &moment);

private:
    std::optional<QString> appendRecord(const QString &str, bool timeStamp, const QDateTime &now,
                                        QString &when);
    void keepWithoutFile(const QString &str, const QString &failure);
    std::optional<QString> refreshView();
    void reportFailure(const QString &when, const QString &str, const QString &description);

    PrintControls &m_controls;
    MessageSink &m_sink;
    AppEventLog &m_eventLog;
    LogBackup &m_backup;
    DiskSpaceOk m_diskSpaceOk;
    Clock m_clock;
    HistoryView *m_view = nullptr;
    // The file has refused entries since it was last written.
    bool m_fileFailing = false;
};
