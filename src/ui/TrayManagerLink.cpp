#include "TrayManagerLink.h"

#include "MainWindow.h"

#include <QSystemTrayIcon>

namespace {
constexpr int kTipLength = 64;
}

TrayManagerLink::TrayManagerLink(MainWindow &window)
    : m_window(window)
{
}

TrayManagerLink::~TrayManagerLink()
{
    removeTrayIcon();
}

QString TrayManagerLink::trayTipRecord(const QString &modulName)
{
    return (modulName + QStringLiteral("  Etikor (Übertragung der Druckerdaten)") + QChar(u'\0'))
        .leftJustified(kTipLength, u' ', true);
}

QString TrayManagerLink::trayTip(const QString &modulName)
{
    const QString record = trayTipRecord(modulName);
    const qsizetype end = record.indexOf(QChar(u'\0'));
    return end < 0 ? record : record.left(end);
}

int TrayManagerLink::registerWithManager(const QString &modulName)
{
    removeTrayIcon();
    // Parented to the window, so the icon never outlives the window it brings up.
    m_icon = new QSystemTrayIcon(m_window.windowIcon(), &m_window);
    m_icon->setObjectName(QStringLiteral("trayIcon"));
    m_icon->setToolTip(trayTip(modulName));
    MainWindow *window = &m_window;
    QObject::connect(m_icon, &QSystemTrayIcon::activated, window,
                     [window](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger)
                             window->showFromTray();
                     });
    m_icon->show();
    m_window.setTrayIcon(m_icon);
    return TrayIcon;
}

void TrayManagerLink::removeTrayIcon()
{
    if (!m_icon)
        return;
    m_icon->hide();
    delete m_icon;
    m_window.setTrayIcon(nullptr);
}
