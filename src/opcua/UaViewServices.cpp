#include "UaViewServices.h"

#include "DiagnosticInfo.h"
#include "UaDecoder.h"
#include "UaEncoder.h"
#include "UaServiceIds.h"
#include "UaSession.h"

namespace {
// The fewest bytes each encoded element takes: a BrowsePathResult is a StatusCode and the
// Targets' length, a BrowsePathTarget a two-byte NodeId and the RemainingPathIndex.
constexpr qsizetype kMinPathResult = 8;
constexpr qsizetype kMinPathTarget = 6;

void encodePath(UaEncoder &encoder, const BrowsePath &path)
{
    NodeId::encode(encoder, path.startingNode);
    encoder.writeInt32(qint32(path.elements.size()));
    for (const RelativePathElement &element : path.elements) {
        NodeId::encode(encoder, element.referenceTypeId);
        encoder.writeBoolean(element.isInverse);
        encoder.writeBoolean(element.includeSubtypes);
        QualifiedName::encode(encoder, element.targetName);
    }
}

BrowsePathResult decodePathResult(UaDecoder &decoder)
{
    BrowsePathResult result;
    result.status = decoder.readStatusCode();
    const qint32 count = decoder.readArrayLength(kMinPathTarget, sizeof(BrowsePathTarget));
    result.targets.reserve(count);
    for (qint32 i = 0; i < count && decoder.ok(); ++i) {
        BrowsePathTarget target;
        target.targetId = ExpandedNodeId::decode(decoder);
        target.remainingPathIndex = decoder.readUInt32();
        result.targets.append(target);
    }
    return result;
}

// The first target that is a node of this server, named by namespace index, at the end of
// the whole path.
const BrowsePathTarget *localTarget(const BrowsePathResult &result)
{
    for (const BrowsePathTarget &target : result.targets) {
        if (target.remainingPathIndex == BrowsePathTarget::kFullyResolved &&
            target.targetId.serverIndex == 0 && target.targetId.namespaceUri.isNull())
            return &target;
    }
    return nullptr;
}
} // namespace

QByteArray TranslateBrowsePathsRequest::toBody() const
{
    UaEncoder encoder;
    NodeId::encode(encoder, NodeId::numeric(0, UaServiceId::TranslateBrowsePathsRequest));
    RequestHeader::encode(encoder, header);
    encoder.writeInt32(qint32(paths.size()));
    for (const BrowsePath &path : paths)
        encodePath(encoder, path);
    return encoder.take();
}

TranslateBrowsePathsResponse TranslateBrowsePathsResponse::decode(UaDecoder &decoder)
{
    TranslateBrowsePathsResponse response;
    response.header = ResponseHeader::decode(decoder);
    const qint32 count = decoder.readArrayLength(kMinPathResult, sizeof(BrowsePathResult));
    response.results.reserve(count);
    for (qint32 i = 0; i < count && decoder.ok(); ++i)
        response.results.append(decodePathResult(decoder));
    const qint32 diagnostics = decoder.readArrayLength(1);
    for (qint32 i = 0; i < diagnostics && decoder.ok(); ++i)
        DiagnosticInfo::decode(decoder);
    return response;
}

TranslateResult translateBrowsePathsSync(UaSession &session, const QList<BrowsePath> &paths,
                                         int timeoutMs)
{
    TranslateBrowsePathsRequest request{session.requestHeader(), paths};
    request.header.timeoutHint = quint32(qMax(0, timeoutMs));
    const UaResponse response = session.sendSync(request.toBody(), timeoutMs);
    TranslateResult result;
    result.status = UaSession::responseStatus(response, UaServiceId::TranslateBrowsePathsResponse);
    if (result.status != UaStatus::Good)
        return result;
    UaDecoder decoder(response.body);
    const TranslateBrowsePathsResponse decoded = TranslateBrowsePathsResponse::decode(decoder);
    if (!decoder.ok()) {
        session.channel()->abort(decoder.status());
        result.status = decoder.status();
        return result;
    }
    result.status = decoded.header.serviceResult;
    if (UaStatus::isGood(result.status) && decoded.results.size() != paths.size())
        result.status = UaStatus::BadUnknownResponse;
    else
        result.results = decoded.results;
    return result;
}

quint32 translateSync(UaSession &session, const NodeId &start,
                      const QList<std::pair<NodeId, QualifiedName>> &path, NodeId &target,
                      int timeoutMs)
{
    BrowsePath browsePath{start, {}};
    for (const auto &[referenceType, name] : path)
        browsePath.elements.append({referenceType, false, true, name});
    const TranslateResult translated = translateBrowsePathsSync(session, {browsePath}, timeoutMs);
    if (UaStatus::isBad(translated.status))
        return translated.status;
    if (translated.results.isEmpty())
        return UaStatus::BadUnknownResponse;
    const BrowsePathResult &result = translated.results.first();
    if (UaStatus::isBad(result.status))
        return result.status;
    const BrowsePathTarget *found = localTarget(result);
    if (!found)
        return UaStatus::BadNoMatch;
    target = found->targetId.nodeId;
    return UaStatus::Good;
}
