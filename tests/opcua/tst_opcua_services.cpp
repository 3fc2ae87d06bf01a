#include "FakeUaServer.h"
#include "UaAttributeServices.h"
#include "UaBytes.h"
#include "UaChannelServices.h"
#include "UaDecoder.h"
#include "UaSecureChannel.h"
#include "UaSessionServices.h"
#include "UaSubscriptionServices.h"
#include "UaTcpMessages.h"
#include "UaViewServices.h"

#include <QSignalSpy>
#include <QTest>

using UaBytes::Chunk;
using UaBytes::hex;
using UaBytes::le32;

namespace {
constexpr int kWait = 10000;

QString statusName(quint32 status)
{
    return UaStatus::name(status);
}

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

const QByteArray kAck = AcknowledgeMessage{0, 65536, 65536, 0, 0}.toMessage();

// The type id of a Read request, enough of a request for a server that never answers.
const QByteArray kReadTypeId = hex("01 00 77 02");

// An ExtensionObject with a binary body, its type id in the four-byte form.
QByteArray extensionObject(quint16 typeId, const QByteArray &body)
{
    return hex("01 00") + QByteArray(1, char(typeId & 0xff)) + QByteArray(1, char(typeId >> 8)) +
           hex("01") + le32(quint32(body.size())) + body;
}

// A Publish response of subscription 7 (after its type id) whose notification message 3
// holds the given NotificationData elements.
QByteArray publishResponse(quint32 count, const QByteArray &notificationData)
{
    return responseHeader(0) + le32(7) + hex("01 00 00 00  03 00 00 00  00") + le32(3) +
           QByteArray(8, '\0') + le32(count) + notificationData +
           hex("01 00 00 00  00 00 00 00  ff ff ff ff");
}

// Two changes of handle 5: true, then false with BadOutOfService; no DiagnosticInfos.
const QByteArray kDataChange = hex("02 00 00 00  05 00 00 00  01 01 01"
                                   "05 00 00 00  03 01 00  00 00 8d 80  ff ff ff ff");

Variant boolean(bool value)
{
    return Variant::scalar(BuiltinType::Boolean, value);
}

// Opens channel to server, which answers with the Acknowledge and the OpenSecureChannel
// response of channel 5; false when the channel did not open.
bool openOn(FakeUaServer &server, UaSecureChannel &channel)
{
    QSignalSpy opened(&channel, &UaSecureChannel::opened);
    channel.open(server.url());
    if (!QTest::qWaitFor([&server] { return server.received().startsWith("HELF"); }, kWait))
        return false;
    server.send(kAck + openResponse(1));
    return QTest::qWaitFor([&opened] { return !opened.isEmpty(); }, kWait);
}
} // namespace

// The encoding of the service requests and responses against bytes written from the encoding
// rules, and how the channel takes replies that a real server does not give.
class TstOpcUaServices : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void requestLayout_data();
    void requestLayout();
    void decodesPublishResponse();
    void hostilePublishResponseFails_data();
    void hostilePublishResponseFails();
    void decodesTranslateResponse();
    void channelClosesOnServerReply_data();
    void channelClosesOnServerReply();
    void undecodableResponseClosesChannel();
    void requestsTimeOutAndKeepChannel();
};

