#pragma once

#include "BuiltinType.h"

#include <QList>
#include <QMetaType>
#include <QVariant>

class UaDecoder;
class UaEncoder;

// A value of one built-in type, a scalar or an array, or null (OPC 10000-6, 5.2.2.16).
// Each element is kept in a QVariant of the type storageType() names:
//   Boolean bool, SByte qint8, Byte quint8, Int16 qint16, UInt16 quint16, Int32 qint32,
//   UInt32 quint32, Int64 qint64, UInt64 quint64, Float float, Double double,
//   String QString, DateTime UaDateTime, Guid QUuid, ByteString and XmlElement QByteArray,
//   NodeId, ExpandedNodeId, StatusCode quint32, QualifiedName, LocalizedText,
//   ExtensionObject (its body left encoded), DataValue, Variant, DiagnosticInfo.
class Variant {
public:
    Variant() = default;

    // A scalar. A value whose QVariant type is not storageType(type), or a single Variant
    // (only arrays of Variants are allowed), gives a null Variant.
    static Variant scalar(BuiltinType type, const QVariant &value);
    // A one-dimensional array; with dimensions (two or more, multiplying to the element
    // count) the array is multi-dimensional, its elements in row-major order. Mismatching
    // element types or dimensions give a null Variant.
    static Variant array(BuiltinType type, const QVariantList &values,
                         const QList<qint32> &dimensions = {});

    BuiltinType type() const { return m_type; }
    bool isNull() const { return m_type == BuiltinType::Null; }
    bool isArray() const { return m_array; }
    qsizetype size() const { return m_values.size(); }
    // The scalar (index 0) or one element; an invalid QVariant outside the range.
    QVariant value(qsizetype index = 0) const { return m_values.value(index); }
    const QVariantList &values() const { return m_values; }
    const QList<qint32> &arrayDimensions() const { return m_dimensions; }

    bool operator==(const Variant &other) const = default;

    // What an element of the type is kept as; ids 26 to 31 are kept as QByteArray.
    static QMetaType storageType(BuiltinType type);

    // Values of the unassigned ids 26 to 31 are written as ByteStrings (id 15).
    static void encode(UaEncoder &encoder, const Variant &value);
    // Type id 0 with array bits, array dimensions on a scalar, a scalar Variant, dimensions
    // that do not match the element count: BadDecodingError. Counts as one level of nesting.
    static Variant decode(UaDecoder &decoder);

private:
    static bool holds(BuiltinType type, const QVariantList &values);
    static bool dimensionsMatch(const QList<qint32> &dimensions, qsizetype count);
    static void decodeArray(UaDecoder &decoder, Variant &into, bool withDimensions);

    BuiltinType m_type = BuiltinType::Null;
    bool m_array = false;
    QVariantList m_values;
    QList<qint32> m_dimensions;
};
