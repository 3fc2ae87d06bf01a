#include "DataValue.h"
#include "DiagnosticInfo.h"
#include "ExpandedNodeId.h"
#include "ExtensionObject.h"
#include "LocalizedText.h"
#include "QualifiedName.h"
#include "StatusCodes.h"
#include "UaBytes.h"
#include "UaDecoder.h"
#include "UaEncoder.h"

#include <QTest>
#include <limits>

using UaBytes::hex;
using UaBytes::le32;
using T = BuiltinType;

namespace {
template <typename V> Variant scalar(T type, const V &value)
{
    return Variant::scalar(type, QVariant::fromValue(value));
}

QDateTime utc(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

const QUuid kGuid(QStringLiteral("72962B91-FA75-4AE6-8D28-B404DC7DAF63"));
} // namespace

// Every built-in type, inside a Variant, against the bytes the rules of OPC 10000-6, 5.2.2
// give: little-endian integers, IEEE 754 floats, length-prefixed UTF-8, the String, Guid and
// NodeId examples of its figures, the mask bytes of the structured types; malformed and
// hostile input; the text form of NodeIds (5.3.1.10), DateTime ticks and the status codes.
class TstOpcUaCodec : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void variant_data();
    void variant();
    void refusedValues();
    void nullAndEmptyStayApart();
    void hostileVariant_data();
    void hostileVariant();
    void decoderFailureIsSticky();
    void nodeIdText_data();
    void nodeIdText();
    void dateTime_data();
    void dateTime();
    void statusCodes_data();
    void statusCodes();
};

