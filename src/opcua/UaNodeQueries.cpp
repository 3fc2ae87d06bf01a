#include "UaNodeQueries.h"

#include "QualifiedName.h"
#include "UaAttributeServices.h"
#include "UaServiceIds.h"
#include "UaSession.h"
#include "UaViewServices.h"

namespace {
// Server_NamespaceArray (OPC 10000-5).
constexpr quint32 kNamespaceArray = 2255;
} // namespace

namespace UaNodeQueries {

quint32 readAttributes(UaSession &session, const NodeId &node, const QList<quint32> &attributes,
                       QList<DataValue> &values, int timeoutMs)
{
    QList<ReadItem> items;
    for (const quint32 attribute : attributes)
        items.append({node, attribute});
    const ReadResult result = session.readSync(items, timeoutMs);
    if (result.status != UaStatus::Good)
        return result.status;
    for (const DataValue &value : result.values) {
        if (UaStatus::isBad(value.status))
            return value.status;
    }
    values = result.values;
    return UaStatus::Good;
}

quint32 namespaceIndex(UaSession &session, const QString &uri, quint16 &index, int timeoutMs)
{
    QList<DataValue> values;
    if (const quint32 status = readAttributes(session, NodeId::numeric(0, kNamespaceArray),
                                              {UaAttributeId::Value}, values, timeoutMs))
        return status;
    const QVariantList uris = values.at(0).value.values();
    for (qsizetype i = 0; i < uris.size() && i <= 0xFFFF; ++i) {
        if (uris.at(i).toString() == uri) {
            index = quint16(i);
            return UaStatus::Good;
        }
    }
    return UaStatus::BadNotFound;
}

quint32 maxStringLength(UaSession &session, const NodeId &variable, quint32 &length, int timeoutMs)
{
    NodeId property;
    const quint32 found = translateSync(session, variable,
                                        {{NodeId::numeric(0, UaReferenceTypeId::HasProperty),
                                          QualifiedName{0, QStringLiteral("MaxStringLength")}}},
                                        property, timeoutMs);
    if (found != UaStatus::Good)
        return found;
    QList<DataValue> values;
    if (const quint32 status =
            readAttributes(session, property, {UaAttributeId::Value}, values, timeoutMs))
        return status;
    bool ok = false;
    const qulonglong value = values.at(0).value.value().toULongLong(&ok);
    if (!ok || value > 0xFFFFFFFFu)
        return UaStatus::BadTypeMismatch;
    length = quint32(value);
    return UaStatus::Good;
}

} // namespace UaNodeQueries
