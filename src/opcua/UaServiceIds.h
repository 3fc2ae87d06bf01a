#pragma once

#include <QtGlobal>

// The numeric ids (namespace 0) of the DefaultBinary encodings of the service messages and
// structures the client sends and receives; an encoded message body starts with one of them
// (OPC 10000-6, 6.7.2.2). Values from the OPC UA NodeId table.
namespace UaServiceId {
inline constexpr quint32 AnonymousIdentityToken = 321;
inline constexpr quint32 ServiceFault = 397;
inline constexpr quint32 OpenSecureChannelRequest = 446;
inline constexpr quint32 OpenSecureChannelResponse = 449;
inline constexpr quint32 CloseSecureChannelRequest = 452;
inline constexpr quint32 CreateSessionRequest = 461;
inline constexpr quint32 CreateSessionResponse = 464;
inline constexpr quint32 ActivateSessionRequest = 467;
inline constexpr quint32 ActivateSessionResponse = 470;
inline constexpr quint32 CloseSessionRequest = 473;
inline constexpr quint32 CloseSessionResponse = 476;
// View service set (5.9): name resolution.
inline constexpr quint32 TranslateBrowsePathsRequest = 554;
inline constexpr quint32 TranslateBrowsePathsResponse = 557;
// Attribute service set (5.10).
inline constexpr quint32 ReadRequest = 631;
inline constexpr quint32 ReadResponse = 634;
inline constexpr quint32 WriteRequest = 673;
inline constexpr quint32 WriteResponse = 676;
// MonitoredItem and Subscription service sets (5.12, 5.13) and the notifications a Publish
// response carries.
inline constexpr quint32 CreateMonitoredItemsRequest = 751;
inline constexpr quint32 CreateMonitoredItemsResponse = 754;
inline constexpr quint32 DeleteMonitoredItemsRequest = 781;
inline constexpr quint32 DeleteMonitoredItemsResponse = 784;
inline constexpr quint32 CreateSubscriptionRequest = 787;
inline constexpr quint32 CreateSubscriptionResponse = 790;
inline constexpr quint32 DataChangeNotification = 811;
inline constexpr quint32 StatusChangeNotification = 820;
inline constexpr quint32 PublishRequest = 826;
inline constexpr quint32 PublishResponse = 829;
inline constexpr quint32 DeleteSubscriptionsRequest = 847;
inline constexpr quint32 DeleteSubscriptionsResponse = 850;
} // namespace UaServiceId

// Attribute ids (OPC 10000-6, A.1).
namespace UaAttributeId {
inline constexpr quint32 Value = 13;
inline constexpr quint32 DataType = 14;
inline constexpr quint32 AccessLevel = 17;
} // namespace UaAttributeId

// Reference types of namespace 0 (OPC 10000-5, 11.1), named in relative paths.
namespace UaReferenceTypeId {
inline constexpr quint32 HasProperty = 46;
} // namespace UaReferenceTypeId
