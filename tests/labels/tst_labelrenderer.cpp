#include "GlabelsReader.h"
#include "LabelImage.h"
#include "LabelPdf.h"

#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QString fixture(const QString &name)
{
    return qEnvironmentVariable("ETIKOR_TESTDATA") + u"/labels/"_s + name;
}

// The first record of parts.csv, as the station's print data would give it.
const LabelValues kPump{{u"PartNo"_s, u"P-1001"_s},
                        {u"Description"_s, u"Hydraulic pump 24V"_s},
                        {u"Lot"_s, u"L2024-117"_s},
                        {u"Photo"_s, u"pump.png"_s}};

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        return u"<%1 did not finish>"_s.arg(program);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The words of a PDF's first label with their top left corners (pdftotext -bbox); top: where
// the label begins on the page.
QHash<QString, QPointF> wordsOf(const QString &pdf, double top)
{
    static const QRegularExpression word(u"<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                         u"xMax=\"[\\d.]+\" yMax=\"[\\d.]+\">([^<]*)</word>"_s);
    QHash<QString, QPointF> words;
    for (const auto &m : word.globalMatch(run(u"pdftotext"_s, {u"-bbox"_s, pdf, u"-"_s}))) {
        const QPointF at(m.captured(1).toDouble(), m.captured(2).toDouble() - top);
        if (!words.contains(m.captured(3)) && at.y() >= 0)
            words.insert(m.captured(3), at);
    }
    return words;
}
} // namespace

