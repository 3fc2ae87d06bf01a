#include "ManagerCommand.h"

#include "ManagerProtocol.h"
#include "stationsinterface.h"

#include <QDBusConnectionInterface>
#include <QTextStream>

namespace P = ManagerProtocol;

namespace {
QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}
} // namespace

ManagerCommand::ManagerCommand(QDBusConnection bus)
    : m_bus(std::move(bus))
{
}

bool ManagerCommand::managerRuns()
{
    if (m_bus.isConnected() && m_bus.interface()->isServiceRegistered(P::kService).value())
        return true;
    err() << "etikor-manager: no server manager runs on the bus"
          << (m_bus.isConnected() ? QString()
                                  : QStringLiteral(" (") + m_bus.lastError().message() + u')')
          << Qt::endl;
    return false;
}

int ManagerCommand::list()
{
    if (!managerRuns())
        return NoManager;
    ProjDienstwartStationsInterface stations(P::kService, P::kPath, m_bus);
    const QDBusPendingReply<QStringList> names = stations.List();
    if (names.isError()) {
        err() << "etikor-manager: " << names.error().message() << Qt::endl;
        return NoManager;
    }
    for (const QString &name : names.value()) {
        QDBusPendingReply<QString, QStringList, QStringList, QVariantMap, QString> d =
            stations.Describe(name);
        d.waitForFinished();
        if (d.isError())
            continue; // it left while we listed
        const QStringList captions = d.argumentAt<1>();
        const QStringList methods = d.argumentAt<2>();
        const QVariantMap properties = d.argumentAt<3>();
        out() << d.argumentAt<0>() << Qt::endl;
        for (qsizetype i = 0; i < captions.size(); ++i)
            out() << "  " << captions.at(i) << ": " << methods.value(i) << Qt::endl;
        for (auto p = properties.cbegin(); p != properties.cend(); ++p)
            out() << "  " << p.key() << " = " << p.value().toString() << Qt::endl;
        out() << "  bus name: " << d.argumentAt<4>() << Qt::endl;
    }
    return Ok;
}

int ManagerCommand::invoke(const QString &station, const QString &caption)
{
    if (!managerRuns())
        return NoManager;
    ProjDienstwartStationsInterface stations(P::kService, P::kPath, m_bus);
    QDBusPendingReply<> reply = stations.Invoke(station, caption);
    reply.waitForFinished();
    if (!reply.isError())
        return Ok;
    err() << "etikor-manager: " << reply.error().message() << Qt::endl;
    return reply.error().name() == QLatin1String("projDienstwart.Error.NoSuchStation")
               ? NoSuchStation
               : CallbackFailed;
}
