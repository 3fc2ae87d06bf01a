#pragma once

#include "ChunkAssembler.h"
#include "ChunkWriter.h"
#include "NodeId.h"
#include "UaChannelServices.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

class QTcpSocket;

// One response as the channel delivers it: status is Good when a message came, else why none
// came (the channel closed, the server aborted the message, the wait timed out). typeId names
// the encoded structure in body, which starts after that type id.
struct UaResponse {
    quint32 status = UaStatus::Good;
    NodeId typeId;
    QByteArray body;
};
using UaResponseHandler = std::function<void(const UaResponse &)>;

// A secure channel with security mode None over one TCP connection (OPC 10000-6, 7.1 and 6.7):
// Hello/Acknowledge, OpenSecureChannel Issue, Renew at 75 % of the token lifetime, requests
// matched to responses by request id, CloseSecureChannel. Runs in the event loop on a
// QTcpSocket with TCP_NODELAY. Any failure (a refused connection, the server's Error message,
// a stream the assembler rejects, a lost socket) closes the channel for good with a status;
// closed() is emitted once and every open request gets that status.
class UaSecureChannel : public QObject {
    Q_OBJECT
public:
    enum class State { Closed, Connecting, Opening, Open };

    explicit UaSecureChannel(QObject *parent = nullptr);
    ~UaSecureChannel() override;

    // Connects to "opc.tcp://host[:port][/path]" (port 4840 when not given). A URL of another
    // form closes the channel at once with BadTcpEndpointUrlInvalid.
    void open(const QString &endpointUrl);
    // Sends CloseSecureChannel and closes the socket; closed(Good).
    void close();
    // Closes the channel without a goodbye because something it carried could not be
    // trusted (a response that does not decode); closed(status).
    void abort(quint32 status) { fail(status); }

    State state() const { return m_state; }
    QString endpointUrl() const { return m_endpointUrl; }
    const ChannelSecurityToken &token() const { return m_token; }
    quint32 closeStatus() const { return m_closeStatus; }
    // Why the channel closed, in words: the reason of the server's Error message, or what the
    // client saw (the name did not resolve, the connection was refused, nothing in time).
    QString closeReason() const { return m_closeReason; }
    void setRequestedLifetime(quint32 milliseconds) { m_requestedLifetime = milliseconds; }
    // How long opening (connect, Hello, OpenSecureChannel) may take.
    void setOpenTimeout(int milliseconds) { m_openTimer.setInterval(milliseconds); }

    // Sends an encoded service request (type id, then the request) in a MSG message and
    // returns its request id. handler gets the response later from the event loop, or
    // BadTimeout when timeoutMs (0: no limit) passed without one. When the channel is not
    // open or the request is too large the result is 0 and handler gets that status from the
    // event loop.
    quint32 send(const QByteArray &body, UaResponseHandler handler = {}, int timeoutMs = 0);
    // Waits on this channel's socket alone (no event loop) until the response to requestId
    // arrives and returns it, without calling its handler; BadTimeout after timeoutMs. Other
    // responses, and the closing of the channel, that happen meanwhile are delivered from the
    // event loop afterwards.
    UaResponse waitFor(quint32 requestId, int timeoutMs);
    // Waits on this channel's socket alone (no event loop) until it has connected or data
    // came in and was handled, at most timeoutMs, so that opening can go on where the event
    // loop does not run. Signals and handlers run from inside. False when the channel is
    // closed or nothing happened in time.
    bool waitForProgress(int timeoutMs);

Q_SIGNALS:
    void opened();
    void renewed();
    void closed(quint32 status);

private:
    void onConnected();
    void onReadyRead();
    void onSocketError();
    void handle(const ReceivedMessage &message);
    void handleAcknowledge(const ReceivedMessage &message);
    void handleOpenResponse(const ReceivedMessage &message);
    void handleResponse(const ReceivedMessage &message);
    void sendOpenRequest(OpenSecureChannelRequest::RequestType type);
    quint32 writeMessage(MessageType type, quint32 requestId, const QByteArray &body);
    void fail(quint32 status);
    // Fails with a reason for closeReason(): what went wrong, in words for the operator.
    void fail(quint32 status, const QString &reason);
    // The channel did not open within the open time-out.
    void failOpenInTime();
    void finish(quint32 status);
    // Runs now, or after a synchronous wait when one is in progress.
    void notify(std::function<void()> call);
    bool progress(int timeoutMs);
    void scheduleDelivery();
    void deliverDeferred();
    quint32 nextRequestId();

    QTcpSocket *m_socket;
    QTimer m_renewTimer;
    QTimer m_openTimer;
    ChunkAssembler m_assembler;
    ChunkWriter m_writer;
    State m_state = State::Closed;
    QString m_endpointUrl;
    ChannelSecurityToken m_token;
    quint32 m_requestedLifetime = 600000;
    quint32 m_openRequestId = 0;
    quint32 m_lastRequestId = 0;
    quint32 m_closeStatus = UaStatus::BadNotConnected;
    QString m_closeReason;
    struct Pending {
        UaResponseHandler handler;
        QDeadlineTimer deadline;
    };
    // Completes the requests whose time is up with BadTimeout.
    void expireRequests();

    QTimer m_expiryTimer;
    QHash<quint32, Pending> m_pending;
    quint32 m_waitingFor = 0;
    std::optional<UaResponse> m_waitResult;
    QList<std::function<void()>> m_deferred;
    bool m_deliveryScheduled = false;
};
