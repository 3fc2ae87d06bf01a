#include "UaSession.h"

#include "UaDecoder.h"
#include "UaServiceIds.h"
#include "UaSessionServices.h"

#include <QRandomGenerator>
#include <utility>

namespace {
constexpr int kNonceLength = 32;

QByteArray randomNonce()
{
    QByteArray nonce(kNonceLength, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(nonce.data()),
                                          kNonceLength / 4);
    return nonce;
}
} // namespace

UaSession::UaSession(QObject *parent)
    : QObject(parent)
    , m_channel(this)
{
    connect(&m_channel, &UaSecureChannel::opened, this, &UaSession::onChannelOpened);
    connect(&m_channel, &UaSecureChannel::closed, this, &UaSession::onChannelClosed);
}

void UaSession::open(const QString &endpointUrl)
{
    if (m_state != State::Closed)
        return;
    m_state = State::Opening;
    m_failStatus = UaStatus::Good;
    m_sessionId = {};
    m_authenticationToken = {};
    m_resumable = false;
    m_resuming = false;
    m_channel.open(endpointUrl);
}

void UaSession::reopen()
{
    if (m_state != State::Closed)
        return;
    if (!m_resumable) {
        open(m_channel.endpointUrl());
        return;
    }
    m_state = State::Opening;
    m_failStatus = UaStatus::Good;
    m_resuming = true;
    m_channel.open(m_channel.endpointUrl());
}

void UaSession::close()
{
    m_resumable = false;
    if (m_state != State::Active) {
        if (m_state == State::Closed)
            m_authenticationToken = {};
        else
            m_channel.close();
        return;
    }
    m_state = State::Closing;
    m_channel.send(
        closeSessionBody(requestHeader(), true), [this](const UaResponse &) { m_channel.close(); },
        m_requestTimeout);
}

quint32 UaSession::read(const QList<ReadItem> &items, ReadHandler handler)
{
    ReadRequest request{requestHeader(), items};
    const qsizetype count = items.size();
    return m_channel.send(
        request.toBody(),
        [this, handler, count](const UaResponse &response) {
            handler(readResult(response, count));
        },
        m_requestTimeout);
}

quint32 UaSession::write(const QList<WriteItem> &items, WriteHandler handler)
{
    WriteRequest request{requestHeader(), items};
    const qsizetype count = items.size();
    return m_channel.send(
        request.toBody(),
        [this, handler, count](const UaResponse &response) {
            handler(writeResult(response, count));
        },
        m_requestTimeout);
}

quint32 UaSession::send(const QByteArray &body, UaResponseHandler handler, int timeoutMs)
{
    return m_channel.send(body, std::move(handler), timeoutMs);
}

UaResponse UaSession::sendSync(const QByteArray &body, int timeoutMs)
{
    const quint32 requestId = m_channel.send(body);
    if (requestId == 0) {
        UaResponse failed;
        failed.status = m_state != State::Active ? UaStatus::BadSessionClosed
                        : m_channel.state() != UaSecureChannel::State::Open
                            ? UaStatus::BadSecureChannelClosed
                            : UaStatus::BadRequestTooLarge;
        return failed;
    }
    return m_channel.waitFor(requestId, timeoutMs);
}

ReadResult UaSession::readSync(const QList<ReadItem> &items, int timeoutMs)
{
    ReadRequest request{requestHeader(), items};
    request.header.timeoutHint = quint32(qMax(0, timeoutMs));
    return readResult(sendSync(request.toBody(), timeoutMs), items.size());
}

WriteResult UaSession::writeSync(const QList<WriteItem> &items, int timeoutMs)
{
    WriteRequest request{requestHeader(), items};
    request.header.timeoutHint = quint32(qMax(0, timeoutMs));
    return writeResult(sendSync(request.toBody(), timeoutMs), items.size());
}

RequestHeader UaSession::requestHeader()
{
    RequestHeader header;
    header.authenticationToken = m_authenticationToken;
    header.timestamp = UaDateTime::fromDateTime(QDateTime::currentDateTimeUtc());
    ++m_requestsSent;
    if (++m_lastRequestHandle == 0)
        m_lastRequestHandle = 1;
    header.requestHandle = m_lastRequestHandle;
    header.timeoutHint = quint32(m_requestTimeout);
    return header;
}

void UaSession::onChannelOpened()
{
    if (m_resuming)
        activateSession();
    else
        createSession();
}

void UaSession::createSession()
{
    m_sessionId = {};
    m_authenticationToken = {};
    CreateSessionRequest request;
    request.header = requestHeader();
    request.applicationUri = QStringLiteral("urn:etikor:client");
    request.productUri = QStringLiteral("urn:etikor");
    request.applicationName = QStringLiteral("Etikor");
    request.endpointUrl = m_channel.endpointUrl();
    request.sessionName = QStringLiteral("Etikor");
    request.clientNonce = randomNonce();
    m_channel.send(
        request.toBody(), [this](const UaResponse &response) { onCreateSessionResponse(response); },
        m_requestTimeout);
}

