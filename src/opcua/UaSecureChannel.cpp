#include "UaSecureChannel.h"

#include "UaDecoder.h"
#include "UaServiceIds.h"

#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QUrl>
#include <limits>

namespace {
constexpr quint16 kDefaultPort = 4840;
// What the client announces in its Hello and holds the server to: chunks of 64 KB, messages
// of 2 MB in at most 32 chunks. A station reads and writes single values; nothing it asks
// for comes near that, and a server's answer beyond it is refused before it is decoded.
const ChunkLimits kOwnLimits{65536, 2 * 1024 * 1024, 32};

UaResponse failedResponse(quint32 status)
{
    UaResponse response;
    response.status = status;
    return response;
}
} // namespace

UaSecureChannel::UaSecureChannel(QObject *parent)
    : QObject(parent)
    , m_socket(new QTcpSocket(this))
    , m_assembler(kOwnLimits)
{
    m_renewTimer.setSingleShot(true);
    m_openTimer.setSingleShot(true);
    m_openTimer.setInterval(10000);
    connect(m_socket, &QTcpSocket::connected, this, &UaSecureChannel::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &UaSecureChannel::onReadyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &UaSecureChannel::onSocketError);
    connect(m_socket, &QTcpSocket::disconnected, this,
            [this] { fail(UaStatus::BadConnectionClosed); });
    connect(&m_renewTimer, &QTimer::timeout, this,
            [this] { sendOpenRequest(OpenSecureChannelRequest::Renew); });
    connect(&m_openTimer, &QTimer::timeout, this, [this] { failOpenInTime(); });
    m_expiryTimer.setInterval(100);
    connect(&m_expiryTimer, &QTimer::timeout, this, &UaSecureChannel::expireRequests);
}

UaSecureChannel::~UaSecureChannel()
{
    m_socket->disconnect(this);
}

void UaSecureChannel::open(const QString &endpointUrl)
{
    if (m_state != State::Closed)
        return;
    const QUrl url(endpointUrl, QUrl::StrictMode);
    m_endpointUrl = endpointUrl;
    m_closeReason.clear();
    m_assembler = ChunkAssembler(kOwnLimits);
    m_writer = ChunkWriter();
    m_token = {};
    m_state = State::Connecting;
    if (!url.isValid() || url.scheme() != QStringLiteral("opc.tcp") || url.host().isEmpty()) {
        fail(UaStatus::BadTcpEndpointUrlInvalid,
             QStringLiteral("not an endpoint URL of the form opc.tcp://host:port"));
        return;
    }
    m_openTimer.start();
    m_socket->connectToHost(url.host(), quint16(url.port(kDefaultPort)));
}

void UaSecureChannel::close()
{
    if (m_state == State::Closed)
        return;
    if (m_state == State::Open) {
        RequestHeader header;
        header.timestamp = UaDateTime::fromDateTime(QDateTime::currentDateTimeUtc());
        writeMessage(MessageType::CloseSecureChannel, nextRequestId(),
                     closeSecureChannelBody(header));
        m_socket->flush();
    }
    finish(UaStatus::Good);
}

quint32 UaSecureChannel::send(const QByteArray &body, UaResponseHandler handler, int timeoutMs)
{
    quint32 status = UaStatus::BadSecureChannelClosed;
    quint32 requestId = 0;
    if (m_state == State::Open) {
        requestId = nextRequestId();
        status = writeMessage(MessageType::Message, requestId, body);
    }
    if (status != UaStatus::Good) {
        if (handler)
            QTimer::singleShot(0, this, [handler, status] { handler(failedResponse(status)); });
        return 0;
    }
    m_pending.insert(requestId,
                     {std::move(handler), timeoutMs > 0 ? QDeadlineTimer(timeoutMs)
                                                        : QDeadlineTimer(QDeadlineTimer::Forever)});
    if (timeoutMs > 0 && !m_expiryTimer.isActive())
        m_expiryTimer.start();
    return requestId;
}

