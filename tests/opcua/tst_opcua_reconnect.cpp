#include "FakeUaServer.h"
#include "PlcSim.h"
#include "UaBytes.h"
#include "UaClient.h"
#include "UaDecoder.h"
#include "UaEncoder.h"
#include "UaTcpMessages.h"
#include "UaViewServices.h"

#include <QSignalSpy>
#include <QTest>

using UaBytes::hex;
using UaBytes::le32;

namespace {
constexpr int kWait = 20000;
constexpr int kFirstBackoff = 20;
constexpr int kMaxBackoff = 160;

NodeId node(const QString &name)
{
    return NodeId::string(1, QStringLiteral("Line1.") + name);
}

QString statusName(quint32 status)
{
    return UaStatus::name(status);
}

// The back-offs after count failures in a row: doubled from first, at most max.
QList<int> backoffs(int first, int max, qsizetype count)
{
    QList<int> sequence;
    for (int backoff = first; sequence.size() < count; backoff = qMin(backoff * 2, max))
        sequence.append(backoff);
    return sequence;
}

// What retryInterval() said at each disconnected() of client.
class RetryLog : public QObject {
public:
    explicit RetryLog(UaClient &client)
    {
        connect(&client, &UaClient::disconnected, this,
                [this, &client] { intervals.append(client.retryInterval()); });
    }
    QList<int> intervals;
};
} // namespace

// Recovery from lost connections against the simulated PLC (re-activating the session on a
// new channel, or a new session after a server restart, with back-off while the server is
// away), and the translation of browse paths, with the bytes of its request and response.
class TstOpcUaReconnect : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void translateRequestLayout();
    void translateResponseDecodes();
    void connectsWithoutEventLoop();
    void translatesBrowsePath_data();
    void translatesBrowsePath();
    void lostChannelResumesSession_data();
    void lostChannelResumesSession();
    void restartedServerGivesNewSession();
    void refusedAttemptsBackOffUntilStopped();
    void hostileReplyEndsInARetry_data();
    void hostileReplyEndsInARetry();

private:
    PlcSim m_sim;
    UaClient m_client;
};

void TstOpcUaReconnect::initTestCase()
{
    QVERIFY2(m_sim.start(), "the simulated PLC did not start");
    m_client.setBackoff(kFirstBackoff, kMaxBackoff);
}

void TstOpcUaReconnect::cleanupTestCase()
{
    QSignalSpy closed(&m_client.session(), &UaSession::closed);
    m_client.disconnectFromEndpoint();
    QVERIFY(closed.wait(kWait));
    QCOMPARE(statusName(closed.first().first().toUInt()), statusName(UaStatus::Good));
    QCOMPARE(m_client.state(), UaClient::State::Idle);
}

void TstOpcUaReconnect::translateRequestLayout()
{
    RequestHeader header;
    header.requestHandle = 3;
    const TranslateBrowsePathsRequest request{
        header,
        {{NodeId::string(1, QStringLiteral("A")),
          {{NodeId::numeric(0, UaReferenceTypeId::HasProperty), false, true,
            QualifiedName{0, QStringLiteral("Max")}},
           {NodeId::numeric(0, 47), true, false, QualifiedName{1, QStringLiteral("B")}}}}}};
    UaEncoder headerBytes;
    RequestHeader::encode(headerBytes, header);
    // One path: the starting node, two elements of reference type, IsInverse,
    // IncludeSubtypes and target name.
    const QByteArray expected = hex("01 00 2a 02") + headerBytes.data() +
                                hex("01 00 00 00  03 01 00 01 00 00 00 41  02 00 00 00"
                                    "00 2e  00 01  00 00 03 00 00 00 4d 61 78"
                                    "00 2f  01 00  01 00 01 00 00 00 42");
    QCOMPARE(request.toBody().toHex(' '), expected.toHex(' '));
}

