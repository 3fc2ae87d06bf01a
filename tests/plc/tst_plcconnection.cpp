#include "AppSettings.h"
#include "CommLink.h"
#include "PlcConnection.h"
#include "PlcStatus.h"
#include "PrintControls.h"
#include "RecordingLog.h"
#include "RegionalFormat.h"
#include "SimulatedPlc.h"

#include <QDateTime>
#include <QTest>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

const QString kPrint = u"Etk1.Print."_s;
const QString kAbl = u"Etk1.bAbl.Print."_s;
const QString kFlag = kPrint + u"anford"_s;

// The variable names of one family in the order the link asks for them.
QStringList family(const QString &prefix, const QString &lotName)
{
    QStringList names{prefix + lotName};
    for (const char16_t *s :
         {u"RAW", u"EtikettenType", u"CmdLine", u"TeileNr", u"ResteKennung", u"ResteLaenge",
          u"ResteProfil", u"ResteColor", u"anfordErr", u"anfordErrText", u"anford"})
        names.append(prefix + QStringView(s).toString());
    return names;
}

// One station's variables in one family; the lot name's maximum length tells the families
// apart. The command text has no maximum length. Only the texts' types matter here.
void defineFamily(SimulatedPlc &plc, const QString &prefix, int lotLength)
{
    for (const QString &name : family(prefix, u"LosName"_s)) {
        const QString leaf = name.section(u'.', -1);
        const int length = leaf == u"LosName" ? lotLength : leaf == u"RAW" ? 200 : -1;
        const bool text = length >= 0 || leaf == u"CmdLine";
        plc.define(name, QMetaType(text ? QMetaType::QString : QMetaType::Bool), length);
    }
}

// The handles of a record in the order the link creates them, as the names behind them.
QStringList handleNames(const SimulatedPlc &plc, const CommLink &r)
{
    QStringList names;
    for (qint32 h : {r.hLosName, r.hRAW, r.hEtkTyp, r.hCmdLine, r.hTeileNr, r.hRestKenn, r.hRestLen,
                     r.hRestProf, r.hRestColor, r.hAnfordErr, r.hAnfordErrText, r.hAnfordVar,
                     r.hConnectAnfordVar})
        names.append(plc.nameOf(h));
    return names;
}

struct Station {
    SimulatedPlc plc;
    PrintControls controls;
    AppSettings settings;
    RecordingLog log;
    PlcConnection connection{plc, controls, settings, log};
    QList<const CommLink *> served;
    QStringList callsAtServe;

    explicit Station(bool ablOnOff = false, const QString &commandLine = {})
    {
        controls.modulName = u"Etk1"_s;
        settings.ablOnOff = ablOnOff;
        settings.commandLine = commandLine;
        defineFamily(plc, kPrint, 40);
        defineFamily(plc, kAbl, 50);
        plc.define(kPrint + u"Barcode"_s, QMetaType(QMetaType::QString), 30);
        connection.setRequestHandler([this](CommLink &record) {
            served.append(&record);
            callsAtServe = plc.calls();
            return true;
        });
    }
    CommLink &record() const { return *connection.plcLinks().front(); }
};

} // namespace

class TestPlcConnection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void connectPlc_data();
    void connectPlc();
    void events_data();
    void events();
    void terminateOrder();
    void flagFoundByReads_data();
    void flagFoundByReads();
    void oneServiceAtATime();
    void unreachablePlcIsNamed();
};

