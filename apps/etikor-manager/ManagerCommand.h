#pragma once

#include <QDBusConnection>
#include <QStringList>

// etikor-manager's commands against a running manager: list the stations, or call one of
// a station's callbacks by its caption.
class ManagerCommand {
public:
    enum Exit { Ok = 0, Usage = 1, NoManager = 2, NoSuchStation = 3, CallbackFailed = 4 };

    explicit ManagerCommand(QDBusConnection bus);

    int list();
    // caption: "Start", "Stop" or "Restart".
    int invoke(const QString &station, const QString &caption);

private:
    bool managerRuns();

    QDBusConnection m_bus;
};
