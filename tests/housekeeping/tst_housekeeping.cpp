#include "AppSettings.h"
#include "DiskSpaceWatch.h"
#include "ImageCleanup.h"
#include "OptionStore.h"
#include "RecordingSink.h"

#include <QDirIterator>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kLimit = u"LogDatei/MaxFreeSpace(MB)"_s;
const QDate kToday(2024, 6, 15);

struct MemoryOptions : OptionStore {
    QMap<QString, QString> m; // "area/key" -> text
    QString getOption(const QString &k, const QString &a) override { return m[a + u'/' + k]; }
    void setOption(const QString &k, const QString &v, const QString &a) override
    {
        m[a + u'/' + k] = v;
    }
};

// Plants "dir/name@age", a file modified age days before kToday at noon, and "dir/", a folder.
bool plant(const QString &base, const QString &layout)
{
    for (const QString &entry : layout.split(u' ')) {
        QFile file(base + u'/' + entry.section(u'@', 0, 0));
        const QDateTime modified(kToday.addDays(-entry.section(u'@', 1).toInt()), {12, 0});
        if (!QDir().mkpath(QFileInfo(file).path()) ||
            (!entry.endsWith(u'/') &&
             !(file.open(QIODevice::WriteOnly) &&
               file.setFileTime(modified, QFileDevice::FileModificationTime))))
            return false;
    }
    return true;
}

// Everything below base, hidden entries too, relative and sorted.
QString tree(const QString &base)
{
    QStringList found;
    QDirIterator it(base, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(QDir(base).relativeFilePath(it.next()));
    found.sort();
    return found.join(u' ');
}

} // namespace

class TestHousekeeping : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void diskSpace_data()
    {
        QTest::addColumn<QString>("stored");   // null: missing
        QTest::addColumn<qint64>("bytesFree"); // negative: cannot be measured
        QTest::addColumn<QString>("storedAfter");
        QTest::addColumn<QString>("shownFree"); // null: enough space, no message
        const QString none;
        QTest::newRow("zero: 30 MB, short")
            << u"0"_s << 29'999'999LL << u" 30"_s << u"29.999.999"_s;
        QTest::newRow("missing: 30 MB exactly") << none << 30'000'000LL << u" 30"_s << none;
        QTest::newRow("45 MB, short")
            << u" 45 MB"_s << 44'999'999LL << u" 45 MB"_s << u"44.999.999"_s;
        QTest::newRow("not measurable: passes, limit not read") << none << -1LL << none << none;
    }
    void diskSpace()
    {
        QFETCH(QString, stored);
        QFETCH(qint64, bytesFree);
        QFETCH(QString, shownFree);
        MemoryOptions options;
        options.m.insert(kLimit, stored); // a null text reads like a missing option
        RecordingSink sink;
        DiskSpaceWatch watch(u"/srv/data/etikor"_s, options, sink, [bytesFree](const QString &) {
            return bytesFree < 0 ? std::nullopt
                                 : std::optional<FreeSpace>({u"/srv/data"_s, bytesFree});
        });
        const bool ok = shownFree.isNull();

        QVERIFY(!watch.diskSpaceOk());
        QCOMPARE(watch.checkDiskSpace(false), ok);
        QCOMPARE(watch.diskSpaceOk(), ok);
        QVERIFY(sink.messages.isEmpty());
        QCOMPARE(watch.checkDiskSpace(true), ok);
        QTEST(options.m.value(kLimit), "storedAfter");
        QCOMPARE(sink.messages.size(), ok ? 0 : 1);
        for (const RecordingSink::Message &sent : sink.messages) {
            QCOMPARE(sent.meldetext,
                     u"Free Diskspace Drive /srv/data  "_s + shownFree + u" bytes"_s);
            QVERIFY(sent.meldeArt == 3 && sent.bereich.isEmpty() && !sent.flagMsgBox);
        }
    }

    // The folder's mount point, none for a missing folder; shares are told by their exact type.
    void realFreeSpace()
    {
        QTemporaryDir dir;
        const std::optional<FreeSpace> space = FreeSpaceSource::measure(dir.path());
        QVERIFY(space && space->bytesFree > 0);
        QCOMPARE(space->drive, QStorageInfo(dir.path()).rootPath());
        QVERIFY(!FreeSpaceSource::measure(dir.filePath(u"gone"_s)));
        for (const char *type : {"nfs4", "CIFS", "fuse.sshfs"})
            QVERIFY2(FreeSpaceSource::isNetworkFileSystem(type), type);
        for (const char *type : {"ext4", "fuse", "nfsd"})
            QVERIFY2(!FreeSpaceSource::isNetworkFileSystem(type), type);
    }

    void imageCleanup_data()
    {
        QTest::addColumn<bool>("cad");
        QTest::addColumn<QString>("planted");
        QTest::addColumn<QString>("remaining");
        QTest::newRow("label: FIXED kept at every level")
            << false
            << u"a.bmp@31 b.jpg@30 d.png@99 e.wmf@99 README@99 x_fixed.jpg@99 Thumbs.db@0 "
               "Thumbs.db.old@0 s/a.wmf@31 s/Logo_FIXED.bmp@99 s/THUMBS.DB@0 s/FixedParts/z.bmp@99 "
               "FIXED_set/y.bmp@99 Fixed_empty/"_s
            << u"FIXED_set FIXED_set/y.bmp Fixed_empty README Thumbs.db.old b.jpg d.png e.wmf s "
               "s/FixedParts s/FixedParts/z.bmp s/Logo_FIXED.bmp x_fixed.jpg"_s;
        QTest::newRow("CAD: FIXED collected at the top only")
            << true
            << u"Logo_FIXED.bmp@31 b.WMF@31 c.wmf@30 d.dxf@31 e.jpg@-99 s/Logo_FIXED.bmp@31 "
               "s/e.jpg@31 s/thumbs.db@0 FIXED/f.bmp@31 FIXED/g_fixed.bmp@31 deep/x/y/a.jpg@31 "
               "kept/x/keep.txt@0 emptytree/x/y/ hidden/.keep@0"_s
            << u"FIXED FIXED/g_fixed.bmp c.wmf d.dxf e.jpg hidden hidden/.keep kept kept/x "
               "kept/x/keep.txt s s/Logo_FIXED.bmp"_s;
    }
    void imageCleanup()
    {
        QFETCH(bool, cad);
        QFETCH(QString, planted);
        QTemporaryDir root;
        AppSettings settings;
        settings.cadExtension = u"Drawing.WMF"_s; // only the last three characters count
        settings.labelshopPath = settings.cadPath = root.path();
        const QString base = cad ? root.path() : root.filePath(u"Images"_s);
        QVERIFY(plant(base, planted));
        ImageCleanup cleanup(settings, [] { return kToday; });
        const auto clean = cad ? &ImageCleanup::cleanCadImages : &ImageCleanup::cleanLabelImages;

        const QString before = tree(base);
        settings.deleteDelay = 0; // switches everything off, Thumbs.db and empty folders included
        (cleanup.*clean)();
        QCOMPARE(tree(base), before);
        settings.deleteDelay = 30;
        (cleanup.*clean)();
        QTEST(tree(base), "remaining");
    }
};

QTEST_GUILESS_MAIN(TestHousekeeping)
#include "tst_housekeeping.moc"
