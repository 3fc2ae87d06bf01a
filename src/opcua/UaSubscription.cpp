#include "UaSubscription.h"

#include "UaDecoder.h"
#include "UaServiceIds.h"

#include <QPointer>
#include <cmath>
#include <limits>

namespace {
constexpr quint32 kKeepAliveCount = 10;
constexpr quint32 kLifetimeCount = 3 * kKeepAliveCount;
constexpr int kPublishRequests = 2;
// How much longer than the keep-alive window a Publish may stay with the server: it holds
// the request legitimately until a notification or keep-alive is due.
constexpr qint64 kPublishGraceMs = 10000;
constexpr qint64 kMinWatchdogMarginMs = 1000;
// The pause before the next Publish after one failed without closing the channel, so that a
// server answering every request at once with an error is not asked again and again.
constexpr int kRetryDelayMs = 1000;
// Publish requests refused one after the other: the subscription is taken as lost, so that it
// is created anew instead of staying deaf while the server goes on answering.
constexpr int kMaxRefusedPublishes = 3;
// How long a deletion sent without waiting may take before it is given up.
constexpr int kDropTimeoutMs = 5000;
// What a server may grant and still serve a station that waits for its requests: intervals
// up to a minute, a keep-alive window up to ten minutes. Anything beyond (or zero, negative,
// not a number) is a server answering nonsense.
constexpr double kMaxIntervalMs = 60000;
constexpr double kMaxKeepAliveWindowMs = 600000;

bool usableInterval(double milliseconds, bool zeroAllowed)
{
    return std::isfinite(milliseconds) && milliseconds <= kMaxIntervalMs &&
           (milliseconds > 0 || (zeroAllowed && milliseconds == 0));
}

int clampedMs(qint64 milliseconds)
{
    return int(qBound(qint64(1), milliseconds, qint64(std::numeric_limits<int>::max() / 2)));
}

// The decoded response of a synchronous call and the service's status, or why there is none.
// A body that does not decode ends the channel, as the session does with Read and Write.
template <typename Response>
quint32 callSync(UaSession &session, const QByteArray &body, quint32 responseType, int timeoutMs,
                 Response &out)
{
    const UaResponse response = session.sendSync(body, timeoutMs);
    if (const quint32 status = UaSession::responseStatus(response, responseType))
        return status;
    UaDecoder decoder(response.body);
    out = Response::decode(decoder);
    if (!decoder.ok()) {
        session.channel()->abort(decoder.status());
        return decoder.status();
    }
    return out.header.serviceResult;
}

// The one result of a service called for one operation.
quint32 singleResult(quint32 serviceStatus, const QList<quint32> &results)
{
    if (UaStatus::isBad(serviceStatus))
        return serviceStatus;
    return results.size() == 1 ? results.first() : UaStatus::BadUnknownResponse;
}

// What a Publish answered by the server means for the subscription rather than for this one
// request (OPC 10000-4, 5.13.5).
bool meansSubscriptionLost(quint32 status)
{
    switch (status & 0xFFFF0000u) {
    case UaStatus::BadNoSubscription:
    case UaStatus::BadSubscriptionIdInvalid:
    case UaStatus::BadSessionIdInvalid:
    case UaStatus::BadSessionClosed:
        return true;
    default:
        return false;
    }
}
} // namespace

UaSubscription::UaSubscription(UaSession &session, QObject *parent)
    : QObject(parent)
    , m_session(session)
{
    m_watchdog.setSingleShot(true);
    m_retryTimer.setSingleShot(true);
    m_retryTimer.setInterval(kRetryDelayMs);
    // A synchronous call that blocked the event loop for longer than the window leaves the
    // answers that came meanwhile queued behind the expired watchdog; they go first, and only
    // a watchdog that none of them re-armed reports the silence.
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (m_publishing && !m_watchdog.isActive())
                Q_EMIT stalled();
        });
    });
    connect(&m_retryTimer, &QTimer::timeout, this, &UaSubscription::topUp);
    connect(&m_session, &UaSession::closed, this, &UaSubscription::stopPublishing);
    connect(&m_session, &UaSession::activated, this, [this] {
        if (isCreated() && !m_publishing)
            startPublishing();
    });
}

