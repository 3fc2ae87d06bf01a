#pragma once

#include "RequestHeader.h"
#include "ResponseHeader.h"

#include <QByteArray>

// The security token the server assigns to a secure channel (OPC 10000-4, 7.37).
struct ChannelSecurityToken {
    quint32 channelId = 0;
    quint32 tokenId = 0;
    UaDateTime createdAt;
    // Milliseconds.
    quint32 revisedLifetime = 0;
};

// OpenSecureChannel with security mode None (OPC 10000-4, 5.5.2; OPC 10000-6, 6.7.4), the
// body of an OPN message including its type id: RequestHeader, ClientProtocolVersion,
// RequestType (0 Issue, 1 Renew), SecurityMode (1 None), ClientNonce, RequestedLifetime.
struct OpenSecureChannelRequest {
    enum RequestType : qint32 { Issue = 0, Renew = 1 };

    RequestHeader header;
    quint32 clientProtocolVersion = 0;
    RequestType requestType = Issue;
    quint32 requestedLifetime = 600000;

    QByteArray toBody() const;
};

// The response after its type id: ResponseHeader, ServerProtocolVersion, SecurityToken and
// ServerNonce.
struct OpenSecureChannelResponse {
    ResponseHeader header;
    quint32 serverProtocolVersion = 0;
    ChannelSecurityToken token;

    static OpenSecureChannelResponse decode(UaDecoder &decoder);
};

// CloseSecureChannel (OPC 10000-4, 5.5.3): the request header only, in a CLO message.
QByteArray closeSecureChannelBody(const RequestHeader &header);