void TstOpcUaServices::requestLayout_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected");
    // The type id, the sample header, then the rest of the request.
    const auto row = [](const char *name, const QByteArray &body, const char *typeId,
                        const char *rest) {
        QTest::newRow(name) << body << hex(typeId) + kSampleHeader + hex(rest);
    };
    row("Read",
        ReadRequest{sampleHeader(),
                    {{NodeId::string(1, QStringLiteral("A.b")), UaAttributeId::Value},
                     {NodeId::numeric(0, 2258), UaAttributeId::DataType}}}
            .toBody(),
        "01 00 77 02",
        "00 00 00 00 00 00 00 00  03 00 00 00  02 00 00 00"
        "03 01 00 03 00 00 00 41 2e 62  0d 00 00 00  ff ff ff ff  00 00 ff ff ff ff"
        "01 00 d2 08  0e 00 00 00  ff ff ff ff  00 00 ff ff ff ff");
    // The DataValue carries the value alone: mask 0x01, no status, no timestamps.
    row("Write",
        WriteRequest{sampleHeader(),
                     {{NodeId::numeric(1, 7), Variant::scalar(BuiltinType::Int32, qint32(-2))}}}
            .toBody(),
        "01 00 a1 02", "01 00 00 00  01 01 07 00  0d 00 00 00  ff ff ff ff  01 06 fe ff ff ff");
    OpenSecureChannelRequest open;
    open.header = sampleHeader();
    open.requestType = OpenSecureChannelRequest::Renew;
    open.requestedLifetime = 600000;
    row("OpenSecureChannel", open.toBody(), "01 00 be 01",
        "00 00 00 00  01 00 00 00  01 00 00 00  ff ff ff ff  c0 27 09 00");
    // Null client signature, no certificates, no locales, the token as an ExtensionObject of
    // AnonymousIdentityToken (i=321) with its PolicyId "anon", null token signature.
    row("ActivateSession", ActivateSessionRequest{sampleHeader(), QStringLiteral("anon")}.toBody(),
        "01 00 d3 01",
        "ff ff ff ff ff ff ff ff  ff ff ff ff  ff ff ff ff"
        "01 00 41 01 01 08 00 00 00 04 00 00 00 61 6e 6f 6e  ff ff ff ff ff ff ff ff");
    CreateSubscriptionRequest create{sampleHeader()};
    create.publishingInterval = 250;
    row("CreateSubscription", create.toBody(), "01 00 13 03",
        "00 00 00 00 00 40 6f 40  1e 00 00 00  0a 00 00 00  00 00 00 00  01 00");
    row("CreateMonitoredItems",
        CreateMonitoredItemsRequest{
            sampleHeader(), 7, {{NodeId::string(1, QStringLiteral("A.b")), 5, 50, 10, false}}}
            .toBody(),
        "01 00 ef 02",
        "07 00 00 00  02 00 00 00  01 00 00 00  03 01 00 03 00 00 00 41 2e 62"
        "0d 00 00 00  ff ff ff ff  00 00 ff ff ff ff  02 00 00 00  05 00 00 00"
        "00 00 00 00 00 00 49 40  00 00 00  0a 00 00 00  00");
    row("Publish", PublishRequest{sampleHeader(), {{7, 41}, {7, 42}}}.toBody(), "01 00 3a 03",
        "02000000  07000000 29000000  07000000 2a000000");
    row("DeleteSubscriptions", DeleteSubscriptionsRequest{sampleHeader(), {7}}.toBody(),
        "01 00 4f 03", "01 00 00 00  07 00 00 00");
    row("DeleteMonitoredItems", DeleteMonitoredItemsRequest{sampleHeader(), 7, {9}}.toBody(),
        "01 00 0d 03", "07 00 00 00  01 00 00 00  09 00 00 00");
    // One path: the starting node, two elements of reference type, IsInverse,
    // IncludeSubtypes and target name.
    row("TranslateBrowsePaths",
        TranslateBrowsePathsRequest{
            sampleHeader(),
            {{NodeId::string(1, QStringLiteral("A")),
              {{NodeId::numeric(0, UaReferenceTypeId::HasProperty), false, true,
                QualifiedName{0, QStringLiteral("Max")}},
               {NodeId::numeric(0, 47), true, false, QualifiedName{1, QStringLiteral("B")}}}}}}
            .toBody(),
        "01 00 2a 02",
        "01 00 00 00  03 01 00 01 00 00 00 41  02 00 00 00"
        "00 2e  00 01  00 00 03 00 00 00 4d 61 78  00 2f  01 00  01 00 01 00 00 00 42");
}

void TstOpcUaServices::requestLayout()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);
    QCOMPARE(body.toHex(' '), expected.toHex(' '));
}

