#include "PlcSim.h"
#include "UaBytes.h"
#include "UaDecoder.h"
#include "UaSubscription.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using UaBytes::hex;
using UaBytes::le32;

namespace {
constexpr int kWait = 20000;

// A request header with request handle 3 and its encoding.
const RequestHeader kHeader = [] {
    RequestHeader header;
    header.requestHandle = 3;
    return header;
}();
const QByteArray kSampleHeader = hex("00 00  00 00 00 00 00 00 00 00  03 00 00 00  00 00 00 00"
                                     "ff ff ff ff  00 00 00 00  00 00 00");

// An ExtensionObject with a binary body, its type id in the four-byte form.
QByteArray extensionObject(quint16 typeId, const QByteArray &body)
{
    return hex("01 00") + QByteArray(1, char(typeId & 0xff)) + QByteArray(1, char(typeId >> 8)) +
           hex("01") + le32(quint32(body.size())) + body;
}

// A Publish response of subscription 7 (after its type id) whose notification message 3
// holds the given NotificationData elements.
QByteArray publishResponse(quint32 count, const QByteArray &notificationData)
{
    return QByteArray(12, '\0') + le32(0) + hex("00 ff ff ff ff 00 00 00") + le32(7) +
           hex("01 00 00 00  03 00 00 00  00") + le32(3) + QByteArray(8, '\0') + le32(count) +
           notificationData + hex("01 00 00 00  00 00 00 00  ff ff ff ff");
}

// Two changes of handle 5: true, then false with BadOutOfService; no DiagnosticInfos.
const QByteArray kDataChange = hex("02 00 00 00  05 00 00 00  01 01 01"
                                   "05 00 00 00  03 01 00  00 00 8d 80  ff ff ff ff");

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

// The encoding of the subscription services against bytes written from the encoding rules,
// and subscriptions on the simulated PLC, a node-opcua server.
class TstOpcUaSubscription : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void requestLayout_data();
    void requestLayout();
    void decodesPublishResponse();
    void hostilePublishResponseFails_data();
    void hostilePublishResponseFails();
    void initTestCase();
    void reportsChangesInOrder();
    void removedItemStopsReporting();
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

void TstOpcUaSubscription::requestLayout_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected");
    CreateSubscriptionRequest create{kHeader};
    create.publishingInterval = 250;
    QTest::newRow("CreateSubscription")
        << create.toBody()
        << hex("01 00 13 03") + kSampleHeader +
               hex("00 00 00 00 00 40 6f 40  1e 00 00 00  0a 00 00 00  00 00 00 00  01 00");
    const CreateMonitoredItemsRequest items{
        kHeader, 7, {{NodeId::string(1, QStringLiteral("A.b")), 5, 50, 10, false}}};
    QTest::newRow("CreateMonitoredItems")
        << items.toBody()
        << hex("01 00 ef 02") + kSampleHeader +
               hex("07 00 00 00  02 00 00 00  01 00 00 00  03 01 00 03 00 00 00 41 2e 62"
                   "0d 00 00 00  ff ff ff ff  00 00 ff ff ff ff  02 00 00 00  05 00 00 00"
                   "00 00 00 00 00 00 49 40  00 00 00  0a 00 00 00  00");
    QTest::newRow("Publish") << PublishRequest{kHeader, {{7, 41}, {7, 42}}}.toBody()
                             << hex("01 00 3a 03") + kSampleHeader +
                                    hex("02000000  07000000 29000000  07000000 2a000000");
    QTest::newRow("DeleteSubscriptions")
        << DeleteSubscriptionsRequest{kHeader, {7}}.toBody()
        << hex("01 00 4f 03") + kSampleHeader + hex("01 00 00 00  07 00 00 00");
    QTest::newRow("DeleteMonitoredItems")
        << DeleteMonitoredItemsRequest{kHeader, 7, {9}}.toBody()
        << hex("01 00 0d 03") + kSampleHeader + hex("07 00 00 00  01 00 00 00  09 00 00 00");
}

void TstOpcUaSubscription::requestLayout()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);
    QCOMPARE(body.toHex(' '), expected.toHex(' '));
}

