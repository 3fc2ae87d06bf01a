#include "FakeUaServer.h"
#include "UaAttributeServices.h"
#include "UaBytes.h"
#include "UaChannelServices.h"
#include "UaSecureChannel.h"
#include "UaSessionServices.h"
#include "UaTcpMessages.h"

#include <QSignalSpy>
#include <QTest>

using UaBytes::Chunk;
using UaBytes::hex;
using UaBytes::le32;

namespace {
constexpr int kWait = 10000;

// A request header with every field set, and its encoding (OPC 10000-4, 7.33).
RequestHeader sampleHeader()
{
    RequestHeader header;
    header.authenticationToken = NodeId::numeric(1, 0x1234);
    header.timestamp = UaDateTime{0x0102030405060708};
    header.requestHandle = 3;
    header.timeoutHint = 5000;
    return header;
}
const QByteArray kSampleHeader = hex("01 01 34 12  08 07 06 05 04 03 02 01  03 00 00 00"
                                     "00 00 00 00  ff ff ff ff  88 13 00 00  00 00 00");

// A response header with the given service result and nothing else (OPC 10000-4, 7.34).
QByteArray responseHeader(quint32 serviceResult)
{
    return QByteArray(12, '\0') + le32(serviceResult) + hex("00 ff ff ff ff 00 00 00");
}

// The OpenSecureChannel response of channel 5 with token 9 (OPC 10000-4, 5.5.2).
QByteArray openResponse(quint32 requestId)
{
    Chunk chunk;
    chunk.type = "OPN";
    chunk.requestId = requestId;
    chunk.body = hex("01 00 c1 01") + responseHeader(0) + le32(0) + le32(5) + le32(9) +
                 QByteArray(8, '\0') + le32(600000) + hex("ff ff ff ff");
    return chunk.bytes();
}

QByteArray acknowledge()
{
    return AcknowledgeMessage{0, 65536, 65536, 0, 0}.toMessage();
}
} // namespace

// The encoding of the service requests and how the channel takes a server's replies that a
// real server does not give.
class TstOpcUaServices : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readRequestLayout();
    void writeRequestLayout();
    void openRequestLayout();
    void activateSessionCarriesAnonymousToken();
    void channelClosesOnServerReply_data();
    void channelClosesOnServerReply();
    void undecodableResponseClosesChannel();
    void waitForTimesOutAndKeepsChannel();
    void asynchronousRequestTimesOut();
};

void TstOpcUaServices::readRequestLayout()
{
    const ReadRequest request{sampleHeader(),
                              {{NodeId::string(1, QStringLiteral("A.b")), UaAttributeId::Value},
                               {NodeId::numeric(0, 2258), UaAttributeId::DataType}}};
    const QByteArray expected =
        hex("01 00 77 02") + kSampleHeader +
        hex("00 00 00 00 00 00 00 00  03 00 00 00  02 00 00 00"
            "03 01 00 03 00 00 00 41 2e 62  0d 00 00 00  ff ff ff ff  00 00 ff ff ff ff"
            "01 00 d2 08  0e 00 00 00  ff ff ff ff  00 00 ff ff ff ff");
    QCOMPARE(request.toBody().toHex(' '), expected.toHex(' '));
}

void TstOpcUaServices::writeRequestLayout()
{
    const WriteRequest request{
        sampleHeader(), {{NodeId::numeric(1, 7), Variant::scalar(BuiltinType::Int32, qint32(-2))}}};
    // The DataValue carries the value alone: mask 0x01, no status, no timestamps.
    const QByteArray expected = hex("01 00 a1 02") + kSampleHeader +
                                hex("01 00 00 00  01 01 07 00  0d 00 00 00  ff ff ff ff"
                                    "01 06 fe ff ff ff");
    QCOMPARE(request.toBody().toHex(' '), expected.toHex(' '));
}

void TstOpcUaServices::openRequestLayout()
{
    OpenSecureChannelRequest request;
    request.header = sampleHeader();
    request.requestType = OpenSecureChannelRequest::Renew;
    request.requestedLifetime = 600000;
    const QByteArray expected = hex("01 00 be 01") + kSampleHeader +
                                hex("00 00 00 00  01 00 00 00  01 00 00 00  ff ff ff ff"
                                    "c0 27 09 00");
    QCOMPARE(request.toBody().toHex(' '), expected.toHex(' '));
}

void TstOpcUaServices::activateSessionCarriesAnonymousToken()
{
    const ActivateSessionRequest request{sampleHeader(), QStringLiteral("anon")};
    // Null client signature, no certificates, no locales, the token as an ExtensionObject of
    // AnonymousIdentityToken (i=321) with its PolicyId, null token signature.
    const QByteArray expected = hex("01 00 d3 01") + kSampleHeader +
                                hex("ff ff ff ff ff ff ff ff  ff ff ff ff  ff ff ff ff"
                                    "01 00 41 01 01 08 00 00 00 04 00 00 00") +
                                "anon" + hex("ff ff ff ff ff ff ff ff");
    QCOMPARE(request.toBody().toHex(' '), expected.toHex(' '));
}

