#include "GlabelsReader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using K = LabelObject::Kind;
Q_DECLARE_METATYPE(QList<LabelObject::Kind>)

namespace {
QString fixture(const QString &name)
{
    return qEnvironmentVariable("ETIKOR_TESTDATA") + u"/labels/"_s + name;
}

constexpr double kMm = 72.0 / 25.4;

QList<K> kindsOf(const LabelLayout &layout)
{
    QList<K> kinds;
    for (const LabelObject &o : layout.objects)
        kinds << o.kind;
    return kinds;
}

QStringList fieldsOf(const LabelLayout &layout)
{
    QStringList fields;
    for (const LabelObject &o : layout.objects)
        fields << o.field;
    return fields;
}

// A text's lines as "fixed{Field}fixed|next line".
QString linesOf(const LabelObject &o)
{
    QStringList lines;
    for (const LabelTextLine &line : o.lines) {
        QString text;
        for (const LabelTextPiece &piece : line)
            text += piece.isField ? u'{' + piece.text + u'}' : piece.text;
        lines << text;
    }
    return lines.join(u'|');
}
} // namespace

// Layouts saved by gLabels 3 (plain and compressed) and gLabels 4, read in place from the
// shared test data.
class TstGlabelsReader : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fixtures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("format");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<QList<K>>("kinds");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("firstText"); // the first text object's lines
        const QList<K> part{K::Image, K::Text, K::Barcode, K::Text, K::Barcode, K::Line, K::Box};
        const QStringList partFields{u"Photo"_s, {}, u"PartNo"_s, u"Description"_s,
                                     u"Lot"_s,   {}, {}};
        const QList<K> crew{K::Text, K::Text, K::Text, K::Barcode};
        const QStringList crewFields{{}, u"Name"_s, {}, u"SN"_s};
        QTest::newRow("gLabels 3, compressed")
            << u"part-label.glabels"_s << 3 << 70 * kMm << 30 * kMm << part << partFields
            << u"Part: {PartNo}|Lot: {Lot}"_s;
        QTest::newRow("gLabels 4") << u"part-label-qt4.glabels"_s << 4 << 70 * kMm << 30 * kMm
                                   << part << partFields << u"Part: {PartNo}|Lot: {Lot}"_s;
        QTest::newRow("gLabels 3, namespace 2.3")
            << u"crew-orientation-name-tags-7.glabels"_s << 3 << 3.375 * 72 << 2.33333 * 72 << crew
            << crewFields << u"Hello, my name is"_s;
        QTest::newRow("the same, compressed")
            << u"crew-orientation-name-tags-7.gz.glabels"_s << 3 << 3.375 * 72 << 2.33333 * 72
            << crew << crewFields << u"Hello, my name is"_s;
    }
    void fixtures()
    {
        QFETCH(QString, file);
        QFETCH(double, width);
        QFETCH(double, height);
        QString error;
        const auto layout = GlabelsReader::read(fixture(file), &error);
        QVERIFY2(layout, qPrintable(error));
        QTEST(layout->format, "format");
        QCOMPARE(qRound(layout->width * 100), qRound(width * 100));
        QCOMPARE(qRound(layout->height * 100), qRound(height * 100));
        QTEST(kindsOf(*layout), "kinds");
        QTEST(fieldsOf(*layout), "fields");
        const auto text = std::find_if(layout->objects.cbegin(), layout->objects.cend(),
                                       [](const LabelObject &o) { return o.kind == K::Text; });
        QTEST(linesOf(*text), "firstText");
    }

    // The same label saved by gLabels 3 and by gLabels 4 comes out the same: positions in
    // points, and font sizes, which gLabels 4 writes at three quarters (9 as 6.75).
    void formatsAgree()
    {
        const auto three = GlabelsReader::read(fixture(u"part-label.glabels"_s));
        const auto four = GlabelsReader::read(fixture(u"part-label-qt4.glabels"_s));
        QVERIFY(three && four);
        QCOMPARE(three->objects.size(), four->objects.size());
        for (qsizetype i = 0; i < three->objects.size(); ++i) {
            const LabelObject &a = three->objects[i], &b = four->objects[i];
            QCOMPARE(qRound(a.x * 100), qRound(b.x * 100));
            QCOMPARE(qRound(a.y * 100), qRound(b.y * 100));
            QCOMPARE(a.fontSize, b.fontSize);
            QCOMPARE(a.bold, b.bold);
        }
        QCOMPARE(three->objects[1].fontSize, 9.0);
        QVERIFY(three->objects[3].bold);
        const LabelObject &box = three->objects[6];
        QCOMPARE(box.fillColor, 0x00ff00ffu);
        QCOMPARE(four->objects[6].fillColor, 0x00ff00ffu);
        QCOMPARE(qRound(box.lineWidth * 1000), qRound(0.352778 * kMm * 1000));
        QCOMPARE(qRound(three->objects[5].h * 100), qRound(26 * kMm * 100)); // the line's dy
        const LabelObject &qr = three->objects[4];
        QCOMPARE(qr.backend + u'/' + qr.style, u"libqrencode/IEC18004"_s);
        QCOMPARE(four->objects[4].backend + u'/' + four->objects[4].style, u"qrencode/qrcode"_s);
        QVERIFY(!qr.showText && three->objects[2].showText);
    }

    // A layout is known by its content: the names print data give them say nothing.
    void recognisedByContent()
    {
        QTemporaryDir dir;
        const QString lab = dir.filePath(u"labelshop.lab"_s);
        QVERIFY(QFile::copy(fixture(u"part-label.glabels"_s), lab));
        QFile file(lab);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(GlabelsReader::isLayout(file.readAll()));
        QVERIFY(GlabelsReader::read(lab));
        QVERIFY(!GlabelsReader::isLayout("\"Modulname\",\"Linie1\"\r\n"));
        QVERIFY(!GlabelsReader::isLayout(QByteArray("\x1f\x8b\x08\x00", 4)));
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        const QByteArray head = "<Glabels-document xmlns=\"http://glabels.org/xmlns/3.0/\">";
        const QByteArray label = "<Template><Label-rectangle width=\"70mm\" height=\"30mm\"/>"
                                 "</Template>";
        // clang-format off
        QTest::newRow("not XML") << QByteArray("Layout") << u"not a gLabels layout"_s;
        QTest::newRow("other XML") << QByteArray("<Label><Artikel/></Label>") << u"not a gLabels layout"_s;
        QTest::newRow("unknown version") << QByteArray("<Glabels-document version=\"9\"/>") << u"a gLabels layout of a version this station does not read"_s;
        QTest::newRow("damaged compression") << QByteArray("\x1f\x8b\x08\x00garbage", 11) << u"a damaged or oversized compressed file"_s;
        QTest::newRow("no template") << head + "</Glabels-document>" << u"the layout names no label size (no <Template>)"_s;
        QTest::newRow("a shape not supported") << head + "<Template><Label-path d=\"M0 0\"/></Template></Glabels-document>" << u"line 1: a label of the shape <Label-path> is not supported"_s;
        QTest::newRow("a label without width") << head + "<Template><Label-rectangle height=\"3mm\"/></Template></Glabels-document>" << u"line 1: <Label-rectangle> has no length width"_s;
        QTest::newRow("an object without position") << head + label + "<Objects><Object-box y=\"1mm\" w=\"1mm\" h=\"1mm\"/></Objects>" << u"line 1: <Object-box> has no length x"_s;
        QTest::newRow("an unknown object") << head + label + "<Objects><Object-star x=\"1mm\"/></Objects></Glabels-document>" << u"line 1: an object <Object-star> is not supported"_s;
        QTest::newRow("cut short") << head + label + "<Objects><Object-box x=\"1mm\" y=\"1" << u"line 1: Premature end of document."_s;
        // clang-format on
    }
    void refused()
    {
        QFETCH(QByteArray, bytes);
        QString error;
        QVERIFY(!GlabelsReader::parse(bytes, &error));
        QTEST(error, "error");
    }
};

QTEST_GUILESS_MAIN(TstGlabelsReader)
#include "tst_glabelsreader.moc"
