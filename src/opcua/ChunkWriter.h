#pragma once

#include "StatusCodes.h"
#include "UaTcpMessages.h"

#include <QList>

// The chunks of one request, or the reason there are none.
struct WrittenChunks {
    quint32 status = UaStatus::Good;
    QList<QByteArray> chunks;
};

// Cuts an encoded request body into chunks the server accepts (OPC 10000-6, 6.7.2): each
// no larger than the server's receive buffer, with message header, SecureChannelId, security
// header (asymmetric with the None policy for OPN, the token id for MSG and CLO) and a
// sequence header with the request id. Sequence numbers start at 1 and count up by one per
// chunk; after 4294967295 comes 0, which both the legacy rule (a number below 1024 after
// one above 4294966271) and the newer one (wrap to 0) accept.
class ChunkWriter {
public:
    // peer: what the server acknowledged; a maxMessageSize or maxChunkCount of 0 means no limit.
    explicit ChunkWriter(const ChunkLimits &peer = {});

    void setLimits(const ChunkLimits &peer) { m_peer = peer; }
    // The channel and token the server assigned in its OpenSecureChannel response.
    void setSecureChannel(quint32 secureChannelId, quint32 tokenId);
    quint32 nextSequenceNumber() const { return m_nextSequenceNumber; }
    void setNextSequenceNumber(quint32 sequenceNumber) { m_nextSequenceNumber = sequenceNumber; }

    // The chunks of one message of type OPN, MSG or CLO. A body larger than the server's
    // largest message, one needing more chunks than it allows, or an OPN or CLO body that does
    // not fit one chunk gives BadRequestTooLarge and no chunks; another message type gives
    // BadTcpMessageTypeInvalid. Sequence numbers are only used up by chunks returned.
    WrittenChunks write(MessageType type, quint32 requestId, QByteArrayView body);

private:
    QByteArray securityHeader(MessageType type) const;
    quint32 checkSize(MessageType type, qsizetype bodySize, qsizetype chunkCount) const;
    QByteArray chunk(MessageType type, char chunkType, quint32 requestId,
                     const QByteArray &security, QByteArrayView part);

    ChunkLimits m_peer;
    quint32 m_secureChannelId = 0;
    quint32 m_tokenId = 0;
    quint32 m_nextSequenceNumber = 1;
};
