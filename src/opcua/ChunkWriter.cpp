#include "ChunkWriter.h"

#include "UaEncoder.h"

ChunkWriter::ChunkWriter(const ChunkLimits &peer)
    : m_peer(peer)
{
}

void ChunkWriter::setSecureChannel(quint32 secureChannelId, quint32 tokenId)
{
    m_secureChannelId = secureChannelId;
    m_tokenId = tokenId;
}

WrittenChunks ChunkWriter::write(MessageType type, quint32 requestId, QByteArrayView body)
{
    if (type != MessageType::OpenSecureChannel && type != MessageType::Message &&
        type != MessageType::CloseSecureChannel)
        return {UaStatus::BadTcpMessageTypeInvalid, {}};
    const QByteArray security = securityHeader(type);
    const qsizetype overhead =
        UaTcp::kSecureHeaderSize + security.size() + UaTcp::kSequenceHeaderSize;
    const qsizetype capacity = qsizetype(m_peer.bufferSize) - overhead;
    if (capacity <= 0)
        return {UaStatus::BadRequestTooLarge, {}};
    const qsizetype count = qMax<qsizetype>(1, (body.size() + capacity - 1) / capacity);
    if (const quint32 status = checkSize(type, body.size(), count))
        return {status, {}};
    WrittenChunks written;
    for (qsizetype i = 0; i < count; ++i) {
        const char chunkType = i + 1 == count ? 'F' : 'C';
        const QByteArrayView part =
            body.sliced(i * capacity, qMin(capacity, body.size() - i * capacity));
        written.chunks.append(chunk(type, chunkType, requestId, security, part));
    }
    return written;
}

QByteArray ChunkWriter::securityHeader(MessageType type) const
{
    UaEncoder encoder;
    if (type == MessageType::OpenSecureChannel) {
        // Asymmetric header of the None policy: no certificate, no thumbprint.
        encoder.writeString(UaTcp::securityPolicyNone());
        encoder.writeByteString({});
        encoder.writeByteString({});
    } else {
        encoder.writeUInt32(m_tokenId);
    }
    return encoder.take();
}

quint32 ChunkWriter::checkSize(MessageType type, qsizetype bodySize, qsizetype chunkCount) const
{
    if (type != MessageType::Message && chunkCount > 1)
        return UaStatus::BadRequestTooLarge;
    if (m_peer.maxMessageSize != 0 && bodySize > qsizetype(m_peer.maxMessageSize))
        return UaStatus::BadRequestTooLarge;
    if (m_peer.maxChunkCount != 0 && chunkCount > qsizetype(m_peer.maxChunkCount))
        return UaStatus::BadRequestTooLarge;
    return UaStatus::Good;
}

QByteArray ChunkWriter::chunk(MessageType type, char chunkType, quint32 requestId,
                              const QByteArray &security, QByteArrayView part)
{
    UaEncoder encoder;
    const quint32 size = quint32(UaTcp::kSecureHeaderSize + security.size() +
                                 UaTcp::kSequenceHeaderSize + part.size());
    MessageHeader{type, chunkType, size}.encode(encoder);
    encoder.writeUInt32(m_secureChannelId);
    encoder.writeBytes(security);
    encoder.writeUInt32(m_nextSequenceNumber++);
    encoder.writeUInt32(requestId);
    encoder.writeBytes(part);
    return encoder.take();
}
