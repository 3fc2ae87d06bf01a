// etikor: the print station with its window and tray icon.

#include "Main.h"

#include "AccessImport.h"
#include "AppEventLog.h"
#include "AppFolder.h"
#include "AppSettings.h"
#include "ConnectionDialog.h"
#include "DBusManagerLink.h"
#include "DesktopPrompt.h"
#include "DrawingSetupDialog.h"
#include "MainWindow.h"
#include "ManagerBus.h"
#include "MessageDisplay.h"
#include "MessageQueue.h"
#include "OpcUaLink.h"
#include "PlcPropertiesWindow.h"
#include "PrintControls.h"
#include "PrintServices.h"
#include "PrinterList.h"
#include "Registry.h"
#include "RegistryStore.h"
#include "RenderLabelCommand.h"
#include "Station.h"
#include "StationServices.h"
#include "SyslogSocket.h"
#include "TrayManagerLink.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>

Q_LOGGING_CATEGORY(lcDesktop, "etikor.desktop")

namespace {
// What every run has before anything else: the operator's message queue and the logs it
// feeds.
struct Messages {
    PrintControls controls;
    SyslogSocket syslog{QStringLiteral("Etikor")};
    AppEventLog eventLog{syslog, controls};
    MessageQueue queue{eventLog};
};

// Whether there is a display to show windows on; without one QApplication cannot start.
bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// The queued messages on the standard error, for whoever started the program from a shell.
void printQueued(const MessageQueue &queue)
{
    for (const LogDaten &m : queue.msgQueue())
        std::fprintf(stderr, "etikor: %s: %s\n", qUtf8Printable(m.bereich),
                     qUtf8Printable(m.meldetext));
}

// A run that only registers the file type ends here. What it could not do waits in the
// queue: the operator sees it in the message window before the program ends. Exits with 1
// when something failed, so that an installing script notices.
int endRegisterRun(QApplication &app, MessageQueue &queue, const QString &appFolder)
{
    printQueued(queue);
    if (queue.isEmpty())
        return 0;
    DesktopPrompt prompt;
    MessageDisplay messages(queue, prompt, appFolder);
    QTimer answered;
    QObject::connect(&answered, &QTimer::timeout, &app, [&] {
        if (queue.isEmpty() && !messages.window())
            QCoreApplication::quit();
    });
    answered.start(MessageFeeder::kInterval);
    messages.feeder().tick();
    QCoreApplication::exec();
    return 1;
}

// Without a display only the registration can run; a station needs its window (etikord
// runs one without).
int runWithoutDisplay(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Messages messages;
    RegistryStore store;
    const auto configPath =
        Main::start(app.arguments().mid(1), store, messages.queue, AppFolder::path());
    printQueued(messages.queue);
    if (configPath) {
        std::fprintf(stderr, "etikor: no display to show the station's window on (DISPLAY is not "
                             "set); etikord runs a station without one\n");
        return 1;
    }
    return messages.queue.isEmpty() ? 0 : 1;
}

void wireWindow(MainWindow &window, Station &station, PrintControls &controls)
{
    QObject::connect(&window, &MainWindow::saveRequested, &station, &Station::saveConfig);
    QObject::connect(&window, &MainWindow::saveAsRequested, &station, &Station::saveConfigAs);
    QObject::connect(&window, &MainWindow::loadRequested, &station, &Station::loadConfig);
    QObject::connect(&window, &MainWindow::editModeToggleRequested, &station,
                     [&station, &controls] { station.editControls(!controls.editMode()); });
    QObject::connect(&window, &MainWindow::reconnectRequested, &station, &Station::reconnectPlc);
    QObject::connect(&window, &MainWindow::plcPropertiesRequested, &station,
                     &Station::showPlcProperties);
    QObject::connect(&window, &MainWindow::exitRequested, &station, &Station::shutdown);
}
} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], AccessImport::kOption) == 0) {
        QCoreApplication app(argc, argv);
        return AccessImport::run(app.arguments().mid(1));
    }
    if (argc > 1 && qstrcmp(argv[1], RenderLabelCommand::kOption) == 0) {
        if (!displayAvailable())
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return RenderLabelCommand::run(app.arguments().mid(1));
    }
    if (!displayAvailable())
        return runWithoutDisplay(argc, argv);
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    Messages core;
    PrintControls &controls = core.controls;
    AppEventLog &eventLog = core.eventLog;
    MessageQueue &queue = core.queue;
    QObject::connect(&queue, &MessageQueue::messageAdded, [](const LogDaten &m) {
        qCDebug(lcDesktop).noquote() << m.bereich << m.meldetext;
    });

    const QString appFolder = AppFolder::path();
    RegistryStore store;
    const auto configPath = Main::start(app.arguments().mid(1), store, queue, appFolder);
    if (!configPath)
        return endRegisterRun(app, queue, appFolder);

    AppSettings settings;
    settings.configPath = *configPath;
    MainWindow window(controls, settings);
    DesktopPrompt prompt(&window);
    MessageDisplay messages(queue, prompt, appFolder);
    queue.setOverflowPrompt(&prompt);
    Registry registry(store, queue);
    OpcUaLink plc(OpcUaLinkOptions::fromStore(registry));
    PlcPropertiesWindow plcProperties(&window);
    plc.setPropertiesView(&plcProperties);
    StationServices services({settings, controls, eventLog, queue, registry, plc, appFolder});
    services.commLog().setHistoryView(&window);
    PrintServices printing({settings, controls, services.commLog(), prompt, plc,
                            services.plcConnection(), registry,
                            [&services] { services.imageCleanup().cleanLabelImages(); },
                            [&services] { services.imageCleanup().cleanCadImages(); }, appFolder});
    services.setBackendRestart([&printing](bool close) { printing.restartBackends(close); });
    printing.setLabelPreview([&window](const QImage &label) { window.showLabelPreview(label); });
    printing.setDrawingSetupDialog([&window](QString &printer, int &orientation) {
        return DrawingSetupDialog::ask(PrinterList::destinations(), printer, orientation, &window);
    });
    QObject::connect(&window, &MainWindow::testPrintRequested, &window,
                     [&printing] { printing.testPrint(); });
    // Under a server manager the manager brings the window up; without one, the tray icon.
    TrayManagerLink tray(window);
    Station *running = nullptr;
    DBusManagerLink link(
        {ManagerBus::open(ManagerBus::configured(registry, ManagerBus::Kind::Session, queue)),
         tray,
         prompt,
         settings,
         {[&window] { window.serverStart(); },
          [&running] {
              running->serverStop();
          }}});
    Station station({settings, controls, prompt, services, link, PrinterSource::system(), appFolder,
                     AppFolder::programName()});
    running = &station;
    QObject::connect(&window, &MainWindow::connectionChooserRequested, &window,
                     [&window, &controls, &settings, &station] {
                         const QString chosen = ConnectionDialog::editConnectionString(
                             ConnectionDialog::cmdConnectionText(
                                 controls.text(PrintControls::TextBox::txtServer)),
                             {settings.baseDir, station.applicationTitle()}, &window);
                         if (!chosen.isEmpty())
                             controls.setText(PrintControls::TextBox::txtServer, chosen);
                     });
    wireWindow(window, station, controls);
    QObject::connect(&station, &Station::applicationTitleChanged, &queue,
                     &MessageQueue::setApplicationTitle);
    QObject::connect(&station, &Station::applicationTitleChanged, &window,
                     [&prompt](const QString &title) { prompt.setApplicationTitle(title); });
    QObject::connect(
        &station, &Station::unloadAll, &app,
        [&window] {
            window.unload();
            QCoreApplication::quit();
        },
        Qt::QueuedConnection);
    // The shutdown drops the queue; the window and its feeder go with it.
    QObject::connect(&station, &Station::unloadAll, &messages, [&messages] {
        messages.feeder().stop();
        messages.closeMessage();
    });
    if (!station.load())
        return 0;
    window.setWindowTitle(station.windowCaption());
    window.rememberSavedHeight();
    return app.exec();
}
