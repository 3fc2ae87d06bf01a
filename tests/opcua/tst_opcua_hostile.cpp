#include "ChunkAssembler.h"
#include "UaBytes.h"
#include "UaDecoder.h"
#include "Variant.h"

#include <QTest>
#include <QtEndian>

using UaBytes::Chunk;
using UaBytes::hex;
using UaBytes::le32;

namespace {
QByteArray msg(char chunkType, quint32 sequenceNumber, quint32 requestId, const QByteArray &body)
{
    return Chunk{"MSG", chunkType, sequenceNumber, requestId, body}.bytes();
}

const QByteArray kAck = AcknowledgeMessage{0, 8192, 8192, 0, 0}.toMessage();
} // namespace

// Malformed and hostile input from a server: each case ends in the one Bad status it
// deserves, gives defaults, and costs no more memory than the input itself.
class TstOpcUaHostile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void decoder_data();
    void decoder();
    void decoderFailureIsSticky();
    void stream_data();
    void stream();
};

void TstOpcUaHostile::decoder_data()
{
    // Each row is one Variant; the test's limits allow ByteStrings of 4 bytes.
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

void TstOpcUaHostile::decoder()
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

void TstOpcUaHostile::decoderFailureIsSticky()
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

void TstOpcUaHostile::stream_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<ChunkLimits>("limits");
    QTest::addColumn<quint32>("status");
    QTest::addColumn<int>("delivered");
    const ChunkLimits standard;
    const auto row = [&standard](const char *name, const QByteArray &stream, quint32 status,
                                 int delivered = 0, const ChunkLimits &limits = {0, 0, 0}) {
        QTest::newRow(name) << stream << (limits.bufferSize ? limits : standard) << status
                            << delivered;
    };
    const quint32 typeInvalid = UaStatus::BadTcpMessageTypeInvalid;
    const quint32 sequence = UaStatus::BadSequenceNumberInvalid;
    const quint32 tooLarge = UaStatus::BadResponseTooLarge;
    const QByteArray first = msg('F', 1, 1, "body");
    row("truncated chunk waits for the rest", first.chopped(1), UaStatus::Good);
    row("size field 0", "MSGF" + le32(0), UaStatus::BadDecodingError);
    row("size field 7", "ACKF" + le32(7) + le32(0), UaStatus::BadDecodingError);
    row("size field 2^31, nothing behind it", "MSGF" + le32(0x80000000u),
        UaStatus::BadTcpMessageTooLarge);
    row("size one above the receive buffer", "MSGF" + le32(8193), UaStatus::BadTcpMessageTooLarge,
        0, {8192, 0, 0});
    row("unknown message type", "XYZF" + le32(12) + le32(0), typeInvalid);
    row("Hello from the server", HelloMessage().toMessage(), typeInvalid);
    row("MSG chunk type X", msg('X', 1, 1, "b"), typeInvalid);
    row("OPN chunk type C", Chunk{"OPN", 'C', 1, 1, "b"}.bytes(), typeInvalid);
    row("CLO chunk type A", Chunk{"CLO", 'A', 1, 1, "b"}.bytes(), typeInvalid);
    row("MSG cut inside its sequence header", "MSGF" + le32(20) + le32(5) + le32(9) + le32(1),
        UaStatus::BadDecodingError);
    row("wrong sequence number", first + msg('F', 3, 2, "b"), sequence, 1);
    row("repeated sequence number", first + msg('F', 1, 2, "b"), sequence, 1);
    // Sequence numbers wrap only above 4294966271, and to a number below 1024 (6.7.2.4).
    row("wrap below the limit", msg('F', 4294966271u, 1, "a") + msg('F', 0, 2, "b"), sequence, 1);
    row("wrap to 1024", msg('F', 4294966272u, 1, "a") + msg('F', 1024, 2, "b"), sequence, 1);
    row("wrap to 1023 is allowed", msg('F', 4294966272u, 1, "a") + msg('F', 1023, 2, "b"),
        UaStatus::Good, 2);
    Chunk basic{"OPN", 'F', 1, 1, "b"};
    basic.policy = "http://opcfoundation.org/UA/SecurityPolicy#Basic256Sha256";
    row("OPN with another policy", basic.bytes(), UaStatus::BadSecurityPolicyRejected);
    row("OPN policy length 2^31-1", "OPNF" + le32(26) + le32(0) + le32(0x7fffffff) + "0123456789",
        UaStatus::BadEncodingLimitsExceeded);
    row("more chunks than announced",
        msg('C', 1, 1, "a") + msg('C', 2, 1, "b") + msg('F', 3, 1, "c"), tooLarge, 0,
        {8192, 1000, 2});
    row("body larger than announced", msg('C', 1, 1, "abcdef") + msg('F', 2, 1, "ghijk"), tooLarge,
        0, {8192, 10, 10});
    row("open requests together too large", msg('C', 1, 1, "abcdef") + msg('C', 2, 2, "ghijk"),
        tooLarge, 0, {8192, 10, 10});
    row("abort body cut short", msg('A', 1, 1, hex("00 00")), UaStatus::BadDecodingError);
    row("good message before a bad one", kAck + "XYZF" + le32(12) + le32(0), typeInvalid, 1);
    row("MSG before the channel is open", kAck + first, typeInvalid, 1);
    row("MSG of another channel", Chunk{"MSG", 'F', 1, 1, "b", 6}.bytes(),
        UaStatus::BadSecureChannelIdInvalid);
    QByteArray freshIds;
    for (quint32 id = 1; id <= ChunkAssembler::kMaxPartialMessages + 1; ++id)
        freshIds += msg('C', id, id, {});
    row("empty continuation chunks with ever new request ids", freshIds, tooLarge);
}

void TstOpcUaHostile::stream()
{
    QFETCH(QByteArray, stream);
    QFETCH(ChunkLimits, limits);
    QFETCH(quint32, status);
    QFETCH(int, delivered);
    ChunkAssembler assembler(limits);
    // Messages come on the channel the server opened: a stream of MSG or CLO chunks follows
    // the OPN response of channel 5, numbered just before its first chunk.
    if (stream.startsWith("MSG") || stream.startsWith("CLO")) {
        const quint32 next =
            stream.size() >= 20 ? qFromLittleEndian<quint32>(stream.data() + 16) : 1;
        QCOMPARE(assembler.feed(Chunk{"OPN", 'F', next - 1, 1, {}}.bytes()).size(), 1);
    }
    QCOMPARE(assembler.feed(stream).size(), delivered);
    QCOMPARE(UaStatus::name(assembler.status()), UaStatus::name(status));
    if (status == UaStatus::Good)
        return;
    // Nothing after a failure is trusted, not even a well-formed message.
    QVERIFY(assembler.feed(kAck).isEmpty());
    QCOMPARE(assembler.status(), status);
}

QTEST_GUILESS_MAIN(TstOpcUaHostile)
#include "tst_opcua_hostile.moc"
