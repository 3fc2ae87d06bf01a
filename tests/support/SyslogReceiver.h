#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// A system-log socket of the test's own: binds a datagram socket at path and hands back
// what arrived, so a test reads exactly what the station sent.
class SyslogReceiver {
public:
    explicit SyslogReceiver(const QString &path)
        : m_path(path.toLocal8Bit())
    {
        ::unlink(m_path.constData());
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, m_path.constData(),
                    std::min(size_t(m_path.size()), sizeof(address.sun_path) - 1));
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        m_bound =
            m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
        if (m_bound) {
            // Room for the longest entry the station sends, several times over.
            const int size = 1 << 20;
            ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof(size));
        }
    }
    ~SyslogReceiver()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        ::unlink(m_path.constData());
    }
    SyslogReceiver(const SyslogReceiver &) = delete;
    SyslogReceiver &operator=(const SyslogReceiver &) = delete;

    bool isBound() const { return m_bound; }

    // Every datagram that has arrived since the last call.
    QList<QByteArray> take()
    {
        QList<QByteArray> received;
        QByteArray buffer(256 * 1024, '\0');
        for (;;) {
            const ssize_t n = ::recv(m_fd, buffer.data(), size_t(buffer.size()), 0);
            if (n < 0)
                break;
            received.append(buffer.left(n));
        }
        return received;
    }

private:
    QByteArray m_path;
    int m_fd = -1;
    bool m_bound = false;
};
