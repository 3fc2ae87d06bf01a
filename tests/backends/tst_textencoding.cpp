#include "Ansi.h"
#include "AppSettings.h"
#include "PrintControls.h"
#include "TextEncoding.h"

#include <QTest>

using CheckBox = PrintControls::CheckBox;

class TestTextEncoding : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scan_data();
    void scan();
    void zeroFlagIsNeverCleared();
    void utf8BoxIsReadAtEveryCall();
    void toUtf8_data();
    void toUtf8();
    void encodeText_data();
    void encodeText();
};

namespace {
QByteArray hex(const char *h)
{
    return QByteArray::fromHex(h);
}

AppSettings settingsWith(int rawAddCrLf, int sonderzeichen)
{
    AppSettings s;
    s.rawAddCrLf = rawAddCrLf;
    s.sonderzeichen = sonderzeichen;
    return s;
}
} // namespace

void TestTextEncoding::scan_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("rawAddCrLf");
    QTest::addColumn<int>("sonderzeichen");
    QTest::addColumn<int>("utf8");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("zeroFlag");

    // Escapes.
    QTest::newRow("default prefix")
        << QStringLiteral("INPUT ON$013SYSVAR(18)=8$013LTS$038 ON$013") << 0 << 1 << 0
        << QByteArrayLiteral("INPUT ON\rSYSVAR(18)=8\rLTS& ON\r") << false;
    QTest::newRow("escape between text")
        << QStringLiteral("AB$065CD") << 0 << 1 << 0 << QByteArrayLiteral("ABACD") << false;
    QTest::newRow("text after the last escape stays")
        << QStringLiteral("A$013B") << 0 << 1 << 0 << QByteArrayLiteral("A\rB") << false;
    QTest::newRow("escapes in a row")
        << QStringLiteral("$013$010") << 0 << 1 << 0 << QByteArrayLiteral("\r\n") << false;
    QTest::newRow("no escape at all") << QStringLiteral(u"Maß 100% & mehr") << 0 << 1 << 0
                                      << hex("4d61df2031303025202620 6d656872") << false;
    QTest::newRow("any non-zero value switches escapes on")
        << QStringLiteral("$065") << 0 << -1 << 0 << QByteArrayLiteral("A") << false;
    QTest::newRow("literal dollar")
        << QStringLiteral("US$036") << 0 << 1 << 0 << QByteArrayLiteral("US$") << false;
    QTest::newRow("zero adds nothing, sets the flag")
        << QStringLiteral("X$000Y") << 0 << 1 << 0 << QByteArrayLiteral("XY") << true;
    QTest::newRow("byte 128 is the byte, not the euro sign's")
        << QStringLiteral("$128") << 0 << 1 << 0 << hex("80") << false;
    QTest::newRow("bytes Windows-1252 leaves undefined")
        << QStringLiteral("$129$141$143$144$157") << 0 << 1 << 0 << hex("818d8f909d") << false;
    QTest::newRow("255 is the last byte")
        << QStringLiteral("$255") << 0 << 1 << 0 << hex("ff") << false;

    // Values outside 1..255 and texts that are no number.
    QTest::newRow("999 adds nothing")
        << QStringLiteral("A$999B") << 0 << 1 << 0 << QByteArrayLiteral("AB") << false;
    QTest::newRow("256 adds nothing")
        << QStringLiteral("A$256B") << 0 << 1 << 0 << QByteArrayLiteral("AB") << false;
    QTest::newRow("-01 adds nothing")
        << QStringLiteral("A$-01B") << 0 << 1 << 0 << QByteArrayLiteral("AB") << false;
    QTest::newRow("no number repeats the previous value")
        << QStringLiteral("$065$AB1-") << 0 << 1 << 0 << QByteArrayLiteral("AA-") << false;
    QTest::newRow("no number and no previous escape is 0")
        << QStringLiteral("x$AB1y") << 0 << 1 << 0 << QByteArrayLiteral("xy") << true;
    QTest::newRow("previous value out of range repeats as nothing")
        << QStringLiteral("$-01$AB1z") << 0 << 1 << 0 << QByteArrayLiteral("z") << false;
    QTest::newRow("repeated value is the last number read")
        << QStringLiteral("$066$xyz$065$xyz") << 0 << 1 << 0 << QByteArrayLiteral("BBAA") << false;
    QTest::newRow("dollar at the end, nothing before")
        << QStringLiteral("AB$") << 0 << 1 << 0 << QByteArrayLiteral("AB") << true;
    QTest::newRow("dollar at the end after an escape")
        << QStringLiteral("$065Z$") << 0 << 1 << 0 << QByteArrayLiteral("AZA") << false;
    QTest::newRow("one character at the end")
        << QStringLiteral("$7") << 0 << 1 << 0 << hex("07") << false;
    QTest::newRow("dollar among the three characters belongs to the escape")
        << QStringLiteral("$065$6$066") << 0 << 1 << 0 << QByteArrayLiteral("AA66") << false;
    QTest::newRow("dollar right after dollar")
        << QStringLiteral("$$65X") << 0 << 1 << 0 << QByteArrayLiteral("X") << true;
    QTest::newRow("four characters are consumed even when short")
        << QStringLiteral("$1AB") << 0 << 1 << 0 << QByteArray() << true;
    QTest::newRow("blank before the digits")
        << QStringLiteral("$ 13|") << 0 << 1 << 0 << QByteArrayLiteral("\r|") << false;
    QTest::newRow("blank after the digits")
        << QStringLiteral("$13 |") << 0 << 1 << 0 << QByteArrayLiteral("\r|") << false;
    QTest::newRow("blank between sign and digit")
        << QStringLiteral("$+ 7") << 0 << 1 << 0 << hex("07") << false;
    QTest::newRow("plus sign") << QStringLiteral("$+65") << 0 << 1 << 0 << QByteArrayLiteral("A")
                               << false;
    QTest::newRow("blank between the digits is no number")
        << QStringLiteral("$066$1 3") << 0 << 1 << 0 << QByteArrayLiteral("BB") << false;
    QTest::newRow("decimal point is no number")
        << QStringLiteral("$066$6.5") << 0 << 1 << 0 << QByteArrayLiteral("BB") << false;
    QTest::newRow("hexadecimal is no number")
        << QStringLiteral("$066$&HA") << 0 << 1 << 0 << QByteArrayLiteral("BB") << false;
    QTest::newRow("sign alone is no number")
        << QStringLiteral("$066$ - ") << 0 << 1 << 0 << QByteArrayLiteral("BB") << false;
    QTest::newRow("ordinary characters around escapes keep the code page")
        << QStringLiteral(u"€$065ü") << 0 << 1 << 0 << hex("8041fc") << false;

    // Line ends.
    QTest::newRow("LF becomes CR LF")
        << QStringLiteral("A\nB") << 1 << 0 << 0 << QByteArrayLiteral("A\r\nB\r\n") << false;
    QTest::newRow("CR LF is not doubled")
        << QStringLiteral("A\r\nB") << 1 << 0 << 0 << QByteArrayLiteral("A\r\nB\r\n") << false;
    QTest::newRow("one CR anywhere keeps every LF")
        << QStringLiteral("A\rB\nC") << 1 << 0 << 0 << QByteArrayLiteral("A\rB\nC\r\n") << false;
    QTest::newRow("text without line ends gets one")
        << QStringLiteral("ABC") << 1 << 0 << 0 << QByteArrayLiteral("ABC\r\n") << false;
    QTest::newRow("empty text gets CR LF")
        << QString() << 1 << 0 << 0 << QByteArrayLiteral("\r\n") << false;
    QTest::newRow("empty text gets CR LF in UTF-8 too")
        << QString() << 1 << 0 << 1 << QByteArrayLiteral("\r\n") << false;
    QTest::newRow("empty text gets CR LF with escapes")
        << QString() << 1 << 1 << 0 << QByteArrayLiteral("\r\n") << false;
    QTest::newRow("2 switches the rule on too")
        << QStringLiteral("A\nB") << 2 << 0 << 0 << QByteArrayLiteral("A\r\nB\r\n") << false;
    QTest::newRow("rule off leaves LF")
        << QStringLiteral("A\nB") << 0 << 0 << 0 << QByteArrayLiteral("A\nB") << false;
    QTest::newRow("negative value is off")
        << QStringLiteral("A\nB") << -1 << 0 << 0 << QByteArrayLiteral("A\nB") << false;
    QTest::newRow("line ends come before the escapes")
        << QStringLiteral("A$010B") << 1 << 1 << 0 << QByteArrayLiteral("A\nB\r\n") << false;
    QTest::newRow("added CR belongs to a short escape at the end")
        << QStringLiteral("A$06") << 1 << 1 << 0 << QByteArrayLiteral("A\n") << true;

    // UTF-8.
    QTest::newRow("umlaut in UTF-8") << QStringLiteral(u"ä") << 0 << 1 << 1 << hex("c3a4") << false;
    QTest::newRow("escape after UTF-8 is one byte")
        << QStringLiteral(u"ä$196") << 0 << 1 << 1 << hex("c3a4c4") << false;
    QTest::newRow("greyed box counts as ticked")
        << QStringLiteral(u"ä") << 0 << 1 << 2 << hex("c3a4") << false;
    QTest::newRow("UTF-8 with escapes off")
        << QStringLiteral(u"ä$065") << 0 << 0 << 1 << hex("c3a4 24303635") << false;
    QTest::newRow("neither UTF-8 nor escapes")
        << QStringLiteral(u"ä$065") << 0 << 0 << 0 << hex("e4 24303635") << false;
    QTest::newRow("character outside Windows-1252 in UTF-8")
        << QStringLiteral(u"Ж") << 0 << 1 << 1 << hex("d096") << false;
    QTest::newRow("all three rules")
        << QStringLiteral(u"ä\n$065") << 1 << 1 << 1 << hex("c3a4 0d0a 41 0d0a") << false;
    QTest::newRow("UTF-8 byte after a dollar is no number")
        << QStringLiteral(u"$066$ä") << 0 << 1 << 1 << QByteArrayLiteral("BB") << false;
}

