// etikord: the print station as a service. Same core as the desktop program, no window:
// questions are answered with their default button and reported as operator messages.

#include "Main.h"

#include "AppEventLog.h"
#include "AppFolder.h"
#include "AppSettings.h"
#include "DBusManagerLink.h"
#include "ManagerBus.h"
#include "MessageQueue.h"
#include "NoManagerLink.h"
#include "OpcUaLink.h"
#include "PrintControls.h"
#include "PrintServices.h"
#include "Registry.h"
#include "RegistryStore.h"
#include "ServicePrompt.h"
#include "Station.h"
#include "StationServices.h"
#include "SyslogSocket.h"
#include "SystemdNotifier.h"
#include "UnixSignals.h"

#include <QGuiApplication>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcService, "etikor.service")

int main(int argc, char **argv)
{
    // Labels are painted with fonts, which need a GUI application; a service has no display,
    // and paints off the screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    UnixSignals unixSignals;
    PrintControls controls;
    SyslogSocket syslog(QStringLiteral("Etikor"));
    AppEventLog eventLog(syslog, controls);
    MessageQueue queue(eventLog);
    // Nobody reads the queue of a service: it keeps only the newest messages, and each one
    // also goes to the service's own output, which the journal keeps.
    QObject::connect(&queue, &MessageQueue::messageAdded, [&queue](const LogDaten &m) {
        qCInfo(lcService).noquote() << m.bereich << m.meldetext;
        queue.trimTo(MessageQueue::kKept);
    });

    const QString appFolder = AppFolder::path();
    RegistryStore store;
    const auto configPath = Main::start(app.arguments().mid(1), store, queue, appFolder);
    if (!configPath)
        return 0;

    AppSettings settings;
    settings.configPath = *configPath;
    Registry registry(store, queue);
    OpcUaLink plc(OpcUaLinkOptions::fromStore(registry));
    StationServices services({settings, controls, eventLog, queue, registry, plc, appFolder});
    ServicePrompt prompt(services.commLog());
    queue.setOverflowPrompt(&prompt);
    PrintServices printing({settings, controls, services.commLog(), prompt, plc,
                            services.plcConnection(), registry,
                            [&services] { services.imageCleanup().cleanLabelImages(); },
                            [&services] { services.imageCleanup().cleanCadImages(); }, appFolder});
    services.setBackendRestart([&printing](bool close) { printing.restartBackends(close); });
    // A service has no tray: without a server manager it just runs. It looks for a manager
    // only on the bus the registry names.
    NoManagerLink noManager;
    Station *running = nullptr;
    DBusManagerLink link(
        {ManagerBus::open(ManagerBus::configured(registry, ManagerBus::Kind::None, queue)),
         noManager,
         prompt,
         settings,
         {[] {
              qCInfo(lcService) << "the server manager asked to show a window; a service has none";
          },
          [&running] {
              running->serverStop();
          }}});
    Station station({settings, controls, prompt, services, link, PrinterSource::system(), appFolder,
                     AppFolder::programName()});
    running = &station;
    SystemdNotifier systemd;
    QObject::connect(&station, &Station::applicationTitleChanged, &queue,
                     &MessageQueue::setApplicationTitle);
    QObject::connect(&station, &Station::unloadAll, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&unixSignals, &UnixSignals::terminateRequested, &station, &Station::shutdown);
    QObject::connect(&station, &Station::unloadAll, &systemd, &SystemdNotifier::stopping);
    if (!station.load())
        return 0;
    qCInfo(lcService).noquote() << station.windowCaption() << "running with" << settings.configPath
                                << (link.registered() ? "registered with the server manager" : "");
    systemd.ready(station.windowCaption());
    return app.exec();
}
