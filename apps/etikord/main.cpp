// etikord: the print station as a service. Same core as the desktop program, no window:
// questions are answered with their default button and reported as operator messages.

#include "Main.h"

#include "AppEventLog.h"
#include "SyslogSocket.h"
#include "AppFolder.h"
#include "AppSettings.h"
#include "MessageQueue.h"
#include "NoManagerLink.h"
#include "PrintControls.h"
#include "RegistryStore.h"
#include "ServicePrompt.h"
#include "Station.h"
#include "StationHooks.h"
#include "UnixSignals.h"

#include <QCoreApplication>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcService, "etikor.service")

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    UnixSignals unixSignals;
    PrintControls controls;
    SyslogSocket syslog(QStringLiteral("Etikor"));
    AppEventLog eventLog(syslog, controls);
    MessageQueue queue(eventLog);
    QObject::connect(&queue, &MessageQueue::messageAdded, [](const LogDaten &m) {
        qCInfo(lcService).noquote() << m.bereich << m.meldetext;
    });

    const QString appFolder = AppFolder::path();
    RegistryStore store;
    const auto configPath = Main::start(app.arguments().mid(1), store, queue, appFolder);
    if (!configPath)
        return 0;

    AppSettings settings;
    settings.configPath = *configPath;
    ServicePrompt prompt(queue);
    StationHooks hooks;
    NoManagerLink link;
    Station station({settings, controls, prompt, hooks, link, PrinterSource::system(), appFolder,
                     AppFolder::programName()});
    QObject::connect(&station, &Station::unloadAll, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&unixSignals, &UnixSignals::terminateRequested, &station, &Station::shutdown);
    if (!station.load())
        return 0;
    queue.setApplicationTitle(station.applicationTitle());
    qCInfo(lcService).noquote() << station.windowCaption() << "running with" << settings.configPath;
    return app.exec();
}
