#include "AttentionCycle.h"

#include <array>

namespace {
struct Step {
    const char16_t *icon;
    quint32 colorRef;
};
// The icon and the flash colour run against each other: a green light flashes red.
constexpr std::array<Step, 3> kSteps{{{u"Green", 255}, {u"Yellow", 65535}, {u"Red", 65280}}};
} // namespace

AttentionCycle::Phase AttentionCycle::advance()
{
    const Step &s = kSteps[size_t(m_step)];
    m_step = (m_step + 1) % int(kSteps.size());
    return {QString::fromUtf16(s.icon), fromColorRef(s.colorRef)};
}

QColor AttentionCycle::fromColorRef(quint32 value)
{
    return QColor(int(value & 0xff), int((value >> 8) & 0xff), int((value >> 16) & 0xff));
}
