#include "FieldValue.h"

#include "VbConvert.h"

#include <cmath>
#include <limits>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

Failure runtime(qint32 number, const QString &description)
{
    return {number, u"Etikor"_s, description, {}, 0};
}

// The value as a number, as the run-time converted it: texts that hold a number count, a
// boolean true is -1.
std::optional<double> number(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    if (value.metaType().id() == QMetaType::Bool)
        return value.toBool() ? -1.0 : 0.0;
    bool ok = false;
    const double result = value.metaType().id() == QMetaType::QString
                              ? value.toString().trimmed().toDouble(&ok)
                              : value.toDouble(&ok);
    if (!ok || !std::isfinite(result))
        return std::nullopt;
    return result;
}

} // namespace

namespace FieldValue {

Failure invalidUseOfNull()
{
    return runtime(94, u"Invalid use of Null"_s);
}

Failure typeMismatch()
{
    return runtime(13, u"Type mismatch"_s);
}

Failure overflow()
{
    return runtime(6, u"Overflow"_s);
}

Failure itemNotFound()
{
    return runtime(
        3265,
        u"Item cannot be found in the collection corresponding to the requested name or ordinal."_s);
}

Failure toInt32(const QVariant &value, qint32 &result)
{
    if (value.isNull())
        return invalidUseOfNull();
    const std::optional<double> n = number(value);
    if (!n)
        return typeMismatch();
    const double rounded = VbConvert::roundHalfEven(*n);
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        return overflow();
    result = static_cast<qint32>(rounded);
    return {};
}

Failure toText(const QVariant &value, QString &result)
{
    if (value.isNull())
        return invalidUseOfNull();
    result = value.toString();
    return {};
}

qint64 narrowed(const QVariant &value, qint64 min, qint64 max)
{
    const std::optional<double> n = number(value);
    if (!n)
        return 0;
    const double rounded = VbConvert::roundHalfEven(*n);
    if (rounded < double(min) || rounded > double(max))
        return 0;
    return static_cast<qint64>(rounded);
}

double real(const QVariant &value)
{
    return number(value).value_or(0.0);
}

bool boolean(const QVariant &value)
{
    if (value.isNull())
        return false;
    if (value.metaType().id() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        if (text.compare(u"true"_s, Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(u"false"_s, Qt::CaseInsensitive) == 0)
            return false;
    }
    return number(value).value_or(0.0) != 0.0;
}

} // namespace FieldValue
