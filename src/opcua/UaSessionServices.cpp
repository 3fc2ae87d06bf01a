#include "UaSessionServices.h"

#include "ExtensionObject.h"
#include "LocalizedText.h"
#include "UaDecoder.h"
#include "UaEncoder.h"
#include "UaServiceIds.h"
#include "UaTcpMessages.h"

namespace {
// ApplicationType Client (OPC 10000-4, 7.2).
constexpr qint32 kApplicationTypeClient = 1;

void writeNullSignature(UaEncoder &encoder)
{
    // SignatureData (7.38): Algorithm, Signature.
    encoder.writeString({});
    encoder.writeByteString({});
}

void skipApplicationDescription(UaDecoder &decoder)
{
    // ApplicationDescription (7.2): ApplicationUri, ProductUri, ApplicationName,
    // ApplicationType, GatewayServerUri, DiscoveryProfileUri, DiscoveryUrls.
    decoder.readString();
    decoder.readString();
    LocalizedText::decode(decoder);
    decoder.readInt32();
    decoder.readString();
    decoder.readString();
    const qint32 urls = decoder.readArrayLength(4);
    for (qint32 i = 0; i < urls; ++i)
        decoder.readString();
}

// EndpointDescription (7.14): EndpointUrl, Server, ServerCertificate, SecurityMode,
// SecurityPolicyUri, UserIdentityTokens, TransportProfileUri, SecurityLevel.
void readEndpoint(UaDecoder &decoder, QList<UserTokenOffer> &offers)
{
    decoder.readString();
    skipApplicationDescription(decoder);
    decoder.readByteString();
    decoder.readInt32();
    const QString policy = decoder.readString();
    const qint32 tokens = decoder.readArrayLength(20, sizeof(UserTokenOffer));
    for (qint32 i = 0; i < tokens && decoder.ok(); ++i) {
        // UserTokenPolicy (7.41): PolicyId, TokenType, IssuedTokenType, IssuerEndpointUrl,
        // SecurityPolicyUri.
        UserTokenOffer offer;
        offer.endpointSecurityPolicyUri = policy;
        offer.policyId = decoder.readString();
        offer.tokenType = decoder.readInt32();
        decoder.readString();
        decoder.readString();
        decoder.readString();
        offers.append(offer);
    }
    decoder.readString();
    decoder.readByte();
}
} // namespace

QByteArray CreateSessionRequest::toBody() const
{
    UaEncoder encoder;
    NodeId::encode(encoder, NodeId::numeric(0, UaServiceId::CreateSessionRequest));
    RequestHeader::encode(encoder, header);
    encoder.writeString(applicationUri);
    encoder.writeString(productUri);
    LocalizedText::encode(encoder, LocalizedText{{}, applicationName});
    encoder.writeInt32(kApplicationTypeClient);
    encoder.writeString({});
    encoder.writeString({});
    encoder.writeInt32(-1);
    encoder.writeString({}); // ServerUri
    encoder.writeString(endpointUrl);
    encoder.writeString(sessionName);
    encoder.writeByteString(clientNonce);
    encoder.writeByteString({});
    encoder.writeDouble(requestedSessionTimeout);
    encoder.writeUInt32(maxResponseMessageSize);
    return encoder.take();
}

CreateSessionResponse CreateSessionResponse::decode(UaDecoder &decoder)
{
    CreateSessionResponse response;
    response.header = ResponseHeader::decode(decoder);
    response.sessionId = NodeId::decode(decoder);
    response.authenticationToken = NodeId::decode(decoder);
    response.revisedSessionTimeout = decoder.readDouble();
    decoder.readByteString();
    decoder.readByteString();
    const qint32 endpoints = decoder.readArrayLength(20);
    for (qint32 i = 0; i < endpoints && decoder.ok(); ++i)
        readEndpoint(decoder, response.userTokens);
    const qint32 certificates = decoder.readArrayLength(8);
    for (qint32 i = 0; i < certificates; ++i) {
        decoder.readByteString();
        decoder.readByteString();
    }
    decoder.readString();
    decoder.readByteString();
    response.maxRequestMessageSize = decoder.readUInt32();
    return response;
}

QString CreateSessionResponse::anonymousPolicyId() const
{
    for (const UserTokenOffer &offer : userTokens) {
        if (offer.tokenType == 0 && offer.endpointSecurityPolicyUri == UaTcp::securityPolicyNone())
            return offer.policyId.isNull() ? QStringLiteral("") : offer.policyId;
    }
    return {};
}

QByteArray ActivateSessionRequest::toBody() const
{
    UaEncoder token;
    token.writeString(anonymousPolicyId);
    ExtensionObject identity;
    identity.typeId = NodeId::numeric(0, UaServiceId::AnonymousIdentityToken);
    identity.encoding = ExtensionObject::BodyEncoding::Binary;
    identity.body = token.take();

    UaEncoder encoder;
    NodeId::encode(encoder, NodeId::numeric(0, UaServiceId::ActivateSessionRequest));
    RequestHeader::encode(encoder, header);
    writeNullSignature(encoder);
    encoder.writeInt32(-1); // ClientSoftwareCertificates
    encoder.writeInt32(-1); // LocaleIds
    ExtensionObject::encode(encoder, identity);
    writeNullSignature(encoder);
    return encoder.take();
}

QByteArray closeSessionBody(const RequestHeader &header, bool deleteSubscriptions)
{
    UaEncoder encoder;
    NodeId::encode(encoder, NodeId::numeric(0, UaServiceId::CloseSessionRequest));
    RequestHeader::encode(encoder, header);
    encoder.writeBoolean(deleteSubscriptions);
    return encoder.take();
}
