#pragma once

#include <QObject>
#include <QString>

class QTimer;

// Tells systemd how the service is doing (Type=notify): ready once the station serves its
// PLC, stopping when it shuts down, and alive at half the unit's watchdog interval. The
// keep-alive runs on the event loop that serves the PLC's requests, so a loop that hangs
// stops it and systemd restarts the station. Outside systemd every call does nothing.
class SystemdNotifier : public QObject {
    Q_OBJECT
public:
    explicit SystemdNotifier(QObject *parent = nullptr);

    void ready(const QString &status);
    void stopping();
    // The keep-alive interval in milliseconds; 0 when systemd watches nothing.
    int watchdogIntervalMs() const;

private:
    void notify(const QString &state);

    QTimer *m_watchdog = nullptr;
};