void TestPlcConnection::connectPlc_data()
{
    QTest::addColumn<bool>("abl");
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QString>("fail"); // create, info or notify, on `variable`
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QStringList>("names");     // the handles asked for, in order
    QTest::addColumn<QList<qint32>>("lengths"); // lLosName, lRAW, lCmdLine
    QTest::addColumn<QString>("message");       // lblError after the stamp; empty: none

    const QString n, cmd = u"lpr %1"_s;
    const QStringList lot = family(kPrint, u"LosName"_s);
    // clang-format off
    QTest::newRow("lot name") << false << n << n << n << lot << QList{40, 200, 255} << n;
    QTest::newRow("barcode with a command line") << false << cmd << n << n << family(kPrint, u"Barcode"_s) << QList{30, 200, 255} << n;
    QTest::newRow("bAbl, command line or not") << true << cmd << n << n << family(kAbl, u"LosName"_s) << QList{50, 200, 255} << n;
    QTest::newRow("lot name not described") << false << n << u"info"_s << u"LosName"_s << lot << QList{0, 200, 255} << n;
    QTest::newRow("raw text missing") << false << n << u"create"_s << u"RAW"_s << lot << QList{40, 0, 255} << n;
    QTest::newRow("result missing") << false << n << u"create"_s << u"anfordErr"_s << lot.mid(0, 10) << QList{40, 200, 255} << u"Create VarHandle: Etk1.Print.anfordErr-2146828288"_s;
    QTest::newRow("result text missing") << false << n << u"create"_s << u"anfordErrText"_s << lot.mid(0, 11) << QList{40, 200, 255} << u"Create VarHandle: Etk1.Print.anfordErrText-2146828288"_s;
    QTest::newRow("request flag missing") << false << n << u"create"_s << u"anford"_s << lot << QList{40, 200, 255} << u"Create VarHandle: Etk1.Print.anford-2146828288"_s;
    QTest::newRow("notification refused") << false << n << u"notify"_s << u"anford"_s << lot << QList{40, 200, 255} << u"Connect: Etk1.Print.anford-2146828288"_s;
    // clang-format on
}

void TestPlcConnection::connectPlc()
{
    QFETCH(bool, abl);
    QFETCH(QString, commandLine);
    QFETCH(QString, fail);
    QFETCH(QString, variable);
    QFETCH(QStringList, names);
    QFETCH(QList<qint32>, lengths);
    QFETCH(QString, message);
    Station st(abl, commandLine);
    st.plc.setValue(kFlag, true); // a pending request
    if (!fail.isEmpty())
        (st.plc.*(fail == u"create" ? &SimulatedPlc::failCreateHandle
                  : fail == u"info" ? &SimulatedPlc::failVariableInfo
                                    : &SimulatedPlc::failNotification))(kPrint + variable,
                                                                        PlcStatus::BadTimeout);
    const QString before = RegionalFormat::dateTime(QDateTime::currentDateTime());
    st.connection.connectPlc();
    const QString after = RegionalFormat::dateTime(QDateTime::currentDateTime());

    const QString create = u"createHandle "_s;
    QCOMPARE(st.plc.calls().filter(create).replaceInStrings(create, QString()), names);
    const CommLink &r = st.record();
    QCOMPARE((QList<qint32>{r.lLosName, r.lRAW, r.lCmdLine}), lengths);
    // A failing required handle stops the connect: the later ones stay 0, nothing is served.
    const bool stopped = message.startsWith(u"Create");
    QStringList held = names;
    if (fail == u"create")
        held[held.indexOf(kPrint + variable)].clear();
    held.resize(12);
    QCOMPARE(handleNames(st.plc, r),
             held + QStringList{stopped || fail == u"notify" ? QString() : names.last()});
    QCOMPARE(st.served.size(), stopped ? 0 : 1);
    // The pending request is served with every required handle in place, before the watch.
    if (!stopped)
        QCOMPARE(st.callsAtServe.last(), create + names.last());

    const QString shown = st.controls.caption(PrintControls::Label::lblError);
    QCOMPARE(shown.isEmpty() ? QString() : shown.mid(before.size() + 1), message);
    QVERIFY(shown.isEmpty() || shown.startsWith(before + u' ') || shown.startsWith(after + u' '));
    // A missing required variable is logged, once, as shown, and in a message box; a refused
    // watch too, with what the station does about it.
    QCOMPARE(st.log.entries.size(), shown.isEmpty() ? 0 : 1);
    for (const RecordingLog::Entry &entry : st.log.entries)
        QVERIFY(entry.str.startsWith(shown) && !entry.timeStamp && entry.msgBox);
    if (fail == u"notify")
        QVERIFY(st.log.entries.first().str.endsWith(
            u" BadTimeout: the flag is read every 1000 ms until it can be watched again"_s));
}

void TestPlcConnection::events_data()
{
    QTest::addColumn<QVariant>("value"); // a number: a state; a boolean: the request flag
    QTest::addColumn<bool>("staleTag");  // the notification names a replaced record
    QTest::addColumn<int>("times");
    QTest::addColumn<bool>("rebuilds");
    QTest::addColumn<int>("served");
    QTest::newRow("flag true") << QVariant(true) << false << 1 << false << 1;
    QTest::newRow("flag false") << QVariant(false) << false << 1 << false << 0;
    QTest::newRow("flag true, stale tag") << QVariant(true) << true << 1 << false << 0;
    QTest::newRow("state established") << QVariant(5) << false << 1 << true << 1;
    QTest::newRow("established twice in a row") << QVariant(5) << false << 2 << true << 1;
    QTest::newRow("state down") << QVariant(0) << false << 1 << false << 0;
    QTest::newRow("state 6") << QVariant(6) << false << 1 << false << 0;
}

