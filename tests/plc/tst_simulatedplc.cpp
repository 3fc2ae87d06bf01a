#include "PlcStatus.h"
#include "SimulatedPlc.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kVar = u"M.Print.V"_s;

} // namespace

class TestSimulatedPlc : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void operation_data();
    void operation();
    void notificationsAndSession();
};

void TestSimulatedPlc::operation_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<int>("fail"); // the failure injected on kVar (index into inject), or -1
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<QVariant>("arg");
    QTest::addColumn<qint32>("status");
    // What a read returned, the handle made, "<size> <type name>", or the value after a write.
    QTest::addColumn<QString>("got");

    const int b = QMetaType::Bool, i = QMetaType::Int;
    const int d = QMetaType::Double, t = QMetaType::QString;
    const QVariant v = kVar, none;
    const qint32 good = PlcStatus::Good, mismatch = PlcStatus::BadTypeMismatch;
    const qint32 invalid = PlcStatus::BadInvalidArgument, timeout = PlcStatus::BadTimeout;
    // clang-format off
    QTest::newRow("bool read") << b << -1 << -1 << u"readBool"_s << 2 << none << good << u"0"_s;
    QTest::newRow("bool read, 4 bytes") << b << -1 << -1 << u"readBool"_s << 4 << none << invalid << u"0"_s;
    QTest::newRow("int32 read of a bool") << b << -1 << -1 << u"readLong"_s << 4 << none << mismatch << u"0"_s;
    QTest::newRow("int32 read, 2 bytes") << i << -1 << -1 << u"readLong"_s << 2 << none << invalid << u"0"_s;
    QTest::newRow("int32 written") << i << -1 << -1 << u"writeLong"_s << 4 << QVariant(70000) << good << u"70000"_s;
    QTest::newRow("text read of an int32") << i << -1 << -1 << u"readString"_s << 20 << none << mismatch << QString();
    QTest::newRow("text at its maximum") << t << 5 << -1 << u"writeString"_s << 10 << QVariant(u"ABCDE"_s) << good << u"ABCDE"_s;
    QTest::newRow("text above its maximum") << t << 5 << -1 << u"writeString"_s << 12 << QVariant(u"ABCDEF"_s) << PlcStatus::BadOutOfRange << QString();
    QTest::newRow("text cut to its byte count") << t << 5 << -1 << u"writeString"_s << 6 << QVariant(u"ABCDEF"_s) << good << u"ABC"_s;
    QTest::newRow("text read, negative") << t << 10 << -1 << u"readString"_s << -2 << none << invalid << QString();
    QTest::newRow("unknown node") << b << -1 << -1 << u"createHandle"_s << 0 << QVariant(u"M.Nope"_s) << PlcStatus::BadNodeIdUnknown << u"0"_s;
    QTest::newRow("info text of 80") << t << 80 << -1 << u"getVariableInfo"_s << 0 << v << good << u"81 String"_s;
    QTest::newRow("info text unlimited") << t << -1 << -1 << u"getVariableInfo"_s << 0 << v << good << u"256 String"_s;
    QTest::newRow("info bool") << b << -1 << -1 << u"getVariableInfo"_s << 0 << v << good << u"1 Boolean"_s;
    QTest::newRow("info real") << d << -1 << -1 << u"getVariableInfo"_s << 0 << v << good << u"8 Double"_s;
    QTest::newRow("create fails") << t << 10 << 0 << u"createHandle"_s << 0 << v << timeout << u"0"_s;
    QTest::newRow("info fails") << t << 10 << 1 << u"getVariableInfo"_s << 0 << v << timeout << u"0 "_s;
    QTest::newRow("notify fails") << t << 10 << 2 << u"addNotification"_s << 0 << v << timeout << u"0"_s;
    QTest::newRow("read fails") << t << 10 << 3 << u"readString"_s << 20 << none << timeout << QString();
    QTest::newRow("write fails") << t << 10 << 4 << u"writeString"_s << 2 << QVariant(u"a"_s) << timeout << QString();
    // clang-format on
}

