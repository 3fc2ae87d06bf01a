#pragma once

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTest>

// A session bus of the test's own: a dbus-daemon started for the test and ended with it, so
// no test sees the desktop's bus or another test's manager.
class PrivateBus {
public:
    PrivateBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        if (m_daemon.waitForReadyRead(10000))
            m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
    }
    ~PrivateBus()
    {
        for (const QString &name : std::as_const(m_connections))
            QDBusConnection::disconnectFromBus(name);
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    // A connection of its own, as another process would have. Qt shares connections by
    // name across buses, so the name is made this bus's own.
    QDBusConnection connection(const QString &name)
    {
        const QString own = m_address + u'#' + name;
        if (!m_connections.contains(own))
            m_connections << own;
        return QDBusConnection::connectToBus(m_address, own);
    }
    // The environment of a program that should use this bus as its session bus.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        return env;
    }
    bool waitForName(const QString &name)
    {
        QDBusConnection probe = connection(QStringLiteral("probe"));
        return QTest::qWaitFor([&] { return probe.interface()->isServiceRegistered(name).value(); },
                               10000);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};
