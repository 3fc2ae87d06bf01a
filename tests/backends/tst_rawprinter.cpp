#include "AppSettings.h"
#include "FakePrompt.h"
#include "PrintControls.h"
#include "PrintRequest.h"
#include "RawPrinter.h"
#include "RecordingLog.h"
#include "SocketPrinter.h"
#include "TextEncoding.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QByteArray kNoJob = SocketPrinter::kNoJob;

// Everything one job sends to cupsd's device: it reads until the sender shuts its side.
QByteArray received(QTcpServer &server, int timeoutMs)
{
    if (!server.waitForNewConnection(timeoutMs))
        return kNoJob;
    std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
    QByteArray bytes;
    do {
        bytes += socket->readAll();
    } while (socket->waitForReadyRead(timeoutMs));
    return bytes + socket->readAll();
}
} // namespace

// Jobs go to a socket:// printer on a thread of the test, or through the private cupsd (ctest
// fixture "cupsd") whose queue EtikorRaw sends to 127.0.0.1:<its port + 1>.
class TestRawPrinter : public QObject {
    Q_OBJECT
    RawPrinter printer() { return RawPrinter(m_settings, m_controls, m_request, m_log, m_prompt); }
    QTemporaryDir m_dir;
    std::unique_ptr<SocketPrinter> m_printer;
    AppSettings m_settings;
    PrintControls m_controls;
    PrintRequest m_request;
    RecordingLog m_log;
    FakePrompt m_prompt;

    void writeFile(const QString &name, const QByteArray &content)
    {
        QVERIFY(QDir().mkpath(QFileInfo(m_dir.filePath(name)).path()));
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    }

    // The report holds expected ("%P" the printer) after its timestamp and is logged as shown;
    // an empty expected means nothing was reported.
    void verifyReport(const QString &expected)
    {
        const QString shown = m_controls.caption(PrintControls::Label::lblError);
        if (expected.isEmpty()) {
            QVERIFY2(shown.isEmpty() && m_log.entries.isEmpty(), qPrintable(shown));
            return;
        }
        const QString text = QString(expected).replace(u"%P"_s, m_settings.printerName);
        QVERIFY2(shown.indexOf(text) > 0, qPrintable(shown));
        QCOMPARE(m_log.entries.size(), 1);
        QCOMPARE(m_log.entries.first().str, shown);
    }

private Q_SLOTS:
    void init()
    {
        m_printer = std::make_unique<SocketPrinter>();
        QVERIFY(m_dir.isValid());
        m_settings = AppSettings();
        m_settings.printerName = u"socket://127.0.0.1:%1"_s.arg(m_printer->port());
        m_settings.cadPath = m_dir.filePath(u"images"_s);
        m_controls.setCheck(PrintControls::CheckBox::chkHistory, 0);
        m_controls.setCaption(PrintControls::Label::lblError, QString());
        m_request = PrintRequest();
        m_log.entries.clear();
        m_prompt.messages.clear();
    }

    void printRawData_data()
    {
        QTest::addColumn<int>("prefixOnOff");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QString>("data");
        QTest::addColumn<bool>("history");
        QTest::addColumn<QByteArray>("bytes");

        const QString fields = u"LOT=#~1~# PART=#~2~# X=#~3~# #~0~#"_s;
        QTest::newRow("Windows-1252, prefix off")
            << 0 << u"P"_s << u"Maß ä€"_s << false << "Ma\xDF \xE4\x80\f"_ba;
        QTest::newRow("UTF-8 byte text")
            << 0 << QString() << TextEncoding::toUtf8(u"ä"_s) << true << "\xC3\xA4\f"_ba;
        QTest::newRow("empty data, plain prefix")
            << 1 << u"P\r"_s << QString() << true << "P\r\f"_ba;
        QTest::newRow("fields") << 1 << u"#L4711#12"_s << fields << false
                                << "LOT=L4711 PART=12 X=#~3~# #~0~#\f"_ba;
        QTest::newRow("empty field keeps its placeholder")
            << 2 << u"#A##C"_s << fields << false << "LOT=A PART=#~2~# X=C #~0~#\f"_ba;
        QTest::newRow("# form without placeholders") << 1 << u"#A"_s << u"D"_s << false << "D\f"_ba;
    }
    void printRawData()
    {
        QFETCH(int, prefixOnOff);
        QFETCH(QString, prefix);
        QFETCH(QString, data);
        QFETCH(bool, history);
        QFETCH(QByteArray, bytes);
        m_settings.prefix = prefix;
        m_settings.prefixOnOff = prefixOnOff;
        m_controls.setCheck(PrintControls::CheckBox::chkHistory, history ? 1 : 0);

        QCOMPARE(printer().printRawData(data), 0);
        QCOMPARE(m_printer->nextJob(5000), bytes);
        QVERIFY(m_request.rawPrintMs >= 0);
        QCOMPARE(m_log.entries.size(), history ? 1 : 0);
        if (history)
            QCOMPARE(TextEncoding::bytesOf(m_log.entries.first().str), bytes);
    }