void TstOpcUaServices::decodesPublishResponse()
{
    // A data change, an event list the client does not ask for, a status change.
    const QByteArray bytes = publishResponse(3, extensionObject(811, kDataChange) +
                                                    extensionObject(916, hex("00 00 00 00")) +
                                                    extensionObject(820, hex("00 00 0a 80  00")));
    UaDecoder decoder(bytes);
    const PublishResponse response = PublishResponse::decode(decoder);
    QVERIFY(decoder.ok() && decoder.atEnd());
    QCOMPARE(response.subscriptionId, 7u);
    QCOMPARE(response.availableSequenceNumbers, QList<quint32>{3});
    QCOMPARE(response.message.sequenceNumber, 3u);
    QCOMPARE(response.message.dataChanges.size(), 2);
    QCOMPARE(response.message.dataChanges.at(0).clientHandle, 5u);
    QCOMPARE(response.message.dataChanges.at(0).value.value, boolean(true));
    QCOMPARE(response.message.dataChanges.at(1).value.value, boolean(false));
    QCOMPARE(response.message.dataChanges.at(1).value.status, UaStatus::BadOutOfService);
    QCOMPARE(response.message.statusChanges, QList<quint32>{UaStatus::BadTimeout});
    QCOMPARE(response.results, QList<quint32>{UaStatus::Good});
    QVERIFY(!response.message.isKeepAlive());

    UaDecoder keepAliveDecoder(publishResponse(0, {}));
    const PublishResponse keepAlive = PublishResponse::decode(keepAliveDecoder);
    QVERIFY(keepAliveDecoder.ok() && keepAliveDecoder.atEnd());
    QVERIFY(keepAlive.message.isKeepAlive());
}

void TstOpcUaServices::hostilePublishResponseFails_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = publishResponse(1, extensionObject(811, kDataChange));
    for (qsizetype size = 0; size < good.size(); size += 7)
        QTest::addRow("cut at %d", int(size)) << good.left(size);
    QTest::newRow("data count absurd") << publishResponse(0x7fffffff, {});
    QTest::newRow("data count negative") << publishResponse(0xfffffffe, {});
    QTest::newRow("items count absurd")
        << publishResponse(1, extensionObject(811, hex("00 00 00 10") + kDataChange.mid(4)));
    QTest::newRow("body cut inside")
        << publishResponse(1, extensionObject(811, kDataChange.left(14)));
}

void TstOpcUaServices::hostilePublishResponseFails()
{
    QFETCH(QByteArray, bytes);
    UaDecoder decoder(bytes);
    const PublishResponse response = PublishResponse::decode(decoder);
    QVERIFY(UaStatus::isBad(decoder.status()));
    QVERIFY(response.message.dataChanges.size() <= 2);
}

void TstOpcUaServices::decodesTranslateResponse()
{
    // A found path with a target ns=1;i=7 followed to its end, a path without a match, no
    // diagnostics.
    UaDecoder decoder(responseHeader(0) +
                      hex("02 00 00 00  00 00 00 00  01 00 00 00  01 01 07 00") +
                      le32(BrowsePathTarget::kFullyResolved) + le32(UaStatus::BadNoMatch) +
                      hex("ff ff ff ff  ff ff ff ff"));
    const TranslateBrowsePathsResponse response = TranslateBrowsePathsResponse::decode(decoder);
    QVERIFY(decoder.ok() && decoder.atEnd());
    QCOMPARE(response.results.size(), 2);
    QCOMPARE(response.results.at(0).targets.size(), 1);
    QCOMPARE(response.results.at(0).targets.at(0).targetId.nodeId, NodeId::numeric(1, 7));
    QCOMPARE(statusName(response.results.at(1).status), statusName(UaStatus::BadNoMatch));
    // A target count the bytes cannot hold fails before anything is allocated for it.
    UaDecoder hostile(responseHeader(0) + hex("01 00 00 00  00 00 00 00  ff ff ff 0f"));
    TranslateBrowsePathsResponse::decode(hostile);
    QVERIFY(!hostile.ok());
}