void TstOpcUaSubscription::decodesPublishResponse()
{
    // A data change, an event list the client does not ask for, a status change.
    const QByteArray bytes = publishResponse(3, extensionObject(811, kDataChange) +
                                                    extensionObject(916, hex("00 00 00 00")) +
                                                    extensionObject(820, hex("00 00 0a 80  00")));
    UaDecoder decoder(bytes);
    const PublishResponse response = PublishResponse::decode(decoder);
    QVERIFY(decoder.ok() && decoder.atEnd());
    QCOMPARE(response.subscriptionId, 7u);
    QCOMPARE(response.availableSequenceNumbers, QList<quint32>{3});
    QCOMPARE(response.message.sequenceNumber, 3u);
    QCOMPARE(response.message.dataChanges.size(), 2);
    QCOMPARE(response.message.dataChanges.at(0).clientHandle, 5u);
    QCOMPARE(response.message.dataChanges.at(0).value.value, boolean(true));
    QCOMPARE(response.message.dataChanges.at(1).value.value, boolean(false));
    QCOMPARE(response.message.dataChanges.at(1).value.status, UaStatus::BadOutOfService);
    QCOMPARE(response.message.statusChanges, QList<quint32>{UaStatus::BadTimeout});
    QCOMPARE(response.results, QList<quint32>{UaStatus::Good});

    UaDecoder keepAliveDecoder(publishResponse(0, {}));
    const PublishResponse keepAlive = PublishResponse::decode(keepAliveDecoder);
    QVERIFY(keepAliveDecoder.ok() && keepAliveDecoder.atEnd());
    QVERIFY(keepAlive.message.isKeepAlive());
}

void TstOpcUaSubscription::hostilePublishResponseFails_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = publishResponse(1, extensionObject(811, kDataChange));
    for (qsizetype size = 0; size < good.size(); size += 7)
        QTest::addRow("cut at %d", int(size)) << good.left(size);
    QTest::newRow("data count absurd") << publishResponse(0x7fffffff, {});
    QTest::newRow("data count negative") << publishResponse(0xfffffffe, {});
    QTest::newRow("items count absurd")
        << publishResponse(1, extensionObject(811, hex("00 00 00 10") + kDataChange.mid(4)));
    QTest::newRow("body cut inside")
        << publishResponse(1, extensionObject(811, kDataChange.left(14)));
}

void TstOpcUaSubscription::hostilePublishResponseFails()
{
    QFETCH(QByteArray, bytes);
    UaDecoder decoder(bytes);
    const PublishResponse response = PublishResponse::decode(decoder);
    QVERIFY(UaStatus::isBad(decoder.status()));
    QVERIFY(response.message.dataChanges.size() <= 2);
}

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

void TstOpcUaSubscription::reportsChangesInOrder()
{
    QVERIFY(simOk(u"set Print.anford false"));
    const auto session = openSession();
    QVERIFY(session);
    UaSubscription subscription(*session);
    record(subscription);
    subscription.setPublishingInterval(1000);
    QCOMPARE(UaStatus::name(subscription.createSync(kWait)), UaStatus::name(UaStatus::Good));
    quint32 itemId = 0;
    double sampling = -1;
    QCOMPARE(UaStatus::name(subscription.addItemSync(node(u"Print.anford"), 1, 0, 10, itemId,
                                                     sampling, kWait)),
             UaStatus::name(UaStatus::Good));
    QVERIFY(itemId != 0);
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
    QCOMPARE(UaStatus::name(subscription.deleteSync(kWait)), UaStatus::name(UaStatus::Good));
    QVERIFY(!subscription.isCreated());
}

void TstOpcUaSubscription::removedItemStopsReporting()
{
    const auto session = openSession();
    QVERIFY(session);
    UaSubscription subscription(*session);
    record(subscription);
    QCOMPARE(subscription.createSync(kWait), UaStatus::Good);
    quint32 flagId = 0;
    quint32 countId = 0;
    double sampling = 0;
    QCOMPARE(subscription.addItemSync(node(u"Print.anford"), 1, 0, 10, flagId, sampling, kWait),
             UaStatus::Good);
    QCOMPARE(subscription.addItemSync(node(u"Print.TeileNr"), 2, 0, 10, countId, sampling, kWait),
             UaStatus::Good);
    QVERIFY(waitForChange(2));
    QCOMPARE(subscription.removeItemSync(flagId, kWait), UaStatus::Good);
    QCOMPARE(subscription.removeItemSync(flagId, kWait), UaStatus::BadMonitoredItemIdInvalid);
    m_changes.clear();
    // Changes come in order, so the flag's would be there before the count's.
    QVERIFY(simOk(u"set Print.anford false") && simOk(u"raise"));
    QVERIFY(simOk(u"set Print.TeileNr 31"));
    QVERIFY(waitForChange(1));
    QCOMPARE(m_changes, (Changes{{2, Variant::scalar(BuiltinType::Int32, qint32(31))}}));
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
