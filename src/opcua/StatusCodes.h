#pragma once

#include <QString>

// The OPC UA status codes a client meets, with the numbers of the OPC UA status
// code table (OPC 10000-6, Annex A.2). A status code is a UInt32: the top two bits give the
// severity (00 Good, 01 Uncertain, 10 and 11 Bad), bits 16..29 the code, the low 16 bits
// are info bits that do not change which code it is.
#define ETIKOR_UA_STATUS_CODES(X)                                                                  \
    X(Good, 0x00000000)                                                                            \
    X(Uncertain, 0x40000000)                                                                       \
    X(Bad, 0x80000000)                                                                             \
    X(GoodSubscriptionTransferred, 0x002D0000)                                                     \
    X(GoodCompletesAsynchronously, 0x002E0000)                                                     \
    X(GoodOverload, 0x002F0000)                                                                    \
    X(GoodClamped, 0x00300000)                                                                     \
    X(GoodLocalOverride, 0x00960000)                                                               \
    X(GoodNoData, 0x00A50000)                                                                      \
    X(GoodMoreData, 0x00A60000)                                                                    \
    X(GoodCommunicationEvent, 0x00A70000)                                                          \
    X(GoodShutdownEvent, 0x00A80000)                                                               \
    X(GoodCallAgain, 0x00A90000)                                                                   \
    X(GoodNonCriticalTimeout, 0x00AA0000)                                                          \
    X(GoodResultsMayBeIncomplete, 0x00BA0000)                                                      \
    X(GoodDataIgnored, 0x00D90000)                                                                 \
    X(GoodEdited, 0x00DC0000)                                                                      \
    X(GoodPostActionFailed, 0x00DD0000)                                                            \
    X(GoodDependentValueChanged, 0x00E00000)                                                       \
    X(UncertainReferenceOutOfServer, 0x406C0000)                                                   \
    X(UncertainNoCommunicationLastUsableValue, 0x408F0000)                                         \
    X(UncertainLastUsableValue, 0x40900000)                                                        \
    X(UncertainSubstituteValue, 0x40910000)                                                        \
    X(UncertainInitialValue, 0x40920000)                                                           \
    X(UncertainSensorNotAccurate, 0x40930000)                                                      \
    X(UncertainEngineeringUnitsExceeded, 0x40940000)                                               \
    X(UncertainSubNormal, 0x40950000)                                                              \
    X(UncertainDataSubNormal, 0x40A40000)                                                          \
    X(UncertainReferenceNotDeleted, 0x40BC0000)                                                    \
    X(UncertainNotAllNodesAvailable, 0x40C00000)                                                   \
    X(UncertainDominantValueChanged, 0x40DE0000)                                                   \
    X(UncertainDependentValueChanged, 0x40E20000)                                                  \
    X(UncertainOverRange, 0x40F20000)                                                              \
    X(UncertainUnderRange, 0x40F30000)                                                             \
    X(BadUnexpectedError, 0x80010000)                                                              \
    X(BadInternalError, 0x80020000)                                                                \
    X(BadOutOfMemory, 0x80030000)                                                                  \
    X(BadResourceUnavailable, 0x80040000)                                                          \
    X(BadCommunicationError, 0x80050000)                                                           \
    X(BadEncodingError, 0x80060000)                                                                \
    X(BadDecodingError, 0x80070000)                                                                \
    X(BadEncodingLimitsExceeded, 0x80080000)                                                       \
    X(BadUnknownResponse, 0x80090000)                                                              \
    X(BadTimeout, 0x800A0000)                                                                      \
    X(BadServiceUnsupported, 0x800B0000)                                                           \
    X(BadShutdown, 0x800C0000)                                                                     \
    X(BadServerNotConnected, 0x800D0000)                                                           \
    X(BadServerHalted, 0x800E0000)                                                                 \
    X(BadNothingToDo, 0x800F0000)                                                                  \
    X(BadTooManyOperations, 0x80100000)                                                            \
    X(BadDataTypeIdUnknown, 0x80110000)                                                            \
    X(BadCertificateInvalid, 0x80120000)                                                           \
    X(BadSecurityChecksFailed, 0x80130000)                                                         \
    X(BadUserAccessDenied, 0x801F0000)                                                             \
    X(BadIdentityTokenInvalid, 0x80200000)                                                         \
    X(BadIdentityTokenRejected, 0x80210000)                                                        \
    X(BadSecureChannelIdInvalid, 0x80220000)                                                       \
    X(BadInvalidTimestamp, 0x80230000)                                                             \
    X(BadNonceInvalid, 0x80240000)                                                                 \
    X(BadSessionIdInvalid, 0x80250000)                                                             \
    X(BadSessionClosed, 0x80260000)                                                                \
    X(BadSessionNotActivated, 0x80270000)                                                          \
    X(BadSubscriptionIdInvalid, 0x80280000)                                                        \
    X(BadRequestHeaderInvalid, 0x802A0000)                                                         \
    X(BadTimestampsToReturnInvalid, 0x802B0000)                                                    \
    X(BadRequestCancelledByClient, 0x802C0000)                                                     \
    X(BadNoCommunication, 0x80310000)                                                              \
    X(BadWaitingForInitialData, 0x80320000)                                                        \
    X(BadNodeIdInvalid, 0x80330000)                                                                \
    X(BadNodeIdUnknown, 0x80340000)                                                                \
    X(BadAttributeIdInvalid, 0x80350000)                                                           \
    X(BadIndexRangeInvalid, 0x80360000)                                                            \
    X(BadIndexRangeNoData, 0x80370000)                                                             \
    X(BadDataEncodingInvalid, 0x80380000)                                                          \
    X(BadDataEncodingUnsupported, 0x80390000)                                                      \
    X(BadNotReadable, 0x803A0000)                                                                  \
    X(BadNotWritable, 0x803B0000)                                                                  \
    X(BadOutOfRange, 0x803C0000)                                                                   \
    X(BadNotSupported, 0x803D0000)                                                                 \
    X(BadNotFound, 0x803E0000)                                                                     \
    X(BadObjectDeleted, 0x803F0000)                                                                \
    X(BadNotImplemented, 0x80400000)                                                               \
    X(BadMonitoringModeInvalid, 0x80410000)                                                        \
    X(BadMonitoredItemIdInvalid, 0x80420000)                                                       \
    X(BadMonitoredItemFilterInvalid, 0x80430000)                                                   \
    X(BadMonitoredItemFilterUnsupported, 0x80440000)                                               \
    X(BadFilterNotAllowed, 0x80450000)                                                             \
    X(BadStructureMissing, 0x80460000)                                                             \
    X(BadBrowseNameInvalid, 0x80600000)                                                            \
    X(BadSecurityModeRejected, 0x80540000)                                                         \
    X(BadSecurityPolicyRejected, 0x80550000)                                                       \
    X(BadTooManySessions, 0x80560000)                                                              \
    X(BadRequestTypeInvalid, 0x80530000)                                                           \
    X(BadNoMatch, 0x806F0000)                                                                      \
    X(BadMaxAgeInvalid, 0x80700000)                                                                \
    X(BadWriteNotSupported, 0x80730000)                                                            \
    X(BadTypeMismatch, 0x80740000)                                                                 \
    X(BadTooManySubscriptions, 0x80770000)                                                         \
    X(BadTooManyPublishRequests, 0x80780000)                                                       \
    X(BadNoSubscription, 0x80790000)                                                               \
    X(BadSequenceNumberUnknown, 0x807A0000)                                                        \
    X(BadMessageNotAvailable, 0x807B0000)                                                          \
    X(BadTcpServerTooBusy, 0x807D0000)                                                             \
    X(BadTcpMessageTypeInvalid, 0x807E0000)                                                        \
    X(BadTcpSecureChannelUnknown, 0x807F0000)                                                      \
    X(BadTcpMessageTooLarge, 0x80800000)                                                           \
    X(BadTcpNotEnoughResources, 0x80810000)                                                        \
    X(BadTcpInternalError, 0x80820000)                                                             \
    X(BadTcpEndpointUrlInvalid, 0x80830000)                                                        \
    X(BadRequestInterrupted, 0x80840000)                                                           \
    X(BadRequestTimeout, 0x80850000)                                                               \
    X(BadSecureChannelClosed, 0x80860000)                                                          \
    X(BadSecureChannelTokenUnknown, 0x80870000)                                                    \
    X(BadSequenceNumberInvalid, 0x80880000)                                                        \
    X(BadConfigurationError, 0x80890000)                                                           \
    X(BadNotConnected, 0x808A0000)                                                                 \
    X(BadDeviceFailure, 0x808B0000)                                                                \
    X(BadSensorFailure, 0x808C0000)                                                                \
    X(BadOutOfService, 0x808D0000)                                                                 \
    X(BadInvalidArgument, 0x80AB0000)                                                              \
    X(BadConnectionRejected, 0x80AC0000)                                                           \
    X(BadDisconnect, 0x80AD0000)                                                                   \
    X(BadConnectionClosed, 0x80AE0000)                                                             \
    X(BadInvalidState, 0x80AF0000)                                                                 \
    X(BadEndOfStream, 0x80B00000)                                                                  \
    X(BadMaxConnectionsReached, 0x80B70000)                                                        \
    X(BadRequestTooLarge, 0x80B80000)                                                              \
    X(BadResponseTooLarge, 0x80B90000)                                                             \
    X(BadProtocolVersionUnsupported, 0x80BE0000)                                                   \
    X(BadTooManyMonitoredItems, 0x80DB0000)                                                        \
    X(BadServerTooBusy, 0x80EE0000)

namespace UaStatus {
#define ETIKOR_UA_STATUS_CONSTANT(name, value) inline constexpr quint32 name = value;
ETIKOR_UA_STATUS_CODES(ETIKOR_UA_STATUS_CONSTANT)
#undef ETIKOR_UA_STATUS_CONSTANT

inline constexpr bool isGood(quint32 code)
{
    return (code & 0xC0000000u) == 0;
}
inline constexpr bool isUncertain(quint32 code)
{
    return (code & 0xC0000000u) == 0x40000000u;
}
inline constexpr bool isBad(quint32 code)
{
    return (code & 0x80000000u) != 0;
}

// The symbolic name of a code ("BadTimeout"), info bits ignored; a code the table does not
// hold is written as eight hexadecimal digits ("0x81230000").
QString name(quint32 code);
} // namespace UaStatus
