#include "AppEventLog.h"
#include "CommLog.h"
#include "HistoryView.h"
#include "LogBackup.h"
#include "PrintControls.h"
#include "RecordingSink.h"
#include "SyslogReceiver.h"
#include "SyslogSocket.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using C = PrintControls::CheckBox;

namespace {
// Notes what the log asked of the history box, and the size of the file it was to show.
struct NotedView : HistoryView {
    QStringList calls;
    std::optional<QString> showLog(const QString &path) override
    {
        calls << u"show %1"_s.arg(QFileInfo(path).size());
        return std::nullopt;
    }
    void loadLog(const QString &path) override
    {
        calls << u"load %1"_s.arg(QFileInfo(path).size());
    }
    void hideHistory() override { calls << u"hide"_s; }
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}
} // namespace

// The communication log with real files, a system-log socket of the test's own and a
// German locale (LC_ALL=de_DE), so every byte of a record can be compared.
class TstCommLog : public QObject {
    Q_OBJECT
    struct Station {
        QTemporaryDir dir;
        PrintControls controls;
        RecordingSink sink;
        SyslogSocket socket{u"Etikor"_s, dir.filePath(u"syslog"_s)};
        SyslogReceiver receiver{dir.filePath(u"syslog"_s)};
        AppEventLog eventLog{socket, controls};
        int diskChecks = 0;
        bool diskOk = true;
        QDateTime now{QDate(2026, 12, 4), QTime(15, 48, 23, 999)};
        const LogBackup::Clock clock = [this] {
            return now;
        };
        LogBackup backup{controls, dir.path(), sink, [this](bool) { return ++diskChecks > 0; },
                         clock};
        CommLog log{controls, sink, eventLog, backup, [this] { return diskOk; }, clock};
        Station()
        {
            controls.modulName = u"Line1"_s;
            controls.commLogFile = dir.filePath(u"EtikorComm-Line1-.dat"_s);
        }
    };
    std::unique_ptr<Station> s;

private Q_SLOTS:
    void init() { s = std::make_unique<Station>(); }

    void recordBytes_data()
    {
        QTest::addColumn<QString>("str");
        QTest::addColumn<bool>("timeStamp");
        QTest::addColumn<bool>("msgBox");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("queued");

        QTest::newRow("stamped, hundredths never three digits")
            << u" Anforderung Los: A1"_s << true << true
            << QByteArray("04.12.2026 15:48:23,99 Anforderung Los: A1\r\r\n") << 0;
        QTest::newRow("stamped empty text")
            << QString() << true << false << QByteArray("04.12.2026 15:48:23,99\r\r\n") << 0;
        QTest::newRow("plain, queued")
            << u"Fehler Größe"_s << false << true << "Fehler Gr\xf6\xdf\x65\r\r\n"_ba << 1;
        QTest::newRow("plain note") << u"note"_s << false << false << QByteArray("note\r\r\n") << 0;
    }
    void recordBytes()
    {
        QFETCH(QString, str);
        QFETCH(bool, timeStamp);
        QFETCH(bool, msgBox);
        QFETCH(QByteArray, bytes);
        writeFile(s->controls.commLogFile, "old\r\r\n");
        s->log.writeLog(str, timeStamp, msgBox);
        QCOMPARE(readAll(s->controls.commLogFile), "old\r\r\n" + bytes);
        QTEST(int(s->sink.messages.size()), "queued");
        // Every entry reaches the system log as an information entry.
        const QList<QByteArray> sent = s->receiver.take();
        QCOMPARE(sent.size(), 1);
        QVERIFY(sent[0].startsWith("<14>"));
    }

    void entriesWithoutAFile_data()
    {
        QTest::addColumn<bool>("diskOk");
        QTest::addColumn<bool>("haveFileName");
        QTest::newRow("disk full") << false << true;
        QTest::newRow("before the configuration") << true << false;
    }
    void entriesWithoutAFile()
    {
        QFETCH(bool, diskOk);
        QFETCH(bool, haveFileName);
        s->diskOk = diskOk;
        const QString file = s->controls.commLogFile;
        if (!haveFileName)
            s->controls.commLogFile.clear();
        s->log.writeLog(u"a"_s, false, false);
        s->log.writeLog(u"b"_s, true, false);
        QVERIFY(!QFile::exists(file));
        QCOMPARE(s->sink.messages.size(), 2);
        QCOMPARE(s->sink.messages[1].meldetext, u"b"_s);
        QCOMPARE(s->sink.messages[1].meldeArt, 1);
        QCOMPARE(s->receiver.take().size(), 2);
    }

    void historyBox_data()
    {
        QTest::addColumn<int>("history");
        QTest::addColumn<int>("refresh");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("history and refresh") << 1 << 2 << QStringList{u"show 8"_s};
        QTest::newRow("history, no refresh") << 1 << 0 << QStringList{};
        QTest::newRow("no history") << 0 << 1 << QStringList{u"hide"_s};
    }
    void historyBox()
    {
        QFETCH(int, history);
        QFETCH(int, refresh);
        NotedView view;
        s->log.setHistoryView(&view);
        s->controls.setCheck(C::chkHistory, history);
        s->controls.setCheck(C::chkRefresh, refresh);
        s->log.writeLog(u"Grüße"_s, false, false);
        QTEST(view.calls, "calls");
    }