void TestTextEncoding::scan()
{
    QFETCH(QString, text);
    QFETCH(int, rawAddCrLf);
    QFETCH(int, sonderzeichen);
    QFETCH(int, utf8);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, zeroFlag);

    const AppSettings settings = settingsWith(rawAddCrLf, sonderzeichen);
    PrintControls controls;
    QVERIFY(controls.setCheck(CheckBox::chkUTF8, utf8));

    const QString result = TextEncoding::scanSteuerzeichen(text, settings, controls);

    QCOMPARE(TextEncoding::bytesOf(result), bytes);
    QCOMPARE(result, Ansi::decode(bytes)); // one character per byte
    QCOMPARE(controls.steuerzeichenNull, zeroFlag);
}

void TestTextEncoding::zeroFlagIsNeverCleared()
{
    PrintControls controls;
    const AppSettings escapes = settingsWith(0, 1);
    TextEncoding::scanSteuerzeichen(QStringLiteral("$000"), escapes, controls);
    QVERIFY(controls.steuerzeichenNull);

    TextEncoding::scanSteuerzeichen(QStringLiteral("$065"), escapes, controls);
    QVERIFY(controls.steuerzeichenNull);
    TextEncoding::scanSteuerzeichen(QStringLiteral("plain"), settingsWith(1, 0), controls);
    QVERIFY(controls.steuerzeichenNull);
}

