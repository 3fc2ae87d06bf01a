#include "AppSettings.h"
#include "CommLink.h"
#include "OpcUaLink.h"
#include "PlcConnection.h"
#include "PlcSim.h"
#include "PlcStatus.h"
#include "PrintControls.h"
#include "RecordingLog.h"
#include "VariableText.h"

#include <QSignalSpy>
#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {
constexpr int kWait = 30000;
const QString kFlag = u"Line1.Print.anford"_s;
} // namespace

// The OPC UA link against the simulated PLC, a node-opcua server: every operation the station
// uses with the refusals a real server gives, the request flag's notification, a server that
// stops answering or refuses subscriptions. (Dropped connections, restarts and stalls with a
// whole station: the fault soak, soak_short.)
class TstOpcUaLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void writes_data();
    void writes();
    void refusals_data();
    void refusals();
    void textsCutToTheirByteCount();
    void variableSizes_data();
    void variableSizes();
    void namespaceByUri_data();
    void namespaceByUri();
    void raisedFlagIsNotified();
    void callToAStalledServerTimesOutOnce();
    void unreachableServerFailsAtOnceAfterTheFirstCall_data();
    void unreachableServerFailsAtOnceAfterTheFirstCall();
    void stationOutlastsRefusedSubscriptions();
    void batchesAnswerAsSingleCalls_data();
    void batchesAnswerAsSingleCalls();

private:
    qint32 handle(const QString &name);

    PlcSim m_sim;
    std::unique_ptr<OpcUaLink> m_link;
};

void TstOpcUaLink::initTestCase()
{
    QVERIFY(m_sim.start({u"--var"_s, u"Print.Speed:Double"_s, u"--var"_s, u"Print.Note:String"_s}));
}

void TstOpcUaLink::init()
{
    OpcUaLinkOptions options;
    options.timeoutMs = 3000;
    // No steady reads of the flag: a request served after a notification was notified.
    options.checkMs = 0;
    m_link = std::make_unique<OpcUaLink>(options);
    m_link->setNetId(m_sim.url());
}

void TstOpcUaLink::cleanup()
{
    m_link->closeLink();
    m_link.reset();
    m_sim.command(u"set Print.anford false"_s);
}

qint32 TstOpcUaLink::handle(const QString &name)
{
    qint32 h = 0;
    const qint32 status = m_link->createHandle(u"Line1."_s + name, h);
    return status == PlcStatus::Good ? h : status;
}

// A value written with the operation for its type: what the server then holds, and the value
// read back. A refused write leaves the server's value as it was.
void TstOpcUaLink::writes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<qint32>("status");
    QTest::addColumn<QString>("seen");
    const qint32 good = PlcStatus::Good;
    const QString lot = QString(38, u'x') + u"ä"_s; // 40 bytes of UTF-8, LosName's maximum
    // clang-format off
    QTest::newRow("bool") << u"Print.anford"_s << QVariant(true) << good << u"true"_s;
    QTest::newRow("int") << u"Print.ResteKennung"_s << QVariant::fromValue(qint16(-12)) << good << u"-12"_s;
    QTest::newRow("long") << u"Print.TeileNr"_s << QVariant(2000000000) << good << u"2000000000"_s;
    QTest::newRow("long into Int16") << u"Print.EtikettenType"_s << QVariant(7) << good << u"7"_s;
    QTest::newRow("real") << u"Print.Speed"_s << QVariant(2.5) << good << u"2.5"_s;
    QTest::newRow("text") << u"Print.LosName"_s << QVariant(u"Lot \"ä\""_s) << good << u"\"Lot \\\"ä\\\"\""_s;
    QTest::newRow("text at its maximum") << u"Print.LosName"_s << QVariant(lot) << good << u'"' + lot + u'"';
    QTest::newRow("text beyond its maximum") << u"Print.LosName"_s << QVariant(lot + u'y') << PlcStatus::BadOutOfRange << QString();
    QTest::newRow("text into a number") << u"Print.TeileNr"_s << QVariant(u"1"_s) << PlcStatus::BadTypeMismatch << QString();
    QTest::newRow("long beyond Int16") << u"Print.ResteKennung"_s << QVariant(40000) << PlcStatus::BadOutOfRange << QString();
    // clang-format on
}

