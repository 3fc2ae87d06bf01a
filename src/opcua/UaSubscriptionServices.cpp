#include "UaSubscriptionServices.h"

#include "DiagnosticInfo.h"
#include "ExtensionObject.h"
#include "QualifiedName.h"
#include "UaDecoder.h"
#include "UaEncoder.h"
#include "UaServiceIds.h"

namespace {
// TimestampsToReturn Both and MonitoringMode Reporting (OPC 10000-4, 7.40 and 7.23).
constexpr qint32 kTimestampsBoth = 2;
constexpr qint32 kMonitoringReporting = 2;
// The smallest encodings of array elements, so that a count the bytes left cannot hold fails
// before anything is read: an ExtensionObject (two-byte NodeId, encoding byte), a
// MonitoredItemNotification (UInt32, DataValue mask), a MonitoredItemCreateResult (StatusCode,
// UInt32, Double, UInt32, ExtensionObject).
constexpr qsizetype kMinExtensionObject = 3;
constexpr qsizetype kMinItemNotification = 5;
constexpr qsizetype kMinCreateResult = 23;

UaEncoder startBody(quint32 typeId, const RequestHeader &header)
{
    UaEncoder encoder;
    NodeId::encode(encoder, NodeId::numeric(0, typeId));
    RequestHeader::encode(encoder, header);
    return encoder;
}

void writeUInt32Array(UaEncoder &encoder, const QList<quint32> &values)
{
    encoder.writeInt32(qint32(values.size()));
    for (const quint32 value : values)
        encoder.writeUInt32(value);
}

QList<quint32> readUInt32Array(UaDecoder &decoder)
{
    QList<quint32> values;
    const qint32 count = decoder.readArrayLength(4, sizeof(quint32));
    values.reserve(count);
    for (qint32 i = 0; i < count; ++i)
        values.append(decoder.readUInt32());
    return values;
}

void skipDiagnostics(UaDecoder &decoder)
{
    const qint32 count = decoder.readArrayLength(1);
    for (qint32 i = 0; i < count && decoder.ok(); ++i)
        DiagnosticInfo::decode(decoder);
}

void readDataChange(UaDecoder &decoder, QList<ItemNotification> &out)
{
    const qint32 count = decoder.readArrayLength(kMinItemNotification, sizeof(ItemNotification));
    out.reserve(out.size() + count);
    for (qint32 i = 0; i < count && decoder.ok(); ++i) {
        ItemNotification item;
        item.clientHandle = decoder.readUInt32();
        item.value = DataValue::decode(decoder);
        out.append(item);
    }
    skipDiagnostics(decoder);
}

void readStatusChange(UaDecoder &decoder, QList<quint32> &out)
{
    const quint32 status = decoder.readStatusCode();
    DiagnosticInfo::decode(decoder);
    if (decoder.ok())
        out.append(status);
}

// Decodes the body of one NotificationData element when it is a kind the client knows. A
// body that does not decode spoils the whole response.
void readNotificationData(UaDecoder &decoder, NotificationMessage &message)
{
    const ExtensionObject data = ExtensionObject::decode(decoder);
    if (!decoder.ok() || data.encoding != ExtensionObject::BodyEncoding::Binary)
        return;
    UaDecoder body(data.body, decoder.limits());
    if (data.typeId == NodeId::numeric(0, UaServiceId::DataChangeNotification))
        readDataChange(body, message.dataChanges);
    else if (data.typeId == NodeId::numeric(0, UaServiceId::StatusChangeNotification))
        readStatusChange(body, message.statusChanges);
    if (!body.ok())
        decoder.fail(body.status());
}
} // namespace

QByteArray CreateSubscriptionRequest::toBody() const
{
    UaEncoder encoder = startBody(UaServiceId::CreateSubscriptionRequest, header);
    encoder.writeDouble(publishingInterval);
    encoder.writeUInt32(lifetimeCount);
    encoder.writeUInt32(maxKeepAliveCount);
    encoder.writeUInt32(maxNotificationsPerPublish);
    encoder.writeBoolean(publishingEnabled);
    encoder.writeByte(priority);
    return encoder.take();
}

