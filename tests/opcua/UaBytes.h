#pragma once

#include <QByteArray>
#include <QtEndian>

// Byte sequences for the tests, written out the way the encoding rules describe them.
namespace UaBytes {
// "01 0a ff" -> the three bytes; blanks are ignored.
inline QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text));
}

inline QByteArray le32(quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    return QByteArray(bytes, 4);
}

// A String as the wire carries it: Int32 byte count, then the UTF-8 bytes.
inline QByteArray string(const QByteArray &utf8)
{
    return le32(quint32(utf8.size())) + utf8;
}

inline const QByteArray kPolicyNone("http://opcfoundation.org/UA/SecurityPolicy#None");

// One chunk of a secure conversation message (OPC 10000-6, 6.7.2): message header,
// SecureChannelId, security header (OPN: policy URI, null certificate, null thumbprint;
// MSG and CLO: token id), sequence header, body.
struct Chunk {
    QByteArray type = "MSG";
    char chunkType = 'F';
    quint32 sequenceNumber = 1;
    quint32 requestId = 1;
    QByteArray body;
    quint32 channelId = 5;
    quint32 tokenId = 9;
    QByteArray policy = kPolicyNone;

    QByteArray bytes() const
    {
        const QByteArray security = type == "OPN"
                                        ? string(policy) + QByteArray::fromHex("ffffffffffffffff")
                                        : le32(tokenId);
        const QByteArray rest =
            le32(channelId) + security + le32(sequenceNumber) + le32(requestId) + body;
        return type + chunkType + le32(quint32(8 + rest.size())) + rest;
    }
};
} // namespace UaBytes