void TstOpcUaLink::writes()
{
    QFETCH(QString, name);
    QFETCH(QVariant, value);
    QFETCH(qint32, status);
    QFETCH(QString, seen);
    const qint32 h = handle(name);
    QVERIFY2(h > 0, qPrintable(QString::number(h)));
    const QString get = u"get "_s + name, before = m_sim.command(get);
    const int type = value.typeId();
    const QString text = value.toString();
    QCOMPARE(type == QMetaType::Bool     ? m_link->writeBool(h, 2, value.toBool())
             : type == QMetaType::Short  ? m_link->writeInt(h, 2, value.value<qint16>())
             : type == QMetaType::Int    ? m_link->writeLong(h, 4, value.toInt())
             : type == QMetaType::Double ? m_link->writeLReal(h, 8, value.toDouble())
                                         : m_link->writeString(h, int(text.size()) * 2, text),
             status);
    const bool written = status == PlcStatus::Good;
    QCOMPARE(m_sim.command(get), written ? u"value Line1.%1 = %2"_s.arg(name, seen) : before);
    if (!written)
        return;
    bool b = false;
    qint16 i = 0;
    qint32 l = 0;
    QString t;
    QCOMPARE(type == QMetaType::Bool      ? m_link->readBool(h, 2, b)
             : type == QMetaType::Short   ? m_link->readInt(h, 2, i)
             : type == QMetaType::Int     ? m_link->readLong(h, 4, l)
             : type == QMetaType::QString ? m_link->readString(h, 80, t)
                                          : PlcStatus::Good, // a real has no read of its own
             PlcStatus::Good);
    const QVariant back = type == QMetaType::Bool      ? QVariant(b)
                          : type == QMetaType::Short   ? QVariant::fromValue(i)
                          : type == QMetaType::Int     ? QVariant(l)
                          : type == QMetaType::QString ? QVariant(t)
                                                       : value;
    QCOMPARE(back, value);
}

// A handle or a read refused; a handle released twice is refused the second time.
void TstOpcUaLink::refusals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("bytes"); // of a readBool; 0: the handle itself is refused
    QTest::addColumn<qint32>("status");
    QTest::newRow("unknown variable") << u"Print.Nothing"_s << 0 << PlcStatus::BadNodeIdUnknown;
    QTest::newRow("bool from a number") << u"Print.TeileNr"_s << 2 << PlcStatus::BadTypeMismatch;
    QTest::newRow("wrong byte count") << u"Print.anford"_s << 4 << PlcStatus::BadInvalidArgument;
}

void TstOpcUaLink::refusals()
{
    QFETCH(QString, name);
    QFETCH(int, bytes);
    QFETCH(qint32, status);
    const qint32 h = handle(name);
    if (bytes == 0) {
        QCOMPARE(h, status);
        return;
    }
    QVERIFY(h > 0);
    bool b = false;
    QCOMPARE(m_link->readBool(h, bytes, b), status);
    QCOMPARE(m_link->releaseHandle(h), PlcStatus::Good);
    QCOMPARE(m_link->releaseHandle(h), PlcStatus::BadInvalidArgument);
}

// The byte count cuts the text read, and the text written.
void TstOpcUaLink::textsCutToTheirByteCount()
{
    const qint32 h = handle(u"Print.LosName"_s);
    QCOMPARE(m_link->writeString(h, 60, QString(30, u'x')), PlcStatus::Good);
    QString read;
    QCOMPARE(m_link->readString(h, 20, read), PlcStatus::Good);
    QCOMPARE(read, QString(10, u'x'));
    QCOMPARE(m_link->writeString(h, 4, u"abcdef"_s), PlcStatus::Good);
    QCOMPARE(m_sim.command(u"get Print.LosName"_s), u"value Line1.Print.LosName = \"ab\""_s);
}

void TstOpcUaLink::variableSizes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint32>("size");
    QTest::addColumn<QString>("type");
    QTest::newRow("text with maximum") << u"Print.LosName"_s << 41 << u"String"_s;
    QTest::newRow("text without maximum") << u"Print.Note"_s << 256 << u"String"_s;
    QTest::newRow("Int32") << u"Print.TeileNr"_s << 4 << u"Int32"_s;
    QTest::newRow("Boolean") << u"Print.anford"_s << 1 << u"Boolean"_s;
}

