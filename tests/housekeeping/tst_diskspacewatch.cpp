#include "DiskSpaceWatch.h"
#include "OptionStore.h"
#include "RecordingSink.h"

#include <QMap>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

class MemoryOptions : public OptionStore {
public:
    QMap<QString, QString> values; // "area/key" -> text

    QString getOption(const QString &key, const QString &area) override
    {
        return values.value(area + u'/' + key);
    }
    void setOption(const QString &key, const QString &value, const QString &area) override
    {
        values.insert(area + u'/' + key, value);
    }
};

const QString kLimit = u"LogDatei/MaxFreeSpace(MB)"_s;

} // namespace

class TestDiskSpaceWatch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void check_data();
    void check();
    void realFileSystem();
    void networkFileSystems();
};

void TestDiskSpaceWatch::check_data()
{
    QTest::addColumn<QString>("stored");   // null: missing
    QTest::addColumn<qint64>("bytesFree"); // negative: cannot be measured
    QTest::addColumn<bool>("show");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("storedAfter");
    QTest::addColumn<QString>("message");
    const QString none;

    QTest::newRow("missing: 30 MB, one byte short")
        << none << 29'999'999LL << true << false << u" 30"_s
        << u"Free Diskspace Drive /srv/data  29.999.999 bytes"_s;
    QTest::newRow("missing: 30 MB exactly")
        << none << 30'000'000LL << true << true << u" 30"_s << none;
    QTest::newRow("zero, short, silent")
        << u"0"_s << 29'999'999LL << false << false << u" 30"_s << none;
    QTest::newRow("configured 100, short") << u"100"_s << 99'999'999LL << true << false << u"100"_s
                                           << u"Free Diskspace Drive /srv/data  99.999.999 bytes"_s;
    QTest::newRow("configured 100, enough")
        << u"100"_s << 100'000'000LL << true << true << u"100"_s << none;
    QTest::newRow("leading number")
        << u" 45 MB"_s << 44'999'999LL << false << false << u" 45 MB"_s << none;
    QTest::newRow("not measurable: passes, default not written")
        << none << -1LL << true << true << none << none;
}

void TestDiskSpaceWatch::check()
{
    QFETCH(QString, stored);
    QFETCH(qint64, bytesFree);
    QFETCH(bool, show);
    QFETCH(bool, ok);
    QFETCH(QString, storedAfter);
    QFETCH(QString, message);
    MemoryOptions options;
    if (!stored.isNull())
        options.values.insert(kLimit, stored);
    RecordingSink sink;
    DiskSpaceWatch watch(u"/srv/data/etikor"_s, options, sink, [bytesFree](const QString &) {
        return bytesFree < 0 ? std::nullopt : std::optional<FreeSpace>({u"/srv/data"_s, bytesFree});
    });

    QVERIFY(!watch.diskSpaceOk());
    QCOMPARE(watch.checkDiskSpace(show), ok);
    QCOMPARE(watch.diskSpaceOk(), ok);
    QCOMPARE(options.values.value(kLimit), storedAfter);
    QCOMPARE(sink.messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty()) {
        QCOMPARE(sink.messages.first().meldeArt, 3);
        QCOMPARE(sink.messages.first().meldetext, message);
        QCOMPARE(sink.messages.first().bereich, QString());
        QCOMPARE(sink.messages.first().flagMsgBox, false);
    }
}

void TestDiskSpaceWatch::realFileSystem()
{
    QTemporaryDir dir;
    MemoryOptions options;
    RecordingSink sink;
    DiskSpaceWatch watch(dir.path(), options, sink);
    options.values.insert(kLimit, u"0.000001"_s); // one byte
    QVERIFY(watch.checkDiskSpace(true));
    options.values.insert(kLimit, u"1E12"_s); // 10^18 bytes, more than any disk
    QVERIFY(!watch.checkDiskSpace(true));
    QVERIFY(!watch.diskSpaceOk());
    QCOMPARE(sink.messages.size(), 1);
    const QString text = sink.messages.first().meldetext;
    QVERIFY2(text.startsWith(u"Free Diskspace Drive "_s + QStorageInfo(dir.path()).rootPath() +
                             u"  "_s) &&
                 text.endsWith(u" bytes"_s),
             qPrintable(text));

    DiskSpaceWatch missing(dir.filePath(u"gone"_s), options, sink);
    QVERIFY(missing.checkDiskSpace(true));
    QVERIFY(missing.diskSpaceOk());
    QCOMPARE(sink.messages.size(), 1);
}

void TestDiskSpaceWatch::networkFileSystems()
{
    for (const char *type : {"nfs", "nfs4", "NFS4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p",
                             "ceph", "glusterfs", "afs"})
        QVERIFY2(FreeSpaceSource::isNetworkFileSystem(type), type);
    for (const char *type :
         {"ext4", "xfs", "btrfs", "tmpfs", "overlay", "fuse", "vfat", "nfsd", ""})
        QVERIFY2(!FreeSpaceSource::isNetworkFileSystem(type), type);
}

int main(int argc, char **argv)
{
    // A locale whose group separator differs from the C locale's, so the grouping is seen.
    qputenv("LC_ALL", "de_DE.UTF-8");
    QCoreApplication app(argc, argv);
    TestDiskSpaceWatch test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_diskspacewatch.moc"
