#include "DiskSpaceWatch.h"

#include "MessageSink.h"
#include "OptionStore.h"
#include "RegionalFormat.h"
#include "VbConvert.h"

const QString DiskSpaceWatch::kOptionKey = QStringLiteral("MaxFreeSpace(MB)");
const QString DiskSpaceWatch::kOptionArea = QStringLiteral("LogDatei");

DiskSpaceWatch::DiskSpaceWatch(const QString &appFolder, OptionStore &options, MessageSink &sink,
                               FreeSpaceQuery freeSpace)
    : m_appFolder(appFolder)
    , m_options(options)
    , m_sink(sink)
    , m_freeSpace(std::move(freeSpace))
{
}

bool DiskSpaceWatch::checkDiskSpace(bool showMessage)
{
    m_diskSpaceOk = true;
    const std::optional<FreeSpace> space = m_freeSpace(m_appFolder);
    if (!space)
        return true;
    if (double(space->bytesFree) >= limitMb() * 1'000'000.0)
        return true;
    m_diskSpaceOk = false;
    if (showMessage)
        reportShortage(*space);
    return false;
}

double DiskSpaceWatch::limitMb()
{
    const double limit = VbConvert::leadingNumber(m_options.getOption(kOptionKey, kOptionArea));
    if (limit != 0)
        return limit;
    // Stored with a leading blank, the way the number has always been written there.
    m_options.setOption(kOptionKey, QStringLiteral(" 30"), kOptionArea);
    return kDefaultLimitMb;
}

void DiskSpaceWatch::reportShortage(const FreeSpace &space)
{
    const QString text = QStringLiteral("Free Diskspace Drive ") + space.drive +
                         QStringLiteral("  ") + RegionalFormat::groupedNumber(space.bytesFree) +
                         QStringLiteral(" bytes");
    m_sink.addMessage(3, text, QString(), 0, false, QString());
}
