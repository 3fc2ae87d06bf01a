#include "PlcSim.h"
#include "UaClient.h"
#include "UaViewServices.h"

#include <QSignalSpy>
#include <QTest>

namespace {
constexpr int kWait = 20000;
constexpr int kFirstBackoff = 20;
constexpr int kMaxBackoff = 160;

NodeId node(QStringView name)
{
    return NodeId::string(1, QStringLiteral("Line1.") + name.toString());
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

// The secure channel, session and client against the simulated PLC, a node-opcua server.
// First a session of its own: several reads in one request, a synchronous call with an
// asynchronous one in flight, a time-out, token renewal and a dropped connection. Then the
// client: browse path translation and recovery from lost connections (re-activating the
// session on a new channel, or a new session after a server restart, with back-off while the
// server is away). The simulator's drop and freeze count the connections they hit, so only
// one of the two is connected at a time. (Writes and reads of every type the station uses,
// with the server's refusals, are tested through the PLC link in tst_opcualink.)
class TstOpcUaClient : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void readsSeveralNodesInOneRequest();
    void syncCallDefersOtherResponses();
    void syncCallTimesOut();
    void renewsTheChannelToken();
    void droppedConnectionCloses();
    void connectsWithoutEventLoop();
    void translatesBrowsePath_data();
    void translatesBrowsePath();
    void lostChannelResumesSession_data();
    void lostChannelResumesSession();
    void restartedServerGivesNewSession();
    void refusedAttemptsBackOffUntilStopped();

private:
    PlcSim m_sim;
    UaSession m_session;
    UaClient m_client;
};

void TstOpcUaClient::initTestCase()
{
    QVERIFY2(m_sim.start(), "the simulated PLC did not start");
    QSignalSpy activated(&m_session, &UaSession::activated);
    m_session.open(m_sim.url());
    QVERIFY(activated.wait(kWait));
    QCOMPARE(m_session.state(), UaSession::State::Active);
    m_client.setBackoff(kFirstBackoff, kMaxBackoff);
}

void TstOpcUaClient::cleanupTestCase()
{
    QSignalSpy closed(&m_client.session(), &UaSession::closed);
    m_client.disconnectFromEndpoint();
    QVERIFY(closed.wait(kWait));
    QCOMPARE(statusName(closed.first().first().toUInt()), statusName(UaStatus::Good));
    QCOMPARE(m_client.state(), UaClient::State::Idle);
}

void TstOpcUaClient::readsSeveralNodesInOneRequest()
{
    QVERIFY(m_sim.command(QStringLiteral("set Print.ResteLaenge 77")).startsWith(u"ok "));
    QVERIFY(m_sim.command(QStringLiteral("set Print.ResteProfil P-9")).startsWith(u"ok "));
    std::optional<ReadResult> result;
    QVERIFY(m_session.read({{node(u"Print.ResteLaenge")},
                            {node(u"Print.ResteProfil")},
                            {node(u"Print.ResteProfil"), UaAttributeId::DataType},
                            {node(u"Print.Nirgends")}},
                           [&result](const ReadResult &read) { result = read; }) != 0);
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), kWait);
    QCOMPARE(statusName(result->status), statusName(UaStatus::Good));
    QCOMPARE(result->values.size(), 4);
    QCOMPARE(statusName(result->values.at(0).status), statusName(UaStatus::Good));
    QCOMPARE(result->values.at(0).value, Variant::scalar(BuiltinType::Int32, qint32(77)));
    QCOMPARE(result->values.at(1).value,
             Variant::scalar(BuiltinType::String, QStringLiteral("P-9")));
    QCOMPARE(result->values.at(2).value,
             Variant::scalar(BuiltinType::NodeId, QVariant::fromValue(NodeId::numeric(0, 12))));
    // An unknown node fails alone.
    QCOMPARE(statusName(result->values.at(3).status), statusName(UaStatus::BadNodeIdUnknown));
    QVERIFY(result->values.at(3).value.isNull());
}

void TstOpcUaClient::syncCallDefersOtherResponses()
{
    // The asynchronous request goes first, so the server answers it before the synchronous
    // one: it arrives during the wait and must be held back until the event loop runs.
    std::optional<ReadResult> early;
    QVERIFY(m_session.read({{node(u"Print.TeileNr")}},
                           [&early](const ReadResult &read) { early = read; }) != 0);
    const ReadResult sync = m_session.readSync({{node(u"Print.LosName")}}, kWait);
    QCOMPARE(statusName(sync.status), statusName(UaStatus::Good));
    QVERIFY(!early.has_value());
    QTRY_VERIFY_WITH_TIMEOUT(early.has_value(), kWait);
    QCOMPARE(statusName(early->status), statusName(UaStatus::Good));
    QCOMPARE(early->values.value(0).value.type(), BuiltinType::Int32);
}