UaResponse UaSecureChannel::waitFor(quint32 requestId, int timeoutMs)
{
    if (!m_pending.contains(requestId))
        return failedResponse(m_state == State::Open ? UaStatus::BadInvalidArgument
                                                     : m_closeStatus);
    const QDeadlineTimer deadline(timeoutMs);
    m_waitingFor = requestId;
    m_waitResult.reset();
    while (m_state == State::Open && m_socket->bytesToWrite() > 0 && !deadline.hasExpired())
        m_socket->waitForBytesWritten(int(deadline.remainingTime()));
    while (m_state == State::Open && !m_waitResult && !deadline.hasExpired()) {
        m_socket->waitForReadyRead(int(deadline.remainingTime()));
        // A wait inside a readyRead handler gets the bytes but no second readyRead.
        if (!m_waitResult && m_socket->bytesAvailable() > 0)
            onReadyRead();
    }
    m_waitingFor = 0;
    UaResponse response = m_waitResult.value_or(
        failedResponse(m_state == State::Open ? UaStatus::BadTimeout : m_closeStatus));
    m_waitResult.reset();
    m_pending.remove(requestId);
    if (!m_deferred.isEmpty())
        scheduleDelivery();
    return response;
}

bool UaSecureChannel::waitForProgress(int timeoutMs)
{
    const bool progressed = progress(timeoutMs);
    // Whoever waits here has no event loop running: what arrived is delivered now.
    if (m_waitingFor == 0)
        deliverDeferred();
    return progressed;
}

