#include "AppSettings.h"
#include "ImageCleanup.h"

#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QDate kToday(2024, 6, 15);

// Creates the blank-separated entries of layout below base: "dir/name@age" is a file last
// modified age days before today (at noon), "dir/" an empty folder.
bool plant(const QString &base, const QString &layout, QDate today = kToday)
{
    for (const QString &entry : layout.split(u' ', Qt::SkipEmptyParts)) {
        const QString path = base + u'/' + entry.section(u'@', 0, 0);
        if (!QDir().mkpath(entry.endsWith(u'/') ? path : QFileInfo(path).path()))
            return false;
        QFile file(path);
        if (!entry.endsWith(u'/') &&
            (!file.open(QIODevice::WriteOnly) || file.write("x") != 1 || !file.flush() ||
             !file.setFileTime(QDateTime(today.addDays(-entry.section(u'@', 1).toInt()), {12, 0}),
                               QFileDevice::FileModificationTime)))
            return false;
    }
    return true;
}

// Everything below base, relative, folders with a trailing slash, sorted, blank-separated.
QString tree(const QString &base)
{
    QStringList found;
    QDirIterator it(base, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry = it.nextFileInfo();
        found.append(QDir(base).relativeFilePath(entry.filePath()) +
                     (entry.isDir() ? u"/"_s : QString()));
    }
    found.sort();
    return found.join(u' ');
}

} // namespace

class TestImageCleanup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void clean_data();
    void clean();
    void emptySettingLeavesWorkingDirectoryAlone();
    void imageFilesOfTheLastRun();
    void todayDefaultsToTheCalendar();
};

void TestImageCleanup::clean_data()
{
    QTest::addColumn<bool>("cad");
    QTest::addColumn<int>("deleteDelay");
    QTest::addColumn<QString>("cadExtension");
    QTest::addColumn<QString>("planted");
    QTest::addColumn<QString>("remaining"); // sorted
    const QString wmf = u".wmf"_s;

    QTest::newRow("label top: bitmaps and JPEGs by age, FIXED kept")
        << false << 30 << wmf
        << u"a.bmp@31 b.jpg@30 c.BMP@40 d.png@400 e.wmf@400 Logo_FIXED.bmp@400 x_fixed.jpg@400 "
           ".hidden.jpg@400"_s
        << u"Logo_FIXED.bmp b.jpg d.png e.wmf x_fixed.jpg"_s;
    QTest::newRow("label below: CAD type too, FIXED anywhere")
        << false << 30 << wmf
        << u"s/a.wmf@99 s/Logo_FIXED.bmp@99 s/d/x.jpg@99 s/d/y.txt@99 FIXED_set/y.bmp@99 "
           "s/FixedParts/z.bmp@99 Fixed_empty/"_s
        << u"FIXED_set/ FIXED_set/y.bmp Fixed_empty/ s/ s/FixedParts/ s/FixedParts/z.bmp "
           "s/Logo_FIXED.bmp s/d/ s/d/y.txt"_s;
    QTest::newRow("CAD top: FIXED names collected, below not")
        << true << 10 << wmf
        << u"Logo_FIXED.bmp@11 a.wmf@11 b.WMF@11 c.wmf@10 d.dxf@11 s/Logo_FIXED.bmp@11 "
           "s/e.jpg@11 FIXED/f.bmp@11 FIXED/g_fixed.bmp@11"_s
        << u"FIXED/ FIXED/g_fixed.bmp c.wmf d.dxf s/ s/Logo_FIXED.bmp"_s;
    QTest::newRow("CAD type is the last three characters")
        << true << 10 << u"Drawing.DXF"_s << u"a.dxf@11 b.wmf@11 s/c.dxf@11"_s << u"b.wmf"_s;
    QTest::newRow("no CAD extension: images only")
        << true << 10 << QString() << u"a.wmf@11 a.bmp@11 s/b.wmf@11"_s << u"a.wmf s/ s/b.wmf"_s;
    QTest::newRow("Thumbs.db in any case and at any age")
        << false << 30 << wmf
        << u"Thumbs.db@0 s/THUMBS.DB@0 s/d/thumbs.db@0 s/keep.png@0 Thumbs.db.old@0"_s
        << u"Thumbs.db.old s/ s/d/ s/keep.png"_s;
    QTest::newRow("deleteDelay 0 switches everything off")
        << false << 0 << wmf << u"Thumbs.db@0 a.bmp@400 s/b.jpg@400 empty/"_s
        << u"Thumbs.db a.bmp empty/ s/ s/b.jpg"_s;
    QTest::newRow("age boundary, future dates stay")
        << true << 5 << wmf << u"a.bmp@5 b.bmp@6 c.bmp@-3 d.jpg@0"_s << u"a.bmp c.bmp d.jpg"_s;
    QTest::newRow("emptied sub-folders go, kept files keep their branch")
        << true << 30 << wmf
        << u"old/a.bmp@31 mixed/a.bmp@31 mixed/keep.png@31 deep/x/y/a.jpg@31 kept/a.bmp@31 "
           "kept/x/keep.txt@0 young/a.bmp@1 empty/ emptytree/x/y/ hidden/.keep@0"_s
        << u"hidden/ hidden/.keep kept/ kept/x/ kept/x/keep.txt mixed/ mixed/keep.png young/ "
           "young/a.bmp"_s;
}

