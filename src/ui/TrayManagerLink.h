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

    // The icon's tip as the stations have always kept it: a record of 64 characters, the text
    // and its closing NUL padded with blanks, or cut at 64, when the NUL is lost with the rest.
    static QString trayTipRecord(const QString &modulName);
    // What the icon shows of it: the record up to its NUL, all 64 characters when it was cut.
    static QString trayTip(const QString &modulName);

    QSystemTrayIcon *trayIcon() const { return m_icon; }

private:
    MainWindow &m_window;
    QPointer<QSystemTrayIcon> m_icon;
};
