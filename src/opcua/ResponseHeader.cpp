#include "ResponseHeader.h"

#include "DiagnosticInfo.h"
#include "ExtensionObject.h"
#include "UaDecoder.h"

ResponseHeader ResponseHeader::decode(UaDecoder &decoder)
{
    ResponseHeader header;
    header.timestamp = decoder.readDateTime();
    header.requestHandle = decoder.readUInt32();
    header.serviceResult = decoder.readStatusCode();
    DiagnosticInfo::decode(decoder);
    const qint32 strings = decoder.readArrayLength(4);
    for (qint32 i = 0; i < strings; ++i)
        decoder.readString();
    ExtensionObject::decode(decoder);
    return header;
}
