#include "StationServices.h"

#include "AppSettings.h"
#include "DatabasePreparation.h"
#include "MessageQueue.h"
#include "PlcLink.h"
#include "PrintControls.h"

StationServices::StationServices(Parts parts)
    : m_settings(parts.settings)
    , m_queue(parts.queue)
    , m_plc(parts.plc)
    , m_diskSpaceWatch(parts.appFolder, parts.options, parts.queue)
    , m_logBackup(parts.controls, parts.appFolder, parts.queue,
                  [this](bool report) { return m_diskSpaceWatch.checkDiskSpace(report); })
    , m_commLog(parts.controls, parts.queue, parts.eventLog, m_logBackup,
                [this] { return m_diskSpaceWatch.diskSpaceOk(); })
    , m_imageCleanup(parts.settings)
    , m_plcConnection(parts.plc, parts.controls, parts.settings, m_commLog)
{
}

bool StationServices::checkDiskSpace(bool report)
{
    return m_diskSpaceWatch.checkDiskSpace(report);
}

void StationServices::prepareCommLog(const QString &commLogFile)
{
    (void)commLogFile; // the log reads it from the controls, where the station put it
    m_commLog.prepare();
}

// The second net id gets the same address; the link uses the first.
void StationServices::logFailure(const QString &text)
{
    m_commLog.writeLog(text, false, true);
}

void StationServices::setPlcNetId(const QString &netId)
{
    m_plc.setNetId(netId);
    m_plc.setNetId2(netId);
}

void StationServices::setPlcPort(const QString &port)
{
    m_plc.setPort(port);
}

void StationServices::connectPlc()
{
    m_plcConnection.connectPlc();
}

void StationServices::showPlcProperties()
{
    m_plc.showProperties();
}

void StationServices::terminateLinks()
{
    m_plcConnection.terminateLinks();
}

void StationServices::closePlcLink()
{
    m_plcConnection.closeLink();
}

void StationServices::prepareDatabase(const QString &serverPath)
{
    const QString note = DatabasePreparation::prepareDatabase(serverPath, m_settings.baseDir);
    if (!note.isEmpty())
        m_commLog.writeLog(note, true, false);
}

void StationServices::restartBackends(bool close)
{
    if (m_restartBackends)
        m_restartBackends(close);
}

void StationServices::cleanCadImages()
{
    m_imageCleanup.cleanCadImages();
}

void StationServices::dropMessageQueue()
{
    m_queue.clear();
}
