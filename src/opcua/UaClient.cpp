#include "UaClient.h"

#include <QDeadlineTimer>
#include <utility>

UaClient::UaClient(QObject *parent)
    : QObject(parent)
    , m_session(this)
{
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, [this] {
        m_state = State::Connecting;
        m_retryInterval = 0;
        startAttempt();
    });
    connect(&m_session, &UaSession::activated, this, &UaClient::onActivated);
    connect(&m_session, &UaSession::closed, this, &UaClient::onSessionClosed);
}

void UaClient::connectToEndpoint(const QString &endpointUrl)
{
    if (m_state != State::Idle && endpointUrl == m_endpointUrl)
        return;
    disconnectFromEndpoint();
    m_endpointUrl = endpointUrl;
    m_lastStatus = UaStatus::Good;
    m_nextBackoff = m_firstBackoff;
    m_state = State::Connecting;
    startAttempt();
}

void UaClient::disconnectFromEndpoint()
{
    m_retryTimer.stop();
    m_retryInterval = 0;
    m_attemptWhenClosed = false;
    m_lost = false;
    m_state = State::Idle;
    // Also forgets a session kept for re-activation, so that the next connect starts anew.
    m_session.close();
}

void UaClient::waitForDisconnected(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    UaSecureChannel *channel = m_session.channel();
    while (channel->state() != UaSecureChannel::State::Closed && !deadline.hasExpired())
        channel->waitForProgress(int(deadline.remainingTime()));
}

void UaClient::abortConnection(quint32 status)
{
    if (m_state == State::Connected || m_state == State::Connecting)
        m_session.channel()->abort(status);
}

bool UaClient::waitForConnected(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (m_state == State::Connecting && !deadline.hasExpired()) {
        // Progress runs the session's handlers, which end the attempt through its signals; a
        // closed channel whose news waits for the event loop cannot move on here.
        if (!m_session.channel()->waitForProgress(int(deadline.remainingTime())) &&
            m_session.channel()->state() == UaSecureChannel::State::Closed)
            break;
    }
    return m_state == State::Connected;
}

void UaClient::setBackoff(int firstMs, int maxMs)
{
    m_firstBackoff = qMax(1, firstMs);
    m_maxBackoff = qMax(m_firstBackoff, maxMs);
    m_nextBackoff = m_firstBackoff;
}

void UaClient::startAttempt()
{
    if (m_session.state() != UaSession::State::Closed) {
        m_attemptWhenClosed = true;
        return;
    }
    if (m_session.canResume())
        m_session.reopen();
    else
        m_session.open(m_endpointUrl);
}

void UaClient::onActivated()
{
    if (m_state != State::Connecting)
        return;
    m_state = State::Connected;
    m_nextBackoff = m_firstBackoff;
    if (std::exchange(m_lost, false))
        ++m_reconnectCount;
    Q_EMIT connected(!m_session.resumed());
}

void UaClient::onSessionClosed(quint32 status)
{
    if (std::exchange(m_attemptWhenClosed, false)) {
        startAttempt();
        return;
    }
    if (m_state != State::Connected && m_state != State::Connecting)
        return; // the goodbye of disconnectFromEndpoint()
    if (m_state == State::Connected)
        m_lost = true;
    // A session closed by someone else than this client is gone all the same.
    m_lastStatus = UaStatus::isBad(status) ? status : UaStatus::BadConnectionClosed;
    scheduleRetry();
    Q_EMIT disconnected(m_lastStatus);
}

void UaClient::scheduleRetry()
{
    m_state = State::WaitingToRetry;
    m_retryInterval = m_nextBackoff;
    m_nextBackoff = int(qMin<qint64>(qint64(m_nextBackoff) * 2, m_maxBackoff));
    m_retryTimer.start(m_retryInterval);
}
