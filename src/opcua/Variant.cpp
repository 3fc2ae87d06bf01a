#include "Variant.h"

#include "DataValue.h"
#include "DiagnosticInfo.h"
#include "ExpandedNodeId.h"
#include "ExtensionObject.h"
#include "LocalizedText.h"
#include "NodeId.h"
#include "QualifiedName.h"
#include "StatusCodes.h"
#include "UaDateTime.h"
#include "UaDecoder.h"
#include "UaEncoder.h"

#include <QUuid>

namespace {
constexpr quint8 kTypeBits = 0x3F;
constexpr quint8 kDimensionsBit = 0x40;
constexpr quint8 kArrayBit = 0x80;

// Ids 26 to 31 are not assigned yet; their values are ByteStrings (OPC 10000-6, 5.2.2.16).
BuiltinType elementTypeOf(BuiltinType type)
{
    return quint8(type) > quint8(BuiltinType::DiagnosticInfo) ? BuiltinType::ByteString : type;
}

// What one decoded element holds in memory: its QVariant, and for the structured types the
// copy QVariant keeps on the heap (with the shared header and the allocator's own). A NodeId
// is two bytes on the wire and well over a hundred in memory, so an array of them is charged
// what it really takes. Variant, DataValue, DiagnosticInfo and ExtensionObject charge their
// own size as they are decoded (UaDecoder::Nesting); only the heap block is added here.
qint64 heldSize(BuiltinType type)
{
    constexpr qint64 kSlot = sizeof(QVariant);
    constexpr qint64 kHeapBlock = 32;
    switch (type) {
    case BuiltinType::NodeId:
        return kSlot + kHeapBlock + sizeof(NodeId);
    case BuiltinType::ExpandedNodeId:
        return kSlot + kHeapBlock + sizeof(ExpandedNodeId);
    case BuiltinType::QualifiedName:
        return kSlot + kHeapBlock + sizeof(QualifiedName);
    case BuiltinType::LocalizedText:
        return kSlot + kHeapBlock + sizeof(LocalizedText);
    case BuiltinType::ExtensionObject:
    case BuiltinType::DataValue:
    case BuiltinType::Variant:
    case BuiltinType::DiagnosticInfo:
        return kSlot + kHeapBlock;
    default:
        return kSlot;
    }
}

// The fewest bytes one encoded element takes, so that an array count is checked against the
// bytes left before anything is reserved.
qsizetype minimumSize(BuiltinType type)
{
    switch (type) {
    case BuiltinType::Int16:
    case BuiltinType::UInt16:
    case BuiltinType::NodeId:
    case BuiltinType::ExpandedNodeId:
        return 2;
    case BuiltinType::ExtensionObject:
        return 3;
    case BuiltinType::Int32:
    case BuiltinType::UInt32:
    case BuiltinType::Float:
    case BuiltinType::String:
    case BuiltinType::ByteString:
    case BuiltinType::XmlElement:
    case BuiltinType::StatusCode:
        return 4;
    case BuiltinType::QualifiedName:
        return 6;
    case BuiltinType::Int64:
    case BuiltinType::UInt64:
    case BuiltinType::Double:
    case BuiltinType::DateTime:
        return 8;
    case BuiltinType::Guid:
        return 16;
    default:
        return 1;
    }
}

QVariant decodeElement(UaDecoder &d, BuiltinType type)
{
    switch (type) {
    case BuiltinType::Boolean:
        return d.readBoolean();
    case BuiltinType::SByte:
        return QVariant::fromValue(d.readSByte());
    case BuiltinType::Byte:
        return QVariant::fromValue(d.readByte());
    case BuiltinType::Int16:
        return QVariant::fromValue(d.readInt16());
    case BuiltinType::UInt16:
        return QVariant::fromValue(d.readUInt16());
    case BuiltinType::Int32:
        return QVariant::fromValue(d.readInt32());
    case BuiltinType::UInt32:
        return QVariant::fromValue(d.readUInt32());
    case BuiltinType::Int64:
        return QVariant::fromValue(d.readInt64());
    case BuiltinType::UInt64:
        return QVariant::fromValue(d.readUInt64());
    case BuiltinType::Float:
        return QVariant::fromValue(d.readFloat());
    case BuiltinType::Double:
        return QVariant::fromValue(d.readDouble());
    case BuiltinType::String:
        return d.readString();
    case BuiltinType::DateTime:
        return QVariant::fromValue(d.readDateTime());
    case BuiltinType::Guid:
        return QVariant::fromValue(d.readGuid());
    case BuiltinType::ByteString:
    case BuiltinType::XmlElement:
        return d.readByteString();
    case BuiltinType::NodeId:
        return QVariant::fromValue(NodeId::decode(d));
    case BuiltinType::ExpandedNodeId:
        return QVariant::fromValue(ExpandedNodeId::decode(d));
    case BuiltinType::StatusCode:
        return QVariant::fromValue(d.readStatusCode());
    case BuiltinType::QualifiedName:
        return QVariant::fromValue(QualifiedName::decode(d));
    case BuiltinType::LocalizedText:
        return QVariant::fromValue(LocalizedText::decode(d));
    case BuiltinType::ExtensionObject:
        return QVariant::fromValue(ExtensionObject::decode(d));
    case BuiltinType::DataValue:
        return QVariant::fromValue(DataValue::decode(d));
    case BuiltinType::Variant:
        return QVariant::fromValue(Variant::decode(d));
    case BuiltinType::DiagnosticInfo:
        return QVariant::fromValue(DiagnosticInfo::decode(d));
    case BuiltinType::Null:
        break;
    }
    d.fail(UaStatus::BadDecodingError);
    return {};
}

void encodeElement(UaEncoder &e, BuiltinType type, const QVariant &v)
{
    switch (type) {
    case BuiltinType::Boolean:
        return e.writeBoolean(v.value<bool>());
    case BuiltinType::SByte:
        return e.writeSByte(v.value<qint8>());
    case BuiltinType::Byte:
        return e.writeByte(v.value<quint8>());
    case BuiltinType::Int16:
        return e.writeInt16(v.value<qint16>());
    case BuiltinType::UInt16:
        return e.writeUInt16(v.value<quint16>());
    case BuiltinType::Int32:
        return e.writeInt32(v.value<qint32>());
    case BuiltinType::UInt32:
        return e.writeUInt32(v.value<quint32>());
    case BuiltinType::Int64:
        return e.writeInt64(v.value<qint64>());
    case BuiltinType::UInt64:
        return e.writeUInt64(v.value<quint64>());
    case BuiltinType::Float:
        return e.writeFloat(v.value<float>());
    case BuiltinType::Double:
        return e.writeDouble(v.value<double>());
    case BuiltinType::String:
        return e.writeString(v.value<QString>());
    case BuiltinType::DateTime:
        return e.writeDateTime(v.value<UaDateTime>());
    case BuiltinType::Guid:
        return e.writeGuid(v.value<QUuid>());
    case BuiltinType::ByteString:
    case BuiltinType::XmlElement:
        return e.writeByteString(v.value<QByteArray>());
    case BuiltinType::NodeId:
        return NodeId::encode(e, v.value<NodeId>());
    case BuiltinType::ExpandedNodeId:
        return ExpandedNodeId::encode(e, v.value<ExpandedNodeId>());
    case BuiltinType::StatusCode:
        return e.writeStatusCode(v.value<quint32>());
    case BuiltinType::QualifiedName:
        return QualifiedName::encode(e, v.value<QualifiedName>());
    case BuiltinType::LocalizedText:
        return LocalizedText::encode(e, v.value<LocalizedText>());
    case BuiltinType::ExtensionObject:
        return ExtensionObject::encode(e, v.value<ExtensionObject>());
    case BuiltinType::DataValue:
        return DataValue::encode(e, v.value<DataValue>());
    case BuiltinType::Variant:
        return Variant::encode(e, v.value<Variant>());
    case BuiltinType::DiagnosticInfo:
        return DiagnosticInfo::encode(e, v.value<DiagnosticInfo>());
    case BuiltinType::Null:
        return;
    }
}
} // namespace

