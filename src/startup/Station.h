#pragma once

#include "Configuration.h"
#include "InstanceLock.h"

#include <QObject>
#include <QString>

struct AppSettings;
class ManagerLink;
class PrintControls;
class Prompt;
class StationHooks;

// One running print station: runs the load sequence in its fixed order, carries the
// operator's configuration commands, and runs the shutdown sequence once.
class Station : public QObject {
    Q_OBJECT
public:
    struct Parts {
        AppSettings &settings;
        PrintControls &controls;
        Prompt &prompt;
        StationHooks &hooks;
        ManagerLink &managerLink;
        PrinterSource printers;
        QString appFolder;
        QString programName;
    };

    explicit Station(Parts parts, QObject *parent = nullptr);

    // False when another instance already serves this station; the shutdown has then run.
    bool load();
    void shutdown();
    // The server manager's Stop: the message queue is dropped before the shutdown sequence,
    // so nothing queued on the way out waits for an operator.
    void serverStop();

    void loadConfig() { m_configuration.loadConfig(); }
    void saveConfig() { m_configuration.saveConfig(); }
    void saveConfigAs();
    void editControls(bool onOff);
    // Menu "&Tessel-Connect" and "&TesselOCX Properties".
    void reconnectPlc();
    void showPlcProperties();

    QString applicationTitle() const { return m_applicationTitle; }
    QString windowCaption() const { return m_windowCaption; }
    bool hasShutDown() const { return m_shutDown; }

    static QString versionText();

Q_SIGNALS:
    // The shutdown sequence has run: every window is to be unloaded and the program ends.
    void unloadAll();
    // The title messages and boxes carry from now on; set once the module name is known.
    void applicationTitleChanged(const QString &title);

private:
    void setTitles();

    Parts m_parts;
    Configuration m_configuration;
    InstanceLock m_instanceLock;
    QString m_applicationTitle;
    QString m_windowCaption;
    bool m_shutDown = false;
};
