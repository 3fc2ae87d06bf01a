#pragma once

#include "DataValue.h"
#include "NodeId.h"
#include "RequestHeader.h"
#include "ResponseHeader.h"
#include "UaServiceIds.h"

#include <QByteArray>
#include <QList>

// One attribute to read (ReadValueId, OPC 10000-4, 7.29): NodeId, AttributeId, IndexRange,
// DataEncoding; the last two are sent null.
struct ReadItem {
    NodeId nodeId;
    quint32 attributeId = UaAttributeId::Value;
};

// Read (OPC 10000-4, 5.10.2), encoded with its type id: RequestHeader, MaxAge,
// TimestampsToReturn, NodesToRead. The client asks for fresh values (MaxAge 0) without
// timestamps (Neither).
struct ReadRequest {
    RequestHeader header;
    QList<ReadItem> items;

    QByteArray toBody() const;
};

// One value to write (WriteValue, 7.42): NodeId, AttributeId (Value), IndexRange (null) and a
// DataValue with the value alone, no status and no timestamps.
struct WriteItem {
    NodeId nodeId;
    Variant value;
};

// Write (OPC 10000-4, 5.10.4), encoded with its type id: RequestHeader, NodesToWrite.
struct WriteRequest {
    RequestHeader header;
    QList<WriteItem> items;

    QByteArray toBody() const;
};

// The Read response after its type id: ResponseHeader, Results (DataValue array),
// DiagnosticInfos.
struct ReadResponse {
    ResponseHeader header;
    QList<DataValue> results;

    static ReadResponse decode(UaDecoder &decoder);
};

// The Write response after its type id: ResponseHeader, Results (StatusCode array),
// DiagnosticInfos.
struct WriteResponse {
    ResponseHeader header;
    QList<quint32> results;

    static WriteResponse decode(UaDecoder &decoder);
};