void TstOpcUaCodec::variant_data()
{
    QTest::addColumn<Variant>("value");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("ways"); // 1 value to bytes, 2 bytes to value, 3 both
    const auto row = [](const char *name, const Variant &value, const char *bytes, int ways = 3) {
        QTest::newRow(name) << value << hex(bytes) << ways;
    };
    const auto nodeId = [](const NodeId &id) {
        return scalar(T::NodeId, id);
    };
    const auto expanded = [](const NodeId &id, const QString &uri, quint32 server) {
        return scalar(T::ExpandedNodeId, ExpandedNodeId{id, uri, server});
    };
    row("null", Variant(), "00");
    row("Boolean", scalar(T::Boolean, true), "01 01");
    // Decoders treat any non-zero byte as true (OPC 10000-6, 5.2.2.1).
    row("Boolean 0x02", scalar(T::Boolean, true), "01 02", 2);
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
    row("Guid", scalar(T::Guid, kGuid), "0e 912b9672 75fa e64a 8d28b404dc7daf63");
    row("ByteString", scalar(T::ByteString, hex("01 02")), "0f 02000000 0102");
    row("XmlElement", scalar(T::XmlElement, QByteArray("<a/>")), "10 04000000 3c612f3e");
    // The NodeId examples of OPC 10000-6, 5.2.2.9, and where one form ends and the next begins.
    row("NodeId i=72", nodeId(NodeId::numeric(0, 72)), "11 00 48");
    row("NodeId ns=5;i=1025", nodeId(NodeId::numeric(5, 1025)), "11 01 05 01 04");
    row("NodeId ns=1;s=Hot水", nodeId(NodeId::string(1, QStringLiteral("Hot水"))),
        "11 03 0100 06000000 486f74 e6b0b4");
    row("NodeId i=255", nodeId(NodeId::numeric(0, 255)), "11 00 ff");
    row("NodeId i=256", nodeId(NodeId::numeric(0, 256)), "11 01 00 0001");
    row("NodeId ns=255;i=65535", nodeId(NodeId::numeric(255, 65535)), "11 01 ff ffff");
    row("NodeId ns=256;i=1", nodeId(NodeId::numeric(256, 1)), "11 02 0001 01000000");
    row("NodeId i=65536", nodeId(NodeId::numeric(0, 65536)), "11 02 0000 00000100");
    row("NodeId guid", nodeId(NodeId::guid(1, kGuid)),
        "11 04 0100 912b9672 75fa e64a 8d28b404dc7daf63");
    row("NodeId opaque", nodeId(NodeId::opaque(2, hex("de ad"))), "11 05 0200 02000000 dead");
    row("full form of a small NodeId", nodeId(NodeId::numeric(0, 72)), "11 02 0000 48000000", 2);
    // ExpandedNodeId flags: 0x80 for a namespace URI, 0x40 for a server index, in that order.
    row("ExpandedNodeId without flags", expanded(NodeId::numeric(0, 72), {}, 0), "12 00 48");
    row("ExpandedNodeId namespace URI", expanded(NodeId::numeric(0, 72), QStringLiteral("u"), 0),
        "12 80 48 01000000 75");
    row("ExpandedNodeId server index", expanded(NodeId::numeric(5, 1025), {}, 2),
        "12 41 05 0104 02000000");
    row("ExpandedNodeId both", expanded(NodeId::numeric(0, 72), QStringLiteral("u"), 3),
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
    // Unassigned type ids carry ByteStrings (OPC 10000-6, 5.2.2.16); encoders do not use them.
    row("type id 26 read", Variant::scalar(BuiltinType(26), QByteArray("\x7f")), "1a 01000000 7f",
        2);
    row("type id 31 written", Variant::scalar(BuiltinType(31), QByteArray("\x7f")),
        "0f 01000000 7f", 1);
    row("Int32 array",
        Variant::array(T::Int32, {QVariant::fromValue(qint32(1)), QVariant::fromValue(qint32(2))}),
        "86 02000000 01000000 02000000");
    row("null array", Variant::array(T::Int32, {}), "86 ffffffff", 2);
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
    row("matrix with an empty dimension", Variant::array(T::Int32, {}, {3, 0}),
        "c6 00000000 02000000 03000000 00000000", 2);
}

void TstOpcUaCodec::variant()
{
    QFETCH(Variant, value);
    QFETCH(QByteArray, bytes);
    QFETCH(int, ways);
    QCOMPARE(value.isNull(), bytes == hex("00"));
    if (ways & 1) {
        UaEncoder encoder;
        Variant::encode(encoder, value);
        QCOMPARE(encoder.take().toHex(' '), bytes.toHex(' '));
    }
    if (ways & 2) {
        UaDecoder decoder(bytes);
        QVERIFY(Variant::decode(decoder) == value);
        QCOMPARE(decoder.status(), UaStatus::Good);
        QVERIFY(decoder.atEnd());
    }
}

void TstOpcUaCodec::refusedValues()
{
    // Values a type cannot hold give a null Variant rather than bytes of another type.
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

void TstOpcUaCodec::hostileVariant_data()
{
    // Malformed and hostile Variants from a server: each ends in the one Bad status it
    // deserves, gives a null Variant and costs no more memory than its own bytes allow. The
    // test's limits allow ByteStrings of 4 bytes.
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<quint32>("status");
    const quint32 decoding = UaStatus::BadDecodingError;
    const quint32 limits = UaStatus::BadEncodingLimitsExceeded;
    const auto row = [](const char *name, const QByteArray &bytes, quint32 status) {
        QTest::newRow(name) << bytes << status;
    };
    const QByteArray tenBytes(10, 'x');
    row("empty input", {}, decoding);
    row("Int32 cut short", hex("06 0100"), decoding);
    row("Guid cut short", hex("0e 912b9672 75fa e64a"), decoding);
    row("string length 2^31-1, 10 bytes behind", hex("0c ffffff7f") + tenBytes, limits);
    row("string length 1000, 10 bytes behind", hex("0c e8030000") + tenBytes, decoding);
    row("string length -2", hex("0c feffffff 41"), decoding);
    row("string length Int32 minimum", hex("0c 00000080 41"), decoding);
    row("ByteString above the limit", hex("0f 05000000 0102030405"), limits);
    row("array length huge", hex("86 ffffff7f 01000000"), limits);
    row("array longer than its bytes", hex("86 03000000 01000000 02000000"), decoding);
    row("array length -5", hex("86 fbffffff"), decoding);
    row("dimension count huge", hex("c6 01000000 07000000 ffffff7f"), limits);
    row("dimensions not matching the count",
        hex("c6 03000000 01000000 02000000 03000000 02000000 02000000 02000000"), decoding);
    row("dimensions on a scalar", hex("46 01000000 01000000 01000000"), decoding);
    row("array of type 0", hex("80 00000000"), decoding);
    row("scalar Variant in a Variant", hex("18 06 01000000"), decoding);
    // Arrays of one Variant inside each other: 100 levels in all are allowed, 101 are not,
    // and a flood of them is refused after the 101st.
    const QByteArray level = hex("98 01000000");
    row("Variant nesting at the limit", level.repeated(99) + hex("06 01000000"), UaStatus::Good);
    row("Variant nesting one too deep", level.repeated(100) + hex("06 01000000"), limits);
    row("Variant nesting bomb", level.repeated(100000) + hex("00"), limits);
    row("DataValue nesting bomb", hex("17 01").repeated(100000), limits);
    row("DiagnosticInfo nesting bomb", hex("19") + hex("40").repeated(100000), limits);
    row("ExtensionObject encoding 3", hex("16 0000 03"), decoding);
    row("ExtensionObject body beyond the end", hex("16 0000 01 03000000 aa"), decoding);
    row("NodeId encoding 7", hex("11 07 0000"), decoding);
    // The flags of an ExpandedNodeId have no place in a NodeId.
    row("NodeId with a namespace URI flag", hex("11 80 48 01000000 75"), decoding);
    row("NodeId with a server index flag", hex("11 41 05 0104 02000000"), decoding);
    row("LocalizedText unknown mask bit", hex("15 04"), decoding);
    row("DataValue unknown mask bit", hex("17 40"), decoding);
    row("DiagnosticInfo unknown mask bit", hex("19 80"), decoding);
    row("DataValue cut inside its timestamp", hex("17 04 00803ed5"), decoding);
    // A null Variant is a byte on the wire and a hundred in memory: a message decodes into
    // no more than its budget (a megabyte at least, sixteen bytes for each of its own).
    const auto nulls = [](quint32 count) {
        return hex("98") + le32(count) + QByteArray(qsizetype(count), '\0');
    };
    row("null Variants within the budget", nulls(5000), UaStatus::Good);
    row("null Variants beyond the budget", nulls(60000), limits);
}

void TstOpcUaCodec::hostileVariant()
{
    QFETCH(QByteArray, bytes);
    QFETCH(quint32, status);
    DecodeLimits limits;
    limits.maxByteStringLength = 4;
    UaDecoder decoder(bytes, limits);
    const bool gaveNull = Variant::decode(decoder).isNull();
    QCOMPARE(UaStatus::name(decoder.status()), UaStatus::name(status));
    QCOMPARE(gaveNull, status != UaStatus::Good);
}

void TstOpcUaCodec::decoderFailureIsSticky()
{
    UaDecoder decoder(hex("06 00 00 00 2a 00 00 00 03 00 00 00 41 42 43"));
    QCOMPARE(decoder.readInt16(), qint16(6));
    decoder.readBytes(100);
    QCOMPARE(decoder.status(), UaStatus::BadDecodingError);
    const qsizetype position = decoder.position();
    QCOMPARE(decoder.readUInt16(), quint16(0));
    QVERIFY(decoder.readString().isNull());
    QCOMPARE(decoder.position(), position);
    decoder.fail(UaStatus::BadEncodingLimitsExceeded);
    QCOMPARE(decoder.status(), UaStatus::BadDecodingError);
}

void TstOpcUaCodec::nodeIdText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<NodeId>("id"); // the null NodeId: the text is refused
    QTest::addColumn<QString>("formatted");
    const auto row = [](const char *name, const QString &text, const NodeId &id,
                        const QString &formatted = {}) {
        QTest::newRow(name) << text << id << (formatted.isNull() ? text : formatted);
    };
    row("string", QStringLiteral("ns=1;s=Line1.bAbl.Print.Barcode"),
        NodeId::string(1, QStringLiteral("Line1.bAbl.Print.Barcode")));
    row("string with separators", QStringLiteral("ns=1;s=a;b=c d"),
        NodeId::string(1, QStringLiteral("a;b=c d")));
    row("numeric", QStringLiteral("ns=2;i=5001"), NodeId::numeric(2, 5001));
    row("namespace 0 left out", QStringLiteral("ns=0;i=85"), NodeId::numeric(0, 85),
        QStringLiteral("i=85"));
    row("largest numbers", QStringLiteral("ns=65535;i=4294967295"),
        NodeId::numeric(65535, 4294967295u));
    row("guid", QStringLiteral("g=72962B91-FA75-4AE6-8D28-B404DC7DAF63"), NodeId::guid(0, kGuid),
        QStringLiteral("g=72962b91-fa75-4ae6-8d28-b404dc7daf63"));
    // The opaque example of OPC 10000-6, 5.3.1.10.
    row("opaque", QStringLiteral("ns=1;b=M/RbKBsRVkePCePcx24oRA=="),
        NodeId::opaque(1, QByteArray::fromBase64("M/RbKBsRVkePCePcx24oRA==")));
    for (const char *refused :
         {"", "ns=1", "ns=65536;i=1", "ns=a;i=1", "ns=;i=1", "ns=1;i=4294967296", "i=-1",
          "ns=1;i=", "ns=1;x=5", "ns=1;s", "g=72962B91-FA75", "b=!!!"})
        row(refused[0] ? refused : "empty", QString::fromLatin1(refused), NodeId());
}

void TstOpcUaCodec::nodeIdText()
{
    QFETCH(QString, text);
    QFETCH(NodeId, id);
    QFETCH(QString, formatted);
    const std::optional<NodeId> parsed = NodeId::parse(text);
    QCOMPARE(parsed.has_value(), !id.isNull());
    if (!parsed)
        return;
    QCOMPARE(parsed->toString(), formatted);
    QVERIFY(*parsed == id);
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

void TstOpcUaCodec::statusCodes_data()
{
    // Each number from the status code table (OPC 10000-6, Annex A.2, StatusCode.csv); the
    // severity from the top two bits, which the first letter of the name repeats.
    QTest::addColumn<quint32>("code");
    QTest::addColumn<quint32>("number");
    QTest::addColumn<QString>("name");
    QTest::addColumn<char>("severity");
#define ROW(symbol, number)                                                                        \
    QTest::newRow(#symbol) << UaStatus::symbol << quint32(number) << QStringLiteral(#symbol)       \
                           << #symbol[0]
    ROW(Good, 0x00000000);
    ROW(Uncertain, 0x40000000);
    ROW(Bad, 0x80000000);
    ROW(GoodClamped, 0x00300000);
    ROW(UncertainLastUsableValue, 0x40900000);
    ROW(UncertainInitialValue, 0x40920000);
    ROW(UncertainDataSubNormal, 0x40A40000);
    ROW(BadUnexpectedError, 0x80010000);
    ROW(BadInternalError, 0x80020000);
    ROW(BadOutOfMemory, 0x80030000);
    ROW(BadCommunicationError, 0x80050000);
    ROW(BadEncodingError, 0x80060000);
    ROW(BadDecodingError, 0x80070000);
    ROW(BadEncodingLimitsExceeded, 0x80080000);
    ROW(BadTimeout, 0x800A0000);
    ROW(BadServiceUnsupported, 0x800B0000);
    ROW(BadShutdown, 0x800C0000);
    ROW(BadServerNotConnected, 0x800D0000);
    ROW(BadNothingToDo, 0x800F0000);
    ROW(BadTooManyOperations, 0x80100000);
    ROW(BadSecureChannelIdInvalid, 0x80220000);
    ROW(BadSecureChannelClosed, 0x80860000);
    ROW(BadSessionIdInvalid, 0x80250000);
    ROW(BadSessionClosed, 0x80260000);
    ROW(BadSessionNotActivated, 0x80270000);
    ROW(BadSubscriptionIdInvalid, 0x80280000);
    ROW(BadNodeIdInvalid, 0x80330000);
    ROW(BadNodeIdUnknown, 0x80340000);
    ROW(BadAttributeIdInvalid, 0x80350000);
    ROW(BadNotReadable, 0x803A0000);
    ROW(BadNotWritable, 0x803B0000);
    ROW(BadOutOfRange, 0x803C0000);
    ROW(BadTypeMismatch, 0x80740000);
    ROW(BadWriteNotSupported, 0x80730000);
    ROW(BadTcpMessageTypeInvalid, 0x807E0000);
    ROW(BadTcpMessageTooLarge, 0x80800000);
    ROW(BadTcpEndpointUrlInvalid, 0x80830000);
    ROW(BadRequestTooLarge, 0x80B80000);
    ROW(BadResponseTooLarge, 0x80B90000);
    ROW(BadSequenceNumberInvalid, 0x80880000);
    ROW(BadConnectionClosed, 0x80AE0000);
    ROW(BadNoSubscription, 0x80790000);
    ROW(BadTooManyPublishRequests, 0x80780000);
    ROW(BadIdentityTokenInvalid, 0x80200000);
    ROW(BadUserAccessDenied, 0x801F0000);
    ROW(BadInvalidArgument, 0x80AB0000);
    ROW(BadInvalidState, 0x80AF0000);
    ROW(BadSecurityPolicyRejected, 0x80550000);
    ROW(BadProtocolVersionUnsupported, 0x80BE0000);
    ROW(BadConnectionRejected, 0x80AC0000);
#undef ROW
    // Info bits do not change the code; unknown codes are shown in hex; severity 11 is Bad.
    QTest::newRow("info bits") << quint32(0x80340400) << quint32(0x80340400)
                               << QStringLiteral("BadNodeIdUnknown") << 'B';
    QTest::newRow("unknown code") << quint32(0x0F000012) << quint32(0x0F000012)
                                  << QStringLiteral("0x0F000012") << 'G';
    QTest::newRow("reserved severity")
        << quint32(0xC1230000) << quint32(0xC1230000) << QStringLiteral("0xC1230000") << 'B';
}

void TstOpcUaCodec::statusCodes()
{
    QFETCH(quint32, code);
    QFETCH(quint32, number);
    QFETCH(QString, name);
    QFETCH(char, severity);
    QCOMPARE(code, number);
    QCOMPARE(UaStatus::name(code), name);
    QCOMPARE(UaStatus::isGood(code), severity == 'G');
    QCOMPARE(UaStatus::isUncertain(code), severity == 'U');
    QCOMPARE(UaStatus::isBad(code), severity == 'B');
}

QTEST_GUILESS_MAIN(TstOpcUaCodec)
#include "tst_opcua_codec.moc"