    void unwritableFileSetsLastCommAndRecovers()
    {
        // A folder in the log's place fails the open whoever runs the test, root included.
        QVERIFY(QDir().mkpath(s->controls.commLogFile));
        s->log.writeLog(u" Anforderung"_s, true, false);
        const QString caption = s->controls.caption(PrintControls::Label::lblLastComm);
        // The open failed, so the caption has no hundredths; the system's words follow "Error:".
        const QString head = u"Letzte Kummunikation 04.12.2026 15:48:23:  Anforderung Error:"_s;
        QVERIFY2(caption.startsWith(head) && caption.size() > head.size(), qPrintable(caption));
        // The entry still reaches the queue and the system log, after a notice of why the file
        // takes nothing, which is given once.
        s->log.writeLog(u" second"_s, true, false);
        QStringList queued;
        for (const RecordingSink::Message &m : std::as_const(s->sink.messages))
            queued << m.meldetext;
        QCOMPARE(queued.size(), 3);
        QVERIFY2(queued[0].contains(u" Log file "_s + s->controls.commLogFile +
                                    u" cannot be written: "_s),
                 qPrintable(queued[0]));
        QCOMPARE(queued.mid(1), (QStringList{u" Anforderung"_s, u" second"_s}));
        const QList<QByteArray> logged = s->receiver.take();
        QCOMPARE(logged.size(), 3);
        QVERIFY(logged[0].startsWith("<12>") &&
                logged[2].contains("<Msg>Etikor / Line1 /  second<"));

        QVERIFY(QDir(s->controls.commLogFile).removeRecursively());
        s->sink.messages.clear();
        s->log.writeLog(u"next"_s, false, false);
        QCOMPARE(readAll(s->controls.commLogFile), QByteArray("next\r\r\n"));
        QCOMPARE(s->receiver.take().size(), 1);
        QVERIFY(s->sink.messages.isEmpty());
    }

    void rollover_data()
    {
        QTest::addColumn<int>("sizeAfterEntry");
        QTest::addColumn<QString>("obstacle");
        QTest::addColumn<bool>("rolled");
        QTest::addColumn<int>("reported");
        // The entry "x" adds three bytes of record end: 1 + 3 = 4 bytes. A file where the backup
        // folder belongs refuses the copy and is reported; a backup name the same second already
        // took only makes the log wait for the next second. The log stays whole either way.
        QTest::newRow("640,000 bytes stay") << 640000 << QString() << false << 0;
        QTest::newRow("640,001 bytes roll over") << 640001 << QString() << true << 0;
        QTest::newRow("backup folder blocked") << 640001 << u"folder"_s << false << 1;
        QTest::newRow("same second") << 640001 << u"name"_s << false << 0;
    }
    void rollover()
    {
        QFETCH(int, sizeAfterEntry);
        QFETCH(QString, obstacle);
        QFETCH(bool, rolled);
        const QString backup = s->backup.backupFolder() + u"/20261204-154823.dat"_s;
        QCOMPARE(s->backup.backupFolder(), s->dir.filePath(u"Etikor-Line1-bak"_s));
        if (obstacle == u"name"_s)
            QDir().mkpath(s->backup.backupFolder());
        if (!obstacle.isEmpty())
            writeFile(obstacle == u"name"_s ? backup : s->backup.backupFolder(), "first");
        writeFile(s->controls.commLogFile, QByteArray(sizeAfterEntry - 4, 'a'));
        s->log.writeLog(u"x"_s, false, false);
        QCOMPARE(QFileInfo(s->controls.commLogFile).size(), rolled ? 0 : sizeAfterEntry);
        QCOMPARE(QFileInfo(backup).size(), rolled ? sizeAfterEntry : obstacle == u"name"_s ? 5 : 0);
        QTEST(int(s->sink.messages.size()), "reported");
        if (!s->sink.messages.isEmpty())
            QCOMPARE(s->sink.messages[0].pending.source, u"buildBackup"_s);
        if (obstacle == u"folder"_s)
            QFile::remove(s->backup.backupFolder());
        if (!obstacle.isEmpty()) {
            s->now = s->now.addSecs(1);
            s->log.writeLog(u"y"_s, false, false);
            QCOMPARE(QFileInfo(s->controls.commLogFile).size(), 0);
        } else if (rolled) {
            s->log.writeLog(u"after"_s, false, false);
            QCOMPARE(readAll(s->controls.commLogFile), QByteArray("after\r\r\n"));
        }
    }

    void oldBackupsArePruned()
    {
        const QString folder = s->backup.backupFolder();
        QDir().mkpath(folder);
        const QDateTime now = QDateTime::currentDateTime();
        s->now = now;
        const std::pair<QString, int> files[] = {
            {u"a.dat"_s, 365}, {u"b.dat"_s, 366}, {u"c"_s, 400}};
        for (const auto &[name, days] : files) {
            QFile f(folder + u'/' + name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(
                f.setFileTime(now.addDays(-days).addSecs(-60), QFileDevice::FileModificationTime));
        }
        QDir().mkpath(folder + u"/sub"_s);
        s->backup.killOldBakFiles();
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({u"a.dat"_s, u"sub"_s}));
        QCOMPARE(s->diskChecks, 1);
    }

    void prepareRollsOverAndLoadsHidden()
    {
        NotedView view;
        s->log.setHistoryView(&view);
        writeFile(s->controls.commLogFile, QByteArray(640001, 'a'));
        s->log.prepare();
        QCOMPARE(QFileInfo(s->controls.commLogFile).size(), 0);
        QCOMPARE(view.calls, QStringList({u"load 0"_s, u"hide"_s}));
        QCOMPARE(s->diskChecks, 1);
    }
};

QTEST_GUILESS_MAIN(TstCommLog)
#include "tst_commlog.moc"
