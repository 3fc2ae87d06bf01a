#pragma once

#include <QByteArray>
#include <QString>
#include <QUuid>
#include <optional>

class UaDecoder;
class UaEncoder;

// The identifier of a node: a namespace index and a numeric, string, GUID or opaque
// identifier (OPC 10000-3, 8.2). The default is the null NodeId, ns=0;i=0.
class NodeId {
public:
    enum class IdType : quint8 { Numeric, String, Guid, Opaque };

    // The first byte of an encoded NodeId (OPC 10000-6, 5.2.2.9, Table 6).
    enum Encoding : quint8 {
        TwoByte = 0x00,
        FourByte = 0x01,
        NumericEncoding = 0x02,
        StringEncoding = 0x03,
        GuidEncoding = 0x04,
        ByteStringEncoding = 0x05,
        // The flags an ExpandedNodeId adds to that byte (5.2.2.10).
        ServerIndexFlag = 0x40,
        NamespaceUriFlag = 0x80,
    };

    NodeId() = default;
    static NodeId numeric(quint16 namespaceIndex, quint32 id);
    static NodeId string(quint16 namespaceIndex, const QString &id);
    static NodeId guid(quint16 namespaceIndex, const QUuid &id);
    static NodeId opaque(quint16 namespaceIndex, const QByteArray &id);

    quint16 namespaceIndex() const { return m_namespace; }
    IdType idType() const { return m_type; }
    quint32 numericId() const { return m_numeric; }
    QString stringId() const { return m_string; }
    QUuid guidId() const { return m_guid; }
    QByteArray opaqueId() const { return m_opaque; }
    bool isNull() const;

    bool operator==(const NodeId &other) const = default;

    // The text form of OPC 10000-6, 5.3.1.10: "ns=<index>;<i|s|g|b>=<identifier>", the "ns=0;"
    // clause left out; a GUID in lower-case hex groups, an opaque identifier in Base64.
    QString toString() const;
    // Reads that text form ("ns=1;s=Line1.bAbl", "i=2258", "ns=2;g=...", "ns=1;b=...");
    // anything else, a namespace above 65535 or a number above UInt32 gives no value.
    static std::optional<NodeId> parse(QStringView text);

    // The smallest encoding that holds the value: two-byte for namespace 0 and ids below 256,
    // four-byte for namespaces below 256 and ids below 65536, else the full form. flags are
    // ORed into the encoding byte (an ExpandedNodeId's).
    static void encode(UaEncoder &encoder, const NodeId &value, quint8 flags = 0);
    // An unknown encoding byte is a BadDecodingError, and so are ExpandedNodeId flags unless
    // the caller asks for them through flags.
    static NodeId decode(UaDecoder &decoder, quint8 *flags = nullptr);

private:
    // The identifier after an encoding byte without flags.
    static NodeId decodeIdentifier(UaDecoder &decoder, quint8 encoding);

    quint16 m_namespace = 0;
    IdType m_type = IdType::Numeric;
    quint32 m_numeric = 0;
    QString m_string;
    QUuid m_guid;
    QByteArray m_opaque;
};
