#include "ChunkAssembler.h"
#include "ChunkWriter.h"
#include "UaBytes.h"
#include "UaDecoder.h"

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

ReceivedMessage only(const QList<ReceivedMessage> &messages)
{
    return messages.size() == 1 ? messages.first() : ReceivedMessage();
}
} // namespace

// The connection protocol messages and limits (OPC 10000-6, 7.1.2) and the chunks of secure
// conversation messages in both directions (6.7.2, 6.7.3), and streams that break their rules.
class TstOpcUaTcp : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hello();
    void acknowledgeArrivesByteByByte();
    void errorReason_data();
    void errorReason();
    void chunksPerRequestAndAbort();
    void writerSingleChunks_data();
    void writerSingleChunks();
    void writerSplitsAtPeerBuffer_data();
    void writerSplitsAtPeerBuffer();
    void writerRefuses_data();
    void writerRefuses();
    void hostileStream_data();
    void hostileStream();
};

void TstOpcUaTcp::hello()
{
    HelloMessage hello{0, 65536, 65536, 16777216, 256, QStringLiteral("opc.tcp://plc:4840")};
    const QByteArray expected = "HELF" +
                                hex("32 00 00 00 00 00 00 00 00 00 01 00 00 00 01 00"
                                    "00 00 00 01 00 01 00 00 12 00 00 00") +
                                "opc.tcp://plc:4840";
    QCOMPARE(hello.toMessage().toHex(' '), expected.toHex(' '));
    UaDecoder decoder(expected.sliced(8));
    QCOMPARE(HelloMessage::decode(decoder), hello);
    QVERIFY(decoder.ok() && decoder.atEnd());
    // An endpoint URL may have 4096 bytes, not more.
    hello.endpointUrl = QString(4096, u'a');
    QCOMPARE(hello.toMessage().size(), 8 + 20 + 4 + 4096);
    hello.endpointUrl += u'a';
    QVERIFY(hello.toMessage().isEmpty());
}

void TstOpcUaTcp::acknowledgeArrivesByteByByte()
{
    const AcknowledgeMessage sent{0, 8192, 8192, 16777216, 0};
    const QByteArray ack = "ACKF" + hex("1c 00 00 00 00 00 00 00 00 20 00 00 00 20 00 00"
                                        "00 00 00 01 00 00 00 00");
    QCOMPARE(sent.toMessage(), ack);
    ChunkAssembler assembler;
    QList<ReceivedMessage> received;
    for (qsizetype i = 0; i < ack.size(); ++i) {
        QVERIFY(received.isEmpty());
        received = assembler.feed(ack.sliced(i, 1));
    }
    const ReceivedMessage message = only(received);
    QCOMPARE(message.type, MessageType::Acknowledge);
    UaDecoder decoder(message.body);
    QCOMPARE(AcknowledgeMessage::decode(decoder), sent);
    QVERIFY(decoder.ok() && decoder.atEnd());
}

void TstOpcUaTcp::errorReason_data()
{
    QTest::addColumn<QByteArray>("reason");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("4096 bytes kept") << QByteArray(4096, 'r') << QString(4096, u'r');
    QTest::newRow("4097 bytes ignored") << QByteArray(4097, 'r') << QString();
}

void TstOpcUaTcp::errorReason()
{
    QFETCH(QByteArray, reason);
    QFETCH(QString, decoded);
    const QByteArray bytes =
        "ERRF" + le32(quint32(16 + reason.size())) + hex("00 00 83 80") + UaBytes::string(reason);
    ChunkAssembler assembler;
    const ReceivedMessage message = only(assembler.feed(bytes));
    QCOMPARE(message.type, MessageType::Error);
    UaDecoder decoder(message.body);
    const ErrorMessage error = ErrorMessage::decode(decoder);
    QVERIFY(decoder.ok() && decoder.atEnd());
    QCOMPARE(error.error, UaStatus::BadTcpEndpointUrlInvalid);
    QCOMPARE(error.reason, decoded);
    QCOMPARE(error.reason.isNull(), decoded.isNull());
}