void TstOpcUaLink::variableSizes()
{
    QFETCH(QString, name);
    QFETCH(qint32, size);
    QFETCH(QString, type);
    qint32 ns = -1, got = -1, typeId = -1, access = -1;
    QString typeName;
    QCOMPARE(m_link->getVariableInfo(u"Line1."_s + name, ns, got, typeName, typeId, access),
             PlcStatus::Good);
    QCOMPARE(got, size);
    QCOMPARE(typeName, type);
    QCOMPARE(ns, 1);
    QVERIFY(access & 3);
    QCOMPARE(variableText(*m_link, u"Line1."_s + name), size - 1);
}

void TstOpcUaLink::namespaceByUri_data()
{
    QTest::addColumn<QString>("spec");
    QTest::addColumn<qint32>("status");
    QTest::newRow("by URI") << u"urn:etikor:plcsim"_s << PlcStatus::Good;
    QTest::newRow("by index") << u"1"_s << PlcStatus::Good;
    QTest::newRow("wrong index") << u"0"_s << PlcStatus::BadNodeIdUnknown;
    QTest::newRow("unknown URI") << u"urn:nowhere"_s << PlcStatus::code(UaStatus::BadNotFound);
}

void TstOpcUaLink::namespaceByUri()
{
    QFETCH(QString, spec);
    QFETCH(qint32, status);
    OpcUaLinkOptions options;
    options.namespaceSpec = spec;
    options.prefix = u"Line1."_s; // names from here on lack the module
    OpcUaLink link(options);
    link.setNetId(m_sim.url());
    qint32 h = 0;
    QCOMPARE(link.createHandle(u"Print.TeileNr"_s, h), status);
    link.closeLink();
}

void TstOpcUaLink::raisedFlagIsNotified()
{
    QSignalSpy changes(m_link.get(), &PlcLink::variableChanged);
    qint32 hNote = 0;
    QCOMPARE(m_link->addNotification(kFlag, PlcLink::kNotifyOnChange, 1, hNote, 77),
             PlcStatus::Good);
    // The first report is the flag's value when the watch began.
    QVERIFY(changes.wait(kWait));
    QCOMPARE(changes.takeFirst(), (QVariantList{false, quint64(77)}));
    // Reported on change, the rise may arrive while the simulator is still answering.
    m_sim.command(u"raise"_s);
    QVERIFY(!changes.isEmpty() || changes.wait(kWait));
    QCOMPARE(changes.takeFirst(), (QVariantList{true, quint64(77)}));
    QCOMPARE(m_link->deleteNotification(hNote), PlcStatus::Good);
    m_sim.command(u"set Print.anford false"_s);
    QVERIFY(!changes.wait(1000));
}

// A call the server leaves unanswered costs one time-out; the calls after it fail at once
// while the link reconnects.
void TstOpcUaLink::callToAStalledServerTimesOutOnce()
{
    const qint32 h = handle(u"Print.TeileNr"_s);
    QSignalSpy states(m_link.get(), &PlcLink::stateChanged);
    QVERIFY(m_sim.command(u"freeze 6 all"_s).startsWith(u"ok frozen"_s));
    qint32 value = 0;
    QCOMPARE(m_link->readLong(h, 4, value), PlcStatus::BadTimeout);
    QCOMPARE(m_link->readLong(h, 4, value), PlcStatus::BadServerNotConnected);
    QVERIFY(!m_sim.waitForLine(u"thawed"_s, kWait).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!states.isEmpty() && states.last().at(0).toInt() == 5, kWait);
    QCOMPARE(m_link->readLong(h, 4, value), PlcStatus::Good);
}

