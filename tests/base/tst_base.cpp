#include "Ansi.h"
#include "LogTail.h"
#include "PrintControls.h"
#include "RegionalFormat.h"
#include "VbConvert.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestBase : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void ansiRoundTripsEveryByte()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = Ansi::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(Ansi::encode(text), all);
    }

    void ansiCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("umlauts") << u"Prägung Öl ß"_s << QByteArray("Pr\xe4gung \xd6l \xdf");
        QTest::newRow("euro and quotes") << u"€ „x“"_s << QByteArray("\x80 \x84x\x93");
        QTest::newRow("degree sign") << u"°"_s << QByteArray("\xb0");
        QTest::newRow("outside the code page") << u"中x"_s << QByteArray("?x");
    }
    void ansiCharacters()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(Ansi::encode(text), bytes);
        if (Ansi::isEncodable(text))
            QCOMPARE(Ansi::decode(bytes), text);
    }

    void leadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("plain") << u"30"_s << 30.0;
        QTest::newRow("blanks inside") << u" 1 2 "_s << 12.0;
        QTest::newRow("text after") << u"14 Tage"_s << 14.0;
        QTest::newRow("no number") << u"abc"_s << 0.0;
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("fraction") << u"2.5x"_s << 2.5;
        QTest::newRow("sign") << u"-7"_s << -7.0;
        QTest::newRow("exponent") << u"1E2"_s << 100.0;
        QTest::newRow("dangling exponent") << u"3E"_s << 3.0;
        QTest::newRow("hexadecimal") << u"&H1F"_s << 31.0;
        QTest::newRow("second point ends") << u"1.2.3"_s << 1.2;
    }
    void leadingNumber()
    {
        QFETCH(QString, text);
        QTEST(VbConvert::leadingNumber(text), "value");
    }

    void toInt16_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value"); // -99999: no value
        QTest::newRow("one") << u"1"_s << 1;
        QTest::newRow("blanks around") << u" 2 "_s << 2;
        QTest::newRow("half rounds to even, down") << u"0.5"_s << 0;
        QTest::newRow("half rounds to even, up") << u"1.5"_s << 2;
        QTest::newRow("empty") << QString() << -99999;
        QTest::newRow("text") << u"ja"_s << -99999;
        QTest::newRow("trailing text") << u"1x"_s << -99999;
        QTest::newRow("largest") << u"32767"_s << 32767;
        QTest::newRow("overflow") << u"32768"_s << -99999;
        QTest::newRow("smallest") << u"-32768"_s << -32768;
    }
    void toInt16()
    {
        QFETCH(QString, text);
        QTEST(VbConvert::toInt16(text).value_or(-99999), "value");
    }

    void checkBoxRefusesOutOfRange()
    {
        PrintControls c;
        QSignalSpy spy(&c, &PrintControls::checkChanged);
        QVERIFY(c.setCheck(PrintControls::CheckBox::chkPrintRAW, 2));
        QVERIFY(!c.setCheck(PrintControls::CheckBox::chkPrintRAW, 3));
        QVERIFY(!c.setCheck(PrintControls::CheckBox::chkPrintRAW, -1));
        QCOMPARE(c.check(PrintControls::CheckBox::chkPrintRAW), 2);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(PrintControls::name(PrintControls::CheckBox::chkPrintRAW), u"chkPrintRAW"_s);
    }

    void regionalFormat_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        // Four-digit years and no time zone, whatever the locale's own short and long formats.
        QTest::newRow("German") << u"de_DE"_s << u"04.12.2026"_s << u"15:48:23"_s;
        QTest::newRow("US") << u"en_US"_s << u"12/4/2026"_s << u"3:48:23 PM"_s;
        QTest::newRow("zone first") << u"zh_CN"_s << u"2026/12/4"_s << u"15:48:23"_s;
    }
    void regionalFormat()
    {
        QFETCH(QString, locale);
        const QLocale l(locale);
        QTEST(RegionalFormat::shortDate(QDate(2026, 12, 4), l), "date");
        QTEST(RegionalFormat::longTime(QTime(15, 48, 23, 999), l), "time");
    }

    void logTailReadsOnlyWhatWasAppended()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath(u"log.dat"_s);
        const auto write = [](const QString &path, const QByteArray &bytes,
                              QIODevice::OpenMode mode) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly | mode) && f.write(bytes) == bytes.size();
        };
        LogTail tail;
        LogTail::Update u;
        const auto step = [&](bool whole, const QString &text) {
            return !tail.read(log, u) && u.whole == whole && u.text == text;
        };
        QVERIFY(tail.read(log, u).has_value()); // no file yet
        QVERIFY(write(log, "Gr\xfc\xdf\x65\r\r\n", QIODevice::Truncate));
        QVERIFY(step(true, u"Grüße\r\r\n"_s));
        QVERIFY(write(log, "b\r\r\n", QIODevice::Append));
        QVERIFY(step(false, u"b\r\r\n"_s));
        QVERIFY(step(false, QString()));
        // A rollover starts a smaller file; a file put in the log's place is another file.
        QVERIFY(write(log, "c", QIODevice::Truncate));
        QVERIFY(step(true, u"c"_s));
        const QString other = dir.filePath(u"other"_s);
        QVERIFY(write(other, "longer than before", QIODevice::Truncate));
        QVERIFY(QFile::remove(log) && QFile::rename(other, log));
        QVERIFY(step(true, u"longer than before"_s));
    }
};

QTEST_GUILESS_MAIN(TestBase)
#include "tst_base.moc"