QMetaType Variant::storageType(BuiltinType type)
{
    switch (elementTypeOf(type)) {
    case BuiltinType::Null:
        return {};
    case BuiltinType::Boolean:
        return QMetaType::fromType<bool>();
    case BuiltinType::SByte:
        return QMetaType::fromType<qint8>();
    case BuiltinType::Byte:
        return QMetaType::fromType<quint8>();
    case BuiltinType::Int16:
        return QMetaType::fromType<qint16>();
    case BuiltinType::UInt16:
        return QMetaType::fromType<quint16>();
    case BuiltinType::Int32:
        return QMetaType::fromType<qint32>();
    case BuiltinType::UInt32:
    case BuiltinType::StatusCode:
        return QMetaType::fromType<quint32>();
    case BuiltinType::Int64:
        return QMetaType::fromType<qint64>();
    case BuiltinType::UInt64:
        return QMetaType::fromType<quint64>();
    case BuiltinType::Float:
        return QMetaType::fromType<float>();
    case BuiltinType::Double:
        return QMetaType::fromType<double>();
    case BuiltinType::String:
        return QMetaType::fromType<QString>();
    case BuiltinType::DateTime:
        return QMetaType::fromType<UaDateTime>();
    case BuiltinType::Guid:
        return QMetaType::fromType<QUuid>();
    case BuiltinType::ByteString:
    case BuiltinType::XmlElement:
        return QMetaType::fromType<QByteArray>();
    case BuiltinType::NodeId:
        return QMetaType::fromType<NodeId>();
    case BuiltinType::ExpandedNodeId:
        return QMetaType::fromType<ExpandedNodeId>();
    case BuiltinType::QualifiedName:
        return QMetaType::fromType<QualifiedName>();
    case BuiltinType::LocalizedText:
        return QMetaType::fromType<LocalizedText>();
    case BuiltinType::ExtensionObject:
        return QMetaType::fromType<ExtensionObject>();
    case BuiltinType::DataValue:
        return QMetaType::fromType<DataValue>();
    case BuiltinType::Variant:
        return QMetaType::fromType<Variant>();
    case BuiltinType::DiagnosticInfo:
        return QMetaType::fromType<DiagnosticInfo>();
    }
    return {};
}

