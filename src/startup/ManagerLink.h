#pragma once

#include <QString>

// The station's link to a supervising server manager, or, where none is reachable, the tray
// icon that gives the operator a way to the hidden window.
class ManagerLink {
public:
    enum Result { Registered = 0, AlreadyRunning = 1, TrayIcon = 2 };

    virtual ~ManagerLink() = default;
    // Registers the station under its module name. Result 2: no manager; the tray icon (if
    // the program has one) was added instead.
    virtual int registerWithManager(const QString &modulName) = 0;
    // Removes the tray icon and ends the manager connection; harmless when neither exists.
    virtual void removeTrayIcon() = 0;
};
