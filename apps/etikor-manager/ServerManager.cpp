#include "ServerManager.h"

#include "ManagerProtocol.h"
#include "clsserverconnectadaptor.h"
#include "stationsadaptor.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QTextStream>

namespace P = ManagerProtocol;

namespace {
const QString kNoSuchStation = QStringLiteral("projDienstwart.Error.NoSuchStation");
const QString kNameTaken = QStringLiteral("projDienstwart.Error.NameTaken");

void say(const QString &line)
{
    QTextStream(stdout) << line << Qt::endl;
}
} // namespace

ServerManager::ServerManager(QDBusConnection bus, QObject *parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_watcher(new QDBusServiceWatcher(this))
{
    new ClsServerConnectAdaptor(this);
    new StationsAdaptor(this);
    m_watcher->setConnection(m_bus);
    m_watcher->setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(m_watcher, &QDBusServiceWatcher::serviceUnregistered, this,
                     [this](const QString &busName) {
                         drop(busName, "its connection closed without Disconnect");
                     });
}

bool ServerManager::serve()
{
    if (!m_bus.registerObject(P::kPath, this, QDBusConnection::ExportAdaptors)) {
        QTextStream(stderr) << "etikor-manager: cannot export " << P::kPath << Qt::endl;
        return false;
    }
    const auto reply =
        m_bus.interface()->registerService(P::kService, QDBusConnectionInterface::DontQueueService,
                                           QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        QTextStream(stderr) << "etikor-manager: the bus name " << P::kService
                            << " is taken or refused: "
                            << (reply.isValid() ? QStringLiteral("another manager runs")
                                                : reply.error().message())
                            << Qt::endl;
        return false;
    }
    return true;
}

int ServerManager::PrevInstance(const QString &clientName)
{
    return int(std::count_if(m_clients.cbegin(), m_clients.cend(),
                             [&](const ManagerClient &c) { return c.clientName == clientName; }));
}

int ServerManager::connect(const QString &clientName, const QStringList &captions,
                           const QStringList &methods, const QDBusObjectPath &callback,
                           const QVariantMap &properties)
{
    const QString busName = message().service();
    if (captions.size() != methods.size()) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("The server manager needs one method for each caption (%1 "
                                      "captions, %2 methods).")
                           .arg(captions.size())
                           .arg(methods.size()));
        return 0;
    }
    for (const ManagerClient &c : std::as_const(m_clients)) {
        if (c.clientName == clientName && c.busName != busName) {
            sendErrorReply(kNameTaken, QStringLiteral("The server manager already has a running "
                                                      "station named \"%1\".")
                                           .arg(clientName));
            return 0;
        }
    }
    drop(busName, "it registered again");
    m_clients.append({busName, clientName, captions, methods, callback.path(), properties});
    m_watcher->addWatchedService(busName);
    say(QStringLiteral("registered \"%1\" (%2) ClientPath=%3")
            .arg(clientName, busName, properties.value(P::kClientPath).toString()));
    return 0;
}

void ServerManager::Disconnect()
{
    drop(message().service(), "it disconnected");
}

void ServerManager::drop(const QString &busName, const char *why)
{
    for (qsizetype i = 0; i < m_clients.size(); ++i) {
        if (m_clients.at(i).busName != busName)
            continue;
        say(QStringLiteral("removed \"%1\" (%2): %3")
                .arg(m_clients.at(i).clientName, busName, QString::fromLatin1(why)));
        m_clients.removeAt(i);
        m_watcher->removeWatchedService(busName);
        return;
    }
}

QStringList ServerManager::List() const
{
    QStringList names;
    for (const ManagerClient &c : m_clients)
        names << c.clientName;
    return names;
}

std::optional<ManagerClient> ServerManager::resolve(const QString &name)
{
    const auto pick = [this](auto test) {
        QList<ManagerClient> found;
        std::copy_if(m_clients.cbegin(), m_clients.cend(), std::back_inserter(found), test);
        return found;
    };
    QList<ManagerClient> found = pick([&](const ManagerClient &c) { return c.clientName == name; });
    // Operators type module names in any case, as the PLC's variable names are matched.
    if (found.isEmpty())
        found = pick([&](const ManagerClient &c) {
            return c.clientName.endsWith(QStringLiteral(" / ") + name, Qt::CaseInsensitive);
        });
    if (found.isEmpty() && !name.isEmpty())
        found = pick([&](const ManagerClient &c) {
            return c.clientName.startsWith(name, Qt::CaseInsensitive);
        });
    if (found.size() == 1)
        return found.first();
    sendErrorReply(kNoSuchStation,
                   found.isEmpty()
                       ? QStringLiteral("No station \"%1\" is registered.").arg(name)
                       : QStringLiteral("\"%1\" names %2 stations.").arg(name).arg(found.size()));
    return std::nullopt;
}

QString ServerManager::Describe(const QString &name, QStringList &captions, QStringList &methods,
                                QVariantMap &properties, QString &busName)
{
    const auto client = resolve(name);
    if (!client)
        return {};
    captions = client->captions;
    methods = client->methods;
    properties = client->properties;
    busName = client->busName;
    return client->clientName;
}

void ServerManager::Invoke(const QString &name, const QString &caption)
{
    const auto client = resolve(name);
    if (!client)
        return;
    const auto at =
        std::find_if(client->captions.cbegin(), client->captions.cend(), [&](const QString &c) {
            return c.compare(caption, Qt::CaseInsensitive) == 0;
        });
    if (at == client->captions.cend()) {
        sendErrorReply(QDBusError::InvalidArgs,
                       QStringLiteral("\"%1\" offers no \"%2\" (it offers %3).")
                           .arg(client->clientName, caption, client->captions.join(u", ")));
        return;
    }
    const QString method = client->methods.at(at - client->captions.cbegin());
    // The station answers at once; the request waits for that answer without blocking the
    // manager, which the station may call meanwhile (a stop ends with its Disconnect).
    setDelayedReply(true);
    const QDBusMessage request = message();
    // The callback's interface is the class the station named, as a COM client's ProgID.
    const QString interface =
        client->properties.value(P::kClientClass, P::kCallbackClass).toString();
    const QDBusMessage call =
        QDBusMessage::createMethodCall(client->busName, client->callbackPath, interface, method);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    QObject::connect(
        watcher, &QDBusPendingCallWatcher::finished, this,
        [this, request, method, name = client->clientName](QDBusPendingCallWatcher *w) {
            w->deleteLater();
            if (w->isError()) {
                m_bus.send(request.createErrorReply(w->error()));
                return;
            }
            say(QStringLiteral("called %1 of \"%2\"").arg(method, name));
            m_bus.send(request.createReply());
        });
}
