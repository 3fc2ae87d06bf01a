#pragma once

#include "ManagerLink.h"
#include "clsCallBack.h"

#include <QDBusConnection>
#include <memory>
#include <optional>

class AppSettings;
class Prompt;
class ProjDienstwartClsServerConnectInterface;

// The station's registration with the server manager over D-Bus. Where no manager owns its
// name on the bus (or the station has no module name), the fallback link takes over: the
// desktop's tray icon, or nothing for the service.
class DBusManagerLink : public ManagerLink {
public:
    struct Parts {
        std::optional<QDBusConnection> bus; // none: the station looks for no manager
        ManagerLink &fallback;
        Prompt &prompt;
        const AppSettings &settings;
        clsCallBack::Actions actions;
    };

    explicit DBusManagerLink(Parts parts);
    ~DBusManagerLink() override;

    // 0: registered (or the manager refused the registration, which the operator was shown);
    // 1: the manager knows a running station of this name; 2: no manager, the fallback's
    // icon was added.
    int registerWithManager(const QString &modulName) override;
    // Removes the fallback's icon and ends the registration.
    void removeTrayIcon() override;

    // "Etikor " + " / " + the module name: two blanks before the slash, as every station of
    // a plant registers.
    static QString clientName(const QString &modulName);
    bool registered() const { return m_serverConnection != nullptr; }

private:
    bool managerPresent() const;
    int previousInstances(const QString &name);
    void connectToManager(const QString &name);

    Parts m_parts;
    std::unique_ptr<ProjDienstwartClsServerConnectInterface> m_serverConnection;
    std::unique_ptr<clsCallBack> m_callbackObject;
};
