#pragma once

#include "PlcLink.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QStringList>
#include <array>

// A PLC inside the process: a table of named variables behind the PlcLink operations, for
// unit tests and demonstrations without a server. It keeps what a real server would enforce
// (unknown names, data types, maximum text lengths, byte counts) and what a test wants to
// see (every call in order, every value the station wrote), and it can be told to fail.
//
// Variables are booleans (QMetaType::Bool), 16-bit integers (Short), 32-bit integers (Int),
// reals (Double) and texts (QString). A handle is a resolved name; handles count from 1 and
// notification handles from 1001, so that a caller mixing the two is refused.
class SimulatedPlc : public PlcLink {
    Q_OBJECT
public:
    struct Write {
        QString name;
        QVariant value;
    };

    explicit SimulatedPlc(QObject *parent = nullptr);

    // --- The PLC side: what a test or an operator sets up and changes.
    // Adds a variable with its type's zero value. maxStringLength limits a text variable in
    // bytes of its UTF-8 text, as OPC UA servers count it (-1: no limit). False for a type the
    // link does not carry or a name already defined.
    bool define(const QString &name, QMetaType type, int maxStringLength = -1);
    // Changes a variable as the PLC program would; watched variables report the change unless
    // report is false (a change the server's sampling never saw). False for an unknown name
    // or a value that does not convert to the variable's type.
    bool setValue(const QString &name, const QVariant &value, bool report = true);
    QVariant value(const QString &name) const;
    // Drops or restores the session: operations fail with BadServerNotConnected while it is
    // down, and a restored session reports stateChanged(kStateEstablished, 0).
    void setConnected(bool connected);
    // What reportDelayMs() and checkIntervalMs() answer (both 0 at first).
    void setReportDelay(int milliseconds) { m_reportDelayMs = milliseconds; }
    void setCheckInterval(int milliseconds) { m_checkIntervalMs = milliseconds; }

    // Failure injection by variable name; a status of 0 removes the failure again.
    void failCreateHandle(const QString &name, qint32 status);
    void failVariableInfo(const QString &name, qint32 status);
    void failNotification(const QString &name, qint32 status);
    void failRead(const QString &name, qint32 status);
    void failWrite(const QString &name, qint32 status);

    // --- What the station did.
    // Every operation in order, as "<operation> <variable name>" (operations without a
    // variable: just their name; an unknown handle shows as "#<number>").
    QStringList calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }
    // Every successful write, in order.
    QList<Write> writes() const { return m_writes; }
    // The name behind a live handle or notification handle; empty when it is not live.
    QString nameOf(qint32 handle) const;
    int liveHandles() const { return int(m_handles.size()); }
    int liveNotifications() const { return int(m_notifications.size()); }
    bool isClosed() const { return m_closed; }

    // --- PlcLink
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
    int reportDelayMs(qint32) const override { return m_reportDelayMs; }
    int checkIntervalMs() const override { return m_checkIntervalMs; }
    bool isConnected() const override { return m_connected && !m_closed; }
    QString connectionProblem() const override { return isConnected() ? QString() : m_problem; }
    // What connectionProblem() says while the simulated link is not connected.
    void setConnectionProblem(const QString &text) { m_problem = text; }
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

    void showProperties() override;
    void closeLink() override;

private:
    struct Variable {
        QMetaType type;
        int maxLength = -1;
        QVariant value;
    };
    struct Notification {
        QString name;
        quint64 userTag = 0;
    };
    enum Failure { FailCreate, FailInfo, FailNotify, FailRead, FailWrite, kFailures };

    qint32 available() const;
    QString callName(qint32 handle) const;
    void log(const char *operation, const QString &target);
    qint32 access(const char *operation, qint32 handle, QMetaType::Type type, Failure failure,
                  Variable *&variable);
    qint32 readScalar(const char *operation, qint32 handle, int byteCount, QMetaType::Type type,
                      QVariant &value);
    qint32 writeScalar(const char *operation, qint32 handle, int byteCount, QMetaType::Type type,
                       const QVariant &value);
    void store(const QString &name, Variable &variable, const QVariant &value, bool report = true);

    QString m_netId;
    QString m_netId2;
    QString m_port;
    QHash<QString, Variable> m_variables;
    QMap<qint32, QString> m_handles;
    QMap<qint32, Notification> m_notifications;
    std::array<QHash<QString, qint32>, kFailures> m_failures;
    qint32 m_nextHandle = 1;
    qint32 m_nextNotification = 1001;
    bool m_connected = true;
    QString m_problem;
    int m_reportDelayMs = 0;
    int m_checkIntervalMs = 0;
    bool m_closed = false;
    QStringList m_calls;
    QList<SimulatedPlc::Write> m_writes;
};
