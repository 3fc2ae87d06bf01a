#include "ChunkAssembler.h"

#include "UaDecoder.h"

namespace {
ChunkLimits withDefaults(const ChunkLimits &limits)
{
    const ChunkLimits defaults;
    return {limits.bufferSize ? limits.bufferSize : defaults.bufferSize,
            limits.maxMessageSize ? limits.maxMessageSize : defaults.maxMessageSize,
            limits.maxChunkCount ? limits.maxChunkCount : defaults.maxChunkCount};
}

bool isSecure(MessageType type)
{
    return type == MessageType::OpenSecureChannel || type == MessageType::Message ||
           type == MessageType::CloseSecureChannel;
}
} // namespace

ChunkAssembler::ChunkAssembler(const ChunkLimits &limits)
    : m_limits(withDefaults(limits))
{
}

QList<ReceivedMessage> ChunkAssembler::feed(QByteArrayView bytes)
{
    QList<ReceivedMessage> out;
    if (!ok())
        return out;
    m_buffer.append(bytes);
    qsizetype offset = 0;
    while (const qsizetype size = completeChunkAt(offset)) {
        processChunk(QByteArrayView(m_buffer).sliced(offset, size), out);
        offset += size;
        if (!ok())
            break;
    }
    m_buffer.remove(0, offset);
    return out;
}

qsizetype ChunkAssembler::completeChunkAt(qsizetype offset)
{
    if (!ok() || m_buffer.size() - offset < UaTcp::kHeaderSize)
        return 0;
    const MessageHeader header = MessageHeader::decode(QByteArrayView(m_buffer).sliced(offset));
    if (const quint32 status = checkHeader(header)) {
        fail(status);
        return 0;
    }
    return m_buffer.size() - offset >= qsizetype(header.size) ? qsizetype(header.size) : 0;
}

quint32 ChunkAssembler::checkHeader(const MessageHeader &header) const
{
    const bool fromServer = header.type == MessageType::Acknowledge ||
                            header.type == MessageType::Error || isSecure(header.type);
    if (!fromServer)
        return UaStatus::BadTcpMessageTypeInvalid;
    if (header.size > m_limits.bufferSize)
        return UaStatus::BadTcpMessageTooLarge;
    if (header.size < UaTcp::kHeaderSize)
        return UaStatus::BadDecodingError;
    // Only MSG messages come in several chunks; every other type is always 'F' (6.7.2.2).
    const char c = header.chunkType;
    if (header.type == MessageType::Message && c != 'F' && c != 'C' && c != 'A')
        return UaStatus::BadTcpMessageTypeInvalid;
    if (isSecure(header.type) && header.type != MessageType::Message && c != 'F')
        return UaStatus::BadTcpMessageTypeInvalid;
    return UaStatus::Good;
}

void ChunkAssembler::processChunk(QByteArrayView chunk, QList<ReceivedMessage> &out)
{
    const MessageHeader header = MessageHeader::decode(chunk);
    if (isSecure(header.type)) {
        processSecureChunk(header, chunk, out);
        return;
    }
    ReceivedMessage message;
    message.type = header.type;
    message.body = chunk.sliced(UaTcp::kHeaderSize).toByteArray();
    out.append(message);
}

void ChunkAssembler::processSecureChunk(const MessageHeader &header, QByteArrayView chunk,
                                        QList<ReceivedMessage> &out)
{
    UaDecoder decoder(chunk.sliced(UaTcp::kHeaderSize));
    ReceivedMessage message;
    message.type = header.type;
    message.secureChannelId = decoder.readUInt32();
    // Messages belong to the channel the server opened, and come only once it is open.
    if (decoder.ok() && header.type == MessageType::OpenSecureChannel)
        m_channelId = message.secureChannelId;
    else if (decoder.ok() && !m_channelId)
        return fail(UaStatus::BadTcpMessageTypeInvalid);
    else if (decoder.ok() && message.secureChannelId != *m_channelId)
        return fail(UaStatus::BadSecureChannelIdInvalid);
    if (header.type == MessageType::OpenSecureChannel) {
        // Asymmetric security header: policy URI, sender certificate, receiver thumbprint.
        const QString policy = decoder.readString();
        decoder.readByteString();
        decoder.readByteString();
        if (decoder.ok() && policy != UaTcp::securityPolicyNone())
            decoder.fail(UaStatus::BadSecurityPolicyRejected);
    } else {
        message.tokenId = decoder.readUInt32();
    }
    const quint32 sequenceNumber = decoder.readUInt32();
    message.requestId = decoder.readUInt32();
    if (!decoder.ok())
        return fail(decoder.status());
    if (!acceptSequenceNumber(sequenceNumber))
        return fail(UaStatus::BadSequenceNumberInvalid);
    const QByteArrayView body = decoder.readBytes(decoder.remaining());
    if (header.chunkType == 'A')
        abortMessage(message, body, out);
    else
        addPart(message, body, header.chunkType == 'F', out);
}

bool ChunkAssembler::acceptSequenceNumber(quint32 sequenceNumber)
{
    if (m_lastSequenceNumber &&
        !UaTcp::sequenceNumberFollows(*m_lastSequenceNumber, sequenceNumber))
        return false;
    m_lastSequenceNumber = sequenceNumber;
    return true;
}

void ChunkAssembler::addPart(ReceivedMessage &message, QByteArrayView part, bool final,
                             QList<ReceivedMessage> &out)
{
    // A client has a few requests open at a time; chunks for ever new request ids, empty
    // ones too, would otherwise pile up for as long as the connection lives.
    if (!m_partials.contains(message.requestId) && m_partials.size() >= kMaxPartialMessages)
        return fail(UaStatus::BadResponseTooLarge);
    Partial &partial = m_partials[message.requestId];
    if (++partial.chunks > m_limits.maxChunkCount ||
        m_partialBytes + part.size() > qsizetype(m_limits.maxMessageSize))
        return fail(UaStatus::BadResponseTooLarge);
    partial.body.append(part);
    m_partialBytes += part.size();
    if (!final)
        return;
    message.body = std::move(partial.body);
    m_partialBytes -= message.body.size();
    m_partials.remove(message.requestId);
    out.append(message);
}

void ChunkAssembler::abortMessage(ReceivedMessage &message, QByteArrayView body,
                                  QList<ReceivedMessage> &out)
{
    if (const auto dropped = m_partials.find(message.requestId); dropped != m_partials.end()) {
        m_partialBytes -= dropped->body.size();
        m_partials.erase(dropped);
    }
    UaDecoder decoder(body);
    message.abort = ErrorMessage::decode(decoder);
    if (!decoder.ok())
        return fail(decoder.status());
    out.append(message);
}

void ChunkAssembler::fail(quint32 status)
{
    if (ok())
        m_status = status;
    m_channelId.reset();
    m_buffer.clear();
    m_partials.clear();
    m_partialBytes = 0;
}
