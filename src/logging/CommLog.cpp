#include "CommLog.h"

#include "Ansi.h"
#include "AppEventLog.h"
#include "HistoryView.h"
#include "LogBackup.h"
#include "MessageSink.h"
#include "PrintControls.h"
#include "RegionalFormat.h"

#include <QFile>

using namespace Qt::StringLiterals;
using C = PrintControls::CheckBox;

namespace {
const QByteArray kRecordEnd = QByteArrayLiteral("\r\r\n");
} // namespace

CommLog::CommLog(PrintControls &controls, MessageSink &sink, AppEventLog &eventLog,
                 LogBackup &backup, DiskSpaceOk diskSpaceOk, Clock clock)
    : m_controls(controls)
    , m_sink(sink)
    , m_eventLog(eventLog)
    , m_backup(backup)
    , m_diskSpaceOk(std::move(diskSpaceOk))
    , m_clock(std::move(clock))
{
}

QString CommLog::stamp(const QDateTime &moment)
{
    // Hundredths are truncated, never rounded: 23.999 s gives 99, not a third digit.
    const int hundredths = moment.time().msec() / 10;
    return RegionalFormat::dateTime(moment) + u',' +
           QString::number(hundredths).rightJustified(2, u'0');
}

void CommLog::writeLog(const QString &str, bool timeStamp, bool msgBox)
{
    const QDateTime now = m_clock();
    // The failure caption carries the hundredths only once the record had them.
    QString when = RegionalFormat::dateTime(now);
    if (m_diskSpaceOk() && !m_controls.commLogFile.isEmpty()) {
        if (const auto failed = appendRecord(str, timeStamp, now, when)) {
            reportFailure(when, str, *failed);
            keepWithoutFile(str, *failed);
            return;
        }
        m_fileFailing = false;
        if (!timeStamp && msgBox)
            m_sink.addMessage(1, str, QString(), 0, false, QString());
        m_backup.buildBackup();
    } else {
        m_sink.addMessage(1, str, QString(), 0, false, QString());
    }
    if (const auto failed = refreshView()) {
        reportFailure(when, str, *failed);
        return;
    }
    m_eventLog.writeAppLogEvent(str, AppEventLog::Information);
}

// One record at the end of the file; why not, when it could not be written.
std::optional<QString> CommLog::appendRecord(const QString &str, bool timeStamp,
                                             const QDateTime &now, QString &when)
{
    QFile file(m_controls.commLogFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return file.errorString();
    if (timeStamp)
        when = stamp(now);
    const QByteArray record = Ansi::encode(timeStamp ? when + str : str) + kRecordEnd;
    if (file.write(record) != record.size() || !file.flush())
        return file.errorString();
    return std::nullopt;
}

// An entry the file did not take still reaches the operator's queue and the system log, so
// nothing the station reports is lost with its log file (a folder in its place, a full or
// read-only disk). Why the file is not written is said once, until it is written again.
void CommLog::keepWithoutFile(const QString &str, const QString &failure)
{
    if (!std::exchange(m_fileFailing, true)) {
        const QString notice = RegionalFormat::dateTime(m_clock()) + u" Log file "_s +
                               m_controls.commLogFile + u" cannot be written: "_s + failure +
                               u". Entries go to the system log and this window until it can."_s;
        m_sink.addMessage(1, notice, QString(), 0, false, QString());
        m_eventLog.writeAppLogEvent(notice, AppEventLog::Warning);
    }
    m_sink.addMessage(1, str, QString(), 0, false, QString());
    m_eventLog.writeAppLogEvent(str, AppEventLog::Information);
}

std::optional<QString> CommLog::refreshView()
{
    if (!m_view)
        return std::nullopt;
    if (m_controls.check(C::chkHistory) == 0) {
        m_view->hideHistory();
        return std::nullopt;
    }
    if (m_controls.check(C::chkRefresh) == 0 || m_controls.commLogFile.isEmpty())
        return std::nullopt;
    return m_view->showLog(m_controls.commLogFile);
}

void CommLog::reportFailure(const QString &when, const QString &str, const QString &description)
{
    m_controls.setCaption(PrintControls::Label::lblLastComm,
                          QStringLiteral("Letzte Kummunikation ") + when + QStringLiteral(": ") +
                              str + QStringLiteral(" Error:") + description);
}

void CommLog::prepare()
{
    const QString log = m_controls.commLogFile;
    if (QFile::exists(log))
        m_backup.buildBackup();
    m_backup.killOldBakFiles();
    if (!m_view)
        return;
    m_view->loadLog(log);
    m_view->hideHistory();
}