void TstOpcUaReconnect::translateResponseDecodes()
{
    const QByteArray header = QByteArray(12, '\0') + le32(0) + hex("00 ff ff ff ff 00 00 00");
    // A found path with a target ns=1;i=7 followed to its end, a path without a match, no
    // diagnostics.
    const QByteArray body = header + hex("02 00 00 00  00 00 00 00  01 00 00 00  01 01 07 00") +
                            le32(BrowsePathTarget::kFullyResolved) + le32(UaStatus::BadNoMatch) +
                            hex("ff ff ff ff  ff ff ff ff");
    UaDecoder decoder(body);
    const TranslateBrowsePathsResponse response = TranslateBrowsePathsResponse::decode(decoder);
    QVERIFY(decoder.ok());
    QVERIFY(decoder.atEnd());
    QCOMPARE(response.results.size(), 2);
    QCOMPARE(response.results.at(0).targets.size(), 1);
    QCOMPARE(response.results.at(0).targets.at(0).targetId.nodeId, NodeId::numeric(1, 7));
    QCOMPARE(statusName(response.results.at(1).status), statusName(UaStatus::BadNoMatch));
    // A target count the bytes cannot hold fails before anything is allocated for it.
    const QByteArray hostile = header + hex("01 00 00 00  00 00 00 00  ff ff ff 0f");
    UaDecoder hostileDecoder(hostile);
    TranslateBrowsePathsResponse::decode(hostileDecoder);
    QVERIFY(!hostileDecoder.ok());
}

void TstOpcUaReconnect::connectsWithoutEventLoop()
{
    QSignalSpy connected(&m_client, &UaClient::connected);
    m_client.connectToEndpoint(m_sim.url());
    QCOMPARE(m_client.state(), UaClient::State::Connecting);
    QVERIFY(m_client.waitForConnected(kWait));
    QCOMPARE(connected.size(), 1);
    QCOMPARE(connected.first().first().toBool(), true);
    QVERIFY(!m_client.session().sessionId().isNull());
    QCOMPARE(statusName(m_client.lastStatus()), statusName(UaStatus::Good));
}

void TstOpcUaReconnect::translatesBrowsePath_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("text with a maximum length")
        << QStringLiteral("Print.LosName") << UaStatus::Good;
    QTest::newRow("number without one") << QStringLiteral("Print.TeileNr") << UaStatus::BadNoMatch;
    QTest::newRow("unknown start node")
        << QStringLiteral("Print.Nothing") << UaStatus::BadNodeIdUnknown;
}

void TstOpcUaReconnect::translatesBrowsePath()
{
    QFETCH(QString, start);
    QFETCH(quint32, expected);
    NodeId property;
    const quint32 status = translateSync(m_client.session(), node(start),
                                         {{NodeId::numeric(0, UaReferenceTypeId::HasProperty),
                                           QualifiedName{0, QStringLiteral("MaxStringLength")}}},
                                         property, kWait);
    QCOMPARE(statusName(status), statusName(expected));
    if (status != UaStatus::Good)
        return;
    const ReadResult read = m_client.session().readSync({{property}}, kWait);
    QCOMPARE(statusName(read.status), statusName(UaStatus::Good));
    QCOMPARE(read.values.value(0).value, Variant::scalar(BuiltinType::UInt32, quint32(40)));
}

void TstOpcUaReconnect::lostChannelResumesSession_data()
{
    QTest::addColumn<quint32>("abortStatus");
    QTest::newRow("server drops the connection") << UaStatus::Good;
    QTest::newRow("client aborts a stalled one") << UaStatus::BadNoCommunication;
}

void TstOpcUaReconnect::lostChannelResumesSession()
{
    QFETCH(quint32, abortStatus);
    QCOMPARE(m_client.state(), UaClient::State::Connected);
    const NodeId sessionId = m_client.session().sessionId();
    const quint64 reconnects = m_client.reconnectCount();
    QSignalSpy disconnected(&m_client, &UaClient::disconnected);
    QSignalSpy connected(&m_client, &UaClient::connected);
    if (abortStatus != UaStatus::Good)
        m_client.abortConnection(abortStatus);
    else
        QVERIFY(m_sim.command(QStringLiteral("drop")).startsWith(u"ok dropped 1"));
    QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, kWait);
    QCOMPARE(disconnected.size(), 1);
    const quint32 lost = disconnected.first().first().toUInt();
    QVERIFY2(UaStatus::isBad(lost), qPrintable(statusName(lost)));
    if (abortStatus != UaStatus::Good)
        QCOMPARE(statusName(lost), statusName(abortStatus));
    QCOMPARE(statusName(m_client.lastStatus()), statusName(lost));
    QCOMPARE(connected.first().first().toBool(), false);
    QCOMPARE(m_client.session().sessionId(), sessionId);
    QCOMPARE(m_client.reconnectCount(), reconnects + 1);
    const ReadResult read = m_client.session().readSync({{node(u"Print.TeileNr"_qs)}}, kWait);
    QCOMPARE(statusName(read.status), statusName(UaStatus::Good));
}

