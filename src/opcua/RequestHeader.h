#pragma once

#include "NodeId.h"
#include "UaDateTime.h"

// The header of every service request (OPC 10000-4, 7.33; encoded in this order):
// AuthenticationToken, Timestamp, RequestHandle, ReturnDiagnostics, AuditEntryId, TimeoutHint
// and AdditionalHeader, which the client always sends as a null ExtensionObject.
struct RequestHeader {
    NodeId authenticationToken;
    UaDateTime timestamp;
    quint32 requestHandle = 0;
    quint32 returnDiagnostics = 0;
    QString auditEntryId;
    quint32 timeoutHint = 0;

    static void encode(UaEncoder &encoder, const RequestHeader &value);
};
