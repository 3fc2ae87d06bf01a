#pragma once

#include "DataValue.h"
#include "NodeId.h"

#include <QList>
#include <QString>

class UaSession;

// Questions a client asks about nodes before it uses them, each a synchronous call on a
// session (waiting on its socket alone). Every function answers with a status: Good, the
// service's or the node's Bad status, or BadTimeout.
namespace UaNodeQueries {

// Reads attributes of one node: one DataValue per attribute, in order, when all are good;
// otherwise the first Bad status.
quint32 readAttributes(UaSession &session, const NodeId &node, const QList<quint32> &attributes,
                       QList<DataValue> &values, int timeoutMs);

// The index of a namespace URI in the server's NamespaceArray; BadNotFound when the server
// does not have it.
quint32 namespaceIndex(UaSession &session, const QString &uri, quint16 &index, int timeoutMs);

// The value of a variable's standard property MaxStringLength (OPC 10000-3, 5.6.2);
// BadNoMatch when the variable has no such property.
quint32 maxStringLength(UaSession &session, const NodeId &variable, quint32 &length, int timeoutMs);

} // namespace UaNodeQueries