quint32 UaSubscription::createSync(int timeoutMs)
{
    reset();
    CreateSubscriptionRequest request;
    request.header = m_session.requestHeader();
    request.header.timeoutHint = quint32(qMax(0, timeoutMs));
    request.publishingInterval = m_publishingInterval;
    request.maxKeepAliveCount = kKeepAliveCount;
    request.lifetimeCount = kLifetimeCount;
    CreateSubscriptionResponse created;
    const quint32 status = callSync(m_session, request.toBody(),
                                    UaServiceId::CreateSubscriptionResponse, timeoutMs, created);
    if (UaStatus::isBad(status))
        return status;
    if (created.subscriptionId == 0)
        return UaStatus::BadUnknownResponse;
    // The watchdog and the Publish time-out are derived from these: a subscription granted
    // with values no station can work with is refused rather than trusted.
    if (!usableInterval(created.revisedPublishingInterval, false) ||
        created.revisedMaxKeepAliveCount == 0 ||
        created.revisedPublishingInterval * created.revisedMaxKeepAliveCount >
            kMaxKeepAliveWindowMs) {
        dropOnServer(created.subscriptionId);
        return UaStatus::BadUnknownResponse;
    }
    m_subscriptionId = created.subscriptionId;
    m_revisedPublishingInterval = created.revisedPublishingInterval;
    m_revisedKeepAliveCount = created.revisedMaxKeepAliveCount;
    startPublishing();
    return status;
}

quint32 UaSubscription::addItemSync(const NodeId &node, quint32 clientHandle,
                                    double samplingInterval, quint32 queueSize,
                                    quint32 &monitoredItemId, double &revisedSamplingInterval,
                                    int timeoutMs)
{
    if (!isCreated())
        return UaStatus::BadInvalidState;
    CreateMonitoredItemsRequest request;
    request.header = m_session.requestHeader();
    request.header.timeoutHint = quint32(qMax(0, timeoutMs));
    request.subscriptionId = m_subscriptionId;
    request.items.append({node, clientHandle, samplingInterval, queueSize, false});
    CreateMonitoredItemsResponse created;
    const quint32 status = callSync(m_session, request.toBody(),
                                    UaServiceId::CreateMonitoredItemsResponse, timeoutMs, created);
    if (UaStatus::isBad(status))
        return status;
    if (created.results.size() != 1)
        return UaStatus::BadUnknownResponse;
    const MonitoredItemResult &result = created.results.first();
    if (!UaStatus::isGood(result.status))
        return result.status;
    if (result.monitoredItemId == 0)
        return UaStatus::BadUnknownResponse;
    if (!usableInterval(result.revisedSamplingInterval, true)) {
        DeleteMonitoredItemsRequest drop;
        drop.header = m_session.requestHeader();
        drop.subscriptionId = m_subscriptionId;
        drop.monitoredItemIds = {result.monitoredItemId};
        sendWithoutWaiting(drop.toBody());
        return UaStatus::BadUnknownResponse;
    }
    monitoredItemId = result.monitoredItemId;
    revisedSamplingInterval = result.revisedSamplingInterval;
    return result.status;
}

quint32 UaSubscription::removeItemSync(quint32 monitoredItemId, int timeoutMs)
{
    if (!isCreated())
        return UaStatus::BadInvalidState;
    DeleteMonitoredItemsRequest request;
    request.header = m_session.requestHeader();
    request.header.timeoutHint = quint32(qMax(0, timeoutMs));
    request.subscriptionId = m_subscriptionId;
    request.monitoredItemIds = {monitoredItemId};
    DeleteResponse deleted;
    const quint32 status = callSync(m_session, request.toBody(),
                                    UaServiceId::DeleteMonitoredItemsResponse, timeoutMs, deleted);
    return singleResult(status, deleted.results);
}

quint32 UaSubscription::deleteSync(int timeoutMs)
{
    if (!isCreated())
        return UaStatus::BadInvalidState;
    DeleteSubscriptionsRequest request;
    request.header = m_session.requestHeader();
    request.header.timeoutHint = quint32(qMax(0, timeoutMs));
    request.subscriptionIds = {m_subscriptionId};
    // Forgotten first: the server answers the Publish requests it still holds with
    // BadNoSubscription, which must not look like a lost subscription.
    reset();
    DeleteResponse deleted;
    const quint32 status = callSync(m_session, request.toBody(),
                                    UaServiceId::DeleteSubscriptionsResponse, timeoutMs, deleted);
    return singleResult(status, deleted.results);
}

// DeleteSubscriptions for a subscription this client no longer uses.
void UaSubscription::dropOnServer(quint32 subscriptionId)
{
    DeleteSubscriptionsRequest drop;
    drop.header = m_session.requestHeader();
    drop.subscriptionIds = {subscriptionId};
    sendWithoutWaiting(drop.toBody());
}

// A clean-up request whose answer changes nothing here.
void UaSubscription::sendWithoutWaiting(const QByteArray &body)
{
    m_session.send(
        body, [](const UaResponse &) {}, kDropTimeoutMs);
}

void UaSubscription::reset()
{
    stopPublishing();
    m_subscriptionId = 0;
    m_revisedPublishingInterval = 0;
    m_revisedKeepAliveCount = 0;
    m_acknowledgements.clear();
}

void UaSubscription::startPublishing()
{
    ++m_epoch;
    m_publishing = true;
    m_outstanding = 0;
    m_maxOutstanding = kPublishRequests;
    m_refusedPublishes = 0;
    const qint64 window = keepAliveWindow();
    m_watchdog.start(clampedMs(window + qMax(window / 2, kMinWatchdogMarginMs)));
    topUp();
}

