#include "PlcSim.h"
#include "UaSession.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>

Q_DECLARE_METATYPE(Variant)

namespace {
constexpr int kWait = 20000;

NodeId node(const QString &name)
{
    return NodeId::string(1, QStringLiteral("Line1.") + name);
}

QString statusName(quint32 status)
{
    return UaStatus::name(status);
}
} // namespace

// The secure channel and session against the simulated PLC, a node-opcua server: several
// reads in one request, a synchronous call with an asynchronous one in flight, a time-out,
// token renewal and a dropped connection. (Writes and reads of every type the station uses,
// with the server's refusals, are tested through the PLC link in tst_opcualink.)
class TstOpcUaClient : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void readsSeveralNodesInOneRequest();
    void readOfUnknownNode();
    void syncCallDefersOtherResponses();
    void syncCallTimesOut();
    void renewsTheChannelToken();
    void refusedConnectionCloses();
    void droppedConnectionCloses();

private:
    std::unique_ptr<UaSession> openSession();

    PlcSim m_sim;
    std::unique_ptr<UaSession> m_session;
};

std::unique_ptr<UaSession> TstOpcUaClient::openSession()
{
    auto session = std::make_unique<UaSession>();
    QSignalSpy activated(session.get(), &UaSession::activated);
    session->open(m_sim.url());
    if (!activated.wait(kWait))
        return {};
    return session;
}

void TstOpcUaClient::initTestCase()
{
    QVERIFY2(m_sim.start(), "the simulated PLC did not start");
    m_session = openSession();
    QVERIFY(m_session);
    QCOMPARE(m_session->state(), UaSession::State::Active);
    QVERIFY(!m_session->sessionId().isNull());
}

void TstOpcUaClient::cleanupTestCase()
{
    if (!m_session || m_session->state() != UaSession::State::Active)
        return;
    QSignalSpy closed(m_session.get(), &UaSession::closed);
    m_session->close();
    QVERIFY(closed.wait(kWait));
    QCOMPARE(statusName(closed.first().first().toUInt()), statusName(UaStatus::Good));
}

void TstOpcUaClient::readsSeveralNodesInOneRequest()
{
    QVERIFY(m_sim.command(QStringLiteral("set Print.ResteLaenge 77")).startsWith(u"ok "));
    QVERIFY(m_sim.command(QStringLiteral("set Print.ResteProfil P-9")).startsWith(u"ok "));
    std::optional<ReadResult> result;
    const quint32 requestId =
        m_session->read({{node(QStringLiteral("Print.ResteLaenge"))},
                         {node(QStringLiteral("Print.ResteProfil"))},
                         {node(QStringLiteral("Print.ResteProfil")), UaAttributeId::DataType}},
                        [&result](const ReadResult &read) { result = read; });
    QVERIFY(requestId != 0);
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), kWait);
    QCOMPARE(statusName(result->status), statusName(UaStatus::Good));
    QCOMPARE(result->values.size(), 3);
    QCOMPARE(result->values.at(0).value, Variant::scalar(BuiltinType::Int32, qint32(77)));
    QCOMPARE(result->values.at(1).value,
             Variant::scalar(BuiltinType::String, QStringLiteral("P-9")));
    QCOMPARE(result->values.at(2).value,
             Variant::scalar(BuiltinType::NodeId, QVariant::fromValue(NodeId::numeric(0, 12))));
}

void TstOpcUaClient::readOfUnknownNode()
{
    const ReadResult result = m_session->readSync(
        {{node(QStringLiteral("Print.Nirgends"))}, {node(QStringLiteral("Print.TeileNr"))}}, kWait);
    QCOMPARE(statusName(result.status), statusName(UaStatus::Good));
    QCOMPARE(result.values.size(), 2);
    QCOMPARE(statusName(result.values.at(0).status), statusName(UaStatus::BadNodeIdUnknown));
    QVERIFY(result.values.at(0).value.isNull());
    QCOMPARE(statusName(result.values.at(1).status), statusName(UaStatus::Good));
}

void TstOpcUaClient::syncCallDefersOtherResponses()
{
    // The asynchronous request goes first, so the server answers it before the synchronous
    // one: it arrives during the wait and must be held back until the event loop runs.
    std::optional<ReadResult> early;
    QVERIFY(m_session->read({{node(QStringLiteral("Print.TeileNr"))}},
                            [&early](const ReadResult &read) { early = read; }) != 0);
    const ReadResult sync = m_session->readSync({{node(QStringLiteral("Print.LosName"))}}, kWait);
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
    const ReadResult frozen = m_session->readSync({{node(QStringLiteral("Print.TeileNr"))}}, 300);
    QCOMPARE(statusName(frozen.status), statusName(UaStatus::BadTimeout));
    QCOMPARE(m_sim.waitForLine(QStringLiteral("thawed"), kWait), QStringLiteral("thawed"));
    // The late answer to the abandoned request is dropped; the next request gets its own.
    QVERIFY(m_sim.command(QStringLiteral("set Print.TeileNr 4242")).startsWith(u"ok "));
    const ReadResult after = m_session->readSync({{node(QStringLiteral("Print.TeileNr"))}}, kWait);
    QCOMPARE(statusName(after.status), statusName(UaStatus::Good));
    QCOMPARE(after.values.value(0).value, Variant::scalar(BuiltinType::Int32, qint32(4242)));
    QCOMPARE(m_session->channel()->state(), UaSecureChannel::State::Open);
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
    const ReadResult result = session.readSync({{node(QStringLiteral("Print.TeileNr"))}}, kWait);
    QCOMPARE(statusName(result.status), statusName(UaStatus::Good));
    QSignalSpy closed(&session, &UaSession::closed);
    session.close();
    QVERIFY(closed.wait(kWait));
}

void TstOpcUaClient::refusedConnectionCloses()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const quint16 port = probe.serverPort();
    probe.close();
    UaSession session;
    QSignalSpy closed(&session, &UaSession::closed);
    session.open(QStringLiteral("opc.tcp://localhost:%1").arg(port));
    QVERIFY(closed.wait(kWait));
    QCOMPARE(statusName(closed.first().first().toUInt()), statusName(UaStatus::BadNotConnected));
    QCOMPARE(session.state(), UaSession::State::Closed);
}

void TstOpcUaClient::droppedConnectionCloses()
{
    QSignalSpy closed(m_session.get(), &UaSession::closed);
    QSignalSpy channelClosed(m_session->channel(), &UaSecureChannel::closed);
    const QString dropped = m_sim.command(QStringLiteral("drop"));
    QVERIFY2(dropped.startsWith(u"ok dropped 1"), qPrintable(dropped));
    // The reset may already have been seen while the answer was awaited.
    QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, kWait);
    QCOMPARE(channelClosed.size(), 1);
    QVERIFY2(UaStatus::isBad(closed.first().first().toUInt()),
             qPrintable(statusName(closed.first().first().toUInt())));
    QCOMPARE(m_session->state(), UaSession::State::Closed);
    const ReadResult after = m_session->readSync({{node(QStringLiteral("Print.TeileNr"))}}, 1000);
    QVERIFY(UaStatus::isBad(after.status));
}

QTEST_GUILESS_MAIN(TstOpcUaClient)
#include "tst_opcua_client.moc"
