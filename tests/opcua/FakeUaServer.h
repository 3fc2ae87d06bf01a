#pragma once

#include <QTcpServer>
#include <QTcpSocket>

// A TCP server on a free local port that records what one client sends and answers with
// bytes a test prepared, for server replies no real server gives.
class FakeUaServer {
public:
    FakeUaServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            m_client = m_server.nextPendingConnection();
            QObject::connect(m_client, &QTcpSocket::readyRead, m_client,
                             [this] { m_received += m_client->readAll(); });
        });
    }

    QString url() const
    {
        return QStringLiteral("opc.tcp://127.0.0.1:%1/fake").arg(m_server.serverPort());
    }
    const QByteArray &received() const { return m_received; }
    void send(const QByteArray &bytes)
    {
        if (m_client)
            m_client->write(bytes);
    }

    // Ends the connection of the last client.
    void closeClient()
    {
        if (m_client)
            m_client->disconnectFromHost();
    }

private:
    QTcpServer m_server;
    QTcpSocket *m_client = nullptr;
    QByteArray m_received;
};