// Labels painted from the gLabels fixtures, read back as a PDF's words and as barcodes.
class TstLabelRenderer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // The texts stand where gLabels put them on its own rendering of the first label of its
    // sheet (38.27 pt below the page's top): line starts within a point. gLabels 3 spaces
    // words a little wider (hinted glyphs) and glabels-qt sets text a little lower, hence the
    // second tolerance across and down. gLabels 4 wraps the description at its box. The page
    // is the label's size.
    void textsWhereGlabelsPutThem_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<double>("across");
        QTest::addColumn<double>("down");
        QTest::newRow("gLabels 3")
            << u"part-label.glabels"_s << u"part-label.glabels3.pdf"_s << 4.0 << 1.0;
        QTest::newRow("gLabels 4, wrapped")
            << u"part-label-qt4.glabels"_s << u"part-label-qt4.glabels-qt.pdf"_s << 1.0 << 4.0;
    }
    void textsWhereGlabelsPutThem()
    {
        QFETCH(QString, layout);
        QFETCH(QString, reference);
        QFETCH(double, across);
        QFETCH(double, down);
        const auto read = GlabelsReader::read(fixture(layout));
        QVERIFY(read);
        QStringList problems;
        const QString pdf = write(
            LabelPdf::render(LabelRenderer(*read, fixture({})), kPump, &problems), u"l.pdf"_s);
        QCOMPARE(problems, QStringList());
        // PDF pages are whole points: within half a point of the label's 70 x 30 mm.
        static const QRegularExpression size(u"Page size: +([\\d.]+) x ([\\d.]+) pts"_s);
        const auto page = size.match(run(u"pdfinfo"_s, {pdf}));
        QVERIFY(page.hasMatch());
        QVERIFY(qAbs(page.captured(1).toDouble() - 198.425) <= 0.5);
        QVERIFY(qAbs(page.captured(2).toDouble() - 85.039) <= 0.5);

        const auto ours = wordsOf(pdf, 0);
        const auto theirs = wordsOf(fixture(reference), 38.2677);
        for (const QString &w : {u"Part:"_s, u"P-1001"_s, u"Lot:"_s, u"L2024-117"_s, u"Hydraulic"_s,
                                 u"pump"_s, u"24V"_s}) {
            QVERIFY2(ours.contains(w) && theirs.contains(w), qPrintable(w));
            const QPointF d = ours.value(w) - theirs.value(w);
            const bool lineStart = ours.value(w).x() < 50;
            QVERIFY2(qAbs(d.x()) < (lineStart ? 1.0 : across) && qAbs(d.y()) < down,
                     qPrintable(u"%1 off by %2, %3 pt"_s.arg(w).arg(d.x()).arg(d.y())));
        }
    }

    // Barcodes decode back to their data from a rendering at a printer's resolution.
    void barcodesDecode()
    {
        const auto layout = GlabelsReader::read(fixture(u"part-label.glabels"_s));
        QVERIFY(layout);
        const QString png = m_dir.filePath(u"label.png"_s);
        QVERIFY(LabelImage::render(LabelRenderer(*layout, fixture({})), kPump, 300).save(png));
        const QString decoded = run(u"zbarimg"_s, {u"--quiet"_s, png});
        QVERIFY2(decoded.contains(u"CODE-128:P-1001"_s), qPrintable(decoded));
        QVERIFY2(decoded.contains(u"QR-Code:L2024-117"_s), qPrintable(decoded));
    }

    // Each symbology gLabels offers that plants use, drawn by zint and decoded by another
    // program; a style zint has no symbology for is named in the problems, the rest painted.
    void symbologies_data()
    {
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("data");
        QTest::addColumn<QString>("decoded"); // empty: the style is refused
        QTest::newRow("Code 39, gLabels 3") << u"Code39"_s << u"A-42"_s << u"CODE-39:A-42"_s;
        QTest::newRow("Code 128, gLabels 4")
            << u"code128"_s << u"L4711/3"_s << u"CODE-128:L4711/3"_s;
        QTest::newRow("EAN-13") << u"ean-13"_s << u"400638133393"_s << u"EAN-13:4006381333931"_s;
        QTest::newRow("QR") << u"IEC18004"_s << u"Lot L4711 17"_s << u"QR-Code:Lot L4711 17"_s;
        QTest::newRow("DataMatrix") << u"datamatrix"_s << u"P-2002"_s << u"P-2002"_s;
        QTest::newRow("PDF417") << u"PDF417"_s << u"pdf417 data"_s << QString();
        QTest::newRow("unknown") << u"Telepen"_s << u"1"_s << QString();
    }
    void symbologies()
    {
        QFETCH(QString, style);
        QFETCH(QString, data);
        QFETCH(QString, decoded);
        const QByteArray xml =
            "<Glabels-document version=\"4.0\"><Template><Label-rectangle width=\"60mm\" "
            "height=\"40mm\"/></Template><Objects><Object-barcode x=\"5mm\" y=\"5mm\" "
            "w=\"50mm\" h=\"30mm\" backend=\"zint\" style=\"" +
            style.toUtf8() + "\" data=\"${D}\" text=\"false\"/></Objects></Glabels-document>";
        const auto layout = GlabelsReader::parse(xml);
        QVERIFY(layout);
        QStringList problems;
        const QImage image =
            LabelImage::render(LabelRenderer(*layout, {}), {{u"D"_s, data}}, 300, &problems);
        const bool supported = style != u"Telepen"_s;
        QCOMPARE(problems.size(), supported ? 0 : 1);
        if (!supported) {
            QCOMPARE(problems.first(), u"barcode <D>: the style zint/Telepen is not supported"_s);
            return;
        }
        const QString png = m_dir.filePath(u"code.png"_s);
        QVERIFY(image.save(png));
        if (decoded.isEmpty()) // zbar reads no PDF417: the symbol must at least be there
            QVERIFY(image.convertToFormat(QImage::Format_Mono).colorCount() > 1);
        else if (style == u"datamatrix"_s)
            QCOMPARE(run(u"dmtxread"_s, {u"-n"_s, png}).trimmed(), decoded);
        else
            QCOMPARE(run(u"zbarimg"_s, {u"--quiet"_s, png}).trimmed(), decoded);
    }

private:
    QString write(const QByteArray &bytes, const QString &name)
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return {};
        return file.fileName();
    }

    QTemporaryDir m_dir;
};

QTEST_MAIN(TstLabelRenderer)
#include "tst_labelrenderer.moc"
