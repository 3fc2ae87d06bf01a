#pragma once

#include "ManagerLink.h"

#include <QPointer>
#include <QString>

class MainWindow;
class QSystemTrayIcon;

// The desktop's way to the hidden main window when no server manager supervises the
// station: an icon in the notification area whose left click brings the window up.
class TrayManagerLink : public ManagerLink {
public:
    explicit TrayManagerLink(MainWindow &window);
    ~TrayManagerLink() override;

    // Adds the tray icon and answers TrayIcon (2): this link has no manager to ask.
    int registerWithManager(const QString &modulName) override;
    void removeTrayIcon() override;

    // The icon's tool tip for a module name. The tip of a notification icon on the Windows
    // stations was a 64-byte record including its closing NUL, so operators never saw more
    // than 63 characters; a long module name cuts the fixed text off at the same place here.
    static QString trayTip(const QString &modulName);

    QSystemTrayIcon *trayIcon() const { return m_icon; }

private:
    MainWindow &m_window;
    QPointer<QSystemTrayIcon> m_icon;
};
