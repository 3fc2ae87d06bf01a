#include "ExpandedNodeId.h"
#include "StatusCodes.h"
#include "UaBytes.h"
#include "UaDecoder.h"
#include "UaEncoder.h"

#include <QTest>

using UaBytes::hex;

// Lets QCOMPARE show the NodeIds it compares.
char *toString(const NodeId &id)
{
    return qstrdup(id.toString().toUtf8().constData());
}

namespace {
const QUuid kGuid(QStringLiteral("72962B91-FA75-4AE6-8D28-B404DC7DAF63"));
}

// NodeId in its wire forms (OPC 10000-6, 5.2.2.9), ExpandedNodeId's flags (5.2.2.10) and
// the text form "ns=<n>;<type>=<identifier>" (5.3.1.10).
class TstOpcUaNodeId : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void binary_data();
    void binary();
    void text_data();
    void text();
};

void TstOpcUaNodeId::binary_data()
{
    QTest::addColumn<ExpandedNodeId>("id");
    QTest::addColumn<QByteArray>("bytes");
    const auto plain = [](const NodeId &id) {
        return ExpandedNodeId{id, {}, 0};
    };
    // The examples of the figures of OPC 10000-6, 5.2.2.9.
    QTest::newRow("two-byte i=72") << plain(NodeId::numeric(0, 72)) << hex("00 48");
    QTest::newRow("four-byte ns=5;i=1025") << plain(NodeId::numeric(5, 1025)) << hex("01 05 01 04");
    QTest::newRow("string ns=1;s=Hot水") << plain(NodeId::string(1, QStringLiteral("Hot水")))
                                         << hex("03 01 00 06 00 00 00 48 6f 74 e6 b0 b4");
    // Where one form ends and the next begins.
    QTest::newRow("i=255") << plain(NodeId::numeric(0, 255)) << hex("00 ff");
    QTest::newRow("i=256") << plain(NodeId::numeric(0, 256)) << hex("01 00 00 01");
    QTest::newRow("ns=255;i=65535") << plain(NodeId::numeric(255, 65535)) << hex("01 ff ff ff");
    QTest::newRow("ns=256;i=1") << plain(NodeId::numeric(256, 1)) << hex("02 00 01 01 00 00 00");
    QTest::newRow("i=65536") << plain(NodeId::numeric(0, 65536)) << hex("02 00 00 00 00 01 00");
    QTest::newRow("guid") << plain(NodeId::guid(1, kGuid))
                          << hex("04 01 00 91 2b 96 72 75 fa e6 4a 8d 28 b4 04 dc 7d af 63");
    QTest::newRow("opaque") << plain(NodeId::opaque(2, hex("de ad")))
                            << hex("05 02 00 02 00 00 00 de ad");
    QTest::newRow("namespace URI") << ExpandedNodeId{NodeId::numeric(0, 72), QStringLiteral("u"), 0}
                                   << hex("80 48 01 00 00 00 75");
    QTest::newRow("server index") << ExpandedNodeId{NodeId::numeric(5, 1025), {}, 2}
                                  << hex("41 05 01 04 02 00 00 00");
}

void TstOpcUaNodeId::binary()
{
    QFETCH(ExpandedNodeId, id);
    QFETCH(QByteArray, bytes);
    UaEncoder encoder;
    ExpandedNodeId::encode(encoder, id);
    QCOMPARE(encoder.data().toHex(' '), bytes.toHex(' '));
    UaDecoder decoder(bytes);
    const ExpandedNodeId decoded = ExpandedNodeId::decode(decoder);
    QCOMPARE(decoded.nodeId, id.nodeId);
    QVERIFY(decoded == id);
    QCOMPARE(decoder.status(), UaStatus::Good);
    QVERIFY(decoder.atEnd());
    // A plain NodeId reads the same bytes unless they carry the flags of an ExpandedNodeId.
    UaDecoder plainDecoder(bytes);
    NodeId::decode(plainDecoder);
    const bool flagged = !id.namespaceUri.isNull() || id.serverIndex != 0;
    QCOMPARE(plainDecoder.status(), flagged ? UaStatus::BadDecodingError : UaStatus::Good);
}

void TstOpcUaNodeId::text_data()
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

void TstOpcUaNodeId::text()
{
    QFETCH(QString, text);
    QFETCH(NodeId, id);
    QFETCH(QString, formatted);
    const std::optional<NodeId> parsed = NodeId::parse(text);
    QCOMPARE(parsed.has_value(), !id.isNull());
    if (!parsed)
        return;
    QCOMPARE(*parsed, id);
    QCOMPARE(id.toString(), formatted);
}

QTEST_GUILESS_MAIN(TstOpcUaNodeId)
#include "tst_opcua_nodeid.moc"