void TstOpcUaServices::channelClosesOnServerReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<quint32>("expected"); // BadConnectionClosed: the server hangs up after it
    const auto row = [](const char *name, const QByteArray &reply, quint32 expected) {
        QTest::newRow(name) << reply << expected;
    };
    row("Error message",
        ErrorMessage{UaStatus::BadTcpEndpointUrlInvalid, QStringLiteral("no such endpoint")}
            .toMessage(),
        UaStatus::BadTcpEndpointUrlInvalid);
    row("unknown message type", "XYZF" + le32(8), UaStatus::BadTcpMessageTypeInvalid);
    row("absurd message size", "MSGF" + le32(0x7fffffff), UaStatus::BadTcpMessageTooLarge);
    row("chunk cut short", "OPNF" + le32(12) + le32(0), UaStatus::BadDecodingError);
    row("receive buffer below the minimum", AcknowledgeMessage{0, 1024, 65536, 0, 0}.toMessage(),
        UaStatus::BadConnectionRejected);
    row("send buffer above ours", AcknowledgeMessage{0, 65536, 131072, 0, 0}.toMessage(),
        UaStatus::BadConnectionRejected);
    row("acknowledge twice", kAck + kAck, UaStatus::BadTcpMessageTypeInvalid);
    // The rest of the chunk never comes: the channel must not wait for it.
    row("truncated chunk, then the end", kAck + "OPNF" + le32(200) + hex("01 02 03"),
        UaStatus::BadConnectionClosed);
    Chunk fault;
    fault.type = "OPN";
    fault.body = hex("01 00 8d 01") + responseHeader(UaStatus::BadSecurityModeRejected);
    row("ServiceFault to OpenSecureChannel", kAck + fault.bytes(),
        UaStatus::BadSecurityModeRejected);
    row("OPN response to another request", kAck + openResponse(7), UaStatus::BadUnknownResponse);
    Chunk wrongSequence;
    wrongSequence.sequenceNumber = 3;
    row("sequence number skipped", kAck + openResponse(1) + wrongSequence.bytes(),
        UaStatus::BadSequenceNumberInvalid);
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
    if (expected == UaStatus::BadConnectionClosed)
        server.closeClient();
    QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, kWait);
    QCOMPARE(statusName(closed.first().first().toUInt()), statusName(expected));
    QCOMPARE(channel.state(), UaSecureChannel::State::Closed);
    QCOMPARE(channel.closeReason(), expected == UaStatus::BadTcpEndpointUrlInvalid
                                        ? QStringLiteral("no such endpoint")
                                        : QString());
}

void TstOpcUaServices::undecodableResponseClosesChannel()
{
    FakeUaServer server;
    UaSecureChannel channel;
    QSignalSpy closed(&channel, &UaSecureChannel::closed);
    QVERIFY(openOn(server, channel));
    QCOMPARE(channel.token().channelId, 5u);
    QCOMPARE(channel.token().tokenId, 9u);
    std::optional<UaResponse> response;
    const quint32 requestId =
        channel.send(kReadTypeId, [&response](const UaResponse &r) { response = r; });
    QCOMPARE(requestId, 2u);
    // A type id with an unknown NodeId encoding byte.
    Chunk reply;
    reply.sequenceNumber = 2;
    reply.requestId = requestId;
    reply.body = hex("07 00 00");
    server.send(reply.bytes());
    QTRY_VERIFY_WITH_TIMEOUT(response.has_value(), kWait);
    QCOMPARE(statusName(response->status), statusName(UaStatus::BadDecodingError));
    QCOMPARE(closed.size(), 1);
    QCOMPARE(statusName(closed.first().first().toUInt()), statusName(UaStatus::BadDecodingError));
}

void TstOpcUaServices::requestsTimeOutAndKeepChannel()
{
    FakeUaServer server;
    UaSecureChannel channel;
    QVERIFY(openOn(server, channel));
    std::optional<UaResponse> limited;
    std::optional<UaResponse> unlimited;
    QVERIFY(channel.send(
                kReadTypeId, [&limited](const UaResponse &r) { limited = r; }, 200) != 0);
    QVERIFY(channel.send(kReadTypeId, [&unlimited](const UaResponse &r) { unlimited = r; }) != 0);
    const quint32 waited = channel.send(kReadTypeId);
    QVERIFY(waited != 0);
    QCOMPARE(statusName(channel.waitFor(waited, 200).status), statusName(UaStatus::BadTimeout));
    QTRY_VERIFY_WITH_TIMEOUT(limited.has_value(), kWait);
    QCOMPARE(statusName(limited->status), statusName(UaStatus::BadTimeout));
    QVERIFY(!unlimited.has_value());
    QCOMPARE(channel.state(), UaSecureChannel::State::Open);
    // Closing the channel completes what is still open.
    channel.close();
    QTRY_VERIFY_WITH_TIMEOUT(unlimited.has_value(), kWait);
    QCOMPARE(statusName(unlimited->status), statusName(UaStatus::BadSecureChannelClosed));
    QTRY_VERIFY_WITH_TIMEOUT(server.received().contains("CLOF"), kWait);
}

QTEST_GUILESS_MAIN(TstOpcUaServices)
#include "tst_opcua_services.moc"
