#include "DBusManagerLink.h"

#include "AppSettings.h"
#include "ManagerProtocol.h"
#include "Prompt.h"
#include "clsserverconnectinterface.h"

#include <QDBusConnectionInterface>

namespace P = ManagerProtocol;

DBusManagerLink::DBusManagerLink(Parts parts)
    : m_parts(std::move(parts))
{
}

DBusManagerLink::~DBusManagerLink()
{
    removeTrayIcon();
}

QString DBusManagerLink::clientName(const QString &modulName)
{
    return QStringLiteral("Etikor ") + QStringLiteral(" / ") + modulName;
}

int DBusManagerLink::registerWithManager(const QString &modulName)
{
    if (modulName.isEmpty() || !managerPresent())
        return m_parts.fallback.registerWithManager(modulName);

    const QString name = clientName(modulName);
    m_serverConnection = std::make_unique<ProjDienstwartClsServerConnectInterface>(
        P::kService, P::kPath, *m_parts.bus);
    m_serverConnection->setTimeout(P::kCallTimeoutMs);
    if (previousInstances(name) > 0) {
        m_serverConnection.reset();
        return AlreadyRunning;
    }
    connectToManager(name);
    return Registered;
}

bool DBusManagerLink::managerPresent() const
{
    if (!m_parts.bus || !m_parts.bus->isConnected())
        return false;
    // Only a manager that runs counts: a manager started on demand by the bus would take
    // every desktop's tray icon away.
    const QDBusConnectionInterface *bus = m_parts.bus->interface();
    return bus && bus->isServiceRegistered(P::kService).value();
}

int DBusManagerLink::previousInstances(const QString &name)
{
    QDBusPendingReply<int> count = m_serverConnection->PrevInstance(name);
    count.waitForFinished();
    // A manager that cannot answer this question is asked to register the station anyway.
    return count.isError() ? 0 : count.value();
}

void DBusManagerLink::connectToManager(const QString &name)
{
    m_callbackObject = std::make_unique<clsCallBack>(m_parts.actions);
    m_parts.bus->registerObject(P::kCallbackPath, m_callbackObject.get(),
                                QDBusConnection::ExportAdaptors);
    const QVariantMap properties{{P::kClientClass, P::kCallbackClass},
                                 {P::kClientPath, m_parts.settings.configPath}};
    QDBusPendingReply<int> reply = m_serverConnection->connect(
        name, P::kCaptions, P::kMethods, QDBusObjectPath(P::kCallbackPath), properties);
    reply.waitForFinished();
    // The station goes on unregistered; the operator is told why.
    if (reply.isError())
        m_parts.prompt.message(reply.error().message());
}

void DBusManagerLink::removeTrayIcon()
{
    m_parts.fallback.removeTrayIcon();
    if (m_serverConnection) {
        m_serverConnection->Disconnect().waitForFinished();
        m_serverConnection.reset();
    }
    if (m_callbackObject) {
        m_parts.bus->unregisterObject(P::kCallbackPath);
        m_callbackObject.reset();
    }
}
