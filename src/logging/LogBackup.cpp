#include "LogBackup.h"

#include "MessageSink.h"
#include "PrintControls.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

LogBackup::LogBackup(const PrintControls &controls, const QString &appFolder, MessageSink &sink,
                     DiskCheck checkDiskSpace, Clock clock)
    : m_controls(controls)
    , m_appFolder(appFolder)
    , m_sink(sink)
    , m_checkDiskSpace(std::move(checkDiskSpace))
    , m_clock(std::move(clock))
{
}

QString LogBackup::backupFolder() const
{
    return m_appFolder + QStringLiteral("/Etikor-") + m_controls.modulName + QStringLiteral("-bak");
}

QString LogBackup::backupName(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("yyyyMMdd-HHmmss")) + QStringLiteral(".dat");
}

void LogBackup::buildBackup()
{
    const QString log = m_controls.commLogFile;
    const QFileInfo info(log);
    if (log.isEmpty() || !info.exists() || info.size() <= kMaxSize)
        return;
    QDir().mkpath(backupFolder());
    const QString target = backupFolder() + u'/' + backupName(m_clock());

    // A rollover in the same second as the last one would take its name: the log then grows a
    // little further and rolls over with the next entry of a new second. Copy before delete,
    // so a failure leaves the log as it was.
    if (QFileInfo::exists(target))
        return;
    QFile source(log);
    if (!source.copy(target)) {
        report(source, log + QStringLiteral(" -> ") + target);
        return;
    }
    QFile stale(log);
    if (!stale.remove()) {
        report(stale, log);
        return;
    }
    QFile fresh(log);
    if (!fresh.open(QIODevice::WriteOnly | QIODevice::Truncate))
        report(fresh, log);
}

void LogBackup::report(const QFileDevice &file, const QString &what)
{
    Failure failure = Failure::fromFile(file, QStringLiteral("buildBackup"));
    if (!failure.pending()) // a copy refused for a reason QFile does not classify
        failure = {75, QStringLiteral("buildBackup"), file.errorString(), {}, 0};
    failure.description += QStringLiteral(" (") + what + u')';
    m_sink.addMessage(3, failure.description, QString(), 0, false, QString(), failure);
}

void LogBackup::killOldBakFiles()
{
    const QDateTime now = m_clock();
    const QFileInfoList files =
        QDir(backupFolder()).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &file : files) {
        const qint64 wholeDays = file.lastModified().secsTo(now) / 86400;
        if (wholeDays > kMaxAgeDays)
            QFile::remove(file.absoluteFilePath());
    }
    if (m_checkDiskSpace)
        m_checkDiskSpace(false);
}
