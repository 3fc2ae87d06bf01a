#include "PlcStatus.h"

#include "StatusCodes.h"

QString PlcStatus::name(qint32 code)
{
    return UaStatus::name(quint32(code));
}

bool PlcStatus::isLinkFailure(qint32 code)
{
    switch (quint32(code) & 0xFFFF0000u) {
    case UaStatus::BadTimeout:
    case UaStatus::BadRequestTimeout:
    case UaStatus::BadServerNotConnected:
    case UaStatus::BadNoCommunication:
    case UaStatus::BadCommunicationError:
    case UaStatus::BadConnectionClosed:
    case UaStatus::BadConnectionRejected:
    case UaStatus::BadDisconnect:
    case UaStatus::BadSecureChannelClosed:
    case UaStatus::BadSecureChannelIdInvalid:
    case UaStatus::BadSecureChannelTokenUnknown:
    case UaStatus::BadSessionClosed:
    case UaStatus::BadSessionIdInvalid:
    case UaStatus::BadSessionNotActivated:
    case UaStatus::BadServerHalted:
    case UaStatus::BadShutdown:
    case UaStatus::BadTcpInternalError:
    case UaStatus::BadTcpSecureChannelUnknown:
        return true;
    default:
        return false;
    }
}
