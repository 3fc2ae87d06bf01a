#include "StatusCodes.h"

#include <QLatin1StringView>

namespace {
struct NamedCode {
    quint32 code;
    QLatin1StringView name;
};

#define ETIKOR_UA_STATUS_ENTRY(name, value) {value, QLatin1StringView(#name)},
constexpr NamedCode kCodes[] = {ETIKOR_UA_STATUS_CODES(ETIKOR_UA_STATUS_ENTRY)};
#undef ETIKOR_UA_STATUS_ENTRY
} // namespace

QString UaStatus::name(quint32 code)
{
    const quint32 withoutInfoBits = code & 0xFFFF0000u;
    for (const NamedCode &entry : kCodes) {
        if (entry.code == withoutInfoBits)
            return entry.name;
    }
    return QStringLiteral("0x") + QString::number(code, 16).rightJustified(8, u'0').toUpper();
}
