#include "Ansi.h"
#include "AppSettings.h"
#include "PrintControls.h"
#include "TextEncoding.h"

#include <QTest>

using namespace Qt::StringLiterals;

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

// A row of scan(): settings.rawAddCrLf, settings.sonderzeichen and the chkUTF8 box, then the
// bytes expected and whether steuerzeichenNull is set afterwards.
void row(const char *name, QStringView text, int crLf, int escapes, int utf8,
         const QByteArray &bytes, bool zeroFlag = false)
{
    QTest::newRow(name) << text.toString() << crLf << escapes << utf8 << bytes << zeroFlag;
}
} // namespace

class TestTextEncoding : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void scan_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("rawAddCrLf");
        QTest::addColumn<int>("sonderzeichen");
        QTest::addColumn<int>("utf8");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("zeroFlag");

        // Escapes.
        row("default prefix", u"INPUT ON$013SYSVAR(18)=8$013LTS$038 ON$013", 0, 1, 0,
            "INPUT ON\rSYSVAR(18)=8\rLTS& ON\r");
        row("no escape at all", u"Maß 100% & mehr", 0, 1, 0,
            hex("4d61df2031303025202620 6d656872"));
        row("text after the last escape stays", u"A$013B", 0, 1, 0, "A\rB");
        row("escapes in a row", u"$013$010", 0, 1, 0, "\r\n");
        row("any non-zero value switches escapes on", u"$065", 0, -1, 0, "A");
        row("zero adds nothing, sets the flag", u"X$000Y", 0, 1, 0, "XY", true);
        row("bytes 128..255 are the bytes, also where Windows-1252 has no character",
            u"$128$129$141$143$144$157$255", 0, 1, 0, hex("80818d8f909d ff"));
        row("characters around escapes keep the code page", u"€$065ü", 0, 1, 0, hex("8041fc"));
        row("values outside 1..255 add nothing", u"A$999B$-01C$256D", 0, 1, 0, "ABCD");
        row("no number repeats the previous value", u"$065$AB1-", 0, 1, 0, "AA-");
        row("previous value out of range repeats as nothing", u"$-01$AB1z", 0, 1, 0, "z");
        row("dollar at the end, nothing before is 0", u"AB$", 0, 1, 0, "AB", true);
        row("dollar at the end after an escape", u"$065Z$", 0, 1, 0, "AZA");
        row("one character at the end", u"$7", 0, 1, 0, hex("07"));
        row("dollar among the three characters belongs to the escape", u"$065$6$066", 0, 1, 0,
            "AA66");
        row("blanks around the digits and after the sign", u"$ 13$+ 7$13 |", 0, 1, 0, "\r\x07\r|");
        row("blank among digits, point, hex and lone sign are no number", u"$066$1 3$6.5$&HA$ - ",
            0, 1, 0, "BBBBB");

        // Line ends.
        row("LF becomes CR LF", u"A\nB", 1, 0, 0, "A\r\nB\r\n");
        row("one CR anywhere keeps every LF", u"A\rB\nC", 1, 0, 0, "A\rB\nC\r\n");
        row("2 switches the rule on too", u"A\nB", 2, 0, 0, "A\r\nB\r\n");
        row("negative value is off", u"A\nB", -1, 0, 0, "A\nB");
        row("empty text gets CR LF", u"", 1, 0, 0, "\r\n");
        row("empty text gets CR LF in UTF-8 with escapes", u"", 1, 1, 1, "\r\n");
        row("line ends come before the escapes", u"A$010B", 1, 1, 0, "A\nB\r\n");

        // UTF-8.
        row("escape after UTF-8 is one byte", u"ä$196", 0, 1, 1, hex("c3a4c4"));
        row("greyed box counts as ticked", u"€", 0, 1, 2, hex("e282ac"));
        row("neither UTF-8 nor escapes", u"ä$065", 0, 0, 0, hex("e4 24303635"));
        row("all three rules", u"ä\n$065", 1, 1, 1, hex("c3a4 0d0a 41 0d0a"));
    }
    void scan()
    {
        QFETCH(QString, text);
        QFETCH(int, rawAddCrLf);
        QFETCH(int, sonderzeichen);
        QFETCH(int, utf8);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, zeroFlag);
        PrintControls controls;
        QVERIFY(controls.setCheck(PrintControls::CheckBox::chkUTF8, utf8));

        const QString result = TextEncoding::scanSteuerzeichen(
            text, settingsWith(rawAddCrLf, sonderzeichen), controls);

        QCOMPARE(TextEncoding::bytesOf(result), bytes);
        QCOMPARE(result, Ansi::decode(bytes)); // one character per byte
        QCOMPARE(controls.steuerzeichenNull, zeroFlag);
        // Once set, the flag stays until the caller clears it.
        TextEncoding::scanSteuerzeichen(u"$065"_s, settingsWith(0, 1), controls);
        QCOMPARE(controls.steuerzeichenNull, zeroFlag);
    }

    // toUtf8 is encodeText with code page 65001.
    void encodeText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QByteArray>("bytes");
        const QString mixed = u"Aä€"_s;
        QTest::newRow("-1 is the ANSI code page") << mixed << -1 << hex("41e480");
        QTest::newRow("ANSI lacks the character") << u"AЖ"_s << -1 << hex("413f");
        QTest::newRow("1251") << u"Ж€"_s << 1251 << hex("c688");
        QTest::newRow("1 is the OEM code page") << u"äЖ"_s << 1 << hex("843f");
        QTest::newRow("unknown code page falls back to ANSI") << mixed << 12345 << hex("41e480");
        QTest::newRow("NUL ends the text") << u"A\0B"_s << -1 << hex("41");
        QTest::newRow("65001") << mixed << 65001 << hex("41c3a4e282ac");
        QTest::newRow("UTF-8, empty") << QString() << 65001 << QByteArray();
        QTest::newRow("UTF-8, outside the BMP") << u"\U0001F600"_s << 65001 << hex("f09f9880");
        QTest::newRow("UTF-8, unpaired surrogate")
            << QString(QChar(0xD800)) << 65001 << hex("efbfbd");
        QTest::newRow("UTF-8, NUL ends the text") << u"a\0b"_s << 65001 << hex("61");
    }
    void encodeText()
    {
        QFETCH(QString, text);
        QFETCH(int, codePage);
        QFETCH(QByteArray, bytes);
        const QString result = TextEncoding::encodeText(text, codePage, 0);
        QCOMPARE(TextEncoding::bytesOf(result), bytes);
        QCOMPARE(result, Ansi::decode(bytes)); // one character per byte
        if (codePage == 65001)
            QCOMPARE(TextEncoding::toUtf8(text), result);
    }
};

QTEST_GUILESS_MAIN(TestTextEncoding)
#include "tst_textencoding.moc"
