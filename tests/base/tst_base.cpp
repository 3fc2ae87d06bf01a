#include "Ansi.h"
#include "LogTail.h"
#include "PrintControls.h"
#include "RegionalFormat.h"
#include "VbConvert.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestBase : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ansiRoundTripsEveryByte();
    void ansiCharacters_data();
    void ansiCharacters();
    void leadingNumber_data();
    void leadingNumber();
    void toInt16_data();
    void toInt16();
    void checkBoxRefusesOutOfRange();
    void regionalFormat_data();
    void regionalFormat();
    void logTailReadsOnlyWhatWasAppended();
};

void TestBase::ansiRoundTripsEveryByte()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    const QString text = Ansi::decode(all);
    QCOMPARE(text.size(), 256);
    QCOMPARE(Ansi::encode(text), all);
}

void TestBase::ansiCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("umlauts") << QStringLiteral("Prägung Öl ß")
                             << QByteArray("Pr\xe4gung \xd6l \xdf");
    QTest::newRow("euro and quotes") << QStringLiteral("€ „x“") << QByteArray("\x80 \x84x\x93");
    QTest::newRow("degree sign") << QStringLiteral("°") << QByteArray("\xb0");
    QTest::newRow("outside the code page") << QStringLiteral("中x") << QByteArray("?x");
}

void TestBase::ansiCharacters()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Ansi::encode(text), bytes);
    if (Ansi::isEncodable(text))
        QCOMPARE(Ansi::decode(bytes), text);
}

void TestBase::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << QStringLiteral("30") << 30.0;
    QTest::newRow("blanks inside") << QStringLiteral(" 1 2 ") << 12.0;
    QTest::newRow("text after") << QStringLiteral("14 Tage") << 14.0;
    QTest::newRow("no number") << QStringLiteral("abc") << 0.0;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("fraction") << QStringLiteral("2.5x") << 2.5;
    QTest::newRow("sign") << QStringLiteral("-7") << -7.0;
    QTest::newRow("exponent") << QStringLiteral("1E2") << 100.0;
    QTest::newRow("dangling exponent") << QStringLiteral("3E") << 3.0;
    QTest::newRow("hexadecimal") << QStringLiteral("&H1F") << 31.0;
    QTest::newRow("second point ends") << QStringLiteral("1.2.3") << 1.2;
}

void TestBase::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(VbConvert::leadingNumber(text), value);
}

void TestBase::toInt16_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -99999: no value
    QTest::newRow("one") << QStringLiteral("1") << 1;
    QTest::newRow("blanks around") << QStringLiteral(" 2 ") << 2;
    QTest::newRow("half rounds to even, down") << QStringLiteral("0.5") << 0;
    QTest::newRow("half rounds to even, up") << QStringLiteral("1.5") << 2;
    QTest::newRow("empty") << QString() << -99999;
    QTest::newRow("text") << QStringLiteral("ja") << -99999;
    QTest::newRow("trailing text") << QStringLiteral("1x") << -99999;
    QTest::newRow("largest") << QStringLiteral("32767") << 32767;
    QTest::newRow("overflow") << QStringLiteral("32768") << -99999;
    QTest::newRow("smallest") << QStringLiteral("-32768") << -32768;
}

void TestBase::toInt16()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(VbConvert::toInt16(text).value_or(-99999), value);
}

void TestBase::checkBoxRefusesOutOfRange()
{
    PrintControls c;
    QSignalSpy spy(&c, &PrintControls::checkChanged);
    QVERIFY(c.setCheck(PrintControls::CheckBox::chkPrintRAW, 2));
    QVERIFY(!c.setCheck(PrintControls::CheckBox::chkPrintRAW, 3));
    QVERIFY(!c.setCheck(PrintControls::CheckBox::chkPrintRAW, -1));
    QCOMPARE(c.check(PrintControls::CheckBox::chkPrintRAW), 2);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(PrintControls::name(PrintControls::CheckBox::chkPrintRAW),
             QStringLiteral("chkPrintRAW"));
}

void TestBase::regionalFormat_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    // Four-digit years and no time zone, whatever the locale's own short and long formats.
    QTest::newRow("German") << QStringLiteral("de_DE") << QStringLiteral("04.12.2026")
                            << QStringLiteral("15:48:23");
    QTest::newRow("US") << QStringLiteral("en_US") << QStringLiteral("12/4/2026")
                        << QStringLiteral("3:48:23 PM");
    QTest::newRow("zone first") << QStringLiteral("zh_CN") << QStringLiteral("2026/12/4")
                                << QStringLiteral("15:48:23");
}

void TestBase::regionalFormat()
{
    QFETCH(QString, locale);
    const QLocale l(locale);
    QTEST(RegionalFormat::shortDate(QDate(2026, 12, 4), l), "date");
    QTEST(RegionalFormat::longTime(QTime(15, 48, 23, 999), l), "time");
}

void TestBase::logTailReadsOnlyWhatWasAppended()
{
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("log.dat"));
    const auto write = [](const QString &path, const QByteArray &bytes, QIODevice::OpenMode mode) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly | mode) && f.write(bytes) == bytes.size();
    };
    LogTail tail;
    LogTail::Update u;
    const auto step = [&](bool whole, const QString &text) {
        return !tail.read(log, u) && u.whole == whole && u.text == text;
    };
    QVERIFY(tail.read(log, u).has_value()); // no file yet
    QVERIFY(write(log,
                  "Gr\xfc\xdf"
                  "e\r\r\n",
                  QIODevice::Truncate));
    QVERIFY(step(true, QStringLiteral("Grüße\r\r\n")));
    QVERIFY(write(log, "b\r\r\n", QIODevice::Append));
    QVERIFY(step(false, QStringLiteral("b\r\r\n")));
    QVERIFY(step(false, QString()));
    // A rollover starts a smaller file; a file put in the log's place is another file.
    QVERIFY(write(log, "c", QIODevice::Truncate));
    QVERIFY(step(true, QStringLiteral("c")));
    const QString other = dir.filePath(QStringLiteral("other"));
    QVERIFY(write(other, "longer than before", QIODevice::Truncate));
    QVERIFY(QFile::remove(log) && QFile::rename(other, log));
    QVERIFY(step(true, QStringLiteral("longer than before")));
}

QTEST_GUILESS_MAIN(TestBase)
#include "tst_base.moc"