void UaSubscription::stopPublishing()
{
    ++m_epoch;
    m_publishing = false;
    m_outstanding = 0;
    m_watchdog.stop();
    m_retryTimer.stop();
}

void UaSubscription::topUp()
{
    while (m_publishing && m_outstanding < m_maxOutstanding)
        sendPublish();
}

void UaSubscription::sendPublish()
{
    const int timeout = clampedMs(keepAliveWindow() + kPublishGraceMs);
    PublishRequest request;
    request.header = m_session.requestHeader();
    request.header.timeoutHint = quint32(timeout);
    request.acknowledgements = std::exchange(m_acknowledgements, {});
    ++m_outstanding;
    const QPointer<UaSubscription> self(this);
    const quint64 epoch = m_epoch;
    const QList<SubscriptionAcknowledgement> sent = request.acknowledgements;
    // A request that cannot be sent is answered through the handler from the event loop.
    m_session.send(
        request.toBody(),
        [self, epoch, sent](const UaResponse &response) {
            if (self)
                self->onPublishResponse(epoch, sent, response);
        },
        timeout);
}

void UaSubscription::onPublishResponse(quint64 epoch,
                                       const QList<SubscriptionAcknowledgement> &sent,
                                       const UaResponse &response)
{
    const bool current = epoch == m_epoch;
    if (current) {
        --m_outstanding;
        // Any answer from the server, an error too, shows that it is alive.
        if (response.status == UaStatus::Good)
            m_watchdog.start();
    }
    quint32 status = UaSession::responseStatus(response, UaServiceId::PublishResponse);
    PublishResponse published;
    if (status == UaStatus::Good) {
        UaDecoder decoder(response.body);
        published = PublishResponse::decode(decoder);
        if (!decoder.ok()) {
            m_session.channel()->abort(decoder.status());
            return;
        }
        status = published.header.serviceResult;
    }
    // Publish requests are not tied to one subscription: one sent before the loop restarted
    // may carry the current subscription's notifications.
    if (!UaStatus::isBad(status) && isCreated() && published.subscriptionId == m_subscriptionId &&
        !deliver(published.message))
        return;
    if (!current || epoch != m_epoch)
        return;
    if (UaStatus::isBad(status)) {
        for (const SubscriptionAcknowledgement &ack : sent) {
            if (ack.subscriptionId == m_subscriptionId)
                m_acknowledgements.append(ack);
        }
        handleFailure(response, status);
        return;
    }
    m_refusedPublishes = 0;
    topUp();
}

bool UaSubscription::deliver(const NotificationMessage &message)
{
    if (message.isKeepAlive()) {
        ++m_keepAliveCount;
        return true;
    }
    m_acknowledgements.append({m_subscriptionId, message.sequenceNumber});
    const QPointer<UaSubscription> self(this);
    const quint64 epoch = m_epoch;
    for (const ItemNotification &item : message.dataChanges) {
        ++m_notificationCount;
        Q_EMIT dataChanged(item.clientHandle, item.value);
        if (!self || epoch != m_epoch)
            return false;
    }
    for (const quint32 status : message.statusChanges) {
        // BadTimeout: the lifetime ran out; GoodSubscriptionTransferred: another session took
        // the subscription over. Either way no more notifications come here.
        const quint32 code = status & 0xFFFF0000u;
        if (code == UaStatus::BadTimeout || code == UaStatus::GoodSubscriptionTransferred) {
            loseSubscription(status);
            return false;
        }
    }
    return true;
}

void UaSubscription::handleFailure(const UaResponse &response, quint32 status)
{
    if (response.status != UaStatus::Good) {
        // No answer: a time-out or an aborted message on a channel that is still open is
        // tried again; a closed channel ends the loop until the session is activated again.
        if (m_session.channel()->state() == UaSecureChannel::State::Open)
            retryLater();
        else
            stopPublishing();
        return;
    }
    if (meansSubscriptionLost(status)) {
        loseSubscription(status);
        return;
    }
    if ((status & 0xFFFF0000u) == UaStatus::BadTooManyPublishRequests) {
        m_maxOutstanding = qMax(1, m_maxOutstanding - 1);
    } else if (++m_refusedPublishes >= kMaxRefusedPublishes) {
        // The server still holds it: deleted, so that its notifications take no Publish
        // request of the successor's.
        dropOnServer(m_subscriptionId);
        loseSubscription(status);
        return;
    }
    if (m_outstanding < m_maxOutstanding)
        retryLater();
}

void UaSubscription::retryLater()
{
    if (m_publishing && !m_retryTimer.isActive())
        m_retryTimer.start();
}

void UaSubscription::loseSubscription(quint32 status)
{
    reset();
    Q_EMIT lost(status);
}

qint64 UaSubscription::keepAliveWindow() const
{
    return qint64(m_revisedPublishingInterval * m_revisedKeepAliveCount);
}
