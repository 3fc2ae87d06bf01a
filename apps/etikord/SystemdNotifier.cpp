#include "SystemdNotifier.h"

#include <QTimer>
#include <systemd/sd-daemon.h>

SystemdNotifier::SystemdNotifier(QObject *parent)
    : QObject(parent)
{
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) <= 0 || usec == 0)
        return;
    m_watchdog = new QTimer(this);
    m_watchdog->setInterval(int(qMax<uint64_t>(usec / 2000, 1)));
    connect(m_watchdog, &QTimer::timeout, this, [this] { notify(QStringLiteral("WATCHDOG=1")); });
}

void SystemdNotifier::ready(const QString &status)
{
    notify(QStringLiteral("READY=1\nSTATUS=") + status);
    if (m_watchdog) {
        notify(QStringLiteral("WATCHDOG=1"));
        m_watchdog->start();
    }
}

void SystemdNotifier::stopping()
{
    if (m_watchdog)
        m_watchdog->stop();
    notify(QStringLiteral("STOPPING=1"));
}

int SystemdNotifier::watchdogIntervalMs() const
{
    return m_watchdog ? m_watchdog->interval() : 0;
}

void SystemdNotifier::notify(const QString &state)
{
    sd_notify(0, state.toUtf8().constData());
}