void TestImageCleanup::clean()
{
    QFETCH(bool, cad);
    QFETCH(int, deleteDelay);
    QFETCH(QString, cadExtension);
    QFETCH(QString, planted);
    QFETCH(QString, remaining);
    QTemporaryDir root;
    AppSettings settings;
    settings.deleteDelay = deleteDelay;
    settings.cadExtension = cadExtension;
    settings.labelshopPath = root.filePath(u"labelshop"_s);
    settings.cadPath = root.filePath(u"cad"_s);
    const QString base = cad ? settings.cadPath : settings.labelshopPath + u"/Images"_s;
    QVERIFY(plant(base, planted));

    ImageCleanup cleanup(settings, [] { return kToday; });
    cad ? cleanup.cleanCadImages() : cleanup.cleanLabelImages();
    QCOMPARE(tree(base), remaining);
}

void TestImageCleanup::emptySettingLeavesWorkingDirectoryAlone()
{
    QTemporaryDir root;
    QVERIFY(plant(root.path(), u"a.bmp@400 Thumbs.db@0 Images/b.bmp@400"_s));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(root.path()));
    AppSettings settings;
    settings.deleteDelay = 1;
    ImageCleanup cleanup(settings, [] { return kToday; });
    cleanup.cleanLabelImages();
    cleanup.cleanCadImages();
    QDir::setCurrent(previous);
    QCOMPARE(tree(root.path()), u"Images/ Images/b.bmp Thumbs.db a.bmp"_s);
    QVERIFY(cleanup.imageFiles().isEmpty());
}

void TestImageCleanup::imageFilesOfTheLastRun()
{
    QTemporaryDir root;
    const QString cad = root.filePath(u"cad"_s);
    const QString images = root.filePath(u"labelshop/Images"_s);
    QVERIFY(plant(cad, u"b.bmp@0 a.txt@0 s/a.jpg@0 s/z/old.wmf@400"_s));
    QVERIFY(plant(images, u"x.jpg@0"_s));
    AppSettings settings;
    settings.cadPath = cad;
    settings.labelshopPath = root.filePath(u"labelshop"_s);
    ImageCleanup cleanup(settings, [] { return kToday; });

    cleanup.cleanCadImages();
    QCOMPARE(cleanup.imageFiles(),
             (QStringList{cad + u"/b.bmp"_s, cad + u"/s/a.jpg"_s, cad + u"/s/z/old.wmf"_s}));
    QVERIFY(!QFile::exists(cad + u"/s/z/old.wmf"_s));
    cleanup.cleanLabelImages();
    QCOMPARE(cleanup.imageFiles(), QStringList{images + u"/x.jpg"_s});

    // On its own the folder walk collects, but leaves old images where they are.
    QVERIFY(plant(cad, u"s/old.bmp@400"_s));
    cleanup.cleanImageFolder(cad + u"/s"_s);
    QCOMPARE(cleanup.imageFiles(),
             (QStringList{images + u"/x.jpg"_s, cad + u"/s/a.jpg"_s, cad + u"/s/old.bmp"_s}));
    QVERIFY(QFile::exists(cad + u"/s/old.bmp"_s));
}

void TestImageCleanup::todayDefaultsToTheCalendar()
{
    QTemporaryDir root;
    QVERIFY(plant(root.path(), u"kept.bmp@30 gone.bmp@31"_s, QDate::currentDate()));
    AppSettings settings;
    settings.cadPath = root.path();
    settings.deleteDelay = 30;
    ImageCleanup(settings).cleanCadImages();
    QCOMPARE(tree(root.path()), u"kept.bmp"_s);
}

QTEST_GUILESS_MAIN(TestImageCleanup)
#include "tst_imagecleanup.moc"
