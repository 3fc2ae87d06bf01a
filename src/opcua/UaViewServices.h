#pragma once

#include "ExpandedNodeId.h"
#include "QualifiedName.h"
#include "RequestHeader.h"
#include "ResponseHeader.h"

#include <QByteArray>
#include <QList>
#include <utility>

class UaSession;

// One step of a RelativePath (OPC 10000-4, 7.30): ReferenceTypeId, IsInverse,
// IncludeSubtypes, TargetName.
struct RelativePathElement {
    NodeId referenceTypeId;
    bool isInverse = false;
    bool includeSubtypes = true;
    QualifiedName targetName;
};

// A path to follow from a node (BrowsePath, 7.5): StartingNode, then the RelativePath's
// Elements.
struct BrowsePath {
    NodeId startingNode;
    QList<RelativePathElement> elements;
};

// A node a path led to (BrowsePathTarget, 5.9.4.2): TargetId and RemainingPathIndex, which is
// kFullyResolved when every element was followed on this server.
struct BrowsePathTarget {
    static constexpr quint32 kFullyResolved = 0xFFFFFFFF;

    ExpandedNodeId targetId;
    quint32 remainingPathIndex = kFullyResolved;
};

// The outcome of one path (BrowsePathResult): StatusCode and Targets.
struct BrowsePathResult {
    quint32 status = UaStatus::Good;
    QList<BrowsePathTarget> targets;
};

// TranslateBrowsePathsToNodeIds (OPC 10000-4, 5.9.4), encoded with its type id:
// RequestHeader, BrowsePaths.
struct TranslateBrowsePathsRequest {
    RequestHeader header;
    QList<BrowsePath> paths;

    QByteArray toBody() const;
};

// The response after its type id: ResponseHeader, Results (BrowsePathResult array),
// DiagnosticInfos.
struct TranslateBrowsePathsResponse {
    ResponseHeader header;
    QList<BrowsePathResult> results;

    static TranslateBrowsePathsResponse decode(UaDecoder &decoder);
};

// The outcome of a translation: status is the service result (or why no response came);
// results holds one BrowsePathResult per path, in the order asked, when status is Good.
struct TranslateResult {
    quint32 status = UaStatus::Good;
    QList<BrowsePathResult> results;
};

// Translates paths on session's channel, waiting on its socket alone; BadTimeout when no
// response came within timeoutMs. A response that does not decode also ends the channel.
TranslateResult translateBrowsePathsSync(UaSession &session, const QList<BrowsePath> &paths,
                                         int timeoutMs);

// Follows path from start, each step a forward reference of the given type or a subtype to
// a node of the given browse name, and gives the node it ends at in target: Good when found;
// the path's status (BadNoMatch, BadNodeIdUnknown, ...) or the service's when not.
// A path that ends on another server or in a namespace named by URI gives BadNoMatch.
quint32 translateSync(UaSession &session, const NodeId &start,
                      const QList<std::pair<NodeId, QualifiedName>> &path, NodeId &target,
                      int timeoutMs);
