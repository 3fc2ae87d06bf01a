#pragma once

#include "UaAttributeServices.h"
#include "UaSecureChannel.h"

#include <QObject>
#include <functional>

// The outcome of a Read: status is the service result (or why no response came); values
// holds one DataValue per item, in the order asked, when status is Good.
struct ReadResult {
    quint32 status = UaStatus::Good;
    QList<DataValue> values;
};

// The outcome of a Write: status as for ReadResult; results one status per item.
struct WriteResult {
    quint32 status = UaStatus::Good;
    QList<quint32> results;
};

// An anonymous session on its own secure channel (OPC 10000-4, 5.6): CreateSession, then
// ActivateSession with the anonymous policy the server names for the None security policy,
// Read and Write as asynchronous calls with a callback each, synchronous variants that wait
// on the channel's socket alone, and CloseSession. A session that cannot be established or
// whose channel closes ends with closed(status); a new open() starts from scratch.
// A session whose channel was lost keeps its identity: reopen() transfers it to a new channel
// (OPC 10000-4, 5.6.3), and the server's subscriptions of it live on. close() ends it for good.
class UaSession : public QObject {
    Q_OBJECT
public:
    enum class State { Closed, Opening, Active, Closing };
    using ReadHandler = std::function<void(const ReadResult &)>;
    using WriteHandler = std::function<void(const WriteResult &)>;

    explicit UaSession(QObject *parent = nullptr);

    void open(const QString &endpointUrl);
    // Opens a new channel to the endpoint of the last open() and re-activates the session on
    // it with ActivateSession; when the server refuses (it restarted, or the session timed
    // out) or there is no session to re-activate, it creates a new one. activated() or
    // closed(status) follow as for open(); resumed() tells which of the two it was.
    void reopen();
    // CloseSession, then CloseSecureChannel; closed(Good). Without a channel it forgets the
    // identity kept for reopen().
    void close();

    State state() const { return m_state; }
    UaSecureChannel *channel() { return &m_channel; }
    const UaSecureChannel *channel() const { return &m_channel; }
    const NodeId &sessionId() const { return m_sessionId; }
    double revisedSessionTimeout() const { return m_revisedSessionTimeout; }
    // Whether reopen() can try to re-activate: the session was active and is Closed because
    // its channel was lost, not by close().
    bool canResume() const { return m_state == State::Closed && m_resumable; }
    // Whether the last activation re-activated an existing session on a new channel (true)
    // or activated a new session (false, and subscriptions of an earlier one are gone).
    bool resumed() const { return m_resumed; }
    // How long an asynchronous call waits for its response before it gets BadTimeout, and
    // the timeout hint sent with each request, in milliseconds.
    void setRequestTimeout(int milliseconds) { m_requestTimeout = milliseconds; }

    // Returns the request id, 0 when the request could not be sent (handler then gets the
    // reason from the event loop).
    quint32 read(const QList<ReadItem> &items, ReadHandler handler);
    quint32 write(const QList<WriteItem> &items, WriteHandler handler);
    // BadTimeout when no response came within timeoutMs.
    ReadResult readSync(const QList<ReadItem> &items, int timeoutMs);
    WriteResult writeSync(const QList<WriteItem> &items, int timeoutMs);

    // Any other service: body is the encoded request (type id first) whose header came from
    // requestHeader(). send() answers through handler from the event loop, sendSync() waits
    // on the channel's socket alone; both as UaSecureChannel::send() and waitFor().
    RequestHeader requestHeader();
    // Service requests sent on this session object so far, Publish requests included.
    quint64 requestsSent() const { return m_requestsSent; }
    quint32 send(const QByteArray &body, UaResponseHandler handler, int timeoutMs);
    UaResponse sendSync(const QByteArray &body, int timeoutMs);
    // Good when response carries the expected response type; else the reason, with a
    // ServiceFault's service result.
    static quint32 responseStatus(const UaResponse &response, quint32 expectedTypeId);

Q_SIGNALS:
    void activated();
    void closed(quint32 status);

private:
    void onChannelOpened();
    void createSession();
    void onCreateSessionResponse(const UaResponse &response);
    void activateSession();
    void onActivateSessionResponse(const UaResponse &response);
    void onChannelClosed(quint32 status);
    void fail(quint32 status);
    ReadResult readResult(const UaResponse &response, qsizetype count);
    WriteResult writeResult(const UaResponse &response, qsizetype count);

    UaSecureChannel m_channel;
    State m_state = State::Closed;
    quint32 m_failStatus = UaStatus::Good;
    NodeId m_sessionId;
    NodeId m_authenticationToken;
    double m_revisedSessionTimeout = 0;
    QString m_anonymousPolicyId;
    // The identity belongs to a session the server activated and close() has not ended.
    bool m_resumable = false;
    // The opening under way re-activates the kept identity.
    bool m_resuming = false;
    bool m_resumed = false;
    quint32 m_lastRequestHandle = 0;
    quint64 m_requestsSent = 0;
    int m_requestTimeout = 10000;
};
