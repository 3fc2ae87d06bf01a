#pragma once

#include "Failure.h"

#include <QString>

// A client of the local system log: one datagram per entry to the syslog socket, in the
// form the C library's syslog() sends ("<PRI>Mmm dd hh:mm:ss ident[pid]: text"), which
// journald and rsyslog both accept. Unlike syslog() it tells whether the entry got through,
// because the message queue must report a system log that refuses entries.
class SyslogSocket {
public:
    enum Severity { Error = 3, Warning = 4, Info = 6 };

    // path: the socket to write to; empty: ETIKOR_SYSLOG_SOCKET when set, else /dev/log.
    explicit SyslogSocket(const QString &ident, const QString &path = {});
    ~SyslogSocket();
    SyslogSocket(const SyslogSocket &) = delete;
    SyslogSocket &operator=(const SyslogSocket &) = delete;

    // Sends one entry with facility user. A socket that went away (the log daemon restarted)
    // is connected again once before the entry counts as refused; a daemon whose queue stays
    // full for 100 ms refuses the entry rather than stall the station.
    Failure send(Severity severity, const QString &text);

    QString path() const { return m_path; }
    QByteArray datagram(Severity severity, const QString &text) const;

private:
    static constexpr int kFullQueueWaitMs = 100;

    bool sendOnce(const QByteArray &data);
    bool connectSocket();
    void closeSocket();

    QString m_ident;
    QString m_path;
    int m_fd = -1;
};
