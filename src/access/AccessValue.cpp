#include "AccessValue.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

namespace AccessValue {

namespace {

bool isText(const QVariant &v)
{
    return v.metaType().id() == QMetaType::QString;
}

bool isNumber(const QVariant &v)
{
    switch (v.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::UChar:
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Float:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

std::optional<double> number(const QVariant &v)
{
    if (v.metaType().id() == QMetaType::Bool)
        return v.toBool() ? -1.0 : 0.0;
    if (isNumber(v))
        return v.toDouble();
    if (isText(v)) {
        bool ok = false;
        const double d = v.toString().trimmed().toDouble(&ok);
        if (ok)
            return d;
    }
    return std::nullopt;
}

// Texts and numbers never share a key, nor does either share one with "matches nothing".
QString numberKey(double d)
{
    return u'n' + QString::number(d, 'g', 17);
}

QString textKey(const QString &text)
{
    return u't' + text.toCaseFolded();
}

const QString kNoMatch = u"-"_s;

} // namespace

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool equal(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return false;
    if (isText(a) && isText(b))
        return a.toString().compare(b.toString(), Qt::CaseInsensitive) == 0;
    if (isNumber(a) || isNumber(b)) {
        const auto x = number(a);
        const auto y = number(b);
        return x && y && *x == *y;
    }
    if (a.metaType().id() == QMetaType::QDateTime || b.metaType().id() == QMetaType::QDateTime)
        return a.toDateTime().isValid() && a.toDateTime() == b.toDateTime();
    return a == b;
}

QString key(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (isText(value))
        return textKey(value.toString());
    if (isNumber(value))
        return numberKey(*number(value));
    return {};
}

std::optional<QString> keyFor(const QVariant &operand, const AccessColumn &column)
{
    const QMetaType type = column.metaType;
    if (operand.isNull())
        return kNoMatch;
    if (type.id() == QMetaType::QString)
        return isText(operand) ? std::optional(textKey(operand.toString())) : std::nullopt;
    if (isNumber(QVariant(type))) {
        const auto n = number(operand);
        return n ? numberKey(*n) : kNoMatch;
    }
    return std::nullopt;
}

} // namespace AccessValue
