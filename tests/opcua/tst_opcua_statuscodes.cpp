#include "StatusCodes.h"

#include <QTest>

// Status code names and numbers, each number taken from the OPC UA status code
// table (OPC 10000-6, Annex A.2, StatusCode.csv); severity from the top two bits.
class TstOpcUaStatusCodes : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void codes_data();
    void codes();
};

void TstOpcUaStatusCodes::codes_data()
{
    QTest::addColumn<quint32>("code");
    QTest::addColumn<quint32>("specified");
    QTest::addColumn<QString>("name");
    QTest::addColumn<char>("severity");
#define ROW(symbol, number, severity)                                                              \
    QTest::newRow(#symbol) << UaStatus::symbol << quint32(number) << QStringLiteral(#symbol)       \
                           << severity
    ROW(Good, 0x00000000, 'G');
    ROW(Uncertain, 0x40000000, 'U');
    ROW(Bad, 0x80000000, 'B');
    ROW(GoodClamped, 0x00300000, 'G');
    ROW(UncertainLastUsableValue, 0x40900000, 'U');
    ROW(UncertainInitialValue, 0x40920000, 'U');
    ROW(UncertainDataSubNormal, 0x40A40000, 'U');
    ROW(BadUnexpectedError, 0x80010000, 'B');
    ROW(BadInternalError, 0x80020000, 'B');
    ROW(BadOutOfMemory, 0x80030000, 'B');
    ROW(BadCommunicationError, 0x80050000, 'B');
    ROW(BadEncodingError, 0x80060000, 'B');
    ROW(BadDecodingError, 0x80070000, 'B');
    ROW(BadEncodingLimitsExceeded, 0x80080000, 'B');
    ROW(BadTimeout, 0x800A0000, 'B');
    ROW(BadServiceUnsupported, 0x800B0000, 'B');
    ROW(BadShutdown, 0x800C0000, 'B');
    ROW(BadServerNotConnected, 0x800D0000, 'B');
    ROW(BadNothingToDo, 0x800F0000, 'B');
    ROW(BadTooManyOperations, 0x80100000, 'B');
    ROW(BadSecureChannelIdInvalid, 0x80220000, 'B');
    ROW(BadSecureChannelClosed, 0x80860000, 'B');
    ROW(BadSessionIdInvalid, 0x80250000, 'B');
    ROW(BadSessionClosed, 0x80260000, 'B');
    ROW(BadSessionNotActivated, 0x80270000, 'B');
    ROW(BadSubscriptionIdInvalid, 0x80280000, 'B');
    ROW(BadNodeIdInvalid, 0x80330000, 'B');
    ROW(BadNodeIdUnknown, 0x80340000, 'B');
    ROW(BadAttributeIdInvalid, 0x80350000, 'B');
    ROW(BadNotReadable, 0x803A0000, 'B');
    ROW(BadNotWritable, 0x803B0000, 'B');
    ROW(BadOutOfRange, 0x803C0000, 'B');
    ROW(BadTypeMismatch, 0x80740000, 'B');
    ROW(BadWriteNotSupported, 0x80730000, 'B');
    ROW(BadTcpMessageTypeInvalid, 0x807E0000, 'B');
    ROW(BadTcpMessageTooLarge, 0x80800000, 'B');
    ROW(BadTcpEndpointUrlInvalid, 0x80830000, 'B');
    ROW(BadRequestTooLarge, 0x80B80000, 'B');
    ROW(BadResponseTooLarge, 0x80B90000, 'B');
    ROW(BadSequenceNumberInvalid, 0x80880000, 'B');
    ROW(BadConnectionClosed, 0x80AE0000, 'B');
    ROW(BadNoSubscription, 0x80790000, 'B');
    ROW(BadTooManyPublishRequests, 0x80780000, 'B');
    ROW(BadIdentityTokenInvalid, 0x80200000, 'B');
    ROW(BadUserAccessDenied, 0x801F0000, 'B');
    ROW(BadInvalidArgument, 0x80AB0000, 'B');
    ROW(BadInvalidState, 0x80AF0000, 'B');
    ROW(BadSecurityPolicyRejected, 0x80550000, 'B');
    ROW(BadProtocolVersionUnsupported, 0x80BE0000, 'B');
    ROW(BadConnectionRejected, 0x80AC0000, 'B');
#undef ROW
    // Info bits do not change the code; unknown codes are shown in hex; severity 11 is Bad.
    QTest::newRow("info bits") << quint32(0x80340400) << quint32(0x80340400)
                               << QStringLiteral("BadNodeIdUnknown") << 'B';
    QTest::newRow("unknown code") << quint32(0x0F000012) << quint32(0x0F000012)
                                  << QStringLiteral("0x0F000012") << 'G';
    QTest::newRow("reserved severity")
        << quint32(0xC1230000) << quint32(0xC1230000) << QStringLiteral("0xC1230000") << 'B';
}

void TstOpcUaStatusCodes::codes()
{
    QFETCH(quint32, code);
    QFETCH(quint32, specified);
    QFETCH(QString, name);
    QFETCH(char, severity);
    QCOMPARE(code, specified);
    QCOMPARE(UaStatus::name(code), name);
    QCOMPARE(UaStatus::isGood(code), severity == 'G');
    QCOMPARE(UaStatus::isUncertain(code), severity == 'U');
    QCOMPARE(UaStatus::isBad(code), severity == 'B');
}

QTEST_GUILESS_MAIN(TstOpcUaStatusCodes)
#include "tst_opcua_statuscodes.moc"
