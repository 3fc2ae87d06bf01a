// etikor: the print station with its window and tray icon.

#include "Main.h"

#include "AppEventLog.h"
#include "AppFolder.h"
#include "AppSettings.h"
#include "ConnectionDialog.h"
#include "DesktopPrompt.h"
#include "MainWindow.h"
#include "MessageDisplay.h"
#include "MessageQueue.h"
#include "OpcUaLink.h"
#include "PlcPropertiesWindow.h"
#include "PrintControls.h"
#include "PrintServices.h"
#include "Registry.h"
#include "RegistryStore.h"
#include "Station.h"
#include "StationServices.h"
#include "SyslogSocket.h"
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
        qCDebug(lcDesktop).noquote() << m.bereich << m.meldetext;
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
    MessageDisplay messages(queue, prompt, appFolder);
    queue.setOverflowPrompt(&prompt);
    Registry registry(store, queue);
    OpcUaLink plc(OpcUaLinkOptions::fromStore(registry));
    PlcPropertiesWindow plcProperties(&window);
    plc.setPropertiesView(&plcProperties);
    StationServices services({settings, controls, eventLog, queue, registry, plc, appFolder});
    services.commLog().setHistoryView(&window);
    PrintServices printing(
        {settings, controls, services.commLog(), prompt, plc, services.plcConnection(), registry});
    QObject::connect(&window, &MainWindow::testPrintRequested, &window,
                     [&printing] { printing.testPrint(); });
    TrayManagerLink link(window);
    Station station({settings, controls, prompt, services, link, PrinterSource::system(), appFolder,
                     AppFolder::programName()});
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
