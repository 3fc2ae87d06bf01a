#include "PlcSim.h"
#include "UaSubscription.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {
constexpr int kWait = 20000;

using Changes = QList<std::pair<quint32, Variant>>;

NodeId node(QStringView name)
{
    return NodeId::string(1, QStringLiteral("Line1.") + name.toString());
}

Variant boolean(bool value)
{
    return Variant::scalar(BuiltinType::Boolean, value);
}
} // namespace

// Subscriptions on the simulated PLC, a node-opcua server: changes in order, removed items,
// keep-alives and the stall watchdog, and a server that forgets the subscription.
class TstOpcUaSubscription : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void reportsChangesUntilRemoved();
    void keepAlivesAndStall();
    void serverForgetsSubscription_data();
    void serverForgetsSubscription();

private:
    // Collects the changes of the subscription's items.
    void record(UaSubscription &subscription);
    bool waitForChange(qsizetype count)
    {
        return QTest::qWaitFor([&] { return m_changes.size() >= count; }, kWait);
    }

    std::unique_ptr<UaSession> openSession();
    bool simOk(QStringView line) { return m_sim.command(line.toString()).startsWith(u"ok "); }

    PlcSim m_sim;
    Changes m_changes;
};

void TstOpcUaSubscription::initTestCase()
{
    QVERIFY2(m_sim.start(), "the simulated PLC did not start");
}

// A session of its own for each test: Publish requests serve any subscription of their
// session, so one left behind by an earlier test would take this test's notifications.
std::unique_ptr<UaSession> TstOpcUaSubscription::openSession()
{
    auto session = std::make_unique<UaSession>();
    QSignalSpy activated(session.get(), &UaSession::activated);
    session->open(m_sim.url());
    return activated.wait(kWait) ? std::move(session) : nullptr;
}

void TstOpcUaSubscription::record(UaSubscription &subscription)
{
    m_changes.clear();
    connect(&subscription, &UaSubscription::dataChanged, this,
            [this](quint32 handle, const DataValue &value) {
                m_changes.append({handle, value.value});
            });
}

void TstOpcUaSubscription::reportsChangesUntilRemoved()
{
    QVERIFY(simOk(u"set Print.anford false"));
    const auto session = openSession();
    QVERIFY(session);
    UaSubscription subscription(*session);
    record(subscription);
    subscription.setPublishingInterval(1000);
    QCOMPARE(UaStatus::name(subscription.createSync(kWait)), UaStatus::name(UaStatus::Good));
    quint32 flagId = 0;
    quint32 countId = 0;
    double sampling = -1;
    QCOMPARE(UaStatus::name(subscription.addItemSync(node(u"Print.anford"), 1, 0, 10, flagId,
                                                     sampling, kWait)),
             UaStatus::name(UaStatus::Good));
    QVERIFY(flagId != 0);
    // Asked for 0, the server grants the fastest it can: a coalescing window of 50 ms.
    QCOMPARE(sampling, 50.0);
    // The server reports the value the item has when it is created first.
    QVERIFY(waitForChange(1));
    QVERIFY(simOk(u"raise"));
    QVERIFY(waitForChange(2));
    // A pulse within one publishing interval arrives as two changes. The server samples
    // (at 50 ms for a requested 0), so the pulse must outlast one sample.
    QVERIFY(simOk(u"set Print.anford false"));
    QTest::qWait(200);
    QVERIFY(simOk(u"set Print.anford true"));
    QVERIFY(waitForChange(4));
    QCOMPARE(
        m_changes,
        (Changes{
            {1, boolean(false)}, {1, boolean(true)}, {1, boolean(false)}, {1, boolean(true)}}));
    QCOMPARE(subscription.notificationCount(), 4u);
    // A removed item reports no more. Changes come in order, so the flag's would come before
    // the count's.
    QCOMPARE(subscription.addItemSync(node(u"Print.TeileNr"), 2, 0, 10, countId, sampling, kWait),
             UaStatus::Good);
    QVERIFY(waitForChange(5));
    QCOMPARE(subscription.removeItemSync(flagId, kWait), UaStatus::Good);
    QCOMPARE(subscription.removeItemSync(flagId, kWait), UaStatus::BadMonitoredItemIdInvalid);
    m_changes.clear();
    QVERIFY(simOk(u"set Print.anford false") && simOk(u"raise"));
    QVERIFY(simOk(u"set Print.TeileNr 31"));
    QVERIFY(waitForChange(1));
    QCOMPARE(m_changes, (Changes{{2, Variant::scalar(BuiltinType::Int32, qint32(31))}}));
    QCOMPARE(UaStatus::name(subscription.deleteSync(kWait)), UaStatus::name(UaStatus::Good));
    QVERIFY(!subscription.isCreated());
}