bool UaSecureChannel::progress(int timeoutMs)
{
    if (m_state == State::Closed)
        return false;
    if (m_state == State::Connecting) {
        if (m_socket->waitForConnected(timeoutMs))
            return true;
        // A refusal has closed the channel already. A wait that ran out has given up the
        // attempt too: QAbstractSocket resets the socket without a signal.
        if (m_socket->state() == QAbstractSocket::UnconnectedState)
            failOpenInTime();
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    if (m_socket->bytesToWrite() > 0)
        m_socket->waitForBytesWritten(timeoutMs);
    const bool progressed =
        m_state != State::Closed && m_socket->waitForReadyRead(int(deadline.remainingTime()));
    if (m_socket->bytesAvailable() > 0)
        onReadyRead();
    return progressed;
}

void UaSecureChannel::onConnected()
{
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_state = State::Opening;
    HelloMessage hello;
    hello.receiveBufferSize = kOwnLimits.bufferSize;
    hello.sendBufferSize = kOwnLimits.bufferSize;
    hello.maxMessageSize = kOwnLimits.maxMessageSize;
    hello.maxChunkCount = kOwnLimits.maxChunkCount;
    hello.endpointUrl = m_endpointUrl;
    const QByteArray message = hello.toMessage();
    if (message.isEmpty()) {
        fail(UaStatus::BadTcpEndpointUrlInvalid);
        return;
    }
    m_socket->write(message);
}

void UaSecureChannel::onReadyRead()
{
    const QList<ReceivedMessage> messages = m_assembler.feed(m_socket->readAll());
    for (const ReceivedMessage &message : messages) {
        if (m_state == State::Closed)
            return;
        handle(message);
    }
    if (!m_assembler.ok())
        fail(m_assembler.status());
}

void UaSecureChannel::onSocketError()
{
    switch (m_socket->error()) {
    case QAbstractSocket::SocketTimeoutError:
        // What waitForReadyRead() reports when nothing came in time; waitFor() decides.
        return;
    case QAbstractSocket::RemoteHostClosedError:
        fail(UaStatus::BadConnectionClosed);
        break;
    case QAbstractSocket::ConnectionRefusedError:
        fail(UaStatus::BadNotConnected,
             QStringLiteral("the connection was refused: nothing accepts connections on that "
                            "port"));
        break;
    case QAbstractSocket::HostNotFoundError:
        fail(UaStatus::BadNotConnected, QStringLiteral("the host name cannot be resolved"));
        break;
    default:
        fail(UaStatus::BadCommunicationError, m_socket->errorString());
    }
}

void UaSecureChannel::handle(const ReceivedMessage &message)
{
    switch (message.type) {
    case MessageType::Acknowledge:
        handleAcknowledge(message);
        break;
    case MessageType::Error: {
        UaDecoder decoder(message.body);
        const ErrorMessage error = ErrorMessage::decode(decoder);
        m_closeReason = error.reason;
        fail(decoder.ok() && UaStatus::isBad(error.error) ? error.error
                                                          : UaStatus::BadDecodingError);
        break;
    }
    case MessageType::OpenSecureChannel:
        handleOpenResponse(message);
        break;
    case MessageType::Message:
        handleResponse(message);
        break;
    default:
        fail(UaStatus::BadTcpMessageTypeInvalid);
    }
}

void UaSecureChannel::handleAcknowledge(const ReceivedMessage &message)
{
    UaDecoder decoder(message.body);
    const AcknowledgeMessage ack = AcknowledgeMessage::decode(decoder);
    if (m_state != State::Opening || m_openRequestId != 0 || !decoder.ok()) {
        fail(decoder.ok() ? UaStatus::BadTcpMessageTypeInvalid : decoder.status());
        return;
    }
    // The server may not send larger chunks than we receive, and must receive at least the
    // minimum buffer (OPC 10000-6, 7.1.2.4).
    if (ack.receiveBufferSize < UaTcp::kMinBufferSize ||
        ack.sendBufferSize < UaTcp::kMinBufferSize || ack.sendBufferSize > kOwnLimits.bufferSize) {
        fail(UaStatus::BadConnectionRejected);
        return;
    }
    ChunkLimits peer;
    peer.bufferSize = qMin(ack.receiveBufferSize, kOwnLimits.bufferSize);
    peer.maxMessageSize = ack.maxMessageSize;
    peer.maxChunkCount = ack.maxChunkCount;
    m_writer.setLimits(peer);
    sendOpenRequest(OpenSecureChannelRequest::Issue);
}

void UaSecureChannel::sendOpenRequest(OpenSecureChannelRequest::RequestType type)
{
    OpenSecureChannelRequest request;
    request.header.timestamp = UaDateTime::fromDateTime(QDateTime::currentDateTimeUtc());
    request.header.timeoutHint = quint32(m_openTimer.interval());
    request.requestType = type;
    request.requestedLifetime = m_requestedLifetime;
    m_openRequestId = nextRequestId();
    if (const quint32 status =
            writeMessage(MessageType::OpenSecureChannel, m_openRequestId, request.toBody()))
        fail(status);
}

void UaSecureChannel::handleOpenResponse(const ReceivedMessage &message)
{
    if (m_openRequestId == 0 || message.requestId != m_openRequestId || message.abort) {
        fail(message.abort ? message.abort->error : UaStatus::BadUnknownResponse);
        return;
    }
    m_openRequestId = 0;
    UaDecoder decoder(message.body);
    const NodeId typeId = NodeId::decode(decoder);
    if (decoder.ok() && typeId == NodeId::numeric(0, UaServiceId::ServiceFault)) {
        const ResponseHeader header = ResponseHeader::decode(decoder);
        fail(!decoder.ok()                           ? decoder.status()
             : UaStatus::isBad(header.serviceResult) ? header.serviceResult
                                                     : UaStatus::BadUnknownResponse);
        return;
    }
    if (decoder.ok() && typeId != NodeId::numeric(0, UaServiceId::OpenSecureChannelResponse)) {
        fail(UaStatus::BadUnknownResponse);
        return;
    }
    const OpenSecureChannelResponse response = OpenSecureChannelResponse::decode(decoder);
    if (!decoder.ok()) {
        fail(decoder.status());
        return;
    }
    if (UaStatus::isBad(response.header.serviceResult)) {
        fail(response.header.serviceResult);
        return;
    }
    if (m_state == State::Open && response.token.channelId != m_token.channelId) {
        fail(UaStatus::BadSecureChannelIdInvalid);
        return;
    }
    m_token = response.token;
    m_writer.setSecureChannel(m_token.channelId, m_token.tokenId);
    // Renew at 75 % of the lifetime the server granted (OPC 10000-4, 5.5.2).
    const quint64 lifetime = qMax<quint64>(1000, m_token.revisedLifetime);
    m_renewTimer.start(int(qMin<quint64>(lifetime / 4 * 3, std::numeric_limits<int>::max())));
    if (m_state == State::Open) {
        notify([this] { Q_EMIT renewed(); });
        return;
    }
    m_openTimer.stop();
    m_state = State::Open;
    Q_EMIT opened();
}

void UaSecureChannel::handleResponse(const ReceivedMessage &message)
{
    if (m_state != State::Open || message.secureChannelId != m_token.channelId) {
        fail(UaStatus::BadSecureChannelIdInvalid);
        return;
    }
    const auto pending = m_pending.constFind(message.requestId);
    if (pending == m_pending.constEnd())
        return; // a response to a request given up on (timed out); nothing waits for it
    UaResponse response;
    if (message.abort) {
        response.status = message.abort->error;
    } else {
        UaDecoder decoder(message.body);
        response.typeId = NodeId::decode(decoder);
        if (!decoder.ok()) {
            fail(decoder.status());
            return;
        }
        response.body = message.body.sliced(decoder.position());
    }
    if (message.requestId == m_waitingFor) {
        m_waitResult = response;
        return;
    }
    const UaResponseHandler handler = pending->handler;
    m_pending.erase(pending);
    if (handler)
        notify([handler, response] { handler(response); });
}

quint32 UaSecureChannel::writeMessage(MessageType type, quint32 requestId, const QByteArray &body)
{
    const WrittenChunks written = m_writer.write(type, requestId, body);
    for (const QByteArray &chunk : written.chunks)
        m_socket->write(chunk);
    return written.status;
}

void UaSecureChannel::fail(quint32 status)
{
    if (m_state != State::Closed)
        finish(status);
}

void UaSecureChannel::fail(quint32 status, const QString &reason)
{
    if (m_state == State::Closed)
        return;
    m_closeReason = reason;
    finish(status);
}

void UaSecureChannel::failOpenInTime()
{
    const QString step = m_state == State::Connecting ? QStringLiteral("no connection")
                                                      : QStringLiteral("no answer to the opening");
    fail(UaStatus::BadTimeout,
         step + QStringLiteral(" within %1 ms (time-out)").arg(m_openTimer.interval()));
}

void UaSecureChannel::finish(quint32 status)
{
    m_state = State::Closed;
    m_closeStatus = status;
    m_openRequestId = 0;
    m_renewTimer.stop();
    m_openTimer.stop();
    m_socket->abort();
    const quint32 requestStatus =
        status == UaStatus::Good ? UaStatus::BadSecureChannelClosed : status;
    m_expiryTimer.stop();
    const QHash<quint32, Pending> pending = std::exchange(m_pending, {});
    for (auto it = pending.cbegin(); it != pending.cend(); ++it) {
        if (it.key() == m_waitingFor || !it->handler)
            continue;
        const UaResponseHandler handler = it->handler;
        notify([handler, requestStatus] { handler(failedResponse(requestStatus)); });
    }
    notify([this, status] { Q_EMIT closed(status); });
}

void UaSecureChannel::expireRequests()
{
    QList<UaResponseHandler> expired;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (it->deadline.hasExpired()) {
            if (it->handler)
                expired.append(it->handler);
            it = m_pending.erase(it);
        } else {
            ++it;
        }
    }
    if (m_pending.isEmpty())
        m_expiryTimer.stop();
    for (const UaResponseHandler &handler : expired)
        notify([handler] { handler(failedResponse(UaStatus::BadTimeout)); });
}

// Handlers and signals never run inside the socket's readyRead: a handler that waits
// synchronously for another response would not see it, because QAbstractSocket emits no
// second readyRead while one is being handled. They run from the event loop in order of
// arrival, or after the synchronous wait in progress.
void UaSecureChannel::notify(std::function<void()> call)
{
    m_deferred.append(std::move(call));
    if (m_waitingFor == 0)
        scheduleDelivery();
}

void UaSecureChannel::scheduleDelivery()
{
    if (m_deliveryScheduled)
        return;
    m_deliveryScheduled = true;
    QTimer::singleShot(0, this, &UaSecureChannel::deliverDeferred);
}

void UaSecureChannel::deliverDeferred()
{
    m_deliveryScheduled = false;
    const QList<std::function<void()>> calls = std::exchange(m_deferred, {});
    for (const auto &call : calls)
        call();
}

quint32 UaSecureChannel::nextRequestId()
{
    if (++m_lastRequestId == 0)
        m_lastRequestId = 1;
    return m_lastRequestId;
}
