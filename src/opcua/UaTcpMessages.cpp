#include "UaTcpMessages.h"

#include "StatusCodes.h"
#include "UaDecoder.h"
#include "UaEncoder.h"

#include <QtEndian>

namespace {
struct TypeCode {
    MessageType type;
    const char *code;
};

constexpr TypeCode kTypeCodes[] = {
    {MessageType::Hello, "HEL"},
    {MessageType::Acknowledge, "ACK"},
    {MessageType::Error, "ERR"},
    {MessageType::ReverseHello, "RHE"},
    {MessageType::OpenSecureChannel, "OPN"},
    {MessageType::Message, "MSG"},
    {MessageType::CloseSecureChannel, "CLO"},
};
} // namespace

QString UaTcp::securityPolicyNone()
{
    return QStringLiteral("http://opcfoundation.org/UA/SecurityPolicy#None");
}

MessageType UaTcp::messageType(QByteArrayView code)
{
    for (const TypeCode &entry : kTypeCodes) {
        if (code == QByteArrayView(entry.code))
            return entry.type;
    }
    return MessageType::Invalid;
}

QByteArray UaTcp::messageTypeCode(MessageType type)
{
    for (const TypeCode &entry : kTypeCodes) {
        if (entry.type == type)
            return QByteArray(entry.code);
    }
    return {};
}

bool UaTcp::sequenceNumberFollows(quint32 previous, quint32 next)
{
    if (previous > kLegacyWrapLimit)
        return next < kLegacyWrapTarget || next == previous + 1;
    return next == previous + 1;
}

QByteArray UaTcp::frame(MessageType type, QByteArrayView body)
{
    UaEncoder encoder;
    MessageHeader{type, 'F', quint32(kHeaderSize + body.size())}.encode(encoder);
    encoder.writeBytes(body);
    return encoder.take();
}

void MessageHeader::encode(UaEncoder &encoder) const
{
    encoder.writeBytes(UaTcp::messageTypeCode(type));
    encoder.writeByte(quint8(chunkType));
    encoder.writeUInt32(size);
}

MessageHeader MessageHeader::decode(QByteArrayView data)
{
    Q_ASSERT(data.size() >= UaTcp::kHeaderSize);
    return {UaTcp::messageType(data.first(3)), data[3],
            qFromLittleEndian<quint32>(data.data() + 4)};
}

QByteArray HelloMessage::toMessage() const
{
    if (endpointUrl.toUtf8().size() > UaTcp::kMaxEndpointUrlLength)
        return {};
    UaEncoder body;
    encode(body, *this);
    return UaTcp::frame(MessageType::Hello, body.data());
}

void HelloMessage::encode(UaEncoder &encoder, const HelloMessage &value)
{
    encoder.writeUInt32(value.protocolVersion);
    encoder.writeUInt32(value.receiveBufferSize);
    encoder.writeUInt32(value.sendBufferSize);
    encoder.writeUInt32(value.maxMessageSize);
    encoder.writeUInt32(value.maxChunkCount);
    encoder.writeString(value.endpointUrl);
}

HelloMessage HelloMessage::decode(UaDecoder &decoder)
{
    HelloMessage value;
    value.protocolVersion = decoder.readUInt32();
    value.receiveBufferSize = decoder.readUInt32();
    value.sendBufferSize = decoder.readUInt32();
    value.maxMessageSize = decoder.readUInt32();
    value.maxChunkCount = decoder.readUInt32();
    value.endpointUrl = decoder.readString(UaTcp::kMaxEndpointUrlLength);
    return decoder.ok() ? value : HelloMessage();
}

QByteArray AcknowledgeMessage::toMessage() const
{
    UaEncoder body;
    encode(body, *this);
    return UaTcp::frame(MessageType::Acknowledge, body.data());
}

void AcknowledgeMessage::encode(UaEncoder &encoder, const AcknowledgeMessage &value)
{
    encoder.writeUInt32(value.protocolVersion);
    encoder.writeUInt32(value.receiveBufferSize);
    encoder.writeUInt32(value.sendBufferSize);
    encoder.writeUInt32(value.maxMessageSize);
    encoder.writeUInt32(value.maxChunkCount);
}

AcknowledgeMessage AcknowledgeMessage::decode(UaDecoder &decoder)
{
    AcknowledgeMessage value;
    value.protocolVersion = decoder.readUInt32();
    value.receiveBufferSize = decoder.readUInt32();
    value.sendBufferSize = decoder.readUInt32();
    value.maxMessageSize = decoder.readUInt32();
    value.maxChunkCount = decoder.readUInt32();
    return decoder.ok() ? value : AcknowledgeMessage();
}

QByteArray ErrorMessage::toMessage() const
{
    UaEncoder body;
    encode(body, *this);
    return UaTcp::frame(MessageType::Error, body.data());
}

void ErrorMessage::encode(UaEncoder &encoder, const ErrorMessage &value)
{
    encoder.writeStatusCode(value.error);
    encoder.writeString(value.reason);
}

ErrorMessage ErrorMessage::decode(UaDecoder &decoder)
{
    ErrorMessage value;
    value.error = decoder.readStatusCode();
    // A String and a ByteString look alike on the wire; reading the reason as bytes first
    // lets an over-long one be passed over instead of failing the message.
    const QByteArray reason = decoder.readByteString();
    if (!reason.isNull() && reason.size() <= UaTcp::kMaxReasonLength)
        value.reason = reason.isEmpty() ? QStringLiteral("") : QString::fromUtf8(reason);
    return decoder.ok() ? value : ErrorMessage();
}
