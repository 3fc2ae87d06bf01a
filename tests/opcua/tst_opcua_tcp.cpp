#include "ChunkAssembler.h"
#include "ChunkWriter.h"
#include "UaBytes.h"
#include "UaDecoder.h"

#include <QTest>

using UaBytes::Chunk;
using UaBytes::hex;
using UaBytes::le32;

namespace {
ReceivedMessage only(const QList<ReceivedMessage> &messages)
{
    return messages.size() == 1 ? messages.first() : ReceivedMessage();
}
} // namespace

// The connection protocol messages and limits (OPC 10000-6, 7.1.2) and the chunks of secure
// conversation messages in both directions (6.7.2, 6.7.3).
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
    void writerWrapsToZero();
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
    QTest::addColumn<qsizetype>("chunkCount");
    QTest::addColumn<qsizetype>("lastChunkSize");
    QTest::newRow("empty body") << qsizetype(0) << qsizetype(1) << qsizetype(24);
    QTest::newRow("exactly one chunk") << qsizetype(8168) << qsizetype(1) << qsizetype(8192);
    QTest::newRow("one byte more") << qsizetype(8169) << qsizetype(2) << qsizetype(25);
    QTest::newRow("thirteen chunks") << qsizetype(100000) << qsizetype(13) << qsizetype(2008);
}

void TstOpcUaTcp::writerSplitsAtPeerBuffer()
{
    QFETCH(qsizetype, bodySize);
    QFETCH(qsizetype, chunkCount);
    QFETCH(qsizetype, lastChunkSize);
    QByteArray body(bodySize, Qt::Uninitialized);
    for (qsizetype i = 0; i < bodySize; ++i)
        body[i] = char((i * 131) ^ (i >> 8));
    ChunkWriter writer({8192, 0, 0});
    writer.setNextSequenceNumber(100);
    const WrittenChunks written = writer.write(MessageType::Message, 3, body);
    QCOMPARE(written.status, UaStatus::Good);
    QCOMPARE(written.chunks.size(), chunkCount);
    QCOMPARE(written.chunks.last().size(), lastChunkSize);
    // The assembler takes them only as 'C' chunks up to one 'F' with consecutive numbers.
    ChunkAssembler assembler({8192, 200000, 13});
    assembler.feed(Chunk{"OPN", 'F', 99, 1, {}, 0}.bytes());
    QList<ReceivedMessage> messages;
    for (const QByteArray &c : written.chunks) {
        QVERIFY(c.size() == 8192 || &c == &written.chunks.last());
        messages += assembler.feed(c);
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

void TstOpcUaTcp::writerWrapsToZero()
{
    // After 4294967295 comes 0, which the legacy rule accepts as a wrap above its limit.
    ChunkWriter writer({8192, 0, 0});
    writer.setNextSequenceNumber(0xFFFFFFFFu);
    const WrittenChunks written = writer.write(MessageType::Message, 4, QByteArray(9000, 'w'));
    QCOMPARE(written.chunks.size(), 2);
    QCOMPARE(written.chunks[0].mid(16, 4), le32(0xFFFFFFFFu));
    QCOMPARE(written.chunks[1].mid(16, 4), le32(0));
    ChunkAssembler assembler;
    assembler.feed(Chunk{"OPN", 'F', 0xFFFFFFFEu, 1, {}, 0}.bytes());
    QCOMPARE(only(assembler.feed(written.chunks[0] + written.chunks[1])).body,
             QByteArray(9000, 'w'));
    QCOMPARE(assembler.status(), UaStatus::Good);
}

QTEST_GUILESS_MAIN(TstOpcUaTcp)
#include "tst_opcua_tcp.moc"
