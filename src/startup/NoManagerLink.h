#pragma once

#include "ManagerLink.h"

// A station without a server manager and without a tray: the service under systemd.
class NoManagerLink : public ManagerLink {
public:
    int registerWithManager(const QString &) override { return TrayIcon; }
    void removeTrayIcon() override {}
};
