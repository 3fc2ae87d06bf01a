// etikor-manager: a server manager for plants without one of their own. "serve" runs it;
// the other commands list the stations registered with a running manager and call their
// callbacks.

#include "ManagerCommand.h"
#include "ServerManager.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

namespace {
const QStringList kCaptions = {QStringLiteral("start"), QStringLiteral("stop"),
                               QStringLiteral("restart")};

int usage(const QCommandLineParser &parser)
{
    QTextStream(stderr) << parser.helpText();
    return ManagerCommand::Usage;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("etikor-manager"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Server manager for Etikor stations (projDienstwart.clsServerConnect)."));
    parser.addHelpOption();
    const QCommandLineOption system(QStringLiteral("system"),
                                    QStringLiteral("Use the system bus."));
    const QCommandLineOption session(QStringLiteral("session"),
                                     QStringLiteral("Use the session bus (the default)."));
    parser.addOptions({system, session});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("serve | list | start NAME | stop NAME | "
                                                "restart NAME"));
    if (!parser.parse(app.arguments())) {
        QTextStream(stderr) << "etikor-manager: " << parser.errorText() << Qt::endl;
        return usage(parser);
    }
    if (parser.isSet(QStringLiteral("help"))) {
        QTextStream(stdout) << parser.helpText();
        return ManagerCommand::Ok;
    }
    const QDBusConnection bus =
        parser.isSet(system) ? QDBusConnection::systemBus() : QDBusConnection::sessionBus();
    const QStringList args = parser.positionalArguments();
    const QString command = args.value(0);
    if (command == QLatin1String("serve") && args.size() == 1) {
        ServerManager manager(bus);
        return manager.serve() ? app.exec() : ManagerCommand::NoManager;
    }
    if (command == QLatin1String("list") && args.size() == 1)
        return ManagerCommand(bus).list();
    if (kCaptions.contains(command) && args.size() == 2)
        return ManagerCommand(bus).invoke(args.at(1), command);
    return usage(parser);
}
