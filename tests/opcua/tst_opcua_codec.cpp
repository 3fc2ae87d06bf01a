#include "DataValue.h"
#include "DiagnosticInfo.h"
#include "ExpandedNodeId.h"
#include "ExtensionObject.h"
#include "LocalizedText.h"
#include "QualifiedName.h"
#include "UaBytes.h"
#include "UaDecoder.h"
#include "UaEncoder.h"

#include <QTest>
#include <limits>

using UaBytes::hex;
using T = BuiltinType;

namespace {
template <typename V> Variant scalar(T type, const V &value)
{
    return Variant::scalar(type, QVariant::fromValue(value));
}

QByteArray encoded(const Variant &value)
{
    UaEncoder encoder;
    Variant::encode(encoder, value);
    return encoder.take();
}

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}
} // namespace

// Every built-in type, inside a Variant, against the bytes the rules of OPC 10000-6, 5.2.2
// give: little-endian integers, IEEE 754 floats, length-prefixed UTF-8, the String and Guid
// examples of its figures, the mask bytes of the structured types.
class TstOpcUaCodec : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void variant_data();
    void variant();
    void decodeOnly_data();
    void decodeOnly();
    void encodeOnly();
    void nullAndEmptyStayApart();
    void dateTime_data();
    void dateTime();
};

