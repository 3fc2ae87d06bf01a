#pragma once

#include "NodeId.h"
#include "RequestHeader.h"
#include "ResponseHeader.h"

#include <QByteArray>
#include <QList>

// CreateSession (OPC 10000-4, 5.6.2), encoded with its type id: RequestHeader,
// ClientDescription (ApplicationDescription of a client), ServerUri, EndpointUrl,
// SessionName, ClientNonce, ClientCertificate, RequestedSessionTimeout and
// MaxResponseMessageSize.
struct CreateSessionRequest {
    RequestHeader header;
    QString applicationUri;
    QString productUri;
    QString applicationName;
    QString endpointUrl;
    QString sessionName;
    QByteArray clientNonce;
    double requestedSessionTimeout = 60000;
    quint32 maxResponseMessageSize = 0;

    QByteArray toBody() const;
};

// One UserTokenPolicy of an endpoint (OPC 10000-4, 7.41), with the policy of the endpoint.
struct UserTokenOffer {
    QString endpointSecurityPolicyUri;
    QString policyId;
    // UserTokenType: 0 Anonymous, 1 UserName, 2 Certificate, 3 IssuedToken.
    qint32 tokenType = 0;
};

// The response after its type id: ResponseHeader, SessionId, AuthenticationToken,
// RevisedSessionTimeout, ServerNonce, ServerCertificate, ServerEndpoints (EndpointDescription
// array, 7.14), ServerSoftwareCertificates, ServerSignature and MaxRequestMessageSize.
struct CreateSessionResponse {
    ResponseHeader header;
    NodeId sessionId;
    NodeId authenticationToken;
    double revisedSessionTimeout = 0;
    QList<UserTokenOffer> userTokens;
    quint32 maxRequestMessageSize = 0;

    static CreateSessionResponse decode(UaDecoder &decoder);
    // The policy id the server offers for anonymous users on an endpoint with the None
    // security policy; a null string when it offers none.
    QString anonymousPolicyId() const;
};

// ActivateSession (OPC 10000-4, 5.6.3) with an AnonymousIdentityToken (7.36.3): RequestHeader,
// ClientSignature, ClientSoftwareCertificates, LocaleIds, UserIdentityToken and
// UserTokenSignature.
struct ActivateSessionRequest {
    RequestHeader header;
    QString anonymousPolicyId;

    QByteArray toBody() const;
};

// CloseSession (OPC 10000-4, 5.6.4): RequestHeader and DeleteSubscriptions.
QByteArray closeSessionBody(const RequestHeader &header, bool deleteSubscriptions);
