#include "PlcConnection.h"

#include "AppSettings.h"
#include "CommLink.h"
#include "LogWriter.h"
#include "PlcLink.h"
#include "PlcStatus.h"
#include "PrintControls.h"
#include "RegionalFormat.h"
#include "VariableText.h"

#include <QDateTime>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr int kFlagBytes = 2;
// How often a flag the link does not watch is read when no check interval is set: requests
// must still be found.
constexpr int kUnwatchedCheckMs = 1000;
// New attempts to watch the flag: after 1 s, doubling up to 30 s.
constexpr int kFirstWatchRetryMs = 1000;
constexpr int kMaxWatchRetryMs = 30000;
constexpr qint64 kRebuildLogMs = 60000;

} // namespace

PlcConnection::PlcConnection(PlcLink &link, PrintControls &controls, const AppSettings &settings,
                             LogWriter &log, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_controls(controls)
    , m_settings(settings)
    , m_log(log)
    , m_watchBackoffMs(kFirstWatchRetryMs)
{
    m_checkTimer.setSingleShot(true);
    // The follow-up checks are due within milliseconds of the earliest report.
    m_checkTimer.setTimerType(Qt::PreciseTimer);
    m_findTimer.setSingleShot(true);
    m_watchTimer.setSingleShot(true);
    connect(&m_link, &PlcLink::variableChanged, this, &PlcConnection::onVariableChanged);
    connect(&m_link, &PlcLink::stateChanged, this, &PlcConnection::onStateChanged);
    connect(&m_checkTimer, &QTimer::timeout, this, &PlcConnection::checkFlag);
    connect(&m_findTimer, &QTimer::timeout, this, &PlcConnection::countMissedReport);
    connect(&m_watchTimer, &QTimer::timeout, this, &PlcConnection::retryWatch);
}

PlcConnection::~PlcConnection() = default;

void PlcConnection::connectPlc()
{
    // The request being served keeps its handles until it has its answer.
    if (m_serving) {
        m_reconnectDeferred = true;
        return;
    }
    // Taken out first, so that a record's release cannot meet a collection that changes.
    const Records previous = std::exchange(m_plcLinks, {});
    for (const auto &record : previous)
        record->terminate();

    auto record = std::make_shared<CommLink>(m_link, ++m_lastUserTag);
    m_plcLinks.push_back(record);
    record->anfordVar = variableName(u".Print.anford"_s);
    createOptionalHandles(*record);
    const QString resultText = variableName(u".Print.anfordErrText"_s);
    if (!createRequiredHandle(*record, &CommLink::hAnfordErr,
                              variableName(u".Print.anfordErr"_s)) ||
        !createRequiredHandle(*record, &CommLink::hAnfordErrText, resultText))
        return;
    // Answers are cut to what the result text holds, or the server refuses them whole.
    record->lAnfordErrText = variableText(m_link, resultText);
    if (!createRequiredHandle(*record, &CommLink::hAnfordVar, record->anfordVar))
        return;
    // A request raised while there was no link would never be notified: serve it now.
    serveRequest(record);
    watchRequestFlag(*record);
}

void PlcConnection::terminateLinks()
{
    m_checkTimer.stop();
    m_findTimer.stop();
    m_watchTimer.stop();
    const Records previous = std::exchange(m_plcLinks, {});
    for (const auto &record : previous)
        record->terminate();
}

void PlcConnection::closeLink()
{
    m_link.closeLink();
}

// The station's variables live under its module name; the alternative family puts ".bAbl"
// in front of ".Print".
QString PlcConnection::variableName(const QString &suffix) const
{
    return m_controls.modulName + (m_settings.ablOnOff ? u".bAbl"_s : QString()) + suffix;
}

// A station that serves command lines reads a barcode where others read a lot name. The
// alternative family has no barcode variable and always reads the lot name.
QString PlcConnection::lotNameVariable() const
{
    if (!m_settings.ablOnOff && !m_settings.commandLine.isEmpty())
        return m_controls.modulName + u".Print.Barcode"_s;
    return variableName(u".Print.LosName"_s);
}

// Variables a station may lack: a missing one keeps its handle 0 and the request cycle uses
// a default for it. Text variables also get their length.
void PlcConnection::createOptionalHandles(CommLink &record)
{
    struct Optional {
        QString name;
        qint32 CommLink::*handle;
        qint32 CommLink::*length;
    };
    const Optional optional[] = {
        {lotNameVariable(), &CommLink::hLosName, &CommLink::lLosName},
        {variableName(u".Print.RAW"_s), &CommLink::hRAW, &CommLink::lRAW},
        {variableName(u".Print.EtikettenType"_s), &CommLink::hEtkTyp, nullptr},
        {variableName(u".Print.CmdLine"_s), &CommLink::hCmdLine, &CommLink::lCmdLine},
        {variableName(u".Print.TeileNr"_s), &CommLink::hTeileNr, nullptr},
        {variableName(u".Print.ResteKennung"_s), &CommLink::hRestKenn, nullptr},
        {variableName(u".Print.ResteLaenge"_s), &CommLink::hRestLen, nullptr},
        {variableName(u".Print.ResteProfil"_s), &CommLink::hRestProf, nullptr},
        {variableName(u".Print.ResteColor"_s), &CommLink::hRestColor, nullptr},
    };
    for (const Optional &variable : optional) {
        qint32 handle = 0;
        if (m_link.createHandle(variable.name, handle) != PlcStatus::Good)
            continue;
        record.*variable.handle = handle;
        if (variable.length)
            record.*variable.length = variableText(m_link, variable.name);
    }
}

// Variables without which no request can be answered: a missing one is reported and logged,
// and the link stays partial.
bool PlcConnection::createRequiredHandle(CommLink &record, qint32 CommLink::*field,
                                         const QString &name)
{
    qint32 handle = 0;
    const qint32 result = m_link.createHandle(name, handle);
    if (result != PlcStatus::Good) {
        // Without a session the name is not at fault: the line below says where the PLC was
        // looked for and why it was not reached.
        QString text = failureText(u"Create VarHandle: "_s, name, result);
        if (const QString problem = m_link.connectionProblem(); !problem.isEmpty())
            text += u"\r\n"_s + problem;
        m_controls.setCaption(PrintControls::Label::lblError, text);
        m_log.writeLog(text, false, true);
        return false;
    }
    record.*field = handle;
    return true;
}

void PlcConnection::watchRequestFlag(CommLink &record)
{
    qint32 hNotification = 0;
    const qint32 result =
        m_link.addNotification(record.anfordVar, PlcLink::kNotifyOnChange,
                               PlcLink::kCycleEveryChange, hNotification, record.userTag());
    if (result == PlcStatus::Good) {
        record.hConnectAnfordVar = hNotification;
        m_watchBackoffMs = kFirstWatchRetryMs;
        if (std::exchange(m_watchFailing, false))
            m_log.writeLog(u"Request flag "_s + record.anfordVar + u" watched again"_s, true,
                           false);
        return;
    }
    const QString message = failureText(u"Connect: "_s, record.anfordVar, result);
    m_controls.setCaption(PrintControls::Label::lblError, message);
    // Without a session the next one rebuilds the link anyway.
    if (!m_link.isConnected())
        return;
    if (!std::exchange(m_watchFailing, true))
        m_log.writeLog(message + u' ' + PlcStatus::name(result) + u": the flag is read every "_s +
                           QString::number(checkInterval(false)) +
                           u" ms until it can be watched again"_s,
                       false, true);
    m_watchTimer.start(m_watchBackoffMs);
    m_watchBackoffMs = qMin(m_watchBackoffMs * 2, kMaxWatchRetryMs);
    if (!m_checkTimer.isActive())
        scheduleIdleCheck();
}

void PlcConnection::retryWatch()
{
    const std::shared_ptr<CommLink> record = currentRecord();
    if (record && record->hConnectAnfordVar == 0 && m_link.isConnected())
        watchRequestFlag(*record);
}

// The handler holds its own reference, so a reconnect during the request leaves the record
// it works on intact until it returns.
void PlcConnection::serveRequest(const std::shared_ptr<CommLink> &record)
{
    // A second service of the flag the running request has not cleared yet would print it
    // twice; the check after the running request looks at the flag again.
    if (!m_requestHandler || m_serving)
        return;
    m_serving = true;
    m_checkTimer.stop();
    const std::shared_ptr<CommLink> held = record;
    const bool answered = m_requestHandler(*held);
    m_serving = false;
    if (std::exchange(m_reconnectDeferred, false)) {
        connectPlc();
        return;
    }
    // The next request may be raised the moment the PLC sees the clear, between two of the
    // server's samples, and never be reported. It is looked for at once (a fast PLC has raised
    // it already), as soon as a report could be here, and once one surely would be. An answer
    // left pending is tried again at the steady interval only.
    if (answered)
        scheduleFollowUps(m_link.earliestReportMs(held->hConnectAnfordVar),
                          m_link.reportDelayMs(held->hConnectAnfordVar));
    else
        scheduleIdleCheck();
}

std::shared_ptr<CommLink> PlcConnection::currentRecord() const
{
    if (m_plcLinks.empty() || m_plcLinks.front()->hAnfordVar == 0)
        return nullptr;
    return m_plcLinks.front();
}

void PlcConnection::scheduleCheck(int delayMs)
{
    m_checkTimer.start(qMax(0, delayMs));
}

// The link's check interval; a flag without a watch is read at least every second.
int PlcConnection::checkInterval(bool watched) const
{
    const int interval = m_link.checkIntervalMs();
    return watched || interval > 0 ? interval : kUnwatchedCheckMs;
}

void PlcConnection::scheduleFollowUps(int earliestMs, int surelyMs)
{
    m_followUpChecks.clear();
    if (earliestMs > 0)
        m_followUpChecks.append(earliestMs);
    if (surelyMs > earliestMs)
        m_followUpChecks.append(surelyMs - qMax(0, earliestMs));
    scheduleCheck(0);
}

void PlcConnection::scheduleIdleCheck()
{
    m_followUpChecks.clear();
    const std::shared_ptr<CommLink> record = currentRecord();
    const int interval = checkInterval(!record || record->hConnectAnfordVar != 0);
    if (interval > 0)
        scheduleCheck(interval);
    else
        m_checkTimer.stop();
}

// Reads the flag and serves a raised one at once: a second service can do no harm, since the
// request cycle reads the flag first and finds it cleared. Whether the link would have
// reported it shows within the time a report takes; only then is it counted as missed.
void PlcConnection::checkFlag()
{
    const std::shared_ptr<CommLink> record = currentRecord();
    bool raised = false;
    if (!record || m_serving || !m_requestHandler ||
        m_link.readBool(record->hAnfordVar, kFlagBytes, raised) != PlcStatus::Good || !raised) {
        if (!m_followUpChecks.isEmpty() && record && !m_serving)
            scheduleCheck(m_followUpChecks.takeFirst());
        else
            scheduleIdleCheck();
        return;
    }
    if (record->hConnectAnfordVar != 0) {
        m_findAnford = record->anfordVar;
        m_findTimer.start(qMax(0, m_link.reportDelayMs(record->hConnectAnfordVar)));
    }
    serveRequest(record);
}

void PlcConnection::countMissedReport()
{
    m_link.countMissedReport();
    m_log.writeLog(u"Request flag "_s + m_findAnford +
                       u" found raised by a check read, not reported by the PLC ("_s +
                       QString::number(m_link.missedReports()) + u" so far)"_s,
                   true, false);
}

// Date, blank, time, blank, the literal, the variable's name and the link's code behind it.
QString PlcConnection::failureText(const QString &literal, const QString &name, qint32 result) const
{
    return RegionalFormat::dateTime(QDateTime::currentDateTime()) + u' ' + literal + name +
           QString::number(result);
}

void PlcConnection::onVariableChanged(const QVariant &value, quint64 userTag)
{
    if (!value.toBool())
        return;
    // The report of a raise a check has found already: the link did not miss it.
    m_findTimer.stop();
    for (const auto &record : m_plcLinks) {
        if (record->userTag() == userTag) {
            serveRequest(record);
            return;
        }
    }
}

// A session (re)established, or the link lost what watched the flag (detail says why).
void PlcConnection::onStateChanged(int state, int detail)
{
    if (state != PlcLink::kStateEstablished)
        return;
    // A server that keeps dropping the subscription would fill the log: a reason is logged
    // when it changes, and at most once a minute while it stays the same.
    if (detail != PlcStatus::Good && (detail != m_rebuildReason || !m_rebuildLogged.isValid() ||
                                      m_rebuildLogged.hasExpired(kRebuildLogMs))) {
        m_rebuildReason = detail;
        m_rebuildLogged.start();
        m_log.writeLog(u"PLC link rebuilt: "_s + PlcStatus::name(detail), true, false);
    }
    connectPlc();
}