void TstOpcUaReconnect::restartedServerGivesNewSession()
{
    const NodeId sessionId = m_client.session().sessionId();
    RetryLog log(m_client);
    QSignalSpy connected(&m_client, &UaClient::connected);
    QVERIFY(m_sim.command(QStringLiteral("restart")).startsWith(u"ready "));
    QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, kWait);
    QCOMPARE(connected.first().first().toBool(), true);
    QVERIFY(!m_client.session().sessionId().isNull());
    QVERIFY(m_client.session().sessionId() != sessionId);
    // The loss, then attempts refused while the new server was starting, each waiting longer.
    QVERIFY2(log.intervals.size() >= 3, qPrintable(QString::number(log.intervals.size())));
    QCOMPARE(log.intervals, backoffs(kFirstBackoff, kMaxBackoff, log.intervals.size()));
    QCOMPARE(m_client.retryInterval(), 0);
    const ReadResult read = m_client.session().readSync({{node(u"Print.TeileNr"_qs)}}, kWait);
    QCOMPARE(statusName(read.status), statusName(UaStatus::Good));
}

void TstOpcUaReconnect::refusedAttemptsBackOffUntilStopped()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    UaClient client;
    client.setBackoff(10, 40);
    RetryLog log(client);
    client.connectToEndpoint(QStringLiteral("opc.tcp://localhost:%1").arg(port));
    // The refusal ends the wait, which emits disconnected() from inside.
    QVERIFY(!client.waitForConnected(kWait));
    QCOMPARE(client.state(), UaClient::State::WaitingToRetry);
    QCOMPARE(log.intervals, QList<int>{10});
    QTRY_VERIFY_WITH_TIMEOUT(log.intervals.size() >= 5, kWait);
    QCOMPARE(log.intervals.mid(0, 5), backoffs(10, 40, 5));
    QCOMPARE(statusName(client.lastStatus()), statusName(UaStatus::BadNotConnected));
    client.disconnectFromEndpoint();
    QCOMPARE(client.state(), UaClient::State::Idle);
    QCOMPARE(client.retryInterval(), 0);
    const qsizetype failures = log.intervals.size();
    QTest::qWait(200);
    QCOMPARE(log.intervals.size(), failures);
    QCOMPARE(client.state(), UaClient::State::Idle);
}

void TstOpcUaReconnect::hostileReplyEndsInARetry_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<quint32>("status");
    const QByteArray ack = AcknowledgeMessage{0, 65536, 65536, 0, 0}.toMessage();
    QTest::newRow("absurd message size")
        << QByteArray("MSGF" + le32(0x7fffffff)) << UaStatus::BadTcpMessageTooLarge;
    QTest::newRow("truncated chunk, then the end")
        << QByteArray(ack + "OPNF" + le32(200) + hex("01 02 03")) << UaStatus::BadConnectionClosed;
    QTest::newRow("acknowledge twice")
        << QByteArray(ack + ack) << UaStatus::BadTcpMessageTypeInvalid;
    QTest::newRow("chunk cut short")
        << QByteArray("OPNF" + le32(12) + le32(0)) << UaStatus::BadDecodingError;
}

// Whatever a server sends, the client ends the channel with a status and tries again later,
// neither crashing nor waiting for bytes that will never come.
void TstOpcUaReconnect::hostileReplyEndsInARetry()
{
    QFETCH(QByteArray, reply);
    QFETCH(quint32, status);
    FakeUaServer server;
    UaClient client;
    client.setBackoff(20, 20);
    QSignalSpy disconnected(&client, &UaClient::disconnected);
    client.connectToEndpoint(server.url());
    QTRY_VERIFY_WITH_TIMEOUT(server.received().startsWith("HELF"), 10000);
    server.send(reply);
    if (status == UaStatus::BadConnectionClosed)
        server.closeClient();
    QTRY_VERIFY_WITH_TIMEOUT(!disconnected.isEmpty(), 10000);
    QCOMPARE(UaStatus::name(disconnected.first().first().toUInt()), UaStatus::name(status));
    QTRY_VERIFY_WITH_TIMEOUT(server.received().count("HELF") >= 2, 10000);
    client.disconnectFromEndpoint();
}

QTEST_GUILESS_MAIN(TstOpcUaReconnect)
#include "tst_opcua_reconnect.moc"
