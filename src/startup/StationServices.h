#pragma once

#include "CommLog.h"
#include "DiskSpaceWatch.h"
#include "ImageCleanup.h"
#include "LogBackup.h"
#include "StationHooks.h"

struct AppSettings;
class AppEventLog;
class MessageQueue;
class OptionStore;
class PrintControls;

// The subsystems behind the load and shutdown sequences of one station: the disk-space
// watch, the communication log with its backups, the image cleanup and the operator's
// message queue. Owns what only the station uses and lends the rest out by reference.
class StationServices : public StationHooks {
public:
    struct Parts {
        AppSettings &settings;
        PrintControls &controls;
        AppEventLog &eventLog;
        MessageQueue &queue;
        OptionStore &options;
        QString appFolder;
    };

    explicit StationServices(Parts parts);

    CommLog &commLog() { return m_commLog; }
    DiskSpaceWatch &diskSpaceWatch() { return m_diskSpaceWatch; }
    ImageCleanup &imageCleanup() { return m_imageCleanup; }

    bool checkDiskSpace(bool report) override;
    void prepareCommLog(const QString &commLogFile) override;
    void cleanCadImages() override;
    void dropMessageQueue() override;

private:
    MessageQueue &m_queue;
    DiskSpaceWatch m_diskSpaceWatch;
    LogBackup m_logBackup;
    CommLog m_commLog;
    ImageCleanup m_imageCleanup;
};
