#pragma once

#include <QtGlobal>

// Milliseconds on a monotonic clock that neither jumps with the wall clock nor wraps, for
// the durations the request cycle and the RAW output report.
namespace TickCount {
qint64 tickCount();
qint64 ticksSince(qint64 start);
} // namespace TickCount