void TstOpcUaServices::channelClosesOnServerReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<quint32>("expected");
    QTest::newRow("Error message")
        << ErrorMessage{UaStatus::BadTcpEndpointUrlInvalid, QStringLiteral("no such endpoint")}
               .toMessage()
        << UaStatus::BadTcpEndpointUrlInvalid;
    QTest::newRow("unknown message type")
        << QByteArray("XYZF" + le32(8)) << UaStatus::BadTcpMessageTypeInvalid;
    QTest::newRow("receive buffer below the minimum")
        << AcknowledgeMessage{0, 1024, 65536, 0, 0}.toMessage() << UaStatus::BadConnectionRejected;
    QTest::newRow("send buffer above ours")
        << AcknowledgeMessage{0, 65536, 131072, 0, 0}.toMessage()
        << UaStatus::BadConnectionRejected;
    Chunk fault;
    fault.type = "OPN";
    fault.body = hex("01 00 8d 01") + responseHeader(UaStatus::BadSecurityModeRejected);
    QTest::newRow("ServiceFault to OpenSecureChannel")
        << QByteArray(acknowledge() + fault.bytes()) << UaStatus::BadSecurityModeRejected;
    QTest::newRow("OPN response to another request")
        << QByteArray(acknowledge() + openResponse(7)) << UaStatus::BadUnknownResponse;
    Chunk wrongSequence;
    wrongSequence.sequenceNumber = 3;
    QTest::newRow("sequence number skipped")
        << QByteArray(acknowledge() + openResponse(1) + wrongSequence.bytes())
        << UaStatus::BadSequenceNumberInvalid;
}

void TstOpcUaServices::channelClosesOnServerReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(quint32, expected);
    FakeUaServer server;
    UaSecureChannel channel;
    QSignalSpy closed(&channel, &UaSecureChannel::closed);
    channel.open(server.url());
    QTRY_VERIFY_WITH_TIMEOUT(server.received().startsWith("HELF"), kWait);
    QVERIFY(server.received().endsWith(server.url().toUtf8()));
    server.send(reply);
    QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, kWait);
    QCOMPARE(UaStatus::name(closed.first().first().toUInt()), UaStatus::name(expected));
    QCOMPARE(channel.state(), UaSecureChannel::State::Closed);
    QCOMPARE(channel.closeReason(), expected == UaStatus::BadTcpEndpointUrlInvalid
                                        ? QStringLiteral("no such endpoint")
                                        : QString());
}

void TstOpcUaServices::undecodableResponseClosesChannel()
{
    FakeUaServer server;
    UaSecureChannel channel;
    QSignalSpy opened(&channel, &UaSecureChannel::opened);
    QSignalSpy closed(&channel, &UaSecureChannel::closed);
    channel.open(server.url());
    QTRY_VERIFY_WITH_TIMEOUT(server.received().startsWith("HELF"), kWait);
    server.send(acknowledge() + openResponse(1));
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, kWait);
    QCOMPARE(channel.token().channelId, 5u);
    QCOMPARE(channel.token().tokenId, 9u);
    std::optional<UaResponse> response;
    const quint32 requestId =
        channel.send(hex("01 00 77 02"), [&response](const UaResponse &r) { response = r; });
    QCOMPARE(requestId, 2u);
    // A type id with an unknown NodeId encoding byte.
    Chunk reply;
    reply.sequenceNumber = 2;
    reply.requestId = requestId;
    reply.body = hex("07 00 00");
    server.send(reply.bytes());
    QTRY_VERIFY_WITH_TIMEOUT(response.has_value(), kWait);
    QCOMPARE(UaStatus::name(response->status), UaStatus::name(UaStatus::BadDecodingError));
    QCOMPARE(closed.size(), 1);
    QCOMPARE(UaStatus::name(closed.first().first().toUInt()),
             UaStatus::name(UaStatus::BadDecodingError));
}

void TstOpcUaServices::waitForTimesOutAndKeepsChannel()
{
    FakeUaServer server;
    UaSecureChannel channel;
    QSignalSpy opened(&channel, &UaSecureChannel::opened);
    channel.open(server.url());
    QTRY_VERIFY_WITH_TIMEOUT(server.received().startsWith("HELF"), kWait);
    server.send(acknowledge() + openResponse(1));
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, kWait);
    const quint32 requestId = channel.send(hex("01 00 77 02"));
    QVERIFY(requestId != 0);
    const UaResponse response = channel.waitFor(requestId, 200);
    QCOMPARE(UaStatus::name(response.status), UaStatus::name(UaStatus::BadTimeout));
    QCOMPARE(channel.state(), UaSecureChannel::State::Open);
}

void TstOpcUaServices::asynchronousRequestTimesOut()
{
    FakeUaServer server;
    UaSecureChannel channel;
    QSignalSpy opened(&channel, &UaSecureChannel::opened);
    channel.open(server.url());
    QTRY_VERIFY_WITH_TIMEOUT(server.received().startsWith("HELF"), kWait);
    server.send(acknowledge() + openResponse(1));
    QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 1, kWait);
    std::optional<UaResponse> limited;
    std::optional<UaResponse> unlimited;
    QVERIFY(channel.send(
                hex("01 00 77 02"), [&limited](const UaResponse &r) { limited = r; }, 200) != 0);
    QVERIFY(channel.send(hex("01 00 77 02"),
                         [&unlimited](const UaResponse &r) { unlimited = r; }) != 0);
    QTRY_VERIFY_WITH_TIMEOUT(limited.has_value(), kWait);
    QCOMPARE(UaStatus::name(limited->status), UaStatus::name(UaStatus::BadTimeout));
    QVERIFY(!unlimited.has_value());
    QCOMPARE(channel.state(), UaSecureChannel::State::Open);
    // Closing the channel completes what is still open.
    channel.close();
    QTRY_VERIFY_WITH_TIMEOUT(unlimited.has_value(), kWait);
    QCOMPARE(UaStatus::name(unlimited->status), UaStatus::name(UaStatus::BadSecureChannelClosed));
    QTRY_VERIFY_WITH_TIMEOUT(server.received().contains("CLOF"), kWait);
}

QTEST_GUILESS_MAIN(TstOpcUaServices)
#include "tst_opcua_services.moc"
