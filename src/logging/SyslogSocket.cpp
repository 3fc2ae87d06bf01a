#include "SyslogSocket.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
constexpr int kFacilityUser = 1 << 3;

QString defaultPath()
{
    const QString configured = qEnvironmentVariable("ETIKOR_SYSLOG_SOCKET");
    return configured.isEmpty() ? QStringLiteral("/dev/log") : configured;
}

Failure systemFailure(int error, const QString &path)
{
    return {error,
            QStringLiteral("syslog"),
            QString::fromLocal8Bit(std::strerror(error)) + QStringLiteral(" (") + path + u')',
            {},
            0};
}
} // namespace

SyslogSocket::SyslogSocket(const QString &ident, const QString &path)
    : m_ident(ident)
    , m_path(path.isEmpty() ? defaultPath() : path)
{
}

SyslogSocket::~SyslogSocket()
{
    closeSocket();
}

QByteArray SyslogSocket::datagram(Severity severity, const QString &text) const
{
    // The classic syslog stamp: English month, day padded with a blank, 24-hour time.
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale c = QLocale::c();
    QByteArray head = '<' + QByteArray::number(kFacilityUser | severity) + '>';
    head += c.toString(now, QStringLiteral("MMM ")).toLatin1();
    head += QByteArray::number(now.date().day()).rightJustified(2, ' ');
    head += c.toString(now, QStringLiteral(" HH:mm:ss")).toLatin1();
    head += ' ' + m_ident.toUtf8() + '[' + QByteArray::number(QCoreApplication::applicationPid()) +
            "]: ";
    return head + text.toUtf8();
}

Failure SyslogSocket::send(Severity severity, const QString &text)
{
    const QByteArray data = datagram(severity, text);
    int error = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (m_fd < 0 && !connectSocket()) {
            error = errno;
            continue;
        }
        if (sendOnce(data))
            return {};
        error = errno;
        if (error == EAGAIN)
            break; // the daemon is alive but behind: reconnecting would not help
        closeSocket();
    }
    return systemFailure(error, m_path);
}

bool SyslogSocket::sendOnce(const QByteArray &data)
{
    // A log daemon that falls behind must not stall the station: wait a moment for room in
    // its queue, then count the entry as refused.
    const int flags = MSG_NOSIGNAL | MSG_DONTWAIT;
    if (::send(m_fd, data.constData(), size_t(data.size()), flags) >= 0)
        return true;
    if (errno != EAGAIN)
        return false;
    pollfd wait{m_fd, POLLOUT, 0};
    if (::poll(&wait, 1, kFullQueueWaitMs) <= 0) {
        errno = EAGAIN;
        return false;
    }
    return ::send(m_fd, data.constData(), size_t(data.size()), flags) >= 0;
}

bool SyslogSocket::connectSocket()
{
    sockaddr_un address{};
    const QByteArray native = m_path.toLocal8Bit();
    if (native.size() >= qsizetype(sizeof(address.sun_path))) {
        errno = ENAMETOOLONG;
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        return false;
    if (::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0)
        return true;
    const int error = errno;
    closeSocket();
    errno = error;
    return false;
}

void SyslogSocket::closeSocket()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
