#pragma once

#include <QtGlobal>

// The built-in data types of OPC UA with their numeric ids (OPC 10000-6, 5.1.2, Table 1).
// The id is what a Variant's encoding mask carries in its low six bits; ids 26 to 31 are
// unassigned and their values are ByteStrings (5.2.2.16).
enum class BuiltinType : quint8 {
    Null = 0,
    Boolean = 1,
    SByte = 2,
    Byte = 3,
    Int16 = 4,
    UInt16 = 5,
    Int32 = 6,
    UInt32 = 7,
    Int64 = 8,
    UInt64 = 9,
    Float = 10,
    Double = 11,
    String = 12,
    DateTime = 13,
    Guid = 14,
    ByteString = 15,
    XmlElement = 16,
    NodeId = 17,
    ExpandedNodeId = 18,
    StatusCode = 19,
    QualifiedName = 20,
    LocalizedText = 21,
    ExtensionObject = 22,
    DataValue = 23,
    Variant = 24,
    DiagnosticInfo = 25,
};