void TestTextEncoding::utf8BoxIsReadAtEveryCall()
{
    PrintControls controls;
    const AppSettings settings = settingsWith(0, 1);
    const QString text = QStringLiteral(u"ö");

    QCOMPARE(TextEncoding::bytesOf(TextEncoding::scanSteuerzeichen(text, settings, controls)),
             hex("f6"));
    QVERIFY(controls.setCheck(CheckBox::chkUTF8, 1));
    QCOMPARE(TextEncoding::bytesOf(TextEncoding::scanSteuerzeichen(text, settings, controls)),
             hex("c3b6"));
    QVERIFY(controls.setCheck(CheckBox::chkUTF8, 0));
    QCOMPARE(TextEncoding::bytesOf(TextEncoding::scanSteuerzeichen(text, settings, controls)),
             hex("f6"));
}

void TestTextEncoding::toUtf8_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("ASCII") << QStringLiteral("A1$") << QByteArrayLiteral("A1$");
    QTest::newRow("umlaut") << QStringLiteral(u"ä") << hex("c3a4");
    QTest::newRow("euro sign") << QStringLiteral(u"€") << hex("e282ac");
    QTest::newRow("CJK") << QStringLiteral(u"中") << hex("e4b8ad");
    QTest::newRow("outside the BMP") << QStringLiteral(u"\U0001F600") << hex("f09f9880");
    QTest::newRow("unpaired surrogate") << QString(QChar(0xD800)) << hex("efbfbd");
    QTest::newRow("NUL ends the text") << QStringLiteral(u"a\0b") << QByteArrayLiteral("a");
}