void TestPlcConnection::events()
{
    QFETCH(QVariant, value);
    QFETCH(bool, staleTag);
    QFETCH(int, times);
    QFETCH(bool, rebuilds);
    QFETCH(int, served);
    Station st;
    st.connection.connectPlc();
    const quint64 tag = st.record().userTag();
    if (staleTag)
        st.connection.connectPlc();
    const std::shared_ptr<CommLink> before = st.connection.plcLinks().front();
    const QStringList names = handleNames(st.plc, *before);
    for (int round = 0; round < times; ++round) {
        st.plc.clearCalls();
        st.served.clear();
        if (value.typeId() == QMetaType::Int)
            Q_EMIT st.plc.stateChanged(value.toInt(), 0);
        else
            Q_EMIT st.plc.variableChanged(value, tag);
    }

    QCOMPARE(st.served.size(), served);
    if (served)
        QCOMPARE(st.served.front(), &st.record());
    QCOMPARE(st.connection.plcLinks().size(), size_t(1));
    QCOMPARE(st.connection.plcLinks().front() != before, rebuilds);
    QCOMPARE(handleNames(st.plc, *before), rebuilds ? QStringList(13) : names);
    QCOMPARE(st.plc.liveHandles(), 12);
    QCOMPARE(st.plc.liveNotifications(), 1);
    // A rebuild releases all 13 of the old record before it makes its first new handle.
    QCOMPARE(st.plc.calls().indexOf(u"createHandle Etk1.Print.LosName"_s), rebuilds ? 13 : -1);
}

void TestPlcConnection::terminateOrder()
{
    Station st;
    st.connection.connectPlc();
    const std::shared_ptr<CommLink> record = st.connection.plcLinks().front();
    st.plc.clearCalls();
    st.connection.terminateLinks();
    // The notification goes first, then every handle in a fixed order.
    QCOMPARE(st.plc.calls().join(u' ').remove(u"releaseHandle "_s).remove(kPrint),
             u"deleteNotification anford LosName RAW CmdLine TeileNr anford anfordErr "
             u"anfordErrText ResteKennung ResteLaenge ResteProfil ResteColor EtikettenType"_s);
    QVERIFY(st.connection.plcLinks().empty());
    QCOMPARE(handleNames(st.plc, *record), QStringList(13, QString()));
    st.connection.closeLink();
    QCOMPARE(st.plc.calls().last(), u"closeLink"_s);
}

// A server that samples the flag misses a clear and a new raise within one sample: the
// station reads the flag at once after each request, again when a report could come and at
// the check interval, and serves what it finds; a raise that no report follows in the time a
// report takes is counted.
void TestPlcConnection::flagFoundByReads_data()
{
    QTest::addColumn<QString>("raise");  // "re-raise": at once after the first clear; "idle"
    QTest::addColumn<QString>("report"); // "none", "at once", "late": while it is served
    QTest::addColumn<int>("checkMs");    // the link's check interval
    QTest::addColumn<bool>("watched");   // the link accepted the watch
    QTest::addColumn<int>("counted");    // requests counted as not reported
    QTest::addColumn<int>("reportMs");   // how long a report takes
    // clang-format off
    QTest::newRow("re-raised within a sample") << u"re-raise"_s << u"none"_s << 0 << true << 1 << 20;
    QTest::newRow("re-raised, found long before a report could come") << u"re-raise"_s << u"none"_s << 0 << true << 0 << 60000;
    QTest::newRow("re-raised and reported") << u"re-raise"_s << u"at once"_s << 0 << true << 0 << 20;
    QTest::newRow("report comes late") << u"re-raise"_s << u"late"_s << 0 << true << 0 << 20;
    QTest::newRow("raised unreported while idle") << u"idle"_s << u"none"_s << 30 << true << 1 << 20;
    QTest::newRow("unwatched, read every second") << u"idle"_s << u"none"_s << 0 << false << 0 << 20;
    // clang-format on
}

