#include "TickCount.h"

#include <QDeadlineTimer>

namespace TickCount {

qint64 tickCount()
{
    return QDeadlineTimer::current(Qt::PreciseTimer).deadline();
}

qint64 ticksSince(qint64 start)
{
    return tickCount() - start;
}

} // namespace TickCount
