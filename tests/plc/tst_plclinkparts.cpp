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
    const auto t = [](BuiltinType type) {
        return int(type);
    };
    QTest::newRow("long into Int16") << t(BuiltinType::Int16) << QVariant(-32768)
                                     << quint32(S::Good) << QVariant::fromValue(qint16(-32768));
    QTest::newRow("long below Int16")
        << t(BuiltinType::Int16) << QVariant(-32769) << quint32(S::BadOutOfRange) << QVariant();
    QTest::newRow("int into UInt16") << t(BuiltinType::UInt16) << QVariant::fromValue(qint16(-1))
                                     << quint32(S::BadOutOfRange) << QVariant();
    QTest::newRow("long into UInt32")
        << t(BuiltinType::UInt32) << QVariant(2147483647) << quint32(S::Good)
        << QVariant::fromValue(quint32(2147483647));
    QTest::newRow("long into Int64") << t(BuiltinType::Int64) << QVariant(-5) << quint32(S::Good)
                                     << QVariant::fromValue(qint64(-5));
    QTest::newRow("long into Byte")
        << t(BuiltinType::Byte) << QVariant(256) << quint32(S::BadOutOfRange) << QVariant();
    QTest::newRow("real into Float")
        << t(BuiltinType::Float) << QVariant(1.5) << quint32(S::Good) << QVariant::fromValue(1.5f);
    QTest::newRow("long into Double")
        << t(BuiltinType::Double) << QVariant(3) << quint32(S::Good) << QVariant(3.0);
    QTest::newRow("real into Int32")
        << t(BuiltinType::Int32) << QVariant(1.0) << quint32(S::BadTypeMismatch) << QVariant();
    QTest::newRow("bool into Int16")
        << t(BuiltinType::Int16) << QVariant(true) << quint32(S::BadTypeMismatch) << QVariant();
    QTest::newRow("text into Boolean") << t(BuiltinType::Boolean) << QVariant(QStringLiteral("1"))
                                       << quint32(S::BadTypeMismatch) << QVariant();
    QTest::newRow("text") << t(BuiltinType::String) << QVariant(QStringLiteral("ä"))
                          << quint32(S::Good) << QVariant(QStringLiteral("ä"));
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
    const auto v = [](BuiltinType type, const QVariant &value) {
        return Variant::scalar(type, value);
    };
    QTest::newRow("Int32 as int") << v(BuiltinType::Int32, qint32(-7)) << int(QMetaType::Short)
                                  << quint32(S::Good) << QVariant::fromValue(qint16(-7));
    QTest::newRow("Int32 too big for int")
        << v(BuiltinType::Int32, qint32(40000)) << int(QMetaType::Short)
        << quint32(S::BadOutOfRange) << QVariant();
    QTest::newRow("UInt64 max as long")
        << v(BuiltinType::UInt64, QVariant::fromValue(quint64(-1))) << int(QMetaType::Int)
        << quint32(S::BadOutOfRange) << QVariant();
    QTest::newRow("Int64 min as long")
        << v(BuiltinType::Int64, QVariant::fromValue(qint64(-2147483648LL))) << int(QMetaType::Int)
        << quint32(S::Good) << QVariant(qint32(-2147483647 - 1));
    QTest::newRow("Boolean") << v(BuiltinType::Boolean, true) << int(QMetaType::Bool)
                             << quint32(S::Good) << QVariant(true);
    QTest::newRow("Int16 as bool")
        << v(BuiltinType::Int16, QVariant::fromValue(qint16(1))) << int(QMetaType::Bool)
        << quint32(S::BadTypeMismatch) << QVariant();
    QTest::newRow("Double as long") << v(BuiltinType::Double, 1.0) << int(QMetaType::Int)
                                    << quint32(S::BadTypeMismatch) << QVariant();
    QTest::newRow("null") << Variant() << int(QMetaType::QString) << quint32(S::BadTypeMismatch)
                          << QVariant();
    QTest::newRow("array") << Variant::array(BuiltinType::Boolean, {true}) << int(QMetaType::Bool)
                           << quint32(S::BadTypeMismatch) << QVariant();
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
    QTest::newRow("host") << u"plc7"_s << u""_s << u"opc.tcp://plc7:4840"_s;
    QTest::newRow("host and port") << u" 10.1.2.3 "_s << u"4841"_s << u"opc.tcp://10.1.2.3:4841"_s;
    QTest::newRow("empty") << u""_s << u""_s << u"opc.tcp://localhost:4840"_s;
    QTest::newRow("IPv6") << u"::1"_s << u""_s << u"opc.tcp://[::1]:4840"_s;
    QTest::newRow("URL kept") << u"opc.tcp://plc7:4850/UA/Line"_s << u""_s
                              << u"opc.tcp://plc7:4850/UA/Line"_s;
    QTest::newRow("URL, port replaced")
        << u"opc.tcp://plc7:4850/UA"_s << u"4900"_s << u"opc.tcp://plc7:4900/UA"_s;
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
    OpcUaLinkOptions options = OpcUaLinkOptions::fromStore(store);
    quint16 index = 0;
    QVERIFY(options.namespaceIsIndex(index));
    QCOMPARE(index, quint16(1));
    QCOMPARE(options.timeoutMs, OpcUaLinkOptions::kDefaultTimeoutMs);
    QCOMPARE(options.checkMs, OpcUaLinkOptions::kDefaultCheckMs);

    store.values = {{QStringLiteral("OPC UA/Check(ms)"), QStringLiteral("0")},
                    {QStringLiteral("OPC UA/Namespace"), QStringLiteral(" 4 ")},
                    {QStringLiteral("OPC UA/Prefix"), QStringLiteral("PLC1.")},
                    {QStringLiteral("OPC UA/Timeout(ms)"), QStringLiteral("-3")},
                    {QStringLiteral("OPC UA/Publishing(ms)"), QStringLiteral("20")}};
    options = OpcUaLinkOptions::fromStore(store);
    QVERIFY(options.namespaceIsIndex(index));
    QCOMPARE(index, quint16(4));
    QCOMPARE(options.prefix, QStringLiteral("PLC1."));
    QCOMPARE(options.timeoutMs, OpcUaLinkOptions::kDefaultTimeoutMs);
    QCOMPARE(options.publishingMs, 20);
    QCOMPARE(options.checkMs, 0); // off, not the default

    QCOMPARE(options.endpointFor(u"plc7"_s, {}), u"opc.tcp://plc7:4840"_s);
    store.values[QStringLiteral("OPC UA/Endpoint")] = QStringLiteral(" opc.tcp://10.0.0.9:4841 ");
    QCOMPARE(OpcUaLinkOptions::fromStore(store).endpointFor(u"5.1.2.3.1.1"_s, u"851"_s),
             u"opc.tcp://10.0.0.9:4841"_s);
    store.values[QStringLiteral("OPC UA/Namespace")] = QStringLiteral("urn:plant:line1");
    QVERIFY(!OpcUaLinkOptions::fromStore(store).namespaceIsIndex(index));
    store.values[QStringLiteral("OPC UA/Namespace")] = QStringLiteral("70000");
    QVERIFY(!OpcUaLinkOptions::fromStore(store).namespaceIsIndex(index));
}

void TstPlcLinkParts::gateHoldsEventsUntilTheOutermostCallEnds()
{
    EventGate gate;
    QStringList seen;
    {
        const EventGate::Span outer(gate);
        gate.post([&] { seen << QStringLiteral("a"); });
        {
            const EventGate::Span inner(gate);
            gate.post([&] { seen << QStringLiteral("b"); });
        }
        QCoreApplication::processEvents();
        QVERIFY(seen.isEmpty());
    }
    QVERIFY(seen.isEmpty());
    // An event handler that calls the link again: what arises then waits for its turn.
    gate.post([&] {
        const EventGate::Span call(gate);
        gate.post([&] { seen << QStringLiteral("d"); });
        seen << QStringLiteral("c");
    });
    QTRY_COMPARE(seen, (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
    gate.post([&] { seen << QStringLiteral("e"); });
    QCOMPARE(seen.last(), QStringLiteral("e"));
}

QTEST_GUILESS_MAIN(TstPlcLinkParts)
#include "tst_plclinkparts.moc"
