#include "UaAttributeServices.h"

#include "DiagnosticInfo.h"
#include "QualifiedName.h"
#include "UaDecoder.h"
#include "UaEncoder.h"
#include "UaServiceIds.h"

namespace {
// TimestampsToReturn Neither (OPC 10000-4, 7.40).
constexpr qint32 kTimestampsNeither = 3;

void skipDiagnostics(UaDecoder &decoder)
{
    const qint32 count = decoder.readArrayLength(1);
    for (qint32 i = 0; i < count; ++i)
        DiagnosticInfo::decode(decoder);
}
} // namespace

QByteArray ReadRequest::toBody() const
{
    UaEncoder encoder;
    NodeId::encode(encoder, NodeId::numeric(0, UaServiceId::ReadRequest));
    RequestHeader::encode(encoder, header);
    encoder.writeDouble(0);
    encoder.writeInt32(kTimestampsNeither);
    encoder.writeInt32(qint32(items.size()));
    for (const ReadItem &item : items) {
        NodeId::encode(encoder, item.nodeId);
        encoder.writeUInt32(item.attributeId);
        encoder.writeString({});
        QualifiedName::encode(encoder, QualifiedName());
    }
    return encoder.take();
}

QByteArray WriteRequest::toBody() const
{
    UaEncoder encoder;
    NodeId::encode(encoder, NodeId::numeric(0, UaServiceId::WriteRequest));
    RequestHeader::encode(encoder, header);
    encoder.writeInt32(qint32(items.size()));
    for (const WriteItem &item : items) {
        NodeId::encode(encoder, item.nodeId);
        encoder.writeUInt32(UaAttributeId::Value);
        encoder.writeString({});
        DataValue value;
        value.value = item.value;
        DataValue::encode(encoder, value);
    }
    return encoder.take();
}

ReadResponse ReadResponse::decode(UaDecoder &decoder)
{
    ReadResponse response;
    response.header = ResponseHeader::decode(decoder);
    const qint32 count = decoder.readArrayLength(1, sizeof(DataValue));
    response.results.reserve(count);
    for (qint32 i = 0; i < count && decoder.ok(); ++i)
        response.results.append(DataValue::decode(decoder));
    skipDiagnostics(decoder);
    return response;
}

WriteResponse WriteResponse::decode(UaDecoder &decoder)
{
    WriteResponse response;
    response.header = ResponseHeader::decode(decoder);
    const qint32 count = decoder.readArrayLength(4, sizeof(quint32));
    response.results.reserve(count);
    for (qint32 i = 0; i < count && decoder.ok(); ++i)
        response.results.append(decoder.readStatusCode());
    skipDiagnostics(decoder);
    return response;
}
