#pragma once

#include "StatusCodes.h"
#include "UaDateTime.h"

class UaDecoder;

// The header of every service response (OPC 10000-4, 7.34; encoded in this order):
// Timestamp, RequestHandle, ServiceResult, ServiceDiagnostics, StringTable and
// AdditionalHeader. Only what the client uses is kept; the rest is read past.
struct ResponseHeader {
    UaDateTime timestamp;
    quint32 requestHandle = 0;
    quint32 serviceResult = UaStatus::Good;

    static ResponseHeader decode(UaDecoder &decoder);
};
