#pragma once

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

class CommLink;
class LogWriter;
class PlcLink;
class PrintControls;
struct AppSettings;

// The station's variable link: builds the link record of the station's module name on the
// PLC link, serves a request that was raised while no link existed, watches the request
// flag, and rebuilds everything whenever the link reports a new session.
//
// Failures of required variables and of the notification are shown in lblError; only a
// missing required variable is also logged, as nothing else would tell the operator why
// requests never arrive.
//
// The request cycle reaches the station through the request handler: it runs once at every
// connect and for every notification that reports the request flag true. It gets the record
// the notification was registered for; a notification for a record that has been replaced
// since is dropped. The link, controls, settings and log must outlive this object.
//
// One request is served at a time: a notification or a reconnect that arrives while a request
// waits for its output (a command line lets events run) does not start a second service of the
// same raised flag inside the first; a reconnect waits until the request is answered.
//
// Notifications alone are not trusted. A server samples the flag, and a PLC that raises its
// next request as soon as it sees the clear can lower and raise it within one sample, which
// no report shows. So after each request, once a report would have had time to arrive, and
// at the link's check interval while nothing is served, the flag is read, and one found
// raised is served; when no report of it follows within the time a report takes, it is
// counted and logged. A flag the link refuses to watch is watched again with a back-off and
// read meanwhile.
class PlcConnection : public QObject {
    Q_OBJECT
public:
    // Serves one request; false when its answer could not be delivered and is left pending.
    using RequestHandler = std::function<bool(CommLink &record)>;
    using Records = std::vector<std::shared_ptr<CommLink>>;

    PlcConnection(PlcLink &link, PrintControls &controls, const AppSettings &settings,
                  LogWriter &log, QObject *parent = nullptr);
    ~PlcConnection() override;

    void setRequestHandler(RequestHandler handler) { m_requestHandler = std::move(handler); }

    // (Re)builds the link: releases the handles of the old record, makes a new one with every
    // handle the link grants, serves a pending request and registers the notification.
    void connectPlc();
    // Shutdown: releases every record's handles and drops the records.
    void terminateLinks();
    // Shutdown, after terminateLinks: closes the PLC link itself.
    void closeLink();

    // The link records: exactly one after every connect, none before the first and after
    // terminateLinks. A record stays alive while the request handler works on it, even when
    // a reconnect replaces it meanwhile.
    const Records &plcLinks() const { return m_plcLinks; }

private:
    QString variableName(const QString &suffix) const;
    QString lotNameVariable() const;
    void createOptionalHandles(CommLink &record);
    bool createRequiredHandle(CommLink &record, qint32 CommLink::*field, const QString &name);
    void watchRequestFlag(CommLink &record);
    void retryWatch();
    void serveRequest(const std::shared_ptr<CommLink> &record);
    std::shared_ptr<CommLink> currentRecord() const;
    void scheduleCheck(int delayMs);
    int checkInterval(bool watched) const;
    void scheduleIdleCheck();
    void scheduleFollowUps(int earliestMs, int surelyMs);
    void checkFlag();
    void countMissedReport();
    QString failureText(const QString &literal, const QString &name, qint32 result) const;
    void onVariableChanged(const QVariant &value, quint64 userTag);
    void onStateChanged(int state, int detail);

    PlcLink &m_link;
    PrintControls &m_controls;
    const AppSettings &m_settings;
    LogWriter &m_log;
    RequestHandler m_requestHandler;
    Records m_plcLinks;
    quint64 m_lastUserTag = 0;
    // A request is being served; a reconnect asked for meanwhile waits for its end.
    bool m_serving = false;
    // After a request the flag is read again at once, once the server could have published
    // the next raise, and once a report of it would surely be here: the waits still ahead.
    QList<int> m_followUpChecks;
    bool m_reconnectDeferred = false;
    // Reads of the flag, and the time a request they found has for its report to arrive.
    QTimer m_checkTimer;
    QTimer m_findTimer;
    QString m_findAnford;
    // New attempts to watch a flag the link refused to watch.
    QTimer m_watchTimer;
    int m_watchBackoffMs;
    bool m_watchFailing = false;
    qint32 m_rebuildReason = 0;
    QElapsedTimer m_rebuildLogged;
};
