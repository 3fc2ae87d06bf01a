#include "EventGate.h"
#include "OpcUaLinkOptions.h"
#include "OptionStore.h"
#include "PlcValueCodec.h"
#include "StatusCodes.h"

#include <QTest>

Q_DECLARE_METATYPE(Variant)

using namespace Qt::StringLiterals;

// The pieces of the OPC UA link that need no server: the conversion between the station's
// scalar operations and the variables' own types, the endpoint and namespace options, and
// the gate that holds events back during a call.
class TstPlcLinkParts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writesInTheVariablesType_data();
    void writesInTheVariablesType();
    void readsAsTheOperationAsks_data();
    void readsAsTheOperationAsks();
    void endpointUrl_data();
    void endpointUrl();
    void optionsFromTheRegistry();
    void gateHoldsEventsUntilTheOutermostCallEnds();
};

namespace S = UaStatus;

void TstPlcLinkParts::writesInTheVariablesType_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<quint32>("status");
    QTest::addColumn<QVariant>("written");
    const auto row = [](const char *name, BuiltinType target, const QVariant &value, quint32 status,
                        const QVariant &written = {}) {
        QTest::newRow(name) << int(target) << value << status << written;
    };
    using B = BuiltinType;
    // clang-format off
    row("long into Int16", B::Int16, -32768, S::Good, QVariant::fromValue(qint16(-32768)));
    row("long below Int16", B::Int16, -32769, S::BadOutOfRange);
    row("int into UInt16", B::UInt16, QVariant::fromValue(qint16(-1)), S::BadOutOfRange);
    row("long into UInt32", B::UInt32, 2147483647, S::Good, QVariant::fromValue(quint32(2147483647)));
    row("long into Int64", B::Int64, -5, S::Good, QVariant::fromValue(qint64(-5)));
    row("long into Byte", B::Byte, 256, S::BadOutOfRange);
    row("real into Float", B::Float, 1.5, S::Good, QVariant::fromValue(1.5f));
    row("long into Double", B::Double, 3, S::Good, 3.0);
    row("real into Int32", B::Int32, 1.0, S::BadTypeMismatch);
    row("bool into Int16", B::Int16, true, S::BadTypeMismatch);
    row("text into Boolean", B::Boolean, u"1"_s, S::BadTypeMismatch);
    row("text", B::String, u"ä"_s, S::Good, u"ä"_s);
    // clang-format on
}

void TstPlcLinkParts::writesInTheVariablesType()
{
    QFETCH(int, target);
    QFETCH(QVariant, value);
    QFETCH(quint32, status);
    QFETCH(QVariant, written);
    Variant out;
    QCOMPARE(PlcValueCodec::toVariant(BuiltinType(target), value, out), status);
    if (status == S::Good) {
        QCOMPARE(int(out.type()), target);
        QCOMPARE(out.value(), written);
        QCOMPARE(out.value().typeId(), written.typeId());
    }
}

void TstPlcLinkParts::readsAsTheOperationAsks_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<int>("wanted");
    QTest::addColumn<quint32>("status");
    QTest::addColumn<QVariant>("read");
    const auto row = [](const char *name, const Variant &value, QMetaType::Type wanted,
                        quint32 status, const QVariant &read = {}) {
        QTest::newRow(name) << value << int(wanted) << status << read;
    };
    using B = BuiltinType;
    const auto v = &Variant::scalar;
    // clang-format off
    row("Int32 as int", v(B::Int32, qint32(-7)), QMetaType::Short, S::Good, QVariant::fromValue(qint16(-7)));
    row("Int32 too big for int", v(B::Int32, qint32(40000)), QMetaType::Short, S::BadOutOfRange);
    row("UInt64 max as long", v(B::UInt64, QVariant::fromValue(quint64(-1))), QMetaType::Int, S::BadOutOfRange);
    row("Int64 min as long", v(B::Int64, QVariant::fromValue(qint64(-2147483648LL))), QMetaType::Int, S::Good, qint32(-2147483647 - 1));
    row("Boolean", v(B::Boolean, true), QMetaType::Bool, S::Good, true);
    row("Int16 as bool", v(B::Int16, QVariant::fromValue(qint16(1))), QMetaType::Bool, S::BadTypeMismatch);
    row("Double as long", v(B::Double, 1.0), QMetaType::Int, S::BadTypeMismatch);
    row("null", Variant(), QMetaType::QString, S::BadTypeMismatch);
    row("array", Variant::array(B::Boolean, {true}), QMetaType::Bool, S::BadTypeMismatch);
    // clang-format on
}

