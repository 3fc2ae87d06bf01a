// OpcUaLink's batched reads and writes: the request cycle's variables in one exchange.

#include "DataValue.h"
#include "OpcUaLink.h"
#include "PlcStatus.h"
#include "PlcValueCodec.h"

using namespace Qt::StringLiterals;

namespace {
// The value in the type its single write takes; a text cut to the byte count.
QVariant writable(const PlcItem &item)
{
    switch (item.kind) {
    case QMetaType::Bool:
        return item.value.toBool();
    case QMetaType::Short:
        return QVariant::fromValue(item.value.value<qint16>());
    case QMetaType::Int:
        return item.value.toInt();
    case QMetaType::Double:
        return item.value.toDouble();
    default:
        return item.value.toString().left(item.byteCount / 2);
    }
}
} // namespace

// The byte count each kind's single operation insists on; a text takes any. A real is only
// ever written.
bool OpcUaLink::fits(const PlcItem &item, bool read)
{
    switch (item.kind) {
    case QMetaType::Bool:
        return item.byteCount == kBoolBytes;
    case QMetaType::Short:
        return item.byteCount == kIntBytes;
    case QMetaType::Int:
        return item.byteCount == kLongBytes;
    case QMetaType::Double:
        return !read && item.byteCount == kRealBytes;
    case QMetaType::QString:
        return item.byteCount >= 0;
    default:
        return false;
    }
}

const OpcUaLink::Variable *OpcUaLink::batchVariable(PlcItem &item, bool read)
{
    const auto found = m_variables.constFind(item.handle);
    if (found != m_variables.cend() && fits(item, read))
        return &*found;
    item.status = finish(UaStatus::BadInvalidArgument);
    return nullptr;
}

qint32 OpcUaLink::takeRead(const DataValue &read, PlcItem &item)
{
    if (UaStatus::isBad(read.status))
        return finish(read.status);
    QVariant value;
    const qint32 status = finish(PlcValueCodec::fromVariant(read.value, item.kind, value));
    if (status == PlcStatus::Good)
        item.value =
            item.kind == QMetaType::QString ? value.toString().left(item.byteCount / 2) : value;
    return status;
}

quint32 OpcUaLink::convertForWrite(const Variable &variable, const PlcItem &item,
                                   Variant &converted)
{
    if (!variable.type)
        return UaStatus::BadTypeMismatch;
    return PlcValueCodec::toVariant(*variable.type, writable(item), converted);
}

bool OpcUaLink::batchNotReady(const QList<PlcItem *> &asked)
{
    if (asked.isEmpty())
        return true;
    const qint32 status = ready();
    for (PlcItem *item : asked)
        item->status = status;
    return status != PlcStatus::Good;
}

// A batch lost with the link gives every item the link's code, as each single call would
// have had; one the server refused whole is made again one variable at a time.
void OpcUaLink::batchFailed(quint32 status, const QList<PlcItem *> &asked, bool read)
{
    const quint32 whole = status == UaStatus::Good ? UaStatus::BadUnknownResponse : status;
    if (PlcStatus::isLinkFailure(PlcStatus::code(whole))) {
        const qint32 code = finish(whole);
        for (PlcItem *item : asked)
            item->status = code;
        return;
    }
    noteFailure(u"a %1 of %2 variables was refused (%3); it is made one variable at a time"_s
                    .arg(read ? u"read"_s : u"write"_s)
                    .arg(asked.size())
                    .arg(UaStatus::name(whole)));
    for (PlcItem *item : asked) {
        PlcItems one{*item};
        if (read)
            PlcLink::readMany(one);
        else
            PlcLink::writeMany(one);
        *item = one.first();
    }
}

void OpcUaLink::readMany(PlcItems &items)
{
    const EventGate::Span call(m_gate);
    ++m_calls;
    QList<ReadItem> reads;
    QList<PlcItem *> asked;
    for (PlcItem &item : items) {
        item.value.clear();
        if (const Variable *variable = batchVariable(item, true)) {
            reads.append({variable->node, UaAttributeId::Value});
            asked.append(&item);
        }
    }
    if (batchNotReady(asked))
        return;
    const ReadResult result = m_client.session().readSync(reads, m_options.timeoutMs);
    if (result.status != UaStatus::Good || result.values.size() != reads.size())
        return batchFailed(result.status, asked, true);
    for (qsizetype i = 0; i < asked.size(); ++i)
        asked[i]->status = takeRead(result.values.at(i), *asked[i]);
}

void OpcUaLink::writeMany(PlcItems &items)
{
    const EventGate::Span call(m_gate);
    ++m_calls;
    QList<WriteItem> writes;
    QList<PlcItem *> asked;
    for (PlcItem &item : items) {
        const Variable *variable = batchVariable(item, false);
        if (!variable)
            continue;
        Variant converted;
        if (const quint32 status = convertForWrite(*variable, item, converted)) {
            item.status = finish(status);
            continue;
        }
        writes.append({variable->node, converted});
        asked.append(&item);
    }
    if (batchNotReady(asked))
        return;
    const WriteResult result = m_client.session().writeSync(writes, m_options.timeoutMs);
    if (result.status != UaStatus::Good || result.results.size() != writes.size())
        return batchFailed(result.status, asked, false);
    for (qsizetype i = 0; i < asked.size(); ++i)
        asked[i]->status = finish(result.results.at(i));
}
