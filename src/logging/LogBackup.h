#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

class MessageSink;
class QFileDevice;
class PrintControls;

// The communication log is never trimmed in place: past 640,000 bytes it is copied into
// "Etikor-<module>-bak" beside it under a time-stamped name and started afresh, and each
// start deletes backups older than a year.
class LogBackup {
public:
    static constexpr qint64 kMaxSize = 640000;
    static constexpr int kMaxAgeDays = 365;

    using Clock = std::function<QDateTime()>;
    using DiskCheck = std::function<bool(bool report)>;

    LogBackup(const PrintControls &controls, const QString &appFolder, MessageSink &sink,
              DiskCheck checkDiskSpace, Clock clock = &QDateTime::currentDateTime);

    // Rolls the log file over when it has grown past kMaxSize. A failure is reported to the
    // operator's queue and the system log, never in a box that would stop the station; the
    // next entry tries again. So does a rollover whose backup name the same second took.
    void buildBackup();
    // Deletes backups whose last change is more than kMaxAgeDays whole days ago, then checks
    // the disk space without a message.
    void killOldBakFiles();

    QString backupFolder() const;
    // "yyyymmdd-hhmmss.dat" of the given moment.
    static QString backupName(const QDateTime &moment);

private:
    // The failure of a file operation on what, as a kind-3 message carrying it.
    void report(const QFileDevice &file, const QString &what);

    const PrintControls &m_controls;
    QString m_appFolder;
    MessageSink &m_sink;
    DiskCheck m_checkDiskSpace;
    Clock m_clock;
};
