#pragma once

#include "ManagerClient.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <optional>

class QDBusServiceWatcher;

// The reference server manager: keeps the stations that registered, tells a starting
// station whether one of its name already runs, and calls a station's callbacks for the
// commands. A station whose connection goes away without a Disconnect (it crashed) is
// dropped, so that its restart is not taken for a second instance.
class ServerManager : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    explicit ServerManager(QDBusConnection bus, QObject *parent = nullptr);

    // Takes the manager's name and object; false, with the reason on the error output, when
    // another manager runs or the bus refuses the name.
    bool serve();

    // projDienstwart.clsServerConnect
    int PrevInstance(const QString &clientName);
    int connect(const QString &clientName, const QStringList &captions, const QStringList &methods,
                const QDBusObjectPath &callback, const QVariantMap &properties);
    void Disconnect();

    // projDienstwart.Stations
    QStringList List() const;
    QString Describe(const QString &name, QStringList &captions, QStringList &methods,
                     QVariantMap &properties, QString &busName);
    void Invoke(const QString &name, const QString &caption);

private:
    // The station a name denotes; replies with the error when none or several match.
    std::optional<ManagerClient> resolve(const QString &name);
    void drop(const QString &busName, const char *why);

    QDBusConnection m_bus;
    QDBusServiceWatcher *m_watcher = nullptr;
    QList<ManagerClient> m_clients;
};