void TstOpcUaCodec::variant_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<QByteArray>("bytes");
    const auto row = [](const char *name, const Variant &value, const char *bytes) {
        QTest::newRow(name) << value << hex(bytes);
    };
    row("null", Variant(), "00");
    row("Boolean", scalar(T::Boolean, true), "01 01");
    row("SByte -2", scalar(T::SByte, qint8(-2)), "02 fe");
    row("Byte 200", scalar(T::Byte, quint8(200)), "03 c8");
    row("Int16 -2", scalar(T::Int16, qint16(-2)), "04 fe ff");
    row("UInt16", scalar(T::UInt16, quint16(0x1234)), "05 34 12");
    row("Int32", scalar(T::Int32, qint32(1000000)), "06 40 42 0f 00");
    row("UInt32", scalar(T::UInt32, quint32(0xdeadbeef)), "07 ef be ad de");
    row("Int64 -1", scalar(T::Int64, qint64(-1)), "08 ff ff ff ff ff ff ff ff");
    row("UInt64", scalar(T::UInt64, quint64(0x0102030405060708)), "09 08 07 06 05 04 03 02 01");
    row("Float -0.5", scalar(T::Float, -0.5f), "0a 00 00 00 bf");
    row("Double -2.5", scalar(T::Double, -2.5), "0b 00 00 00 00 00 00 04 c0");
    // The multilingual example of OPC 10000-6, 5.2.2.4.
    row("String 水Boy", scalar(T::String, QStringLiteral("水Boy")), "0c 06000000 e6b0b4 426f79");
    row("String null", scalar(T::String, QString()), "0c ff ff ff ff");
    row("DateTime 1970", scalar(T::DateTime, UaDateTime{116444736000000000}),
        "0d 00803ed5deb19d01");
    // The Guid example of OPC 10000-6, 5.2.2.6.
    row("Guid", scalar(T::Guid, QUuid(QStringLiteral("72962B91-FA75-4AE6-8D28-B404DC7DAF63"))),
        "0e 912b9672 75fa e64a 8d28b404dc7daf63");
    row("ByteString", scalar(T::ByteString, hex("01 02")), "0f 02000000 0102");
    row("XmlElement", scalar(T::XmlElement, QByteArray("<a/>")), "10 04000000 3c612f3e");
    row("NodeId", scalar(T::NodeId, NodeId::numeric(0, 72)), "11 00 48");
    row("ExpandedNodeId",
        scalar(T::ExpandedNodeId, ExpandedNodeId{NodeId::numeric(0, 72), QStringLiteral("u"), 3}),
        "12 c0 48 01000000 75 03000000");
    row("StatusCode", scalar(T::StatusCode, UaStatus::BadNodeIdUnknown), "13 00 00 34 80");
    row("QualifiedName", scalar(T::QualifiedName, QualifiedName{1, QStringLiteral("H")}),
        "14 0100 01000000 48");
    row("LocalizedText",
        scalar(T::LocalizedText, LocalizedText{QStringLiteral("en"), QStringLiteral("H")}),
        "15 03 02000000 656e 01000000 48");
    row("LocalizedText without locale",
        scalar(T::LocalizedText, LocalizedText{QString(), QStringLiteral("H")}),
        "15 02 01000000 48");
    row("ExtensionObject",
        scalar(T::ExtensionObject,
               ExtensionObject{NodeId::numeric(0, 299), ExtensionObject::BodyEncoding::Binary,
                               hex("aa bb")}),
        "16 01002b01 01 02000000 aabb");
    row("ExtensionObject without body", scalar(T::ExtensionObject, ExtensionObject{}),
        "16 0000 00");
    // DataValue writes SourcePicoseconds before ServerTimestamp although its bit is higher.
    DataValue dataValue;
    dataValue.value = scalar(T::Int32, qint32(5));
    dataValue.status = UaStatus::BadNodeIdUnknown;
    dataValue.sourceTimestamp.ticks = 116444736000000000;
    dataValue.sourcePicoseconds = 0x0102;
    dataValue.serverTimestamp.ticks = 125911584000000000;
    dataValue.serverPicoseconds = 0x0304;
    row("DataValue, every field", scalar(T::DataValue, dataValue),
        "17 3f 06 05000000 00003480 00803ed5deb19d01 0201 00406d25eb53bf01 0403");
    DataValue uncertain;
    uncertain.status = UaStatus::UncertainLastUsableValue;
    row("DataValue, status only", scalar(T::DataValue, uncertain), "17 02 00009040");
    // DiagnosticInfo writes Locale before LocalizedText although its bit is higher.
    DiagnosticInfo inner;
    inner.innerStatusCode = UaStatus::Good;
    DiagnosticInfo diagnostic = inner;
    diagnostic.symbolicId = 1;
    diagnostic.namespaceUri = 2;
    diagnostic.locale = 3;
    diagnostic.localizedText = 4;
    diagnostic.additionalInfo = QStringLiteral("x");
    diagnostic.innerStatusCode = UaStatus::BadTimeout;
    diagnostic.inner = std::make_shared<const DiagnosticInfo>(inner);
    row("DiagnosticInfo, every field", scalar(T::DiagnosticInfo, diagnostic),
        "19 7f 01000000 02000000 03000000 04000000 01000000 78 00000a80 20 00000000");
    row("Int32 array",
        Variant::array(T::Int32, {QVariant::fromValue(qint32(1)), QVariant::fromValue(qint32(2))}),
        "86 02000000 01000000 02000000");
    row("String array with null", Variant::array(T::String, {QStringLiteral("a"), QString()}),
        "8c 02000000 01000000 61 ffffffff");
    row("array of Variants",
        Variant::array(T::Variant, {QVariant::fromValue(scalar(T::Byte, quint8(1))),
                                    QVariant::fromValue(Variant())}),
        "98 02000000 03 01 00");
    QVariantList four;
    for (qint32 i = 1; i <= 4; ++i)
        four << QVariant::fromValue(i);
    row("2x2 matrix", Variant::array(T::Int32, four, {2, 2}),
        "c6 04000000 01000000 02000000 03000000 04000000 02000000 02000000 02000000");
}

void TstOpcUaCodec::variant()
{
    QFETCH(Variant, value);
    QFETCH(QByteArray, bytes);
    QCOMPARE(value.isNull(), bytes == hex("00"));
    QCOMPARE(encoded(value).toHex(' '), bytes.toHex(' '));
    UaDecoder decoder(bytes);
    QVERIFY(Variant::decode(decoder) == value);
    QCOMPARE(decoder.status(), UaStatus::Good);
    QVERIFY(decoder.atEnd());
}

void TstOpcUaCodec::decodeOnly_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Variant>("value");
    // Decoders treat any non-zero byte as true (OPC 10000-6, 5.2.2.1).
    QTest::newRow("Boolean 0x02") << hex("01 02") << scalar(T::Boolean, true);
    QTest::newRow("null array") << hex("86 ff ff ff ff") << Variant::array(T::Int32, {});
    QTest::newRow("full form of a small NodeId")
        << hex("11 02 00 00 48 00 00 00") << scalar(T::NodeId, NodeId::numeric(0, 72));
    // Unassigned type ids carry ByteStrings (OPC 10000-6, 5.2.2.16).
    QTest::newRow("type id 26") << hex("1a 01 00 00 00 7f")
                                << Variant::scalar(BuiltinType(26), QByteArray("\x7f"));
    QTest::newRow("matrix with an empty dimension")
        << hex("c6 00 00 00 00 02 00 00 00 03 00 00 00 00 00 00 00")
        << Variant::array(T::Int32, {}, {3, 0});
}

