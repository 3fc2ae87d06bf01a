#include "UaDateTime.h"

#include <limits>

namespace {
constexpr qint64 kMaxTicks = std::numeric_limits<qint64>::max();
// Milliseconds from 1601-01-01 to 1970-01-01: anything at or before lies at or before tick 0.
constexpr qint64 kEpochMsecs = UaDateTime::kUnixEpochTicks / UaDateTime::kTicksPerMillisecond;

QDateTime latestTime()
{
    return QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC);
}

qint64 msecsOfLatestEncodedTime()
{
    // 9999-12-31 23:59:59 UTC, from which on every time encodes as the largest Int64.
    return QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), Qt::UTC).toMSecsSinceEpoch();
}
} // namespace

UaDateTime UaDateTime::fromDateTime(const QDateTime &time)
{
    if (!time.isValid())
        return {};
    const qint64 msecs = time.toMSecsSinceEpoch();
    if (msecs >= msecsOfLatestEncodedTime())
        return {kMaxTicks};
    if (msecs <= -kEpochMsecs)
        return {};
    return {kUnixEpochTicks + msecs * kTicksPerMillisecond};
}

QDateTime UaDateTime::toDateTime() const
{
    if (ticks <= 0)
        return {};
    // Rounded down, so that a time just before a millisecond boundary stays before it.
    const qint64 sinceUnixEpoch = ticks - kUnixEpochTicks;
    qint64 msecs = sinceUnixEpoch / kTicksPerMillisecond;
    if (sinceUnixEpoch % kTicksPerMillisecond < 0)
        --msecs;
    if (ticks == kMaxTicks || msecs > latestTime().toMSecsSinceEpoch())
        return latestTime();
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}