void TstOpcUaTcp::chunksPerRequestAndAbort()
{
    // Request 7 is collected around a whole message for request 8, aborted, and sent again.
    const QByteArray abortBody = hex("00 00 0a 80") + UaBytes::string("gave up");
    ChunkAssembler assembler;
    assembler.feed(Chunk{"OPN", 'F', 0, 1, {}, 6}.bytes());
    const QList<ReceivedMessage> messages = assembler.feed(
        Chunk{"MSG", 'C', 1, 7, "ab", 6}.bytes() + Chunk{"MSG", 'F', 2, 8, "x", 6}.bytes() +
        Chunk{"MSG", 'A', 3, 7, abortBody, 6}.bytes() + Chunk{"MSG", 'C', 4, 7, "c", 6}.bytes() +
        Chunk{"MSG", 'F', 5, 7, "d", 6, 10}.bytes());
    QCOMPARE(assembler.status(), UaStatus::Good);
    QCOMPARE(messages.size(), 3);
    QCOMPARE(messages[0].requestId, 8u);
    QCOMPARE(messages[0].body, QByteArray("x"));
    QCOMPARE(messages[1].requestId, 7u);
    QVERIFY(messages[1].abort && messages[1].body.isEmpty());
    QCOMPARE(messages[1].abort->error, UaStatus::BadTimeout);
    QCOMPARE(messages[1].abort->reason, QStringLiteral("gave up"));
    QCOMPARE(messages[2].body, QByteArray("cd"));
    QCOMPARE(messages[2].secureChannelId, 6u);
    QCOMPARE(messages[2].tokenId, 10u);
    QVERIFY(!messages[2].abort);
}

void TstOpcUaTcp::writerSingleChunks_data()
{
    QTest::addColumn<MessageType>("type");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("chunk");
    QTest::newRow("MSG") << MessageType::Message << QByteArray("ABC")
                         << "MSGF" + hex("1b 00 00 00 07 00 00 00 09 00 00 00 01 00 00 00"
                                         "03 00 00 00 41 42 43");
    QTest::newRow("CLO") << MessageType::CloseSecureChannel << QByteArray()
                         << "CLOF" + hex("18 00 00 00 07 00 00 00 09 00 00 00 01 00 00 00"
                                         "03 00 00 00");
    QTest::newRow("OPN") << MessageType::OpenSecureChannel << QByteArray("xy")
                         << "OPNF" + hex("51 00 00 00 07 00 00 00 2f 00 00 00") +
                                UaBytes::kPolicyNone +
                                hex("ff ff ff ff ff ff ff ff 01 00 00 00 03 00 00 00 78 79");
}

void TstOpcUaTcp::writerSingleChunks()
{
    QFETCH(MessageType, type);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, chunk);
    ChunkWriter writer;
    writer.setSecureChannel(7, 9);
    const WrittenChunks written = writer.write(type, 3, body);
    QCOMPARE(written.status, UaStatus::Good);
    QCOMPARE(written.chunks.value(0).toHex(' '), chunk.toHex(' '));
    QCOMPARE(written.chunks.size(), 1);
    QCOMPARE(writer.nextSequenceNumber(), 2u);
    // The same bytes coming the other way, on the channel opened before, make one message.
    ChunkAssembler assembler;
    assembler.feed(Chunk{"OPN", 'F', 0, 1, {}, 7}.bytes());
    const ReceivedMessage message = only(assembler.feed(chunk));
    QCOMPARE(message.type, type);
    QCOMPARE(message.requestId, 3u);
    QCOMPARE(message.body, body);
}

void TstOpcUaTcp::writerSplitsAtPeerBuffer_data()
{
    // An 8192-byte buffer less 24 bytes of MSG headers leaves 8168 body bytes per chunk.
    QTest::addColumn<qsizetype>("bodySize");
    QTest::addColumn<quint32>("firstSequence");
    QTest::addColumn<qsizetype>("chunkCount");
    QTest::addColumn<qsizetype>("lastChunkSize");
    QTest::newRow("empty body") << qsizetype(0) << 100u << qsizetype(1) << qsizetype(24);
    QTest::newRow("exactly one chunk")
        << qsizetype(8168) << 100u << qsizetype(1) << qsizetype(8192);
    QTest::newRow("one byte more") << qsizetype(8169) << 100u << qsizetype(2) << qsizetype(25);
    QTest::newRow("thirteen chunks")
        << qsizetype(100000) << 100u << qsizetype(13) << qsizetype(2008);
    // After 4294967295 comes 0, which the legacy rule accepts as a wrap above its limit.
    QTest::newRow("wraps to zero")
        << qsizetype(9000) << 0xFFFFFFFFu << qsizetype(2) << qsizetype(856);
}

