#pragma once

#include <QDateTime>

// An OPC UA DateTime: the number of 100-nanosecond intervals since 1601-01-01 00:00 UTC
// (OPC 10000-6, 5.2.2.5). Kept as the wire's tick count so that values round-trip exactly;
// 0 is DateTime.MinValue, "no time".
struct UaDateTime {
    qint64 ticks = 0;

    // Ticks of 1970-01-01 00:00 UTC.
    static constexpr qint64 kUnixEpochTicks = 116444736000000000;
    static constexpr qint64 kTicksPerMillisecond = 10000;

    bool isNull() const { return ticks == 0; }
    bool operator==(const UaDateTime &other) const = default;

    // A null or invalid QDateTime and anything at or before 1601-01-01 give 0; anything at
    // or after 9999-12-31 23:59:59 UTC gives the largest Int64.
    static UaDateTime fromDateTime(const QDateTime &time);
    // 0 gives a null QDateTime; the largest Int64 and anything beyond 9999-12-31 23:59:59.999
    // gives that latest time. Sub-millisecond ticks are dropped.
    QDateTime toDateTime() const;
};
