#pragma once

#include "StatusCodes.h"
#include "UaDateTime.h"
#include "Variant.h"

// A value with its status and timestamps (OPC 10000-6, 5.2.2.17): a mask byte, then the
// fields the mask names, in the order Value, Status, SourceTimestamp, SourcePicoseconds,
// ServerTimestamp, ServerPicoseconds. A field at its default (null Variant, Good, no time,
// 0 picoseconds) is left out.
struct DataValue {
    enum Mask : quint8 {
        HasValue = 0x01,
        HasStatus = 0x02,
        HasSourceTimestamp = 0x04,
        HasServerTimestamp = 0x08,
        HasSourcePicoseconds = 0x10,
        HasServerPicoseconds = 0x20,
    };

    Variant value;
    quint32 status = UaStatus::Good;
    UaDateTime sourceTimestamp;
    quint16 sourcePicoseconds = 0;
    UaDateTime serverTimestamp;
    quint16 serverPicoseconds = 0;

    bool operator==(const DataValue &other) const = default;

    static void encode(UaEncoder &encoder, const DataValue &value);
    // Mask bits 0x40 and 0x80 are a BadDecodingError. Counts as one level of nesting.
    static DataValue decode(UaDecoder &decoder);
};