void TstOpcUaCodec::decodeOnly()
{
    QFETCH(QByteArray, bytes);
    QFETCH(Variant, value);
    QVERIFY(!value.isNull());
    UaDecoder decoder(bytes);
    QVERIFY(Variant::decode(decoder) == value);
    QCOMPARE(decoder.status(), UaStatus::Good);
    QVERIFY(decoder.atEnd());
}

void TstOpcUaCodec::encodeOnly()
{
    // Encoders shall not use unassigned ids; values that cannot be held are refused.
    QCOMPARE(encoded(Variant::scalar(BuiltinType(31), QByteArray("\x7f"))),
             hex("0f 01 00 00 00 7f"));
    QVERIFY(Variant::scalar(T::Int16, QVariant::fromValue(qint32(5))).isNull());
    QVERIFY(Variant::scalar(T::Variant, QVariant::fromValue(scalar(T::Byte, quint8(1)))).isNull());
    QVERIFY(Variant::array(T::Int32, {QVariant::fromValue(qint32(1)), QVariant(1.5)}).isNull());
    QVERIFY(Variant::array(T::Int32, {QVariant::fromValue(qint32(1))}, {2, 2}).isNull());
}

void TstOpcUaCodec::nullAndEmptyStayApart()
{
    UaDecoder decoder(hex("ff ff ff ff 00 00 00 00 ff ff ff ff 00 00 00 00"));
    QVERIFY(decoder.readString().isNull());
    const QString empty = decoder.readString();
    QVERIFY(!empty.isNull() && empty.isEmpty());
    QVERIFY(decoder.readByteString().isNull());
    const QByteArray emptyBytes = decoder.readByteString();
    QVERIFY(!emptyBytes.isNull() && emptyBytes.isEmpty());
    QCOMPARE(decoder.status(), UaStatus::Good);
}

void TstOpcUaCodec::dateTime_data()
{
    // Ticks of 100 ns since 1601-01-01 UTC (OPC 10000-6, 5.2.2.5).
    QTest::addColumn<QDateTime>("time");
    QTest::addColumn<qint64>("ticks");
    QTest::addColumn<int>("ways"); // 1 time to ticks, 2 ticks to time, 3 both
    const qint64 max = std::numeric_limits<qint64>::max();
    QTest::newRow("no time") << QDateTime() << qint64(0) << 3;
    QTest::newRow("1601 itself") << utc(1601, 1, 1) << qint64(0) << 1;
    QTest::newRow("before 1601") << utc(1500, 6, 1) << qint64(0) << 1;
    QTest::newRow("negative ticks") << QDateTime() << qint64(-5) << 2;
    QTest::newRow("first millisecond") << utc(1601, 1, 1, 0, 0, 0, 1) << qint64(10000) << 3;
    QTest::newRow("1970") << utc(1970, 1, 1) << qint64(116444736000000000) << 3;
    QTest::newRow("rounded down before 1970")
        << utc(1969, 12, 31, 23, 59, 59, 999) << qint64(116444735999999999) << 2;
    QTest::newRow("2026 with milliseconds")
        << utc(2026, 12, 4, 15, 48, 23, 999) << qint64(134408729039990000) << 3;
    QTest::newRow("offset converted to UTC")
        << QDateTime(QDate(2000, 1, 1), QTime(1, 0), Qt::OffsetFromUTC, 3600)
        << qint64(125911584000000000) << 1;
    QTest::newRow("9999-12-31 23:59:59") << utc(9999, 12, 31, 23, 59, 59) << max << 1;
    QTest::newRow("largest Int64") << utc(9999, 12, 31, 23, 59, 59, 999) << max << 3;
}

void TstOpcUaCodec::dateTime()
{
    QFETCH(QDateTime, time);
    QFETCH(qint64, ticks);
    QFETCH(int, ways);
    if (ways & 1)
        QCOMPARE(UaDateTime::fromDateTime(time).ticks, ticks);
    if (ways & 2)
        QCOMPARE(UaDateTime{ticks}.toDateTime(), time);
}

QTEST_GUILESS_MAIN(TstOpcUaCodec)
#include "tst_opcua_codec.moc"