void TestPlcConnection::flagFoundByReads()
{
    QFETCH(QString, raise);
    QFETCH(QString, report);
    QFETCH(int, checkMs);
    QFETCH(bool, watched);
    QFETCH(int, counted);
    QFETCH(int, reportMs);
    Station st;
    st.plc.setReportDelay(reportMs);
    st.plc.setCheckInterval(checkMs);
    if (!watched)
        st.plc.failNotification(kFlag, PlcStatus::BadInvalidArgument);
    // The station's answer: the flag cleared; the PLC raises again the moment it sees it.
    bool again = raise == u"re-raise";
    st.connection.setRequestHandler([&](CommLink &record) {
        if (!st.plc.value(kFlag).toBool())
            return true;
        st.served.append(&record);
        if (st.served.size() == 2 && report == u"late")
            Q_EMIT st.plc.variableChanged(true, record.userTag());
        st.plc.setValue(kFlag, false);
        if (std::exchange(again, false))
            QTimer::singleShot(0, &st.plc,
                               [&] { st.plc.setValue(kFlag, true, report == u"at once"); });
        return true;
    });
    st.connection.connectPlc();
    st.plc.setValue(kFlag, true, raise == u"re-raise");

    const int requests = raise == u"re-raise" ? 2 : 1;
    QTRY_COMPARE_WITH_TIMEOUT(st.served.size(), requests, 3000);
    QTest::qWait(100); // the time for a report is over; nothing is served twice
    QCOMPARE(st.served.size(), requests);
    QCOMPARE(st.plc.missedReports(), quint64(counted));
    const bool logged = !st.log.entries.isEmpty() &&
                        st.log.entries.last().str.endsWith(u" found raised by a check read, not "
                                                           u"reported by the PLC (1 so far)"_s);
    QCOMPARE(logged, counted == 1);
    if (!watched) {
        st.plc.failNotification(kFlag, PlcStatus::Good);
        QTRY_VERIFY_WITH_TIMEOUT(st.record().hConnectAnfordVar != 0, 3000);
        QVERIFY(st.log.entries.last().str.endsWith(u" watched again"_s));
    }
}

// A notification and a reconnect that come while a request waits for its output start no
// second service inside it; the reconnect follows once the request is answered.
void TestPlcConnection::oneServiceAtATime()
{
    Station st;
    QStringList heldDuring;
    st.connection.setRequestHandler([&](CommLink &record) {
        if (!st.plc.value(kFlag).toBool())
            return true;
        st.served.append(&record);
        if (st.served.size() == 1) {
            Q_EMIT st.plc.variableChanged(true, record.userTag());
            Q_EMIT st.plc.stateChanged(PlcLink::kStateEstablished, 0);
            heldDuring = handleNames(st.plc, record);
        }
        st.plc.setValue(kFlag, false);
        return true;
    });
    st.connection.connectPlc();
    const std::shared_ptr<CommLink> first = st.connection.plcLinks().front();
    st.plc.setValue(kFlag, true);
    QCOMPARE(st.served.size(), 1);
    QVERIFY(!heldDuring.contains(QString()));
    QVERIFY(st.connection.plcLinks().front() != first); // rebuilt afterwards
    QTest::qWait(50);
    QCOMPARE(st.served.size(), 1);
}

// Without a session the failure also says where the PLC was looked for and why it was not
// reached, in the status line and the log alike.
void TestPlcConnection::unreachablePlcIsNamed()
{
    Station st(false, {});
    const QString problem = u"PLC not reached at opc.tcp://192.168.10.21.1.1:851: the host name "
                            u"cannot be resolved"_s;
    st.plc.setConnected(false);
    st.plc.setConnectionProblem(problem);
    st.plc.failCreateHandle(kPrint + u"anfordErr"_s, PlcStatus::BadServerNotConnected);
    st.connection.connectPlc();
    const QString shown = st.controls.caption(PrintControls::Label::lblError);
    QVERIFY2(shown.endsWith(u" Create VarHandle: Etk1.Print.anfordErr"_s +
                            QString::number(PlcStatus::BadServerNotConnected) + u"\r\n"_s +
                            problem),
             qPrintable(QString(shown).replace(u"\r\n"_s, u" | "_s)));
    QCOMPARE(st.log.entries.size(), 1);
    QCOMPARE(st.log.entries.first().str, shown);
}

QTEST_GUILESS_MAIN(TestPlcConnection)
#include "tst_plcconnection.moc"