void TstOpcUaSubscription::keepAlivesAndStall()
{
    const auto session = openSession();
    QVERIFY(session);
    UaSubscription subscription(*session);
    QSignalSpy stalled(&subscription, &UaSubscription::stalled);
    QSignalSpy lost(&subscription, &UaSubscription::lost);
    subscription.setPublishingInterval(100);
    QCOMPARE(subscription.createSync(kWait), UaStatus::Good);
    const qint64 window =
        qint64(subscription.revisedPublishingInterval() * subscription.revisedKeepAliveCount());
    QVERIFY2(window < 3000, qPrintable(QString::number(window)));
    QVERIFY(QTest::qWaitFor([&] { return subscription.keepAliveCount() >= 3; }, kWait));
    QCOMPARE(stalled.size(), 0);
    QElapsedTimer silence;
    silence.start();
    QVERIFY(m_sim.command(QStringLiteral("freeze 6")).startsWith(u"ok frozen 1"));
    QVERIFY(stalled.wait(kWait));
    QVERIFY2(silence.elapsed() >= window, qPrintable(QString::number(silence.elapsed())));
    QCOMPARE(m_sim.waitForLine(QStringLiteral("thawed"), kWait), QStringLiteral("thawed"));
    // The subscription outlives the freeze with node-opcua: keep-alives come again and re-arm
    // the watchdog, which stays quiet.
    const quint64 keepAlives = subscription.keepAliveCount();
    QVERIFY(QTest::qWaitFor([&] { return subscription.keepAliveCount() > keepAlives + 2; }, kWait));
    QCOMPARE(stalled.size(), 1);
    QCOMPARE(lost.size(), 0);
}

void TstOpcUaSubscription::serverForgetsSubscription_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("reopen");
    QTest::addColumn<quint32>("expected");
    // node-opcua answers the Publish requests it holds as it shuts down, then disconnects.
    QTest::newRow("restart") << QStringLiteral("restart") << false << UaStatus::BadSessionClosed;
    // The connection is gone without a word; publishing resumes once the session object is
    // active again, in a new session that does not know the subscription.
    QTest::newRow("drop, new session")
        << QStringLiteral("drop") << true << UaStatus::BadNoSubscription;
}

void TstOpcUaSubscription::serverForgetsSubscription()
{
    QFETCH(QString, command);
    QFETCH(bool, reopen);
    QFETCH(quint32, expected);
    const auto session = openSession();
    QVERIFY(session);
    UaSubscription subscription(*session);
    QSignalSpy lost(&subscription, &UaSubscription::lost);
    QSignalSpy closed(session.get(), &UaSession::closed);
    QCOMPARE(subscription.createSync(kWait), UaStatus::Good);
    QVERIFY(!m_sim.command(command).startsWith(u"error"));
    QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, kWait);
    QCOMPARE(subscription.isCreated(), reopen);
    if (reopen)
        session->open(m_sim.url());
    QTRY_COMPARE_WITH_TIMEOUT(lost.size(), 1, kWait);
    QCOMPARE(UaStatus::name(lost.first().first().toUInt()), UaStatus::name(expected));
    QVERIFY(!subscription.isCreated());
}

QTEST_GUILESS_MAIN(TstOpcUaSubscription)
#include "tst_opcua_subscription.moc"