void TstPlcLinkParts::readsAsTheOperationAsks()
{
    QFETCH(Variant, value);
    QFETCH(int, wanted);
    QFETCH(quint32, status);
    QFETCH(QVariant, read);
    QVariant out;
    QCOMPARE(PlcValueCodec::fromVariant(value, QMetaType::Type(wanted), out), status);
    if (status == S::Good) {
        QCOMPARE(out, read);
        QCOMPARE(out.typeId(), read.typeId());
    }
}

void TstPlcLinkParts::endpointUrl_data()
{
    QTest::addColumn<QString>("netId");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("url");
    // clang-format off
    QTest::newRow("host") << u"plc7"_s << u""_s << u"opc.tcp://plc7:4840"_s;
    QTest::newRow("host and port") << u" 10.1.2.3 "_s << u"4841"_s << u"opc.tcp://10.1.2.3:4841"_s;
    QTest::newRow("empty") << u""_s << u""_s << u"opc.tcp://localhost:4840"_s;
    QTest::newRow("IPv6") << u"::1"_s << u""_s << u"opc.tcp://[::1]:4840"_s;
    QTest::newRow("URL kept") << u"opc.tcp://plc7:4850/UA/Line"_s << u""_s << u"opc.tcp://plc7:4850/UA/Line"_s;
    QTest::newRow("URL, port replaced") << u"opc.tcp://plc7:4850/UA"_s << u"4900"_s << u"opc.tcp://plc7:4900/UA"_s;
    // clang-format on
}

void TstPlcLinkParts::endpointUrl()
{
    QFETCH(QString, netId);
    QFETCH(QString, port);
    QFETCH(QString, url);
    QCOMPARE(OpcUaLinkOptions::endpointUrl(netId, port), url);
}

namespace {
class MapStore : public OptionStore {
public:
    QHash<QString, QString> values;
    QString getOption(const QString &key, const QString &area) override
    {
        return values.value(area + u'/' + key);
    }
    void setOption(const QString &, const QString &, const QString &) override {}
};
} // namespace

void TstPlcLinkParts::optionsFromTheRegistry()
{
    MapStore store;
    const auto read = [&store](const QStringList &set) { // "key=value"
        for (const QString &option : set)
            store.values[u"OPC UA/"_s + option.section(u'=', 0, 0)] = option.section(u'=', 1);
        return OpcUaLinkOptions::fromStore(store);
    };
    OpcUaLinkOptions options = read({});
    quint16 index = 0;
    QVERIFY(options.namespaceIsIndex(index));
    QCOMPARE(index, quint16(1));
    QCOMPARE(options.timeoutMs, OpcUaLinkOptions::kDefaultTimeoutMs);
    QCOMPARE(options.checkMs, OpcUaLinkOptions::kDefaultCheckMs);

    options = read({u"Check(ms)=0"_s, u"Namespace= 4 "_s, u"Prefix=PLC1."_s, u"Timeout(ms)=-3"_s,
                    u"Publishing(ms)=20"_s});
    QVERIFY(options.namespaceIsIndex(index));
    QCOMPARE(index, quint16(4));
    QCOMPARE(options.prefix, u"PLC1."_s);
    QCOMPARE(options.timeoutMs, OpcUaLinkOptions::kDefaultTimeoutMs);
    QCOMPARE(options.publishingMs, 20);
    QCOMPARE(options.checkMs, 0); // off, not the default

    QCOMPARE(options.endpointFor(u"plc7"_s, {}), u"opc.tcp://plc7:4840"_s);
    QCOMPARE(
        read({u"Endpoint= opc.tcp://10.0.0.9:4841 "_s}).endpointFor(u"5.1.2.3.1.1"_s, u"851"_s),
        u"opc.tcp://10.0.0.9:4841"_s);
    QVERIFY(!read({u"Namespace=urn:plant:line1"_s}).namespaceIsIndex(index));
    QVERIFY(!read({u"Namespace=70000"_s}).namespaceIsIndex(index));
}

void TstPlcLinkParts::gateHoldsEventsUntilTheOutermostCallEnds()
{
    EventGate gate;
    QStringList seen;
    {
        const EventGate::Span outer(gate);
        gate.post([&] { seen << u"a"_s; });
        {
            const EventGate::Span inner(gate);
            gate.post([&] { seen << u"b"_s; });
        }
        QCoreApplication::processEvents();
        QVERIFY(seen.isEmpty());
    }
    QVERIFY(seen.isEmpty());
    // An event handler that calls the link again: what arises then waits for its turn.
    gate.post([&] {
        const EventGate::Span call(gate);
        gate.post([&] { seen << u"d"_s; });
        seen << u"c"_s;
    });
    QTRY_COMPARE(seen, (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
    gate.post([&] { seen << u"e"_s; });
    QCOMPARE(seen.last(), u"e"_s);
}

QTEST_GUILESS_MAIN(TstPlcLinkParts)
#include "tst_plclinkparts.moc"
