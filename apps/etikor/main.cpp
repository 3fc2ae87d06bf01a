// etikor: the print station with its window and tray icon.

#include "Main.h"

#include "AppEventLog.h"
#include "SyslogSocket.h"
#include "AppFolder.h"
#include "AppSettings.h"
#include "DesktopPrompt.h"
#include "MainWindow.h"
#include "MessageQueue.h"
#include "PrintControls.h"
#include "RegistryStore.h"
#include "Station.h"
#include "StationHooks.h"
#include "TrayManagerLink.h"

#include <QApplication>
#include <QLoggingCategory>
#include <QSystemTrayIcon>

Q_LOGGING_CATEGORY(lcDesktop, "etikor.desktop")

namespace {
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
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    PrintControls controls;
    SyslogSocket syslog(QStringLiteral("Etikor"));
    AppEventLog eventLog(syslog, controls);
    MessageQueue queue(eventLog);
    QObject::connect(&queue, &MessageQueue::messageAdded, [](const LogDaten &m) {
        qCInfo(lcDesktop).noquote() << m.bereich << m.meldetext;
    });

    const QString appFolder = AppFolder::path();
    RegistryStore store;
    const auto configPath = Main::start(app.arguments().mid(1), store, queue, appFolder);
    if (!configPath)
        return 0;

    AppSettings settings;
    settings.configPath = *configPath;
    MainWindow window(controls, settings);
    DesktopPrompt prompt(&window);
    StationHooks hooks;
    TrayManagerLink link(window);
    Station station({settings, controls, prompt, hooks, link, PrinterSource::system(), appFolder,
                     AppFolder::programName()});
    wireWindow(window, station, controls);
    QObject::connect(
        &station, &Station::unloadAll, &app,
        [&window] {
            window.unload();
            QCoreApplication::quit();
        },
        Qt::QueuedConnection);
    if (!station.load())
        return 0;
    queue.setApplicationTitle(station.applicationTitle());
    prompt.setApplicationTitle(station.applicationTitle());
    window.setWindowTitle(station.windowCaption());
    window.rememberSavedHeight();
    return app.exec();
}