void TestSimulatedPlc::operation()
{
    QFETCH(int, type);
    QFETCH(int, maxLength);
    QFETCH(int, fail);
    QFETCH(QString, op);
    QFETCH(int, bytes);
    QFETCH(QVariant, arg);
    QFETCH(qint32, status);
    QFETCH(QString, got);
    SimulatedPlc plc;
    QVERIFY(plc.define(kVar, QMetaType(type), maxLength));
    qint32 h = 0;
    QCOMPARE(plc.createHandle(kVar, h), PlcStatus::Good);
    using Inject = void (SimulatedPlc::*)(const QString &, qint32);
    const Inject inject[] = {&SimulatedPlc::failCreateHandle, &SimulatedPlc::failVariableInfo,
                             &SimulatedPlc::failNotification, &SimulatedPlc::failRead,
                             &SimulatedPlc::failWrite};
    if (fail >= 0)
        (plc.*inject[fail])(kVar, PlcStatus::BadTimeout);

    // Reads and writes go to handle h, the other operations to the name in arg.
    qint32 out = 0, ns = 0, size = 0, id = 0, level = 0;
    bool flag = false;
    QString result;
    const QString text = arg.toString();
    const qint32 done =
        op == u"createHandle"      ? plc.createHandle(text, out)
        : op == u"addNotification" ? plc.addNotification(text, PlcLink::kNotifyOnChange, 1, out, 1)
        : op == u"getVariableInfo" ? plc.getVariableInfo(text, ns, size, result, id, level)
        : op == u"readBool"        ? plc.readBool(h, bytes, flag)
        : op == u"readLong"        ? plc.readLong(h, bytes, out)
        : op == u"readString"      ? plc.readString(h, bytes, result)
        : op == u"writeLong"       ? plc.writeLong(h, bytes, arg.toInt())
                                   : plc.writeString(h, bytes, text);
    QCOMPARE(done, status);
    if (op.startsWith(u"write"))
        result = plc.value(kVar).toString();
    else if (op == u"getVariableInfo")
        result = QString::number(size) + u' ' + result;
    else if (op != u"readString")
        result = QString::number(op == u"readBool" ? int(flag) : out);
    QCOMPARE(result, got);
    QCOMPARE(plc.writes().size(), op.startsWith(u"write") && status == PlcStatus::Good ? 1 : 0);
}

void TestSimulatedPlc::notificationsAndSession()
{
    SimulatedPlc plc;
    plc.define(kVar, QMetaType(QMetaType::Bool));
    qint32 h = 0, hn1 = 0, hn2 = 0;
    plc.createHandle(kVar, h);
    plc.addNotification(kVar, PlcLink::kNotifyOnChange, 1, hn1, 77);
    plc.addNotification(kVar, PlcLink::kNotifyOnChange, 1, hn2, 78);
    QSignalSpy changed(&plc, &PlcLink::variableChanged);
    QSignalSpy state(&plc, &PlcLink::stateChanged);
    plc.setValue(kVar, true);
    plc.deleteNotification(hn2);
    plc.writeBool(h, 2, false); // the station's own write is a change too
    plc.writeBool(h, 2, false); // no change, no report
    plc.setConnected(false);
    QVERIFY(plc.setValue(kVar, true)); // raised while nobody can be told
    plc.setConnected(true);
    QCOMPARE(changed.size(), 3);
    QCOMPARE(changed.at(1), (QVariantList{true, quint64(78)}));
    QCOMPARE(changed.at(2), (QVariantList{false, quint64(77)}));
    QCOMPARE(state.value(1), (QVariantList{PlcLink::kStateEstablished, 0}));
}

QTEST_GUILESS_MAIN(TestSimulatedPlc)
#include "tst_simulatedplc.moc"