CreateSubscriptionResponse CreateSubscriptionResponse::decode(UaDecoder &decoder)
{
    CreateSubscriptionResponse response;
    response.header = ResponseHeader::decode(decoder);
    response.subscriptionId = decoder.readUInt32();
    response.revisedPublishingInterval = decoder.readDouble();
    response.revisedLifetimeCount = decoder.readUInt32();
    response.revisedMaxKeepAliveCount = decoder.readUInt32();
    return response;
}

QByteArray DeleteSubscriptionsRequest::toBody() const
{
    UaEncoder encoder = startBody(UaServiceId::DeleteSubscriptionsRequest, header);
    writeUInt32Array(encoder, subscriptionIds);
    return encoder.take();
}

DeleteResponse DeleteResponse::decode(UaDecoder &decoder)
{
    DeleteResponse response;
    response.header = ResponseHeader::decode(decoder);
    response.results = readUInt32Array(decoder);
    skipDiagnostics(decoder);
    return response;
}

QByteArray CreateMonitoredItemsRequest::toBody() const
{
    UaEncoder encoder = startBody(UaServiceId::CreateMonitoredItemsRequest, header);
    encoder.writeUInt32(subscriptionId);
    encoder.writeInt32(kTimestampsBoth);
    encoder.writeInt32(qint32(items.size()));
    for (const MonitoredItemRequest &item : items) {
        NodeId::encode(encoder, item.nodeId);
        encoder.writeUInt32(UaAttributeId::Value);
        encoder.writeString({});
        QualifiedName::encode(encoder, QualifiedName());
        encoder.writeInt32(kMonitoringReporting);
        encoder.writeUInt32(item.clientHandle);
        encoder.writeDouble(item.samplingInterval);
        ExtensionObject::encode(encoder, ExtensionObject());
        encoder.writeUInt32(item.queueSize);
        encoder.writeBoolean(item.discardOldest);
    }
    return encoder.take();
}

CreateMonitoredItemsResponse CreateMonitoredItemsResponse::decode(UaDecoder &decoder)
{
    CreateMonitoredItemsResponse response;
    response.header = ResponseHeader::decode(decoder);
    const qint32 count = decoder.readArrayLength(kMinCreateResult, sizeof(MonitoredItemResult));
    response.results.reserve(count);
    for (qint32 i = 0; i < count && decoder.ok(); ++i) {
        MonitoredItemResult result;
        result.status = decoder.readStatusCode();
        result.monitoredItemId = decoder.readUInt32();
        result.revisedSamplingInterval = decoder.readDouble();
        result.revisedQueueSize = decoder.readUInt32();
        ExtensionObject::decode(decoder);
        response.results.append(result);
    }
    skipDiagnostics(decoder);
    return response;
}

QByteArray DeleteMonitoredItemsRequest::toBody() const
{
    UaEncoder encoder = startBody(UaServiceId::DeleteMonitoredItemsRequest, header);
    encoder.writeUInt32(subscriptionId);
    writeUInt32Array(encoder, monitoredItemIds);
    return encoder.take();
}

QByteArray PublishRequest::toBody() const
{
    UaEncoder encoder = startBody(UaServiceId::PublishRequest, header);
    encoder.writeInt32(qint32(acknowledgements.size()));
    for (const SubscriptionAcknowledgement &ack : acknowledgements) {
        encoder.writeUInt32(ack.subscriptionId);
        encoder.writeUInt32(ack.sequenceNumber);
    }
    return encoder.take();
}

NotificationMessage NotificationMessage::decode(UaDecoder &decoder)
{
    NotificationMessage message;
    message.sequenceNumber = decoder.readUInt32();
    message.publishTime = decoder.readDateTime();
    message.notificationDataCount = decoder.readArrayLength(kMinExtensionObject);
    for (qint32 i = 0; i < message.notificationDataCount && decoder.ok(); ++i)
        readNotificationData(decoder, message);
    return message;
}

PublishResponse PublishResponse::decode(UaDecoder &decoder)
{
    PublishResponse response;
    response.header = ResponseHeader::decode(decoder);
    response.subscriptionId = decoder.readUInt32();
    response.availableSequenceNumbers = readUInt32Array(decoder);
    response.moreNotifications = decoder.readBoolean();
    response.message = NotificationMessage::decode(decoder);
    response.results = readUInt32Array(decoder);
    skipDiagnostics(decoder);
    return response;
}
