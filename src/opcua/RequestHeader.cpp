#include "RequestHeader.h"

#include "ExtensionObject.h"
#include "UaEncoder.h"

void RequestHeader::encode(UaEncoder &encoder, const RequestHeader &value)
{
    NodeId::encode(encoder, value.authenticationToken);
    encoder.writeDateTime(value.timestamp);
    encoder.writeUInt32(value.requestHandle);
    encoder.writeUInt32(value.returnDiagnostics);
    encoder.writeString(value.auditEntryId);
    encoder.writeUInt32(value.timeoutHint);
    ExtensionObject::encode(encoder, ExtensionObject());
}