    void printRawFile_data()
    {
        QTest::addColumn<QString>("losName");
        QTest::addColumn<int>("teileNr");
        QTest::addColumn<int>("etikettenType");
        QTest::addColumn<QString>("file"); // below cadPath; ending in "/": a folder
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("codierung");
        QTest::addColumn<int>("result");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("report");

        const QString path = m_dir.filePath(u"images/L1/"_s);
        const QString missing =
            u" Error Printfile:"_s + path + u"12#2.wmf not found! Printer: %P !  "_s;
        const QByteArray a = "A";
        QTest::newRow("label type 2") << u"L1"_s << 12 << 2 << u"L1/12#2.wmf"_s << a << QString()
                                      << 1 << "A\f"_ba << QString();
        QTest::newRow("other label type's file")
            << u"L1"_s << 12 << 2 << u"L1/12.wmf"_s << a << QString() << 2 << kNoJob << missing;
        QTest::newRow("a folder is no print file")
            << u"L1"_s << 12 << 2 << u"L1/12#2.wmf/"_s << a << QString() << 2 << kNoJob << missing;
        QTest::newRow("no text, still sent")
            << u"L1"_s << -7 << 0 << u"L1/-7.wmf"_s << QByteArray() << QString() << 2 << "\f"_ba
            << u" Error no Printdata:"_s + path + u"-7.wmf not found! Printer: %P !  "_s;
        QTest::newRow("charset") << u"L1"_s << 1 << 0 << u"L1/1.wmf"_s << "\x84\x00"_ba
                                 << u"cp850"_s << 1 << "\xE4 \f"_ba << QString();
        QTest::newRow("part number 0")
            << u"L1"_s << 0 << 0 << u"L1/0.wmf"_s << a << QString() << 1 << kNoJob << QString();
        QTest::newRow("no lot") << QString() << 5 << 0 << u"5.wmf"_s << a << QString() << 1
                                << kNoJob << QString();
    }
    void printRawFile()
    {
        QFETCH(QString, losName);
        QFETCH(int, teileNr);
        QFETCH(int, etikettenType);
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, codierung);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, report);
        QVERIFY(QDir(m_settings.cadPath).removeRecursively());
        if (file.endsWith(u'/'))
            QVERIFY(QDir().mkpath(m_dir.filePath(u"images/"_s + file)));
        else
            writeFile(u"images/"_s + file, content);
        m_request.EtikettenType = static_cast<qint16>(etikettenType);
        m_settings.codierung = codierung;

        QTEST(printer().printRawFile(losName, teileNr), "result");
        QCOMPARE(m_printer->nextJob(bytes == kNoJob ? 0 : 5000), bytes);
        verifyReport(report);
    }

    void readPrintFile_data()
    {
        QTest::addColumn<QString>("charset");    // null: the plain reader
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("report");

        const QString open =
            u" Error open File:"_s + m_dir.filePath(u"p.txt"_s) + u"   Printer: %P !  \r\n"_s;
        QTest::newRow("plain keeps NUL")
            << QString() << "A\x00\xE4\x80"_ba << u"A\0ä€"_s << QString();
        QTest::newRow("plain, missing") << QString() << QByteArray() << QString() << open;
        QTest::newRow("cp850") << u"cp850"_s << "\x84\x94\x81"_ba << u"äöü"_s << QString();
        QTest::newRow("UTF-16LE, NUL becomes blank")
            << u"UTF-16LE"_s << "A\0\0\0\xE4\0"_ba << u"A ä"_s << QString();
        QTest::newRow("Windows' Unicode")
            << u"Unicode"_s << "\xFF\xFE\x42\0"_ba << u"B"_s << QString();
        QTest::newRow("invalid byte") << u"UTF-8"_s << "a\xFF\x62"_ba << u"a\uFFFDb"_s
                                      << open + qt_error_string(EILSEQ) + u" at byte 1"_s;
        QTest::newRow("unknown charset reads Windows-1252")
            << u"etikor-bogus"_s << "\xE4"_ba << u"ä"_s
            << u" Error set CharSet File:"_s + m_dir.filePath(u"p.txt"_s) +
                   u"   Printer: %P !  \r\netikor-bogus: "_s;
    }
    void readPrintFile()
    {
        QFETCH(QString, charset);
        QFETCH(QByteArray, content);
        QFETCH(QString, text);
        QFETCH(QString, report);
        const QString file = m_dir.filePath(u"p.txt"_s);
        QFile::remove(file);
        if (!content.isNull())
            writeFile(u"p.txt"_s, content);

        RawPrinter raw = printer();
        QCOMPARE(charset.isNull() ? raw.readPrintFile(file)
                                  : raw.readPrintFileCharset(file, charset),
                 text);
        verifyReport(report);
    }

    // A job has failed unless the printer took it and closed: a failure is logged with the job
    // (not shown in the status label), kept in the request for the PLC, and rawPrintMs keeps
    // the value of the last good job.
    void printerFailures_data()
    {
        QTest::addColumn<int>("mode");        // SocketPrinter::Mode, -1: nothing listens
        QTest::addColumn<QString>("query");   // after the printer's URI
        QTest::addColumn<QString>("failure"); // empty: the job went well
        QTest::newRow("refused") << -1 << QString() << qt_error_string(ECONNREFUSED);
        QTest::newRow("reset mid-job")
            << int(SocketPrinter::Mode::ResetMidJob) << QString() << qt_error_string(ECONNRESET);
        QTest::newRow("never confirms the end")
            << int(SocketPrinter::Mode::Stall) << u"?timeout=0.3"_s
            << u"The printer did not confirm the end of the job within 300 ms"_s;
        QTest::newRow("not waited for")
            << int(SocketPrinter::Mode::Stall) << u"?waiteof=false&timeout=0.3"_s << QString();
    }
    void printerFailures()
    {
        QFETCH(int, mode);
        QFETCH(QString, query);
        QFETCH(QString, failure);
        m_controls.setCheck(PrintControls::CheckBox::chkHistory, 1);
        const QByteArray job = QByteArray(200000, 'X');
        m_printer = std::make_unique<SocketPrinter>(SocketPrinter::Mode(qMax(mode, 0)));
        m_settings.printerName = u"socket://127.0.0.1:%1"_s.arg(m_printer->port()) + query;
        if (mode < 0)
            m_printer.reset();
        m_request.rawPrintMs = 5;

        QCOMPARE(printer().printRawData(QString::fromLatin1(job)), failure.isEmpty() ? 0 : 1);
        QCOMPARE(m_log.entries.size(), 1);
        const QString entry = m_log.entries.first().str;
        QCOMPARE(entry.left(entry.indexOf(u'X')),
                 failure.isEmpty() ? QString() : failure + u"\r\n"_s);
        QVERIFY(entry.endsWith(u"X\f"_s));
        QCOMPARE(m_request.rawJobResult, failure.isEmpty() ? 0 : 1);
        QCOMPARE(m_request.rawJobFailure, failure);
        QCOMPARE(m_request.rawPrintMs == 5, !failure.isEmpty());
        QVERIFY(m_controls.caption(PrintControls::Label::lblError).isEmpty());
    }

    void unknownPrinter()
    {
        m_settings.printerName = u"EtikorNoSuchQueue"_s;
        writeFile(u"images/L1/1.wmf"_s, "A");
        QCOMPARE(printer().printRawData(u"A"_s), 0);
        QCOMPARE(printer().printRawFile(u"L1"_s, 1), 1);
        const QString message =
            u"The Printer Name you typed wasn't recognized :EtikorNoSuchQueue"_s;
        QCOMPARE(m_prompt.messages, QStringList({message, message}));
        QVERIFY(m_log.entries.isEmpty());
        QCOMPARE(m_request.rawPrintMs, -1);
        QVERIFY(m_controls.caption(PrintControls::Label::lblError).isEmpty());
    }

    void cupsQueue()
    {
        const QString server = qEnvironmentVariable("CUPS_SERVER");
        QVERIFY2(!server.isEmpty(), "CUPS_SERVER must name the test cupsd (ctest fixture cupsd)");
        QTcpServer device;
        QVERIFY2(device.listen(QHostAddress::LocalHost, server.section(u':', -1).toUShort() + 1),
                 qPrintable(device.errorString()));
        m_settings.printerName = u"EtikorRaw"_s;
        m_settings.prefix = u"P\r"_s;
        m_settings.prefixOnOff = 1;

        QCOMPARE(printer().printRawData(u"Maß"_s + TextEncoding::toUtf8(u"ä"_s)), 0);
        QVERIFY(m_prompt.messages.isEmpty() && m_log.entries.isEmpty());
        QCOMPARE(received(device, 30000), "P\rMa\xDF\xC3\xA4\f"_ba);
    }
};

QTEST_GUILESS_MAIN(TestRawPrinter)
#include "tst_rawprinter.moc"
