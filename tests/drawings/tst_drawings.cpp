#include "Drawing.h"
#include "DrawingPage.h"
#include "Metafile.h"
#include "RemnantLabel.h"

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString fixture(const QString &name)
{
    return qEnvironmentVariable("ETIKOR_TEST_SOURCE") + u"/../data/drawings/"_s + name;
}

// What a poppler tool says about a PDF.
QString poppler(const QString &tool, const QByteArray &pdf, const QStringList &options = {})
{
    QTemporaryDir dir;
    QFile file(dir.filePath(u"page.pdf"_s));
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size())
        return {};
    file.close();
    QProcess process;
    QStringList arguments = options + QStringList{file.fileName()};
    if (tool == u"pdftotext")
        arguments.append(u"-"_s);
    process.start(tool, arguments);
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The drawing painted at 96 dpi, as the bitmap Inkscape made of the same SVG is.
QImage at96dpi(const Drawing &drawing)
{
    const QSizeF px = drawing.sizeMm() * (96 / 25.4);
    QImage image(px.toSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    drawing.paint(painter, QRectF(QPointF(), px));
    return image;
}

// How much of one picture's ink the other has within two pixels: 1 when every dark pixel of
// a has a dark pixel near it in b.
double inkFound(const QImage &a, const QImage &b)
{
    const auto dark = [](const QImage &image, int x, int y) {
        return x >= 0 && y >= 0 && x < image.width() && y < image.height() &&
               qGray(image.pixel(x, y)) < 128;
    };
    int ink = 0, found = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (!dark(a, x, y))
                continue;
            ++ink;
            bool near = false;
            for (int dy = -2; dy <= 2 && !near; ++dy)
                for (int dx = -2; dx <= 2 && !near; ++dx)
                    near = dark(b, x + dx, y + dy);
            found += near;
        }
    }
    return ink ? double(found) / ink : 0;
}

} // namespace