// The link also says where it looked for the PLC, why it failed and what to change; %1 is a
// port where nothing listens.
void TstOpcUaLink::unreachableServerFailsAtOnceAfterTheFirstCall_data()
{
    QTest::addColumn<QString>("netId");
    QTest::addColumn<QString>("endpointOption");
    QTest::addColumn<QString>("problem");
    const QString netIdRemedy = u"set the PLC's host name or IP address as the net id"_s;
    QTest::newRow("refused") << u"127.0.0.1"_s << QString()
                             << u"PLC not reached at opc.tcp://127.0.0.1:%1: the connection was "
                                u"refused: nothing accepts connections on that port"_s;
    QTest::newRow("a Windows station's net id")
        << u"192.168.10.21.1.1"_s << QString()
        << u"PLC not reached at opc.tcp://192.168.10.21.1.1:%1: the host name cannot be "
           u"resolved (BadNotConnected); "_s +
               netIdRemedy;
    QTest::newRow("endpoint option")
        << u"192.168.10.21.1.1"_s << u"opc.tcp://127.0.0.1:%1"_s
        << u"PLC not reached at opc.tcp://127.0.0.1:%1: the connection was refused: nothing "
           u"accepts connections on that port (BadNotConnected); the URL is the registry option "
           u"\"Endpoint\" (area \"OPC UA\")"_s;
}

void TstOpcUaLink::unreachableServerFailsAtOnceAfterTheFirstCall()
{
    QFETCH(QString, netId);
    QFETCH(QString, endpointOption);
    QFETCH(QString, problem);
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost));
    const QString port = QString::number(probe.serverPort());
    probe.close();
    OpcUaLinkOptions options;
    options.endpoint = endpointOption.replace(u"%1"_s, port);
    OpcUaLink link(options);
    link.setNetId(netId);
    QCOMPARE(link.connectionProblem(), QString()); // nothing tried yet
    link.setPort(port);
    qint32 h = 0;
    QCOMPARE(link.createHandle(kFlag, h), PlcStatus::BadServerNotConnected);
    QVERIFY2(link.connectionProblem().startsWith(problem.replace(u"%1"_s, port)),
             qPrintable(link.connectionProblem()));
    QCOMPARE(link.createHandle(kFlag, h), PlcStatus::BadServerNotConnected);
    QVERIFY(link.properties().at(1).value.startsWith(u"Retrying"_s) ||
            link.properties().at(1).value == u"Connecting"_s);
    link.closeLink();
}