void TestTextEncoding::toUtf8()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const QString result = TextEncoding::toUtf8(text);
    QCOMPARE(result.size(), bytes.size());
    QCOMPARE(TextEncoding::bytesOf(result), bytes);
}

void TestTextEncoding::encodeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("codePage");
    QTest::addColumn<int>("flags");
    QTest::addColumn<QByteArray>("bytes");

    const QString mixed = QStringLiteral(u"Aä€");
    QTest::newRow("-1 is the ANSI code page") << mixed << -1 << 0 << hex("41e480");
    QTest::newRow("0 is the ANSI code page") << mixed << 0 << 0 << hex("41e480");
    QTest::newRow("1252") << mixed << 1252 << 0 << hex("41e480");
    QTest::newRow("ANSI lacks the character") << QStringLiteral(u"AЖ") << -1 << 0 << hex("413f");
    QTest::newRow("65001") << mixed << 65001 << 0 << hex("41c3a4e282ac");
    QTest::newRow("1251") << QStringLiteral(u"Ж€") << 1251 << 0 << hex("c688");
    QTest::newRow("850") << QStringLiteral(u"Aä") << 850 << 0 << hex("4184");
    QTest::newRow("850 lacks the characters") << QStringLiteral(u"Ж€") << 850 << 0 << hex("3f3f");
    QTest::newRow("1 is the OEM code page") << QStringLiteral(u"ä") << 1 << 0 << hex("84");
    QTest::newRow("936") << QStringLiteral(u"中") << 936 << 0 << hex("d6d0");
    QTest::newRow("932 lacks the character")
        << QStringLiteral(u"中ä") << 932 << 0 << hex("9286 3f");
    QTest::newRow("28591") << QStringLiteral(u"Aä") << 28591 << 0 << hex("41e4");
    QTest::newRow("28605") << QStringLiteral(u"€") << 28605 << 0 << hex("a4");
    QTest::newRow("20127") << QStringLiteral(u"Aä") << 20127 << 0 << hex("413f");
    QTest::newRow("1200") << QStringLiteral(u"Aä") << 1200 << 0 << hex("4100e400");
    QTest::newRow("unknown code page falls back to ANSI") << mixed << 12345 << 0 << hex("41e480");
    QTest::newRow("flags change nothing") << QStringLiteral(u"Ā") << 1252 << 0x400 << hex("3f");
    QTest::newRow("empty") << QString() << 1251 << 0 << QByteArray();
    QTest::newRow("NUL ends the text") << QStringLiteral(u"A\0B") << -1 << 0 << hex("41");
}

void TestTextEncoding::encodeText()
{
    QFETCH(QString, text);
    QFETCH(int, codePage);
    QFETCH(int, flags);
    QFETCH(QByteArray, bytes);
    const QString result = TextEncoding::encodeText(text, codePage, flags);
    QCOMPARE(TextEncoding::bytesOf(result), bytes);
    QCOMPARE(result, Ansi::decode(bytes));
}

QTEST_GUILESS_MAIN(TestTextEncoding)
#include "tst_textencoding.moc"
