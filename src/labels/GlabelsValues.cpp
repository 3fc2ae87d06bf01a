#include "GlabelsValues.h"

#include <QString>

namespace GlabelsValues {

std::optional<double> length(QStringView text)
{
    struct Unit {
        const char16_t *name;
        double points;
    };
    static constexpr Unit kUnits[] = {
        {u"pt", 1.0}, {u"in", 72.0}, {u"mm", 72.0 / 25.4}, {u"cm", 72.0 / 2.54}, {u"pc", 12.0}};
    QStringView number = text.trimmed();
    double factor = 1.0;
    for (const Unit &unit : kUnits) {
        if (number.endsWith(unit.name)) {
            number.chop(2);
            factor = unit.points;
            break;
        }
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value * factor;
}

std::optional<quint32> color(QStringView text)
{
    QStringView digits = text.trimmed();
    if (!digits.startsWith(u"0x", Qt::CaseInsensitive) || digits.size() > 10)
        return std::nullopt;
    bool ok = false;
    const quint32 value = digits.mid(2).toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    return value;
}

bool flag(QStringView text)
{
    return text.compare(u"true", Qt::CaseInsensitive) == 0 || text == u"1";
}

} // namespace GlabelsValues