void UaSession::onCreateSessionResponse(const UaResponse &response)
{
    UaDecoder decoder(response.body);
    if (const quint32 status = responseStatus(response, UaServiceId::CreateSessionResponse)) {
        fail(status);
        return;
    }
    const CreateSessionResponse created = CreateSessionResponse::decode(decoder);
    if (!decoder.ok() || UaStatus::isBad(created.header.serviceResult)) {
        fail(decoder.ok() ? created.header.serviceResult : decoder.status());
        return;
    }
    const QString policyId = created.anonymousPolicyId();
    if (policyId.isNull()) {
        fail(UaStatus::BadIdentityTokenRejected);
        return;
    }
    m_sessionId = created.sessionId;
    m_authenticationToken = created.authenticationToken;
    m_revisedSessionTimeout = created.revisedSessionTimeout;
    m_anonymousPolicyId = policyId;
    activateSession();
}

void UaSession::activateSession()
{
    // On a new channel the same request, with the kept authentication token in its header,
    // moves the session over (OPC 10000-4, 5.6.3); an anonymous token needs no signature.
    ActivateSessionRequest activate{requestHeader(), m_anonymousPolicyId};
    m_channel.send(
        activate.toBody(), [this](const UaResponse &reply) { onActivateSessionResponse(reply); },
        m_requestTimeout);
}

void UaSession::onActivateSessionResponse(const UaResponse &response)
{
    UaDecoder decoder(response.body);
    quint32 status = responseStatus(response, UaServiceId::ActivateSessionResponse);
    if (status == UaStatus::Good) {
        // ServerNonce, Results and DiagnosticInfos follow; only the header matters here.
        const ResponseHeader header = ResponseHeader::decode(decoder);
        status = decoder.ok() ? header.serviceResult : decoder.status();
    }
    if (UaStatus::isBad(status) && m_resuming && response.status == UaStatus::Good) {
        // The server answered, so it no longer has the session or will not hand it over;
        // whatever the reason, asking again would get the same answer.
        m_resuming = false;
        m_resumable = false;
        createSession();
        return;
    }
    if (UaStatus::isBad(status)) {
        fail(status);
        return;
    }
    m_resumed = std::exchange(m_resuming, false);
    m_resumable = true;
    m_state = State::Active;
    Q_EMIT activated();
}

void UaSession::onChannelClosed(quint32 status)
{
    if (m_state == State::Closed)
        return;
    m_state = State::Closed;
    m_resuming = false;
    Q_EMIT closed(m_failStatus != UaStatus::Good ? m_failStatus : status);
}

void UaSession::fail(quint32 status)
{
    if (m_state == State::Closed)
        return;
    m_failStatus = status;
    m_channel.close();
}

namespace {
// The results of a Read or Write response: the service's status, BadUnknownResponse when a
// good answer holds another number of results than were asked for, or the decoder's status
// when the body does not decode, which also ends the channel.
template <typename Decoded, typename Results>
quint32 takeResults(const UaResponse &response, quint32 status, qsizetype count, Results &out,
                    UaSecureChannel &channel)
{
    if (status != UaStatus::Good)
        return status;
    UaDecoder decoder(response.body);
    const Decoded decoded = Decoded::decode(decoder);
    if (!decoder.ok()) {
        channel.abort(decoder.status());
        return decoder.status();
    }
    if (UaStatus::isGood(decoded.header.serviceResult) && decoded.results.size() != count)
        return UaStatus::BadUnknownResponse;
    out = decoded.results;
    return decoded.header.serviceResult;
}
} // namespace

ReadResult UaSession::readResult(const UaResponse &response, qsizetype count)
{
    ReadResult result;
    result.status =
        takeResults<ReadResponse>(response, responseStatus(response, UaServiceId::ReadResponse),
                                  count, result.values, m_channel);
    return result;
}

WriteResult UaSession::writeResult(const UaResponse &response, qsizetype count)
{
    WriteResult result;
    result.status =
        takeResults<WriteResponse>(response, responseStatus(response, UaServiceId::WriteResponse),
                                   count, result.results, m_channel);
    return result;
}

quint32 UaSession::responseStatus(const UaResponse &response, quint32 expectedTypeId)
{
    if (response.status != UaStatus::Good)
        return response.status;
    if (response.typeId == NodeId::numeric(0, expectedTypeId))
        return UaStatus::Good;
    if (response.typeId != NodeId::numeric(0, UaServiceId::ServiceFault))
        return UaStatus::BadUnknownResponse;
    UaDecoder decoder(response.body);
    const ResponseHeader header = ResponseHeader::decode(decoder);
    if (!decoder.ok())
        return decoder.status();
    return UaStatus::isBad(header.serviceResult) ? header.serviceResult
                                                 : UaStatus::BadUnknownResponse;
}
