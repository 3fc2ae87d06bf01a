#pragma once

#include <QObject>
#include <QString>
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
class PlcConnection : public QObject {
    Q_OBJECT
public:
    using RequestHandler = std::function<void(CommLink &record)>;
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
    void serveRequest(std::shared_ptr<CommLink> record);
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
};