void TstOpcUaTcp::writerSplitsAtPeerBuffer()
{
    QFETCH(qsizetype, bodySize);
    QFETCH(quint32, firstSequence);
    QFETCH(qsizetype, chunkCount);
    QFETCH(qsizetype, lastChunkSize);
    QByteArray body(bodySize, Qt::Uninitialized);
    for (qsizetype i = 0; i < bodySize; ++i)
        body[i] = char((i * 131) ^ (i >> 8));
    ChunkWriter writer({8192, 0, 0});
    writer.setNextSequenceNumber(firstSequence);
    const WrittenChunks written = writer.write(MessageType::Message, 3, body);
    QCOMPARE(written.status, UaStatus::Good);
    QCOMPARE(written.chunks.size(), chunkCount);
    QCOMPARE(written.chunks.last().size(), lastChunkSize);
    // 'C' chunks of the whole buffer up to one 'F', with consecutive sequence numbers, which
    // the assembler takes as one message.
    ChunkAssembler assembler({8192, 200000, 13});
    assembler.feed(Chunk{"OPN", 'F', firstSequence - 1, 1, {}, 0}.bytes());
    QList<ReceivedMessage> messages;
    for (qsizetype i = 0; i < written.chunks.size(); ++i) {
        const QByteArray &chunk = written.chunks.at(i);
        const bool last = i == written.chunks.size() - 1;
        QCOMPARE(chunk.at(3), last ? 'F' : 'C');
        QVERIFY(chunk.size() == 8192 || last);
        QCOMPARE(chunk.mid(16, 4), le32(quint32(firstSequence + i)));
        messages += assembler.feed(chunk);
    }
    QCOMPARE(assembler.status(), UaStatus::Good);
    QVERIFY(only(messages).body == body);
}

void TstOpcUaTcp::writerRefuses_data()
{
    // Headers take 24 bytes of a MSG or CLO chunk and 79 of an OPN chunk.
    QTest::addColumn<MessageType>("type");
    QTest::addColumn<qsizetype>("bodySize");
    QTest::addColumn<ChunkLimits>("peer");
    QTest::addColumn<quint32>("status");
    const auto good = UaStatus::Good;
    const auto tooLarge = UaStatus::BadRequestTooLarge;
    const auto opn = MessageType::OpenSecureChannel;
    const auto msg = MessageType::Message;
    const ChunkLimits open{8192, 0, 0};
    QTest::newRow("OPN filling its chunk") << opn << qsizetype(8113) << open << good;
    QTest::newRow("OPN one byte more") << opn << qsizetype(8114) << open << tooLarge;
    QTest::newRow("CLO one byte more")
        << MessageType::CloseSecureChannel << qsizetype(8169) << open << tooLarge;
    QTest::newRow("at the largest message")
        << msg << qsizetype(100) << ChunkLimits{8192, 100, 0} << good;
    QTest::newRow("above the largest message")
        << msg << qsizetype(101) << ChunkLimits{8192, 100, 0} << tooLarge;
    QTest::newRow("as many chunks as allowed")
        << msg << qsizetype(16336) << ChunkLimits{8192, 0, 2} << good;
    QTest::newRow("more chunks than allowed")
        << msg << qsizetype(16337) << ChunkLimits{8192, 0, 2} << tooLarge;
    QTest::newRow("no room for a body") << msg << qsizetype(1) << ChunkLimits{24, 0, 0} << tooLarge;
    QTest::newRow("not a secure message")
        << MessageType::Hello << qsizetype(1) << open << UaStatus::BadTcpMessageTypeInvalid;
}

void TstOpcUaTcp::writerRefuses()
{
    QFETCH(MessageType, type);
    QFETCH(qsizetype, bodySize);
    QFETCH(ChunkLimits, peer);
    QFETCH(quint32, status);
    ChunkWriter writer(peer);
    const WrittenChunks written = writer.write(type, 1, QByteArray(bodySize, 'b'));
    QCOMPARE(written.status, status);
    QCOMPARE(written.chunks.isEmpty(), status != UaStatus::Good);
    // Only chunks that were made use up sequence numbers.
    QCOMPARE(writer.nextSequenceNumber(), quint32(1 + written.chunks.size()));
}

void TstOpcUaTcp::hostileStream_data()
{
    // Malformed and hostile streams from a server: each ends in the one Bad status it
    // deserves, after delivering the messages before the fault.
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

void TstOpcUaTcp::hostileStream()
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

QTEST_GUILESS_MAIN(TstOpcUaTcp)
#include "tst_opcua_tcp.moc"