bool Variant::holds(BuiltinType type, const QVariantList &values)
{
    const QMetaType expected = storageType(type);
    if (!expected.isValid())
        return false;
    for (const QVariant &v : values) {
        if (v.metaType() != expected)
            return false;
    }
    return true;
}

bool Variant::dimensionsMatch(const QList<qint32> &dimensions, qsizetype count)
{
    if (dimensions.isEmpty())
        return true;
    if (dimensions.size() < 2)
        return false;
    // A dimension of length 0 or less makes the whole array empty (OPC 10000-6, 5.2.2.16).
    for (const qint32 length : dimensions) {
        if (length <= 0)
            return count == 0;
    }
    qint64 product = 1;
    for (const qint32 length : dimensions) {
        product *= length;
        if (product > count)
            return false;
    }
    return product == count;
}

Variant Variant::scalar(BuiltinType type, const QVariant &value)
{
    Variant v;
    // A Variant may hold an array of Variants, never a single one (OPC 10000-6, 5.2.2.16).
    if (type == BuiltinType::Variant || !holds(type, {value}))
        return v;
    v.m_type = type;
    v.m_values = {value};
    return v;
}

Variant Variant::array(BuiltinType type, const QVariantList &values,
                       const QList<qint32> &dimensions)
{
    Variant v;
    if (!holds(type, values) || !dimensionsMatch(dimensions, values.size()))
        return v;
    v.m_type = type;
    v.m_array = true;
    v.m_values = values;
    v.m_dimensions = dimensions;
    return v;
}

void Variant::encode(UaEncoder &encoder, const Variant &value)
{
    if (value.isNull()) {
        encoder.writeByte(0);
        return;
    }
    // Encoders shall not use the unassigned ids: their ByteStrings go out as ByteStrings.
    const BuiltinType elementType = elementTypeOf(value.m_type);
    const bool withDimensions = !value.m_dimensions.isEmpty();
    encoder.writeByte(quint8(elementType) | (value.m_array ? kArrayBit : 0) |
                      (withDimensions ? kDimensionsBit : 0));
    if (value.m_array)
        encoder.writeInt32(qint32(value.m_values.size()));
    for (const QVariant &element : value.m_values)
        encodeElement(encoder, elementType, element);
    if (withDimensions) {
        encoder.writeInt32(qint32(value.m_dimensions.size()));
        for (const qint32 length : value.m_dimensions)
            encoder.writeInt32(length);
    }
}

Variant Variant::decode(UaDecoder &decoder)
{
    const UaDecoder::Nesting level(decoder);
    const quint8 mask = decoder.readByte();
    if (!decoder.ok() || mask == 0)
        return {};
    const quint8 typeId = mask & kTypeBits;
    const bool isArray = mask & kArrayBit;
    const bool withDimensions = mask & kDimensionsBit;
    const bool scalarVariant = !isArray && typeId == quint8(BuiltinType::Variant);
    if (typeId == 0 || (withDimensions && !isArray) || scalarVariant) {
        decoder.fail(UaStatus::BadDecodingError);
        return {};
    }
    Variant v;
    v.m_type = BuiltinType(typeId);
    v.m_array = isArray;
    if (isArray)
        decodeArray(decoder, v, withDimensions);
    else
        v.m_values.append(decodeElement(decoder, elementTypeOf(v.m_type)));
    return decoder.ok() ? v : Variant();
}

void Variant::decodeArray(UaDecoder &decoder, Variant &into, bool withDimensions)
{
    const BuiltinType elementType = elementTypeOf(into.m_type);
    const qint32 count = decoder.readArrayLength(minimumSize(elementType), heldSize(elementType));
    if (!decoder.ok())
        return;
    into.m_values.reserve(count);
    for (qint32 i = 0; i < count && decoder.ok(); ++i)
        into.m_values.append(decodeElement(decoder, elementType));
    if (!withDimensions)
        return;
    const qint32 rank = decoder.readArrayLength(4, sizeof(qint32));
    into.m_dimensions.reserve(rank);
    for (qint32 i = 0; i < rank && decoder.ok(); ++i)
        into.m_dimensions.append(decoder.readInt32());
    if (decoder.ok() && !dimensionsMatch(into.m_dimensions, into.m_values.size()))
        decoder.fail(UaStatus::BadDecodingError);
}
