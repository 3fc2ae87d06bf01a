#pragma once

#include "UaSession.h"
#include "UaSubscriptionServices.h"

#include <QObject>
#include <QTimer>

// One subscription on a session (OPC 10000-4, 5.13) with monitored items on the Value
// attribute of variables. Once created it keeps two Publish requests with the server, each
// acknowledging the notification messages that came before it, and reports every value
// change through dataChanged(). A watchdog notices a server that went silent. The session
// must outlive the subscription. Publish requests serve every subscription of their session,
// so a session carries one UaSubscription at a time; the Publish requests of one destroyed
// without deleteSync() stay with the server and would take a successor's notifications.
//
// When the session's channel closes the publish loop stops; the subscription itself is only
// forgotten by reset(), deleteSync() or the server's word (lost()). Should the same session be
// activated again, publishing resumes, and a server that no longer knows the subscription
// answers with lost().
class UaSubscription : public QObject {
    Q_OBJECT
public:
    explicit UaSubscription(UaSession &session, QObject *parent = nullptr);

    // Requested values; the server revises them. Defaults: 100 ms publishing interval,
    // keep-alive count 10, lifetime count 30 (3x keep-alive), 0 = no notification limit,
    // priority 0.
    void setPublishingInterval(double milliseconds) { m_publishingInterval = milliseconds; }
    bool isCreated() const { return m_subscriptionId != 0; }
    quint32 subscriptionId() const { return m_subscriptionId; }
    double revisedPublishingInterval() const { return m_revisedPublishingInterval; }
    quint32 revisedKeepAliveCount() const { return m_revisedKeepAliveCount; }

    // CreateSubscription, waiting on the session's socket alone; on Good the publish loop
    // starts and the watchdog is armed. A subscription created before is forgotten first.
    // Returns the service's status; BadUnknownResponse when the server granted intervals no
    // station can work with (zero, negative, a publishing interval above a minute or a
    // keep-alive window above ten minutes), in which case the subscription is deleted again.
    quint32 createSync(int timeoutMs);
    // One monitored item on the Value attribute of node in Reporting mode without a filter,
    // discardOldest false, so that a short pulse within one publishing interval arrives as
    // two notifications. Returns the item's status (the service's when that was bad);
    // monitoredItemId and the server's revisedSamplingInterval are set when it is good. An
    // item the server grants with an id of 0 or an unusable interval is refused (and deleted).
    quint32 addItemSync(const NodeId &node, quint32 clientHandle, double samplingInterval,
                        quint32 queueSize, quint32 &monitoredItemId,
                        double &revisedSamplingInterval, int timeoutMs);
    quint32 removeItemSync(quint32 monitoredItemId, int timeoutMs);
    // DeleteSubscriptions, waiting; forgets the subscription either way.
    quint32 deleteSync(int timeoutMs);
    // Forgets the subscription without a word to the server: stops the publish loop and the
    // watchdog; Publish responses that still arrive are ignored.
    void reset();

    quint64 notificationCount() const { return m_notificationCount; }
    quint64 keepAliveCount() const { return m_keepAliveCount; }

Q_SIGNALS:
    // One value change of an item, in the order the server sent them.
    void dataChanged(quint32 clientHandle, const DataValue &value);
    // Nothing came from the server for longer than the keep-alive window (revised publishing
    // interval times revised keep-alive count) plus a margin of half of that, at least 1 s.
    // Emitted once per silence; the next response re-arms it.
    void stalled();
    // The server reported the subscription gone or the session unusable for it, or refused
    // several Publish requests in a row; the subscription has been reset.
    void lost(quint32 status);

private:
    void startPublishing();
    void stopPublishing();
    void topUp();
    void sendPublish();
    void onPublishResponse(quint64 epoch, const QList<SubscriptionAcknowledgement> &sent,
                           const UaResponse &response);
    // Hands the notifications on; false when a receiver reset the subscription meanwhile.
    bool deliver(const NotificationMessage &message);
    void handleFailure(const UaResponse &response, quint32 status);
    void retryLater();
    void loseSubscription(quint32 status);
    void dropOnServer(quint32 subscriptionId);
    void sendWithoutWaiting(const QByteArray &body);
    // revisedPublishingInterval * revisedKeepAliveCount in milliseconds.
    qint64 keepAliveWindow() const;

    UaSession &m_session;
    double m_publishingInterval = 100;
    quint32 m_subscriptionId = 0;
    double m_revisedPublishingInterval = 0;
    quint32 m_revisedKeepAliveCount = 0;
    bool m_publishing = false;
    // Changes whenever the loop stops or starts, so that responses to Publish requests of an
    // earlier loop do not count against the current one.
    quint64 m_epoch = 0;
    int m_outstanding = 0;
    int m_maxOutstanding = 2;
    int m_refusedPublishes = 0;
    QList<SubscriptionAcknowledgement> m_acknowledgements;
    QTimer m_watchdog;
    QTimer m_retryTimer;
    quint64 m_notificationCount = 0;
    quint64 m_keepAliveCount = 0;
};
