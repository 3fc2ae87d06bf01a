#pragma once

#include "NodeId.h"

// A NodeId that may name its namespace by URI and a server by index (OPC 10000-6,
// 5.2.2.10): the NodeId's encoding byte carries flag 0x80 when a NamespaceUri String follows
// and 0x40 when a ServerIndex UInt32 follows, in that order.
struct ExpandedNodeId {
    NodeId nodeId;
    // Null when absent. When present, the NodeId's namespace index is not meaningful.
    QString namespaceUri;
    // 0, the local server, when absent.
    quint32 serverIndex = 0;

    bool operator==(const ExpandedNodeId &other) const = default;

    static void encode(UaEncoder &encoder, const ExpandedNodeId &value);
    static ExpandedNodeId decode(UaDecoder &decoder);
};
