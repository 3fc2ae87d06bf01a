#pragma once

#include "UaSession.h"

#include <QObject>
#include <QTimer>

// Keeps one session with one endpoint up. After a failed attempt or a lost connection it
// waits a back-off (250 ms at first, doubled after each failure up to 1 s, back to the first
// after a connect) and tries again. The cap is low because a PLC that is back must be found at
// once, and an attempt at a PLC that is off costs next to nothing. A lost channel first
// re-activates the old session on a new channel, so that its subscriptions live on, and only
// when the server refuses that (it restarted, or the session timed out) does a new session
// take its place.
//
// connected() and disconnected() are emitted from the event loop, or from inside
// waitForConnected() when the attempt ends there. disconnectFromEndpoint() emits nothing.
class UaClient : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Connecting, Connected, WaitingToRetry };

    explicit UaClient(QObject *parent = nullptr);

    // Starts connecting to endpointUrl and keeps the connection. Nothing happens when that
    // endpoint is already being served; another endpoint ends the current connection first.
    void connectToEndpoint(const QString &endpointUrl);
    // Ends the session (CloseSession, CloseSecureChannel) and stops retrying.
    void disconnectFromEndpoint();
    // Waits on the socket alone, at most timeoutMs, until the goodbye of
    // disconnectFromEndpoint() has been answered and the channel is closed, so that the
    // server frees the session at once instead of after its timeout (PLCs allow few).
    void waitForDisconnected(int timeoutMs);
    // Drops the channel now without a goodbye (a stalled server); the usual recovery
    // follows. status is what lastStatus() and disconnected() report. Nothing happens unless
    // connected or connecting.
    void abortConnection(quint32 status);
    // Waits, without the event loop (on the session's socket alone, bounded by a
    // QDeadlineTimer), until the current attempt has connected or failed, at most timeoutMs;
    // true when Connected. Returns at once when Idle, Connected or WaitingToRetry. The
    // signals of the attempt's end are emitted from inside.
    bool waitForConnected(int timeoutMs);

    State state() const { return m_state; }
    UaSession &session() { return m_session; }
    const UaSession &session() const { return m_session; }
    QString endpointUrl() const { return m_endpointUrl; }
    // Why the last attempt failed or the last connection was lost; Good when neither happened
    // since connectToEndpoint().
    quint32 lastStatus() const { return m_lastStatus; }
    // The back-off being waited, in milliseconds; 0 when not waiting.
    int retryInterval() const { return m_retryInterval; }
    // Connections re-established after a loss, over the client's lifetime.
    quint64 reconnectCount() const { return m_reconnectCount; }
    // The first back-off and the most it grows to, in milliseconds; from the next failure on.
    void setBackoff(int firstMs, int maxMs);

Q_SIGNALS:
    // A session is active (again). newSession is false when the old session was re-activated
    // on a new channel (its subscriptions live on), true for a new session (first connect,
    // or the server had lost the old one).
    void connected(bool newSession);
    // The connection was lost or an attempt failed; a retry is scheduled unless
    // disconnectFromEndpoint() was called.
    void disconnected(quint32 status);

private:
    void startAttempt();
    void onActivated();
    void onSessionClosed(quint32 status);
    void scheduleRetry();

    UaSession m_session;
    QTimer m_retryTimer;
    State m_state = State::Idle;
    QString m_endpointUrl;
    quint32 m_lastStatus = UaStatus::Good;
    int m_firstBackoff = 250;
    int m_maxBackoff = 1000;
    int m_nextBackoff = 250;
    int m_retryInterval = 0;
    quint64 m_reconnectCount = 0;
    // A connection was lost and has not been re-established yet.
    bool m_lost = false;
    // The session was still closing when an attempt was due; it starts once it has closed.
    bool m_attemptWhenClosed = false;
};
