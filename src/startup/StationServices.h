#pragma once

#include "CommLog.h"
#include "DiskSpaceWatch.h"
#include "ImageCleanup.h"
#include "LogBackup.h"
#include "PlcConnection.h"
#include "StationHooks.h"

#include <functional>

struct AppSettings;
class AppEventLog;
class MessageQueue;
class OptionStore;
class PlcLink;
class PrintControls;

// The subsystems behind the load and shutdown sequences of one station: the disk-space
// watch, the communication log with its backups, the image cleanup, the operator's message
// queue and the variable link on the PLC link. Owns what only the station uses and lends the
// rest out by reference.
class StationServices : public StationHooks {
public:
    struct Parts {
        AppSettings &settings;
        PrintControls &controls;
        AppEventLog &eventLog;
        MessageQueue &queue;
        OptionStore &options;
        PlcLink &plc;
        QString appFolder;
    };

    explicit StationServices(Parts parts);

    CommLog &commLog() { return m_commLog; }
    DiskSpaceWatch &diskSpaceWatch() { return m_diskSpaceWatch; }
    ImageCleanup &imageCleanup() { return m_imageCleanup; }
    PlcConnection &plcConnection() { return m_plcConnection; }

    bool checkDiskSpace(bool report) override;
    void prepareCommLog(const QString &commLogFile) override;
    void logFailure(const QString &text) override;
    void setPlcNetId(const QString &netId) override;
    void setPlcPort(const QString &port) override;
    void connectPlc() override;
    void showPlcProperties() override;
    void terminateLinks() override;
    void closePlcLink() override;
    void prepareDatabase(const QString &serverPath) override;
    void restartBackends(bool close) override;
    // What restarts the outputs (they are built after these services, with the prompt).
    void setBackendRestart(std::function<void(bool close)> restart)
    {
        m_restartBackends = std::move(restart);
    }
    void cleanCadImages() override;
    void dropMessageQueue() override;

private:
    const AppSettings &m_settings;
    MessageQueue &m_queue;
    PlcLink &m_plc;
    DiskSpaceWatch m_diskSpaceWatch;
    LogBackup m_logBackup;
    CommLog m_commLog;
    ImageCleanup m_imageCleanup;
    PlcConnection m_plcConnection;
    std::function<void(bool close)> m_restartBackends;
};
