#include "ExpandedNodeId.h"

#include "UaDecoder.h"
#include "UaEncoder.h"

void ExpandedNodeId::encode(UaEncoder &encoder, const ExpandedNodeId &value)
{
    const bool hasUri = !value.namespaceUri.isNull();
    const bool hasServer = value.serverIndex != 0;
    const quint8 flags =
        (hasUri ? NodeId::NamespaceUriFlag : 0) | (hasServer ? NodeId::ServerIndexFlag : 0);
    NodeId::encode(encoder, value.nodeId, flags);
    if (hasUri)
        encoder.writeString(value.namespaceUri);
    if (hasServer)
        encoder.writeUInt32(value.serverIndex);
}

ExpandedNodeId ExpandedNodeId::decode(UaDecoder &decoder)
{
    ExpandedNodeId value;
    quint8 flags = 0;
    value.nodeId = NodeId::decode(decoder, &flags);
    if (flags & NodeId::NamespaceUriFlag)
        value.namespaceUri = decoder.readString();
    if (flags & NodeId::ServerIndexFlag)
        value.serverIndex = decoder.readUInt32();
    return decoder.ok() ? value : ExpandedNodeId();
}
