#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class UaDecoder;
class UaEncoder;

// The messages of the OPC UA Connection Protocol (OPC 10000-6, 7.1) and the message types of
// OPC UA Secure Conversation (6.7.2) that share its 8-byte header: a three-letter type, one
// reserved or chunk-type byte and the message size (UInt32, header included).
enum class MessageType : quint8 {
    Hello,              // HEL
    Acknowledge,        // ACK
    Error,              // ERR
    ReverseHello,       // RHE
    OpenSecureChannel,  // OPN
    Message,            // MSG
    CloseSecureChannel, // CLO
    Invalid,
};

namespace UaTcp {
inline constexpr qsizetype kHeaderSize = 8;
// Message header plus SecureChannelId.
inline constexpr qsizetype kSecureHeaderSize = 12;
inline constexpr qsizetype kSequenceHeaderSize = 8;
// The smallest buffer a peer may announce without an ECC security policy (7.1.2.3).
inline constexpr quint32 kMinBufferSize = 8192;
// Reasons and endpoint URLs longer than this many bytes are not accepted (7.1.2.3, 7.1.2.5).
inline constexpr qint32 kMaxReasonLength = 4096;
inline constexpr qint32 kMaxEndpointUrlLength = 4096;
inline constexpr quint32 kProtocolVersion = 0;
// With LegacySequenceNumbers a sequence number wraps only above UInt32.MaxValue - 1024, to a
// number below 1024 (6.7.2.4).
inline constexpr quint32 kLegacyWrapLimit = 4294966271u;
inline constexpr quint32 kLegacyWrapTarget = 1024;

// "http://opcfoundation.org/UA/SecurityPolicy#None".
QString securityPolicyNone();

// The type named by a header's first three bytes; Invalid for anything else.
MessageType messageType(QByteArrayView code);
QByteArray messageTypeCode(MessageType type);

// Whether next may follow previous on a channel: exactly one more, or after a number above
// kLegacyWrapLimit any number below 1024.
bool sequenceNumberFollows(quint32 previous, quint32 next);

// A whole message: header ('F' as its fourth byte) and body.
QByteArray frame(MessageType type, QByteArrayView body);
} // namespace UaTcp

// Chunk and message sizes one side accepts, as a Hello or Acknowledge announces them: the
// largest chunk (ReceiveBufferSize), the largest message body and the most chunks.
struct ChunkLimits {
    quint32 bufferSize = 65536;
    quint32 maxMessageSize = 2 * 1024 * 1024;
    quint32 maxChunkCount = 32;
};

// The 8-byte header of every message and chunk.
struct MessageHeader {
    MessageType type = MessageType::Invalid;
    char chunkType = 'F';
    quint32 size = 0;

    void encode(UaEncoder &encoder) const;
    // Reads the header from the first kHeaderSize bytes of data, which must be there.
    static MessageHeader decode(QByteArrayView data);
};

// HEL: what the client offers (7.1.2.3).
struct HelloMessage {
    quint32 protocolVersion = UaTcp::kProtocolVersion;
    quint32 receiveBufferSize = 65536;
    quint32 sendBufferSize = 65536;
    quint32 maxMessageSize = 16 * 1024 * 1024;
    quint32 maxChunkCount = 256;
    QString endpointUrl;

    bool operator==(const HelloMessage &other) const = default;

    // The whole HEL message; empty when the endpoint URL is longer than 4096 bytes.
    QByteArray toMessage() const;
    static void encode(UaEncoder &encoder, const HelloMessage &value);
    // The fields after the header. A URL longer than 4096 bytes: BadEncodingLimitsExceeded.
    static HelloMessage decode(UaDecoder &decoder);
};

// ACK: what the server grants (7.1.2.4).
struct AcknowledgeMessage {
    quint32 protocolVersion = UaTcp::kProtocolVersion;
    quint32 receiveBufferSize = 65536;
    quint32 sendBufferSize = 65536;
    quint32 maxMessageSize = 0;
    quint32 maxChunkCount = 0;

    bool operator==(const AcknowledgeMessage &other) const = default;

    QByteArray toMessage() const;
    static void encode(UaEncoder &encoder, const AcknowledgeMessage &value);
    static AcknowledgeMessage decode(UaDecoder &decoder);
};

// ERR, and the body of an aborted chunk (7.1.2.5, 6.7.3): a status code and a reason.
struct ErrorMessage {
    quint32 error = 0;
    QString reason;

    bool operator==(const ErrorMessage &other) const = default;

    QByteArray toMessage() const;
    static void encode(UaEncoder &encoder, const ErrorMessage &value);
    // A reason longer than 4096 bytes is ignored (read past and left null), as a client shall.
    static ErrorMessage decode(UaDecoder &decoder);
};
