#include "PlcValueCodec.h"

#include "StatusCodes.h"

#include <limits>

namespace {

struct TypeRow {
    BuiltinType type;
    const char16_t *name;
    qint32 size;
    qint64 min; // integer range; both 0 for the other types
    quint64 max;
};

constexpr TypeRow kTypes[] = {
    {BuiltinType::Boolean, u"Boolean", 1, 0, 0},
    {BuiltinType::SByte, u"SByte", 1, -128, 127},
    {BuiltinType::Byte, u"Byte", 1, 0, 255},
    {BuiltinType::Int16, u"Int16", 2, -32768, 32767},
    {BuiltinType::UInt16, u"UInt16", 2, 0, 65535},
    {BuiltinType::Int32, u"Int32", 4, std::numeric_limits<qint32>::min(),
     quint64(std::numeric_limits<qint32>::max())},
    {BuiltinType::UInt32, u"UInt32", 4, 0, std::numeric_limits<quint32>::max()},
    {BuiltinType::Int64, u"Int64", 8, std::numeric_limits<qint64>::min(),
     quint64(std::numeric_limits<qint64>::max())},
    {BuiltinType::UInt64, u"UInt64", 8, 0, std::numeric_limits<quint64>::max()},
    {BuiltinType::Float, u"Float", 4, 0, 0},
    {BuiltinType::Double, u"Double", 8, 0, 0},
    {BuiltinType::String, u"String", 0, 0, 0},
};

const TypeRow *row(BuiltinType type)
{
    for (const TypeRow &entry : kTypes) {
        if (entry.type == type)
            return &entry;
    }
    return nullptr;
}

bool isInteger(BuiltinType type)
{
    const TypeRow *entry = row(type);
    return entry && (entry->min != 0 || entry->max != 0);
}

bool isReal(BuiltinType type)
{
    return type == BuiltinType::Float || type == BuiltinType::Double;
}

bool isIntegerValue(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

// An integer as a sign and magnitude, so that the whole UInt64 range compares correctly.
struct Integer {
    bool negative;
    quint64 magnitude;
};

Integer integerOf(const QVariant &value)
{
    if (value.typeId() == QMetaType::ULongLong || value.typeId() == QMetaType::UInt)
        return {false, value.toULongLong()};
    const qint64 signedValue = value.toLongLong();
    return {signedValue < 0,
            signedValue < 0 ? quint64(-(signedValue + 1)) + 1 : quint64(signedValue)};
}

bool fits(const Integer &value, const TypeRow &target)
{
    if (value.negative)
        return target.min < 0 && value.magnitude <= quint64(-(target.min + 1)) + 1;
    return value.magnitude <= target.max;
}

QVariant integerAs(const Integer &value, BuiltinType type)
{
    const qint64 s = value.negative ? qint64(0 - value.magnitude) : qint64(value.magnitude);
    switch (type) {
    case BuiltinType::SByte:
        return QVariant::fromValue(qint8(s));
    case BuiltinType::Byte:
        return QVariant::fromValue(quint8(value.magnitude));
    case BuiltinType::Int16:
        return QVariant::fromValue(qint16(s));
    case BuiltinType::UInt16:
        return QVariant::fromValue(quint16(value.magnitude));
    case BuiltinType::Int32:
        return QVariant::fromValue(qint32(s));
    case BuiltinType::UInt32:
        return QVariant::fromValue(quint32(value.magnitude));
    case BuiltinType::Int64:
        return QVariant::fromValue(s);
    default:
        return QVariant::fromValue(value.magnitude);
    }
}

quint32 integerTo(BuiltinType target, const Integer &value, Variant &out)
{
    if (!fits(value, *row(target)))
        return UaStatus::BadOutOfRange;
    out = Variant::scalar(target, integerAs(value, target));
    return UaStatus::Good;
}

} // namespace

namespace PlcValueCodec {

std::optional<BuiltinType> builtinOf(const NodeId &dataType)
{
    if (dataType.namespaceIndex() != 0 || dataType.idType() != NodeId::IdType::Numeric)
        return std::nullopt;
    for (const TypeRow &entry : kTypes) {
        if (quint32(entry.type) == dataType.numericId())
            return entry.type;
    }
    return std::nullopt;
}

qint32 sizeOf(BuiltinType type)
{
    const TypeRow *entry = row(type);
    return entry ? entry->size : 0;
}

QString typeName(BuiltinType type)
{
    const TypeRow *entry = row(type);
    return entry ? QString::fromUtf16(entry->name) : QString();
}

quint32 toVariant(BuiltinType target, const QVariant &value, Variant &out)
{
    if (target == BuiltinType::Boolean && value.typeId() == QMetaType::Bool) {
        out = Variant::scalar(target, value);
        return UaStatus::Good;
    }
    if (target == BuiltinType::String && value.typeId() == QMetaType::QString) {
        out = Variant::scalar(target, value);
        return UaStatus::Good;
    }
    if (isInteger(target) && isIntegerValue(value))
        return integerTo(target, integerOf(value), out);
    if (isReal(target) && (value.typeId() == QMetaType::Double || isIntegerValue(value))) {
        const double real = value.toDouble();
        out = target == BuiltinType::Float
                  ? Variant::scalar(target, QVariant::fromValue(float(real)))
                  : Variant::scalar(target, real);
        return UaStatus::Good;
    }
    return UaStatus::BadTypeMismatch;
}

quint32 fromVariant(const Variant &value, QMetaType::Type wanted, QVariant &out)
{
    if (value.isNull() || value.isArray())
        return UaStatus::BadTypeMismatch;
    const QVariant scalar = value.value();
    switch (wanted) {
    case QMetaType::Bool:
    case QMetaType::QString:
        if (value.type() !=
            (wanted == QMetaType::Bool ? BuiltinType::Boolean : BuiltinType::String))
            return UaStatus::BadTypeMismatch;
        out = scalar;
        return UaStatus::Good;
    case QMetaType::Short:
    case QMetaType::Int: {
        if (!isInteger(value.type()))
            return UaStatus::BadTypeMismatch;
        const BuiltinType as = wanted == QMetaType::Short ? BuiltinType::Int16 : BuiltinType::Int32;
        const Integer integer = integerOf(scalar);
        if (!fits(integer, *row(as)))
            return UaStatus::BadOutOfRange;
        out = integerAs(integer, as);
        return UaStatus::Good;
    }
    default:
        return UaStatus::BadTypeMismatch;
    }
}

} // namespace PlcValueCodec
