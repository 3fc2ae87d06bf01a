#include "UaChannelServices.h"

#include "UaDecoder.h"
#include "UaEncoder.h"
#include "UaServiceIds.h"

namespace {
// MessageSecurityMode None (OPC 10000-4, 7.20).
constexpr qint32 kSecurityModeNone = 1;
} // namespace

QByteArray OpenSecureChannelRequest::toBody() const
{
    UaEncoder encoder;
    NodeId::encode(encoder, NodeId::numeric(0, UaServiceId::OpenSecureChannelRequest));
    RequestHeader::encode(encoder, header);
    encoder.writeUInt32(clientProtocolVersion);
    encoder.writeInt32(requestType);
    encoder.writeInt32(kSecurityModeNone);
    encoder.writeByteString({});
    encoder.writeUInt32(requestedLifetime);
    return encoder.take();
}

OpenSecureChannelResponse OpenSecureChannelResponse::decode(UaDecoder &decoder)
{
    OpenSecureChannelResponse response;
    response.header = ResponseHeader::decode(decoder);
    response.serverProtocolVersion = decoder.readUInt32();
    response.token.channelId = decoder.readUInt32();
    response.token.tokenId = decoder.readUInt32();
    response.token.createdAt = decoder.readDateTime();
    response.token.revisedLifetime = decoder.readUInt32();
    decoder.readByteString();
    return response;
}

QByteArray closeSecureChannelBody(const RequestHeader &header)
{
    UaEncoder encoder;
    NodeId::encode(encoder, NodeId::numeric(0, UaServiceId::CloseSecureChannelRequest));
    RequestHeader::encode(encoder, header);
    return encoder.take();
}
