#include "SocketJobSink.h"

#include <QDeadlineTimer>
#include <QUrl>
#include <QUrlQuery>
#include <cerrno>
#include <climits>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

using namespace Qt::StringLiterals;

// Plain sockets rather than QTcpSocket: Qt reports a connection the printer reset as an
// ordinary close, and telling the two apart is the point of waiting for the printer.
namespace {

// The number a file operation gives for a device I/O error (see Failure::fromFile).
constexpr qint32 kDeviceError = 57;

Failure jobFailure(const QString &description)
{
    return {kDeviceError, u"printRawData"_s, description, {}, 0};
}

// Why a connection failed, in words. A printer that ended the connection before the job was
// done shows as a reset, a broken pipe or a socket no longer connected, depending on where
// the job was when it happened: to the operator all three are the same reset.
QString connectionError(int code)
{
    return qt_error_string(code == EPIPE || code == ENOTCONN ? ECONNRESET : code);
}

// A socket descriptor closed when it goes out of scope.
class Socket {
public:
    explicit Socket(int fd = -1)
        : m_fd(fd)
    {
    }
    ~Socket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket &) = delete;
    Socket &operator=(const Socket &) = delete;
    Socket(Socket &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    Socket &operator=(Socket &&other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    int fd() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }

private:
    int m_fd;
};

// Waits until fd is ready for events: the ready events, 0 when time ran out.
short waitFor(int fd, short events, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd ready{fd, events, 0};
        const int timeout = int(qBound(qint64(0), deadline.remainingTime(), qint64(INT_MAX)));
        const int result = ::poll(&ready, 1, timeout);
        if (result < 0 && errno == EINTR)
            continue;
        return result > 0 ? ready.revents : short(0);
    }
}

// A connection to one address, waiting at most until deadline; its errno when it fails.
Socket connectAddress(const addrinfo &address, const QDeadlineTimer &deadline, int &error)
{
    Socket socket(::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                           address.ai_protocol));
    if (!socket.isOpen()) {
        error = errno;
        return socket;
    }
    if (::connect(socket.fd(), address.ai_addr, address.ai_addrlen) == 0)
        return socket;
    if (errno != EINPROGRESS) {
        error = errno;
        return Socket();
    }
    if (waitFor(socket.fd(), POLLOUT, deadline) == 0) {
        error = ETIMEDOUT;
        return Socket();
    }
    socklen_t length = sizeof(error);
    if (::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    return error == 0 ? std::move(socket) : Socket();
}

// The first address of host that accepts a connection; otherwise why none did.
Socket connectTo(const QString &host, quint16 port, QString &problem)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *addresses = nullptr;
    const int resolved = ::getaddrinfo(host.toUtf8().constData(),
                                       QByteArray::number(port).constData(), &hints, &addresses);
    if (resolved != 0) {
        problem = host + u": "_s + QString::fromLocal8Bit(::gai_strerror(resolved));
        return Socket();
    }
    const QDeadlineTimer deadline(SocketJobSink::kTimeoutMs);
    int error = ETIMEDOUT;
    Socket socket;
    for (const addrinfo *address = addresses; address && !socket.isOpen();
         address = address->ai_next)
        socket = connectAddress(*address, deadline, error);
    ::freeaddrinfo(addresses);
    if (!socket.isOpen())
        problem = qt_error_string(error);
    return socket;
}

// Writes every byte; each write must make progress within the time-out.
bool sendAll(int fd, const QByteArray &bytes, QString &problem)
{
    qsizetype sent = 0;
    QDeadlineTimer deadline(SocketJobSink::kTimeoutMs);
    while (sent < bytes.size()) {
        const ssize_t written =
            ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (written > 0) {
            sent += written;
            deadline.setRemainingTime(SocketJobSink::kTimeoutMs);
        } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
            problem = connectionError(errno);
            return false;
        } else if (waitFor(fd, POLLOUT, deadline) == 0) {
            problem = qt_error_string(ETIMEDOUT);
            return false;
        }
    }
    return true;
}

// The job is done when the printer closes its side; what it sends meanwhile (status of its
// own) is read and dropped.
bool awaitClose(int fd, int timeoutMs, QString &problem)
{
    if (::shutdown(fd, SHUT_WR) != 0) {
        problem = connectionError(errno);
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    char discard[512];
    for (;;) {
        const ssize_t read = ::recv(fd, discard, sizeof discard, 0);
        if (read == 0)
            return true;
        if (read < 0 && errno != EAGAIN && errno != EINTR) {
            problem = connectionError(errno);
            return false;
        }
        if (read < 0 && waitFor(fd, POLLIN, deadline) == 0) {
            problem =
                u"The printer did not confirm the end of the job within %1 ms"_s.arg(timeoutMs);
            return false;
        }
    }
}

} // namespace

bool SocketJobSink::isSocketUri(const QString &printerName)
{
    return printerName.startsWith(u"socket://"_s, Qt::CaseInsensitive);
}

std::unique_ptr<SocketJobSink> SocketJobSink::open(const QString &printerName)
{
    if (!isSocketUri(printerName))
        return nullptr;
    const QUrl url(printerName, QUrl::StrictMode);
    const int port = url.port(kDefaultPort);
    if (!url.isValid() || url.host().isEmpty() || port <= 0)
        return nullptr;
    const QUrlQuery query(url);
    const QString waitEof = query.queryItemValue(u"waiteof"_s).toLower();
    const bool waitForEnd = waitEof != u"false"_s && waitEof != u"no"_s && waitEof != u"off"_s;
    bool given = false;
    const double seconds = query.queryItemValue(u"timeout"_s).toDouble(&given);
    const int timeoutMs =
        given && seconds > 0 && seconds < 3600 ? int(seconds * 1000) : kEndOfJobTimeoutMs;
    return std::unique_ptr<SocketJobSink>(
        new SocketJobSink(url.host(), static_cast<quint16>(port), waitForEnd ? timeoutMs : 0));
}

SocketJobSink::SocketJobSink(QString host, quint16 port, int endOfJobTimeoutMs)
    : m_host(std::move(host))
    , m_port(port)
    , m_endOfJobTimeoutMs(endOfJobTimeoutMs)
{
}

// Blocking on purpose: the job must have left before the request answers the PLC, and the
// time-outs keep a printer that is switched off from holding the station.
Failure SocketJobSink::send(const QByteArray &bytes, const QString &)
{
    QString problem;
    const Socket socket = connectTo(m_host, m_port, problem);
    if (!socket.isOpen() || !sendAll(socket.fd(), bytes, problem) ||
        (m_endOfJobTimeoutMs > 0 && !awaitClose(socket.fd(), m_endOfJobTimeoutMs, problem)))
        return jobFailure(problem);
    return {};
}
