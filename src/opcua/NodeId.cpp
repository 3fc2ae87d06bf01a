#include "NodeId.h"

#include "StatusCodes.h"
#include "UaDecoder.h"
#include "UaEncoder.h"

#include <limits>

namespace {
constexpr quint8 kFlagBits = NodeId::ServerIndexFlag | NodeId::NamespaceUriFlag;

std::optional<quint32> parseUnsigned(QStringView digits, quint32 max)
{
    if (digits.isEmpty() || digits.size() > 10)
        return {};
    quint64 value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return {};
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > max)
        return {};
    return quint32(value);
}

std::optional<NodeId> parseIdentifier(quint16 ns, QChar type, QStringView value)
{
    switch (type.unicode()) {
    case u'i':
        if (const auto id = parseUnsigned(value, std::numeric_limits<quint32>::max()))
            return NodeId::numeric(ns, *id);
        return {};
    case u's':
        return NodeId::string(ns, value.toString());
    case u'g': {
        const QUuid id = QUuid::fromString(value);
        if (id.isNull() && value != u"00000000-0000-0000-0000-000000000000")
            return {};
        return NodeId::guid(ns, id);
    }
    case u'b': {
        const auto decoded = QByteArray::fromBase64Encoding(
            value.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return {};
        return NodeId::opaque(ns, *decoded);
    }
    default:
        return {};
    }
}
} // namespace

NodeId NodeId::numeric(quint16 namespaceIndex, quint32 id)
{
    NodeId n;
    n.m_namespace = namespaceIndex;
    n.m_numeric = id;
    return n;
}

NodeId NodeId::string(quint16 namespaceIndex, const QString &id)
{
    NodeId n;
    n.m_namespace = namespaceIndex;
    n.m_type = IdType::String;
    n.m_string = id;
    return n;
}

NodeId NodeId::guid(quint16 namespaceIndex, const QUuid &id)
{
    NodeId n;
    n.m_namespace = namespaceIndex;
    n.m_type = IdType::Guid;
    n.m_guid = id;
    return n;
}

NodeId NodeId::opaque(quint16 namespaceIndex, const QByteArray &id)
{
    NodeId n;
    n.m_namespace = namespaceIndex;
    n.m_type = IdType::Opaque;
    n.m_opaque = id;
    return n;
}

bool NodeId::isNull() const
{
    // OPC 10000-3, 8.2.4: namespace 0 with a zero, empty or all-zero identifier.
    if (m_namespace != 0)
        return false;
    switch (m_type) {
    case IdType::Numeric:
        return m_numeric == 0;
    case IdType::String:
        return m_string.isEmpty();
    case IdType::Guid:
        return m_guid.isNull();
    case IdType::Opaque:
        return m_opaque.isEmpty();
    }
    return false;
}

QString NodeId::toString() const
{
    QString text = m_namespace == 0 ? QString() : QStringLiteral("ns=%1;").arg(m_namespace);
    switch (m_type) {
    case IdType::Numeric:
        return text + QStringLiteral("i=") + QString::number(m_numeric);
    case IdType::String:
        return text + QStringLiteral("s=") + m_string;
    case IdType::Guid:
        return text + QStringLiteral("g=") + m_guid.toString(QUuid::WithoutBraces);
    case IdType::Opaque:
        return text + QStringLiteral("b=") + QString::fromLatin1(m_opaque.toBase64());
    }
    return text;
}

std::optional<NodeId> NodeId::parse(QStringView text)
{
    quint16 ns = 0;
    if (text.startsWith(u"ns=")) {
        const qsizetype semicolon = text.indexOf(u';');
        if (semicolon < 0)
            return {};
        const auto index = parseUnsigned(text.sliced(3, semicolon - 3), 65535);
        if (!index)
            return {};
        ns = quint16(*index);
        text = text.sliced(semicolon + 1);
    }
    if (text.size() < 2 || text[1] != u'=')
        return {};
    return parseIdentifier(ns, text[0], text.sliced(2));
}

void NodeId::encode(UaEncoder &encoder, const NodeId &value, quint8 flags)
{
    const quint16 ns = value.m_namespace;
    switch (value.m_type) {
    case IdType::Numeric:
        if (ns == 0 && value.m_numeric <= 0xFF) {
            encoder.writeByte(TwoByte | flags);
            encoder.writeByte(quint8(value.m_numeric));
        } else if (ns <= 0xFF && value.m_numeric <= 0xFFFF) {
            encoder.writeByte(FourByte | flags);
            encoder.writeByte(quint8(ns));
            encoder.writeUInt16(quint16(value.m_numeric));
        } else {
            encoder.writeByte(NumericEncoding | flags);
            encoder.writeUInt16(ns);
            encoder.writeUInt32(value.m_numeric);
        }
        return;
    case IdType::String:
        encoder.writeByte(StringEncoding | flags);
        encoder.writeUInt16(ns);
        encoder.writeString(value.m_string);
        return;
    case IdType::Guid:
        encoder.writeByte(GuidEncoding | flags);
        encoder.writeUInt16(ns);
        encoder.writeGuid(value.m_guid);
        return;
    case IdType::Opaque:
        encoder.writeByte(ByteStringEncoding | flags);
        encoder.writeUInt16(ns);
        encoder.writeByteString(value.m_opaque);
        return;
    }
}

NodeId NodeId::decode(UaDecoder &decoder, quint8 *flags)
{
    const quint8 first = decoder.readByte();
    if (flags)
        *flags = first & kFlagBits;
    else if (first & kFlagBits)
        decoder.fail(UaStatus::BadDecodingError);
    const NodeId value = decodeIdentifier(decoder, first & ~kFlagBits);
    return decoder.ok() ? value : NodeId();
}

NodeId NodeId::decodeIdentifier(UaDecoder &decoder, quint8 encoding)
{
    switch (encoding) {
    case TwoByte:
        return numeric(0, decoder.readByte());
    case FourByte: {
        const quint8 ns = decoder.readByte();
        return numeric(ns, decoder.readUInt16());
    }
    case NumericEncoding: {
        const quint16 ns = decoder.readUInt16();
        return numeric(ns, decoder.readUInt32());
    }
    case StringEncoding: {
        const quint16 ns = decoder.readUInt16();
        return string(ns, decoder.readString());
    }
    case GuidEncoding: {
        const quint16 ns = decoder.readUInt16();
        return guid(ns, decoder.readGuid());
    }
    case ByteStringEncoding: {
        const quint16 ns = decoder.readUInt16();
        return opaque(ns, decoder.readByteString());
    }
    default:
        decoder.fail(UaStatus::BadDecodingError);
        return {};
    }
}
