#include "Station.h"

#include "AppSettings.h"
#include "ManagerLink.h"
#include "PrintControls.h"
#include "StationHooks.h"

using T = PrintControls::TextBox;

Station::Station(Parts parts, QObject *parent)
    : QObject(parent)
    , m_parts(std::move(parts))
    , m_configuration(m_parts.settings, m_parts.controls, m_parts.prompt, m_parts.hooks,
                      m_parts.printers, m_parts.appFolder)
    , m_instanceLock(m_parts.programName)
{
}

QString Station::versionText()
{
    return QStringLiteral("%1.%2.%3")
        .arg(ETIKOR_VERSION_MAJOR)
        .arg(ETIKOR_VERSION_MINOR)
        .arg(ETIKOR_VERSION_PATCH);
}

void Station::setTitles()
{
    PrintControls &c = m_parts.controls;
    const QString title = c.modulName + QStringLiteral(" Etikor");
    m_applicationTitle = title;
    if (c.modulName.isEmpty()) {
        c.modulName = QStringLiteral("Etikor");
        m_applicationTitle = title + QStringLiteral(": Empty configuration ");
    }
    m_windowCaption =
        title + QStringLiteral(" Vers:") + versionText() + QStringLiteral("  ") + m_parts.appFolder;
    Q_EMIT applicationTitleChanged(m_applicationTitle);
}

bool Station::load()
{
    StationHooks &hooks = m_parts.hooks;
    PrintControls &c = m_parts.controls;
    hooks.checkDiskSpace(true);
    m_configuration.loadConfig();
    setTitles();

    const int registration = m_parts.managerLink.registerWithManager(c.modulName);
    const bool refused = registration == ManagerLink::AlreadyRunning ||
                         (registration == ManagerLink::TrayIcon && !m_instanceLock.tryLock());
    if (refused) {
        shutdown();
        return false;
    }

    if (!c.text(T::txtNetId).isEmpty()) {
        hooks.setPlcNetId(c.text(T::txtNetId));
    }
    if (!c.text(T::txtPort).isEmpty())
        hooks.setPlcPort(c.text(T::txtPort));

    c.commLogFile =
        m_parts.appFolder + QStringLiteral("/EtikorComm-") + c.modulName + QStringLiteral("-.dat");
    editControls(false);
    hooks.prepareCommLog(c.commLogFile);
    if (const auto &problem = m_configuration.loadProblem())
        hooks.logFailure(*problem);
    if (!c.serverPath.isEmpty())
        hooks.prepareDatabase(c.serverPath);
    hooks.connectPlc();
    return true;
}

void Station::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_parts.settings.exiting = true;
    m_parts.hooks.terminateLinks();
    m_parts.hooks.restartBackends(true);
    m_parts.hooks.closePlcLink();
    m_parts.managerLink.removeTrayIcon();
    m_parts.hooks.dropMessageQueue();
    Q_EMIT unloadAll();
}

void Station::serverStop()
{
    m_parts.settings.exiting = true;
    m_parts.hooks.dropMessageQueue();
    shutdown();
}

void Station::saveConfigAs()
{
    if (m_configuration.checkConfigName())
        m_configuration.saveConfig();
}

void Station::editControls(bool onOff)
{
    m_parts.controls.setEditMode(onOff);
}

void Station::reconnectPlc()
{
    m_parts.hooks.connectPlc();
}

void Station::showPlcProperties()
{
    m_parts.hooks.showPlcProperties();
}
