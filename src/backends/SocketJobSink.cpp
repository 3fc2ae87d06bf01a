#include "SocketJobSink.h"

#include <QTcpSocket>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// The number a file operation gives for a device I/O error (see Failure::fromFile).
constexpr qint32 kDeviceError = 57;

Failure socketFailure(const QTcpSocket &socket)
{
    return {kDeviceError, u"printRawData"_s, socket.errorString(), {}, 0};
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
    return std::unique_ptr<SocketJobSink>(
        new SocketJobSink(url.host(), static_cast<quint16>(port)));
}

SocketJobSink::SocketJobSink(QString host, quint16 port)
    : m_host(std::move(host))
    , m_port(port)
{
}

// Blocking on purpose: the job must have left before the request answers the PLC, and the
// time-outs keep a printer that is switched off from holding the station.
Failure SocketJobSink::send(const QByteArray &bytes, const QString &)
{
    QTcpSocket socket;
    socket.connectToHost(m_host, m_port);
    if (!socket.waitForConnected(kTimeoutMs))
        return socketFailure(socket);
    if (socket.write(bytes) != bytes.size())
        return socketFailure(socket);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(kTimeoutMs))
            return socketFailure(socket);
    }
    socket.disconnectFromHost();
    if (socket.state() != QAbstractSocket::UnconnectedState &&
        !socket.waitForDisconnected(kTimeoutMs))
        return socketFailure(socket);
    return {};
}