class TestDrawings : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every format another program wrote: its size, its red corner, and its ink (lines, circle,
    // text) where Inkscape's own bitmap of the same drawing has it.
    void formats_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QSizeF>("sizeMm");
        QTest::addColumn<double>("ink"); // the least share of the reference's ink found
        // clang-format off
        QTest::newRow("WMF, Inkscape")        << u"part-drawing.wmf"_s << QSizeF(100, 50) << 0.9;
        QTest::newRow("WMF, outlined")        << u"part-drawing-outlined.wmf"_s << QSizeF(100, 50) << 0.9;
        QTest::newRow("WMF, LibreOffice")     << u"part-drawing-libreoffice.wmf"_s << QSizeF(100, 50) << 0.8;
        QTest::newRow("EMF, Inkscape")        << u"part-drawing.emf"_s << QSizeF(101, 51) << 0.9;
        QTest::newRow("EMF, LibreOffice")     << u"part-drawing-libreoffice.emf"_s << QSizeF(100, 50) << 0.9;
        QTest::newRow("SVG")                  << u"part-drawing.svg"_s << QSizeF(100, 50) << 0.9;
        QTest::newRow("PNG")                  << u"part-drawing.png"_s << QSizeF(100, 50) << 0.99;
        // clang-format on
    }
    void formats()
    {
        QFETCH(QString, file);
        QFETCH(QSizeF, sizeMm);
        QFETCH(double, ink);
        Failure failure;
        const auto drawing = Drawing::load(fixture(file), failure);
        QVERIFY2(drawing, qPrintable(failure.description));
        QVERIFY2(
            qAbs(drawing->sizeMm().width() - sizeMm.width()) < 0.5 &&
                qAbs(drawing->sizeMm().height() - sizeMm.height()) < 0.5,
            qPrintable(
                u"%1 x %2 mm"_s.arg(drawing->sizeMm().width()).arg(drawing->sizeMm().height())));
        const QImage painted = at96dpi(*drawing);
        const QColor corner = painted.pixelColor(345, 30);
        QVERIFY2(corner.red() > 200 && corner.green() < 120 && corner.blue() < 120,
                 qPrintable(corner.name()));
        const QImage reference(fixture(u"part-drawing.png"_s));
        const double found = inkFound(reference, painted);
        QVERIFY2(found >= ink, qPrintable(QString::number(found)));
        QVERIFY2(inkFound(painted, reference) >= ink - 0.1, qPrintable(file));
    }

    // The page that goes to the printer holds the drawing: rendered back by poppler, the ink of
    // the drawing is there at its place (a 100 x 50 mm drawing at actual size on a landscape A4).
    void printedPage()
    {
        Failure failure;
        const auto drawing = Drawing::load(fixture(u"part-drawing.wmf"_s), failure);
        QVERIFY(drawing);
        QTemporaryDir dir;
        QFile pdf(dir.filePath(u"page.pdf"_s));
        QVERIFY(pdf.open(QIODevice::WriteOnly));
        pdf.write(DrawingPage::pdf(*drawing, {QPageSize(QPageSize::A4), true, false, {}}));
        pdf.close();
        QProcess render;
        render.start(u"pdftoppm"_s, {u"-r"_s, u"96"_s, u"-png"_s, u"-singlefile"_s, pdf.fileName(),
                                     dir.filePath(u"page"_s)});
        QVERIFY(render.waitForFinished() && render.exitCode() == 0);
        const QImage page(dir.filePath(u"page.png"_s));
        QCOMPARE(page.size(), QSize(1123, 794)); // A4 landscape at 96 dpi
        // The drawing's top left corner lies at ((297 - 100) / 2, (210 - 50) / 2) mm.
        const QImage placed = page.copy(QRect(QPoint(372, 302), QSize(378, 189)));
        QVERIFY2(
            inkFound(QImage(fixture(u"part-drawing.png"_s)), placed) > 0.9,
            qPrintable(QString::number(inkFound(QImage(fixture(u"part-drawing.png"_s)), placed))));
    }

    // The page: the queue's paper in the orientation asked for; a PDF drawing goes as it is.
    void page_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("landscape");
        QTest::addColumn<QString>("size"); // pdfinfo's "Page size"
        QTest::newRow("A4 portrait") << u"portrait.wmf"_s << false << u"595 x 842 pts (A4)"_s;
        QTest::newRow("A4 landscape") << u"part-drawing.emf"_s << true << u"842 x 595 pts (A4)"_s;
        QTest::newRow("PDF as it is")
            << u"part-drawing.pdf"_s << true << u"283.465 x 141.732 pts"_s;
    }
    void page()
    {
        QFETCH(QString, file);
        QFETCH(bool, landscape);
        QFETCH(QString, size);
        Failure failure;
        const auto drawing = Drawing::load(fixture(file), failure);
        QVERIFY2(drawing, qPrintable(failure.description));
        const QString info =
            poppler(u"pdfinfo"_s,
                    DrawingPage::pdf(*drawing, {QPageSize(QPageSize::A4), landscape, false, {}}));
        QVERIFY2(
            info.contains(QRegularExpression(u"Page size: +"_s + QRegularExpression::escape(size))),
            qPrintable(info));
        QVERIFY(info.contains(QRegularExpression(u"Pages: +1\n"_s)));
    }

    // Actual size keeps the drawing's millimetres, fit fills the page inside the margin; both
    // centre it.
    void placement_data()
    {
        QTest::addColumn<QSizeF>("drawing");
        QTest::addColumn<bool>("fit");
        QTest::addColumn<QRectF>("placed");
        const QSizeF a4(210, 297);
        QTest::newRow("actual") << QSizeF(100, 50) << false << QRectF(55, 123.5, 100, 50);
        QTest::newRow("fit, wide") << QSizeF(100, 50) << true << QRectF(5, 148.5 - 50, 200, 100);
        QTest::newRow("fit, tall") << QSizeF(50, 400) << true << QRectF(87.0625, 5, 35.875, 287);
        QTest::newRow("actual, larger than the page")
            << QSizeF(400, 100) << false << QRectF(-95, 98.5, 400, 100);
        Q_UNUSED(a4)
    }
    void placement()
    {
        QFETCH(QSizeF, drawing);
        QFETCH(bool, fit);
        QTEST(DrawingPage::placement(drawing, QSizeF(210, 297), fit), "placed");
    }

    // The remnant label is an EMF other readers take: libemf2svg (through Drawing) reads the
    // length, profile and colour back as text, umlauts included.
    void remnantLabel()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"RestETK.emf"_s);
        QCOMPARE(RemnantLabel::write(path, {u"1200"_s, u"P-40x20"_s, u"RAL 9016 Weiß"_s, {}})
                     .description,
                 QString());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"RestETK.emf"_s});
        Failure failure;
        const auto drawing = Drawing::load(path, failure);
        QVERIFY2(drawing, qPrintable(failure.description));
        QCOMPARE(drawing->format(), Drawing::Format::Emf);
        QCOMPARE(drawing->sizeMm(), QSizeF(RemnantLabel::kWidthMm, RemnantLabel::kHeightMm));
        QFile emf(path);
        QVERIFY(emf.open(QIODevice::ReadOnly));
        QString error;
        const QString svg = QString::fromUtf8(Metafile::emfToSvg(emf.readAll(), error));
        for (const QString &line :
             {u"REST"_s, u"Länge: 1200 mm"_s, u"Profil: P-40x20"_s, u"Farbe: RAL 9016 Weiß"_s})
            QVERIFY2(svg.contains(u"[CDATA["_s + line + u"]]"_s), qPrintable(svg));
    }

    void unreadable()
    {
        Failure failure;
        QVERIFY(!Drawing::fromBytes("not a drawing", failure));
        QVERIFY(failure.description.startsWith(u"not a drawing or image"_s));
        QByteArray wmf = QByteArray::fromHex("d7cdc69a") + QByteArray(40, '\xff');
        QVERIFY(!Drawing::fromBytes(wmf, failure));
        QVERIFY2(failure.description.startsWith(u"WMF: "_s), qPrintable(failure.description));
    }
};

QTEST_MAIN(TestDrawings)
#include "tst_drawings.moc"
