#include "AppSettings.h"
#include "GlabelsReader.h"
#include "LabelPrinter.h"
#include "SocketPrinter.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const LabelValues kPump{{u"PartNo"_s, u"P-1001"_s},
                        {u"Description"_s, u"Hydraulic pump 24V"_s},
                        {u"Lot"_s, u"L2024-117"_s},
                        {u"Photo"_s, u"pump.png"_s}};

QString labels()
{
    return qEnvironmentVariable("ETIKOR_TESTDATA") + u"/labels/"_s;
}
} // namespace

// Labels to a label printer's CUPS queue (the private cupsd of the fixture "cupsd", whose
// queue EtikorLabel sends to 127.0.0.1:<its port + 2>) and to a socket:// printer.
class TstLabelPrinter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        const auto layout = GlabelsReader::read(labels() + u"part-label.glabels"_s);
        QVERIFY(layout);
        m_renderer.emplace(*layout, labels());
    }

    // A ZPL graphic label: one bit a dot, a row in whole bytes, black where the bitmap is dark.
    void zpl()
    {
        QImage image(10, 2, QImage::Format_RGB32);
        image.fill(Qt::white);
        image.setPixel(0, 0, qRgb(0, 0, 0));
        image.setPixel(9, 0, qRgb(90, 90, 90));
        image.setPixel(8, 1, qRgb(200, 200, 200));
        QCOMPARE(LabelPrinter::zpl(image), "^XA^PW10^LL2^FO0,0^GFA,4,4,2,80400000^FS^XZ\r\n");
    }

    // Through CUPS the label is a PDF page of the label's size, passed to the device.
    void cupsQueueGetsAPdfPage()
    {
        const QString server = qEnvironmentVariable("CUPS_SERVER");
        QTcpServer device;
        QVERIFY2(device.listen(QHostAddress::LocalHost, server.section(u':', -1).toUShort() + 2),
                 "the test cupsd's label device port is taken");
        AppSettings settings;
        settings.printerName = u"EtikorLabel"_s;
        QCOMPARE(LabelPrinter(settings).print(*m_renderer, kPump).description, QString());
        QVERIFY(device.waitForNewConnection(20000));
        std::unique_ptr<QTcpSocket> socket(device.nextPendingConnection());
        QByteArray pdf;
        while (socket->waitForReadyRead(5000))
            pdf += socket->readAll();
        QVERIFY2(pdf.startsWith("%PDF"), pdf.left(40).constData());
        QTemporaryFile file;
        QVERIFY(file.open() && file.write(pdf) == pdf.size() && file.flush());
        QProcess info;
        info.start(u"pdfinfo"_s, {file.fileName()});
        QVERIFY(info.waitForFinished());
        QVERIFY(
            QString::fromUtf8(info.readAllStandardOutput())
                .contains(QRegularExpression(u"Page size: +198(\\.\\d+)? x 85(\\.\\d+)? pts"_s)));
    }

    // A socket:// printer gets a graphic label at the printer's resolution: 70 x 30 mm at
    // 203 dpi are 559 x 240 dots.
    void socketPrinterGetsZpl()
    {
        SocketPrinter printer;
        AppSettings settings;
        settings.printerName = u"socket://127.0.0.1:%1"_s.arg(printer.port());
        LabelPrinter labelPrinter(settings, 203);
        QList<LabelValues> printed; // what the desktop's preview is told
        labelPrinter.setPrinted(
            [&printed](const LabelRenderer &, const LabelValues &values) { printed << values; });
        QCOMPARE(labelPrinter.print(*m_renderer, kPump).description, QString());
        QCOMPARE(printed, QList<LabelValues>{kPump});
        const QByteArray job = printer.nextJob(10000);
        QVERIFY2(job.startsWith("^XA^PW559^LL240^FO0,0^GFA,16800,16800,70,"), job.left(60).data());
        QVERIFY(job.endsWith("^FS^XZ\r\n"));
    }

    // Nothing is sent for a printer nobody knows, nor for a label whose barcode cannot be
    // drawn.
    void refused()
    {
        AppSettings settings;
        QCOMPARE(LabelPrinter(settings).print(*m_renderer, kPump).description,
                 u"no printer is chosen for the labels"_s);
        settings.printerName = u"Nowhere"_s;
        QCOMPARE(LabelPrinter(settings).print(*m_renderer, kPump).description,
                 u"the printer Nowhere is not known"_s);
        SocketPrinter printer;
        settings.printerName = u"socket://127.0.0.1:%1"_s.arg(printer.port());
        LabelValues values = kPump;
        values.insert(u"PartNo"_s, u"Ä"_s.repeated(200)); // beyond Code 128
        const Failure failure = LabelPrinter(settings).print(*m_renderer, values);
        QVERIFY2(failure.description.startsWith(u"barcode <PartNo> (Code128): "_s),
                 qPrintable(failure.description));
        QCOMPARE(printer.nextJob(500), SocketPrinter::kNoJob);
    }

private:
    std::optional<LabelRenderer> m_renderer;
};

QTEST_MAIN(TstLabelPrinter)
#include "tst_labelprinter.moc"
