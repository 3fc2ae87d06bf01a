#pragma once

#include "FreeSpaceSource.h"

#include <QString>
#include <functional>
#include <optional>

class MessageSink;
class OptionStore;

// Watches the free space of the file system that holds the application folder, where the
// logs are written. The limit is the option "MaxFreeSpace(MB)" of the area "LogDatei" in
// megabytes of 1,000,000 bytes; a missing, empty or zero value means 30 and is written back.
// The communication log reads diskSpaceOk() and stops writing files while it is false.
class DiskSpaceWatch {
public:
    // Free space of the file system a folder lives on; no value when it cannot be measured.
    using FreeSpaceQuery = std::function<std::optional<FreeSpace>(const QString &folder)>;

    static const QString kOptionKey;
    static const QString kOptionArea;
    static constexpr double kDefaultLimitMb = 30;

    DiskSpaceWatch(const QString &appFolder, OptionStore &options, MessageSink &sink,
                   FreeSpaceQuery freeSpace = FreeSpaceSource::measure);

    // Compares the free space with the limit and keeps the outcome in diskSpaceOk(). True when
    // the space is sufficient or could not be measured (then the option is not read either).
    // When space is short and showMessage is set, a failure message is queued.
    bool checkDiskSpace(bool showMessage);
    // False until the first check; afterwards the outcome of the last one.
    bool diskSpaceOk() const { return m_diskSpaceOk; }

private:
    double limitMb();
    void reportShortage(const FreeSpace &space);

    QString m_appFolder;
    OptionStore &m_options;
    MessageSink &m_sink;
    FreeSpaceQuery m_freeSpace;
    bool m_diskSpaceOk = false;
};
