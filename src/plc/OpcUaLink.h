#pragma once

#include "BuiltinType.h"
#include "EventGate.h"
#include "NodeId.h"
#include "OpcUaLinkOptions.h"
#include "PlcLink.h"
#include "UaClient.h"
#include "UaSubscription.h"

#include <QElapsedTimer>
#include <QHash>
#include <optional>

struct DataValue;
class PlcPropertiesView;

// The PLC link over OPC UA: every operation is one synchronous service call on a session
// that the link keeps open, re-activates after a lost connection and renews after a server
// restart. A variable name becomes the string node id prefix + name in the configured
// namespace; a handle is a node whose existence and data type were checked once; the request
// flag's notification is a monitored item in one subscription whose keep-alives also tell
// when the server has stopped answering.
//
// The first operation connects and waits for the session (at most the call time-out): at
// start-up the station builds its link right after naming the PLC. Later, while the link
// is re-connecting, operations fail at once with BadServerNotConnected, so a request cycle
// never hangs on a lost PLC; a call that times out drops the connection for the same
// reason. stateChanged(kStateEstablished) then tells the station to build the link again.
//
// Events that arise during an operation (a session established while waiting) are held and
// emitted from the event loop after it returns.
class OpcUaLink : public PlcLink {
    Q_OBJECT
public:
    explicit OpcUaLink(const OpcUaLinkOptions &options, QObject *parent = nullptr);
    ~OpcUaLink() override;

    void setPropertiesView(PlcPropertiesView *view) { m_propertiesView = view; }
    // Round trips to the server so far: every service request, Publish requests included.
    quint64 serviceRequests() const { return m_client.session().requestsSent(); }
    PlcLinkProperties properties() const override;

    QString netId() const override { return m_netId; }
    void setNetId(const QString &netId) override { m_netId = netId; }
    QString netId2() const override { return m_netId2; }
    void setNetId2(const QString &netId) override { m_netId2 = netId; }
    QString port() const override { return m_port; }
    void setPort(const QString &port) override { m_port = port; }

    qint32 createHandle(const QString &name, qint32 &handle) override;
    qint32 releaseHandle(qint32 handle) override;
    qint32 addNotification(const QString &name, int mode, int cycleMs, qint32 &hNotification,
                           quint64 userTag) override;
    qint32 deleteNotification(qint32 hNotification) override;
    int reportDelayMs(qint32 hNotification) const override;
    int earliestReportMs(qint32 hNotification) const override;
    int checkIntervalMs() const override { return m_options.checkMs; }
    bool isConnected() const override;
    QString connectionProblem() const override;
    qint32 getVariableInfo(const QString &name, qint32 &namespaceIndex, qint32 &size,
                           QString &typeName, qint32 &dataTypeId, qint32 &accessLevel) override;

    qint32 readBool(qint32 handle, int byteCount, bool &value) override;
    qint32 writeBool(qint32 handle, int byteCount, bool value) override;
    qint32 readInt(qint32 handle, int byteCount, qint16 &value) override;
    qint32 writeInt(qint32 handle, int byteCount, qint16 value) override;
    qint32 readLong(qint32 handle, int byteCount, qint32 &value) override;
    qint32 writeLong(qint32 handle, int byteCount, qint32 value) override;
    qint32 writeLReal(qint32 handle, int byteCount, double value) override;
    qint32 readString(qint32 handle, int byteCount, QString &value) override;
    qint32 writeString(qint32 handle, int byteCount, const QString &value) override;
    // One Read or one Write service call for all items. A call the server refuses as a whole
    // (too many operations for it, say) is made again one variable at a time; a call lost
    // with the link gives every item the link's code, as each single call would have.
    void readMany(PlcItems &items) override;
    void writeMany(PlcItems &items) override;

    void showProperties() override;
    void closeLink() override;

private:
    // Byte counts the station passes with each scalar operation, single or batched.
    static constexpr int kBoolBytes = 2;
    static constexpr int kIntBytes = 2;
    static constexpr int kLongBytes = 4;
    static constexpr int kRealBytes = 8;

    struct Variable {
        QString name;
        NodeId node;
        std::optional<BuiltinType> type;
    };
    struct Watch {
        QString name;
        quint64 userTag = 0;
        quint32 monitoredItemId = 0; // 0: the item died with its subscription
        double samplingMs = 0;       // as the server revised it
    };
    qint32 ready();
    qint32 resolveNamespace();
    NodeId nodeOf(const QString &name) const;
    qint32 finish(quint32 status);
    qint32 readAttributes(const NodeId &node, const QList<quint32> &attributes,
                          QList<DataValue> &values);
    qint32 textSize(const NodeId &node, qint32 &size);
    qint32 readValue(qint32 handle, int byteCount, int expected, QMetaType::Type as,
                     QVariant &value);
    qint32 writeValue(qint32 handle, int byteCount, int expected, const QVariant &value);
    // Batches: the item's variable when its handle and byte count are right (else the item
    // is answered), the value read taken into the item, the value converted for its write.
    static bool fits(const PlcItem &item, bool read);
    const Variable *batchVariable(PlcItem &item, bool read);
    qint32 takeRead(const DataValue &read, PlcItem &item);
    quint32 convertForWrite(const Variable &variable, const PlcItem &item, Variant &converted);
    // True, with every item answered, when there is nothing to send or no session to send it.
    bool batchNotReady(const QList<PlcItem *> &asked);
    void batchFailed(quint32 status, const QList<PlcItem *> &asked, bool read);
    qint32 ensureSubscription();
    void onConnected(bool newSession);
    void onDisconnected(quint32 status);
    void onDataChanged(quint32 clientHandle, const DataValue &value);
    void onSubscriptionLost(quint32 status);
    void forgetSubscription();
    void noteFailure(const QString &note);
    QString samplingText() const;

    OpcUaLinkOptions m_options;
    UaClient m_client;
    UaSubscription m_subscription;
    EventGate m_gate;
    PlcPropertiesView *m_propertiesView = nullptr;
    QString m_netId;
    QString m_netId2;
    QString m_port;
    std::optional<quint16> m_namespace;
    QHash<qint32, Variable> m_variables;
    // Data types of the variables handles were created for, by name, for the session: the
    // station creates a handle for every column it transfers, and the question is answered
    // once rather than on every request.
    QHash<QString, std::optional<BuiltinType>> m_knownTypes;
    QHash<qint32, Watch> m_watches;
    qint32 m_lastHandle = 0;
    bool m_everConnected = false;
    bool m_up = false;
    bool m_closed = false;
    quint64 m_calls = 0;
    quint64 m_failedCalls = 0;
    quint64 m_events = 0;
    quint32 m_lastCallStatus = 0;
    QString m_lastNote;
    QElapsedTimer m_noted;
};
