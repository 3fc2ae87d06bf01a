#pragma once

#include "PlcItem.h"
#include "PlcLinkProperty.h"

#include <QObject>
#include <QString>
#include <QVariant>

// The station's link to the PLC: the operations and events of the PLC link control, with its
// argument orders and results, so that the variable link, the request cycle and the database
// transfers call it the same way whatever carries the traffic. Every operation answers with
// a code of PlcStatus (0 = Good). Texts travel with a byte count that is twice their length
// in characters.
//
// The user object of a notification is a number the caller chooses (userTag), not a pointer:
// a notification may be delivered after its owner has replaced or dropped the record it
// named, and a number that no longer matches anything is simply ignored, where a pointer
// would reach freed memory. The link never interprets the tag.
//
// Events arrive on the thread that owns the link, and never in the middle of another link
// call: a synchronous call that sees a notification arrive delivers it after it returns.
class PlcLink : public QObject {
    Q_OBJECT
public:
    // The notification mode the station asks for: report every change of the value.
    static constexpr int kNotifyOnChange = 4;
    // The cycle of a notification that reports every change as soon as the PLC sees it.
    static constexpr int kCycleEveryChange = 1;
    // States of stateChanged. Only kStateEstablished carries a duty for the station: the
    // link has (re)established its session and every handle has to be built again.
    static constexpr int kStateDown = 0;
    static constexpr int kStateEstablished = 5;

    using QObject::QObject;

    // Where the PLC is: a host name, an address or a full endpoint URL; the second net id is
    // given the same text by the station. The port is a text, empty for the default.
    virtual QString netId() const = 0;
    virtual void setNetId(const QString &netId) = 0;
    virtual QString netId2() const = 0;
    virtual void setNetId2(const QString &netId) = 0;
    virtual QString port() const = 0;
    virtual void setPort(const QString &port) = 0;

    // Resolves a variable name into a handle (non-zero on success).
    virtual qint32 createHandle(const QString &name, qint32 &handle) = 0;
    virtual qint32 releaseHandle(qint32 handle) = 0;
    // Watches a variable: mode kNotifyOnChange; cycleMs kCycleEveryChange asks for every
    // change as soon as the PLC can see it, a larger value for the interval at which the PLC
    // should look. Later variableChanged events carry userTag.
    virtual qint32 addNotification(const QString &name, int mode, int cycleMs,
                                   qint32 &hNotification, quint64 userTag) = 0;
    virtual qint32 deleteNotification(qint32 hNotification) = 0;
    // How long after a change of a watched variable its report may still be on its way: the
    // PLC looks at the variable and sends what it saw at intervals of its own. A change that
    // is undone and redone within that time may never be reported at all.
    virtual int reportDelayMs(qint32 hNotification) const
    {
        Q_UNUSED(hNotification)
        return 0;
    }
    // How soon after a change its report can arrive at the earliest: a server that samples
    // the variable just then still sends only at its next publish.
    virtual int earliestReportMs(qint32 hNotification) const
    {
        return reportDelayMs(hNotification);
    }
    // How often the station checks its watched variables by reading them, because reports can
    // be missed; in milliseconds, 0 for never.
    virtual int checkIntervalMs() const { return 0; }
    // Whether the link has a working session now. A call that failed without one may never
    // have reached the PLC, or reached it and lost its answer on the way back.
    virtual bool isConnected() const { return true; }
    // Without a session: which PLC address was tried and why it failed, in words for the
    // operator, with what to change. Empty when connected or not known.
    virtual QString connectionProblem() const { return {}; }
    // Describes a variable: size is its size in bytes (a text: its maximum length plus one
    // for the terminating NUL, 256 when it has no maximum). The other outputs say where and
    // what it is: namespace index, type name and numeric data type id, access level bits.
    virtual qint32 getVariableInfo(const QString &name, qint32 &namespaceIndex, qint32 &size,
                                   QString &typeName, qint32 &dataTypeId, qint32 &accessLevel) = 0;

    // Scalar reads and writes with the byte counts the station passes: 2 for a boolean and a
    // 16-bit integer, 4 for a 32-bit integer, 8 for a real.
    virtual qint32 readBool(qint32 handle, int byteCount, bool &value) = 0;
    virtual qint32 writeBool(qint32 handle, int byteCount, bool value) = 0;
    virtual qint32 readInt(qint32 handle, int byteCount, qint16 &value) = 0;
    virtual qint32 writeInt(qint32 handle, int byteCount, qint16 value) = 0;
    virtual qint32 readLong(qint32 handle, int byteCount, qint32 &value) = 0;
    virtual qint32 writeLong(qint32 handle, int byteCount, qint32 value) = 0;
    virtual qint32 writeLReal(qint32 handle, int byteCount, double value) = 0;
    // Texts: byteCount is twice the number of characters read or written.
    virtual qint32 readString(qint32 handle, int byteCount, QString &value) = 0;
    virtual qint32 writeString(qint32 handle, int byteCount, const QString &value) = 0;

    // Several reads or writes at once. Each item ends with the value and code its single
    // operation would have given; writes are carried out in the list's order. A link that
    // can ask the PLC for several variables in one exchange does so; this one makes the
    // single calls.
    virtual void readMany(PlcItems &items);
    virtual void writeMany(PlcItems &items);

    // The link's own properties view (the desktop program shows a dialog).
    virtual void showProperties() = 0;
    // What that view shows, as name and value lines; read again while the view is open.
    virtual PlcLinkProperties properties() const
    {
        return {{QStringLiteral("Net id"), netId()},
                {QStringLiteral("Port"), port()},
                {QStringLiteral("Requests found by check read"), QString::number(m_missedReports)}};
    }
    // Ends the link for good; called once at shutdown after every handle was released.
    virtual void closeLink() = 0;

    // Requests the station found raised by a check read, not by a report of the link. Shown
    // with the properties: a count that grows says the PLC looks at its variables too seldom
    // for the machine's cycle.
    void countMissedReport() { ++m_missedReports; }
    quint64 missedReports() const { return m_missedReports; }

Q_SIGNALS:
    // A watched variable changed; userTag is the one given to addNotification.
    void variableChanged(const QVariant &value, quint64 userTag);
    // The link's state changed; detail is a status code or 0.
    void stateChanged(int state, int detail);

private:
    quint64 m_missedReports = 0;
};