void TstOpcUaClient::syncCallTimesOut()
{
    const QString frozenAnswer = m_sim.command(QStringLiteral("freeze 2"));
    QVERIFY2(frozenAnswer.startsWith(u"ok frozen 1"), qPrintable(frozenAnswer));
    const ReadResult frozen = m_session.readSync({{node(u"Print.TeileNr")}}, 300);
    QCOMPARE(statusName(frozen.status), statusName(UaStatus::BadTimeout));
    QCOMPARE(m_sim.waitForLine(QStringLiteral("thawed"), kWait), QStringLiteral("thawed"));
    // The late answer to the abandoned request is dropped; the next request gets its own.
    QVERIFY(m_sim.command(QStringLiteral("set Print.TeileNr 4242")).startsWith(u"ok "));
    const ReadResult after = m_session.readSync({{node(u"Print.TeileNr")}}, kWait);
    QCOMPARE(statusName(after.status), statusName(UaStatus::Good));
    QCOMPARE(after.values.value(0).value, Variant::scalar(BuiltinType::Int32, qint32(4242)));
    QCOMPARE(m_session.channel()->state(), UaSecureChannel::State::Open);
}

void TstOpcUaClient::renewsTheChannelToken()
{
    UaSession session;
    session.channel()->setRequestedLifetime(2000);
    QSignalSpy activated(&session, &UaSession::activated);
    QSignalSpy renewed(session.channel(), &UaSecureChannel::renewed);
    session.open(m_sim.url());
    QVERIFY(activated.wait(kWait));
    const quint32 firstToken = session.channel()->token().tokenId;
    QVERIFY(renewed.wait(3 * kWait));
    QVERIFY(session.channel()->token().tokenId != firstToken);
    const ReadResult result = session.readSync({{node(u"Print.TeileNr")}}, kWait);
    QCOMPARE(statusName(result.status), statusName(UaStatus::Good));
    QSignalSpy closed(&session, &UaSession::closed);
    session.close();
    QVERIFY(closed.wait(kWait));
}

void TstOpcUaClient::droppedConnectionCloses()
{
    // A session on its own stays closed; reads fail at once.
    QSignalSpy closed(&m_session, &UaSession::closed);
    QSignalSpy channelClosed(m_session.channel(), &UaSecureChannel::closed);
    const QString dropped = m_sim.command(QStringLiteral("drop"));
    QVERIFY2(dropped.startsWith(u"ok dropped 1"), qPrintable(dropped));
    // The reset may already have been seen while the answer was awaited.
    QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, kWait);
    QCOMPARE(channelClosed.size(), 1);
    QVERIFY2(UaStatus::isBad(closed.first().first().toUInt()),
             qPrintable(statusName(closed.first().first().toUInt())));
    QCOMPARE(m_session.state(), UaSession::State::Closed);
    QVERIFY(UaStatus::isBad(m_session.readSync({{node(u"Print.TeileNr")}}, 1000).status));
}

void TstOpcUaClient::connectsWithoutEventLoop()
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

void TstOpcUaClient::translatesBrowsePath_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("text with a maximum length")
        << QStringLiteral("Print.LosName") << UaStatus::Good;
    QTest::newRow("number without one") << QStringLiteral("Print.TeileNr") << UaStatus::BadNoMatch;
    QTest::newRow("unknown start node")
        << QStringLiteral("Print.Nothing") << UaStatus::BadNodeIdUnknown;
}

void TstOpcUaClient::translatesBrowsePath()
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

void TstOpcUaClient::lostChannelResumesSession_data()
{
    QTest::addColumn<quint32>("abortStatus");
    QTest::newRow("server drops the connection") << UaStatus::Good;
    QTest::newRow("client aborts a stalled one") << UaStatus::BadNoCommunication;
}

void TstOpcUaClient::lostChannelResumesSession()
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
    const ReadResult read = m_client.session().readSync({{node(u"Print.TeileNr")}}, kWait);
    QCOMPARE(statusName(read.status), statusName(UaStatus::Good));
}

void TstOpcUaClient::restartedServerGivesNewSession()
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
    const ReadResult read = m_client.session().readSync({{node(u"Print.TeileNr")}}, kWait);
    QCOMPARE(statusName(read.status), statusName(UaStatus::Good));
}

void TstOpcUaClient::refusedAttemptsBackOffUntilStopped()
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
    // Later refusals come through the event loop, each as the session's BadNotConnected.
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

QTEST_GUILESS_MAIN(TstOpcUaClient)
#include "tst_opcua_client.moc"
