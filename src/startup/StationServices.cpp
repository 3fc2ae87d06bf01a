#include "StationServices.h"

#include "MessageQueue.h"
#include "PrintControls.h"

StationServices::StationServices(Parts parts)
    : m_queue(parts.queue)
    , m_diskSpaceWatch(parts.appFolder, parts.options, parts.queue)
    , m_logBackup(parts.controls, parts.appFolder, parts.queue,
                  [this](bool report) { return m_diskSpaceWatch.checkDiskSpace(report); })
    , m_commLog(parts.controls, parts.queue, parts.eventLog, m_logBackup,
                [this] { return m_diskSpaceWatch.diskSpaceOk(); })
    , m_imageCleanup(parts.settings)
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

void StationServices::cleanCadImages()
{
    m_imageCleanup.cleanCadImages();
}

void StationServices::dropMessageQueue()
{
    m_queue.clear();
}
