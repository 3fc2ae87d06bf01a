#pragma once

#include "DataValue.h"
#include "NodeId.h"
#include "RequestHeader.h"
#include "ResponseHeader.h"

#include <QByteArray>
#include <QList>

// CreateSubscription (OPC 10000-4, 5.13.2), encoded with its type id: RequestHeader,
// RequestedPublishingInterval, RequestedLifetimeCount, RequestedMaxKeepAliveCount,
// MaxNotificationsPerPublish (0: no limit), PublishingEnabled and Priority.
struct CreateSubscriptionRequest {
    RequestHeader header;
    double publishingInterval = 100;
    quint32 lifetimeCount = 30;
    quint32 maxKeepAliveCount = 10;
    quint32 maxNotificationsPerPublish = 0;
    bool publishingEnabled = true;
    quint8 priority = 0;

    QByteArray toBody() const;
};

// The response after its type id: ResponseHeader, SubscriptionId, RevisedPublishingInterval,
// RevisedLifetimeCount, RevisedMaxKeepAliveCount.
struct CreateSubscriptionResponse {
    ResponseHeader header;
    quint32 subscriptionId = 0;
    double revisedPublishingInterval = 0;
    quint32 revisedLifetimeCount = 0;
    quint32 revisedMaxKeepAliveCount = 0;

    static CreateSubscriptionResponse decode(UaDecoder &decoder);
};

// DeleteSubscriptions (OPC 10000-4, 5.13.8): RequestHeader, SubscriptionIds.
struct DeleteSubscriptionsRequest {
    RequestHeader header;
    QList<quint32> subscriptionIds;

    QByteArray toBody() const;
};

// The response of DeleteSubscriptions and of DeleteMonitoredItems after its type id:
// ResponseHeader, Results (StatusCode array, one per id), DiagnosticInfos.
struct DeleteResponse {
    ResponseHeader header;
    QList<quint32> results;

    static DeleteResponse decode(UaDecoder &decoder);
};

// One MonitoredItemCreateRequest: the Value attribute of nodeId (ReadValueId with null
// IndexRange and DataEncoding), MonitoringMode Reporting, and MonitoringParameters with no
// filter, so that the server reports every change of status or value.
struct MonitoredItemRequest {
    NodeId nodeId;
    quint32 clientHandle = 0;
    double samplingInterval = 0;
    quint32 queueSize = 1;
    bool discardOldest = false;
};

// CreateMonitoredItems (OPC 10000-4, 5.12.2): RequestHeader, SubscriptionId,
// TimestampsToReturn (Both) and ItemsToCreate.
struct CreateMonitoredItemsRequest {
    RequestHeader header;
    quint32 subscriptionId = 0;
    QList<MonitoredItemRequest> items;

    QByteArray toBody() const;
};

// One MonitoredItemCreateResult: StatusCode, MonitoredItemId, RevisedSamplingInterval,
// RevisedQueueSize and FilterResult, which is read past.
struct MonitoredItemResult {
    quint32 status = UaStatus::Good;
    quint32 monitoredItemId = 0;
    double revisedSamplingInterval = 0;
    quint32 revisedQueueSize = 0;
};

// The response after its type id: ResponseHeader, Results, DiagnosticInfos.
struct CreateMonitoredItemsResponse {
    ResponseHeader header;
    QList<MonitoredItemResult> results;

    static CreateMonitoredItemsResponse decode(UaDecoder &decoder);
};

// DeleteMonitoredItems (OPC 10000-4, 5.12.6): RequestHeader, SubscriptionId, MonitoredItemIds.
struct DeleteMonitoredItemsRequest {
    RequestHeader header;
    quint32 subscriptionId = 0;
    QList<quint32> monitoredItemIds;

    QByteArray toBody() const;
};

// A SubscriptionAcknowledgement: the notification message that arrived and need not be kept
// for a Republish any longer.
struct SubscriptionAcknowledgement {
    quint32 subscriptionId = 0;
    quint32 sequenceNumber = 0;

    bool operator==(const SubscriptionAcknowledgement &other) const = default;
};

// Publish (OPC 10000-4, 5.13.5): RequestHeader, SubscriptionAcknowledgements.
struct PublishRequest {
    RequestHeader header;
    QList<SubscriptionAcknowledgement> acknowledgements;

    QByteArray toBody() const;
};

// One MonitoredItemNotification of a DataChangeNotification: ClientHandle and the DataValue.
struct ItemNotification {
    quint32 clientHandle = 0;
    DataValue value;
};

// A NotificationMessage: SequenceNumber, PublishTime and NotificationData, an array of
// ExtensionObjects. Of those, DataChangeNotifications (MonitoredItems, DiagnosticInfos) and
// StatusChangeNotifications (Status, DiagnosticInfo) are decoded; event lists and whatever
// else a server sends are counted and skipped.
struct NotificationMessage {
    quint32 sequenceNumber = 0;
    UaDateTime publishTime;
    qint32 notificationDataCount = 0;
    // In the order the server sent them, across all DataChangeNotifications of the message.
    QList<ItemNotification> dataChanges;
    QList<quint32> statusChanges;

    // A message without notifications only says the subscription is alive; its sequence
    // number is the one the next notification will carry and is not acknowledged.
    bool isKeepAlive() const { return notificationDataCount == 0; }

    static NotificationMessage decode(UaDecoder &decoder);
};

// The response after its type id: ResponseHeader, SubscriptionId, AvailableSequenceNumbers,
// MoreNotifications, NotificationMessage, Results (one per acknowledgement sent),
// DiagnosticInfos.
struct PublishResponse {
    ResponseHeader header;
    quint32 subscriptionId = 0;
    QList<quint32> availableSequenceNumbers;
    bool moreNotifications = false;
    NotificationMessage message;
    QList<quint32> results;

    static PublishResponse decode(UaDecoder &decoder);
};
