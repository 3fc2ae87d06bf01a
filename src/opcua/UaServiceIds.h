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
inline constexpr quint32 ReadRequest = 631;
inline constexpr quint32 ReadResponse = 634;
inline constexpr quint32 WriteRequest = 673;
inline constexpr quint32 WriteResponse = 676;
} // namespace UaServiceId

// Attribute ids (OPC 10000-6, A.1).
namespace UaAttributeId {
inline constexpr quint32 Value = 13;
inline constexpr quint32 DataType = 14;
} // namespace UaAttributeId