// A server short of resources refuses the flag's monitored item, later its Publish requests:
// the station finds requests by reading the flag meanwhile, says so, and watches it again.
void TstOpcUaLink::stationOutlastsRefusedSubscriptions()
{
    PrintControls controls;
    controls.modulName = u"Line1"_s;
    AppSettings settings;
    settings.ablOnOff = false;
    RecordingLog log;
    PlcConnection connection(*m_link, controls, settings, log);
    int served = 0;
    connection.setRequestHandler([&](CommLink &record) {
        bool raised = false;
        if (m_link->readBool(record.hAnfordVar, 2, raised) == PlcStatus::Good && raised &&
            m_link->writeBool(record.hAnfordVar, 2, false) == PlcStatus::Good)
            ++served;
        return true;
    });
    const auto logged = [&](const QString &end) {
        return std::any_of(log.entries.cbegin(), log.entries.cend(),
                           [&](const RecordingLog::Entry &e) { return e.str.endsWith(end); });
    };
    QVERIFY(m_sim.command(u"refuse CreateMonitoredItems 2 BadTooManyMonitoredItems"_s)
                .startsWith(u"ok"_s));
    connection.connectPlc();
    QCOMPARE(connection.plcLinks().front()->hConnectAnfordVar, 0);
    QVERIFY(logged(u"BadTooManyMonitoredItems: the flag is read every 1000 ms until it can be "
                   u"watched again"_s));
    m_sim.command(u"raise"_s);
    QTRY_COMPARE_WITH_TIMEOUT(served, 1, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(connection.plcLinks().front()->hConnectAnfordVar != 0, kWait);
    QVERIFY(logged(u"Request flag Line1.Print.anford watched again"_s));

    QVERIFY(m_sim.command(u"refuse Publish 8"_s).startsWith(u"ok"_s));
    QTRY_VERIFY_WITH_TIMEOUT(logged(u"PLC link rebuilt: BadTooManyOperations"_s), kWait);
    QTRY_VERIFY_WITH_TIMEOUT(connection.plcLinks().front()->hConnectAnfordVar != 0, kWait);
    // Served from inside the notification, with calls to the server while it is handled.
    m_sim.command(u"raise"_s);
    QTRY_COMPARE_WITH_TIMEOUT(served, 2, kWait);
    QCOMPARE(m_link->missedReports(), quint64(0));
}

QTEST_GUILESS_MAIN(TstOpcUaLink)
#include "tst_opcualink.moc"

// Several variables in one Read or Write answer item by item what the single calls answer,
// also from a server whose operation limits refuse such a call whole (the link then makes
// the single calls). The writes are the table of writes(), all in one batch.
void TstOpcUaLink::batchesAnswerAsSingleCalls_data()
{
    QTest::addColumn<QStringList>("limits");
    QTest::newRow("one call") << QStringList();
    QTest::newRow("server takes two variables a call") << QStringList{u"--max-nodes"_s, u"2"_s};
}

void TstOpcUaLink::batchesAnswerAsSingleCalls()
{
    QFETCH(QStringList, limits);
    PlcSim limited;
    if (!limits.isEmpty()) {
        QVERIFY(limited.start(
            QStringList{u"--var"_s, u"Print.Speed:Double"_s, u"--var"_s, u"Print.Note:String"_s} +
            limits));
        m_link->setNetId(limited.url());
    }
    PlcSim &sim = limits.isEmpty() ? m_sim : limited;
    PlcItems items;
    QList<qint32> expected;
    for (const auto &[name, value, status] :
         std::initializer_list<std::tuple<QString, QVariant, qint32>>{
             {u"Print.anford"_s, true, PlcStatus::Good},
             {u"Print.ResteKennung"_s, QVariant::fromValue(qint16(-12)), PlcStatus::Good},
             {u"Print.TeileNr"_s, 2000000000, PlcStatus::Good},
             {u"Print.Speed"_s, 2.5, PlcStatus::Good},
             {u"Print.Note"_s, QString(300, u'x'), PlcStatus::Good},
             {u"Print.LosName"_s, QString(41, u'x'), PlcStatus::BadOutOfRange},
             {u"Print.EtikettenType"_s, u"1"_s, PlcStatus::BadTypeMismatch}}) {
        const int type = value.typeId();
        const int bytes = type == QMetaType::Bool || type == QMetaType::Short ? 2
                          : type == QMetaType::Int                            ? 4
                          : type == QMetaType::Double                         ? 8
                                                      : int(value.toString().size()) * 2;
        items.append(PlcItem::of(handle(name), bytes, QMetaType::Type(type), value));
        expected.append(status);
    }
    items.append(PlcItem::of(4711, 4, QMetaType::Int, 1)); // no such handle
    expected.append(PlcStatus::BadInvalidArgument);
    m_link->writeMany(items);
    for (qsizetype i = 0; i < items.size(); ++i)
        QCOMPARE(items.at(i).status, expected.at(i));
    QCOMPARE(sim.command(u"get Print.TeileNr"_s), u"value Line1.Print.TeileNr = 2000000000"_s);
    QVERIFY(sim.command(u"get Print.Note"_s).contains(QString(300, u'x')));

    // Read back: each item as its single read gives it, a real has no read.
    PlcItems reads;
    for (qsizetype i = 0; i < 5; ++i) {
        const PlcItem &w = items.at(i);
        reads.append(
            PlcItem::of(w.handle, w.kind == QMetaType::QString ? 20 : w.byteCount, w.kind));
    }
    reads.append(PlcItem::of(items.at(0).handle, 4, QMetaType::Bool)); // wrong byte count
    m_link->readMany(reads);
    const QList<QVariant> values{
        true,      QVariant::fromValue(qint16(-12)), 2000000000, QVariant(), QString(10, u'x'),
        QVariant()};
    const QList<qint32> statuses{
        0, 0, 0, PlcStatus::BadInvalidArgument, 0, PlcStatus::BadInvalidArgument};
    for (qsizetype i = 0; i < reads.size(); ++i) {
        QCOMPARE(reads.at(i).status, statuses.at(i));
        QCOMPARE(reads.at(i).value, values.at(i));
    }
}
