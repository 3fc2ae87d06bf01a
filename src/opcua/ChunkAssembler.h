#pragma once

#include "StatusCodes.h"
#include "UaTcpMessages.h"

#include <QHash>
#include <QList>
#include <optional>

// One message as the client receives it.
struct ReceivedMessage {
    MessageType type = MessageType::Invalid;
    // OPN, MSG and CLO: the channel, the symmetric token (MSG and CLO) and the request.
    quint32 secureChannelId = 0;
    quint32 tokenId = 0;
    quint32 requestId = 0;
    // ACK and ERR: the fields after the header. OPN, MSG and CLO: the body of all chunks.
    QByteArray body;
    // The server gave up on the message with an 'A' chunk; abort holds its status and
    // reason, body stays empty.
    std::optional<ErrorMessage> abort;
};

// Cuts the byte stream a server sends into messages (OPC 10000-6, 6.7.2 and 7.1.2). Every
// chunk's size field is checked as soon as its header is in, before its bytes are waited
// for. OPN chunks must carry the None security policy, MSG and CLO chunks a token id; the
// sequence headers must count up by one (6.7.2.4). MSG and CLO chunks must come after the
// OPN response and name its channel. 'C' chunks are collected per request until its 'F'
// chunk, for at most kMaxPartialMessages requests at a time; an 'A' chunk drops them and
// reports the abort.
//
// A stream that breaks the rules fails for good, because nothing after it can be trusted:
//   BadTcpMessageTypeInvalid    an unknown or unexpected message type or chunk type, or a
//                               MSG or CLO chunk before the channel is open
//   BadSecureChannelIdInvalid   a MSG or CLO chunk of another channel
//   BadTcpMessageTooLarge       a chunk larger than the receive buffer
//   BadDecodingError            a size field below the header size, a truncated header or
//                               abort body
//   BadEncodingLimitsExceeded   a security header field longer than the decoder allows
//   BadSecurityPolicyRejected   an OPN chunk with another security policy
//   BadSequenceNumberInvalid    a sequence number that does not follow the previous one
//   BadResponseTooLarge         more chunks, body bytes or partial messages than the limits
//                               allow
class ChunkAssembler {
public:
    // Messages being collected at a time, one per request the client has open.
    static constexpr qsizetype kMaxPartialMessages = 16;

    // limits: what the client announced in its Hello. A zero takes the default of that field.
    explicit ChunkAssembler(const ChunkLimits &limits = {});

    // Takes the next bytes from the socket and returns the messages they complete. After a
    // failure the messages completed before it are still returned; status() tells that the
    // connection must be closed, and further bytes are ignored.
    QList<ReceivedMessage> feed(QByteArrayView bytes);

    quint32 status() const { return m_status; }
    bool ok() const { return m_status == UaStatus::Good; }
    const ChunkLimits &limits() const { return m_limits; }

private:
    struct Partial {
        QByteArray body;
        quint32 chunks = 0;
    };

    // The size of the complete chunk at offset, 0 while it is incomplete or after a failure.
    qsizetype completeChunkAt(qsizetype offset);
    quint32 checkHeader(const MessageHeader &header) const;
    void processChunk(QByteArrayView chunk, QList<ReceivedMessage> &out);
    void processSecureChunk(const MessageHeader &header, QByteArrayView chunk,
                            QList<ReceivedMessage> &out);
    bool acceptSequenceNumber(quint32 sequenceNumber);
    void addPart(ReceivedMessage &message, QByteArrayView part, bool final,
                 QList<ReceivedMessage> &out);
    void abortMessage(ReceivedMessage &message, QByteArrayView body, QList<ReceivedMessage> &out);
    void fail(quint32 status);

    ChunkLimits m_limits;
    QByteArray m_buffer;
    QHash<quint32, Partial> m_partials;
    qsizetype m_partialBytes = 0;
    std::optional<quint32> m_lastSequenceNumber;
    std::optional<quint32> m_channelId;
    quint32 m_status = UaStatus::Good;
};
