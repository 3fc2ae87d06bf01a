#include "Twips.h"

#include <QTest>

class TstTwips : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void toPixels_data();
    void toPixels();
};

void TstTwips::toPixels_data() {
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("zero") << 0 << 0;
    QTest::newRow("one twip is still a pixel") << 1 << 1;
    QTest::newRow("just under half a pixel") << 7 << 1;
    QTest::newRow("exactly one pixel") << 15 << 1;
    QTest::newRow("bottom gap") << 20 << 1;
    QTest::newRow("rounds down below .5") << 22 << 1;
    QTest::newRow("rounds up at .53") << 23 << 2;
    QTest::newRow("history extra height") << 800 << 53;
    QTest::newRow("one inch") << 1440 << 96;
    QTest::newRow("negative keeps its sign") << -800 << -53;
    QTest::newRow("small negative") << -3 << -1;
}

void TstTwips::toPixels() {
    QFETCH(int, twips);
    QFETCH(int, pixels);
    QCOMPARE(twipsToPixels(twips), pixels);
}

QTEST_APPLESS_MAIN(TstTwips)
#include "tst_twips.moc"
