#include "AppSettings.h"
#include "FakePrompt.h"
#include "ManagerLink.h"
#include "PrintControls.h"
#include "RecordingHooks.h"
#include "Station.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// A manager link that answers as told and notes its calls into the same list as the hooks.
struct ScriptedManagerLink : ManagerLink {
    explicit ScriptedManagerLink(QStringList &notes)
        : calls(notes)
    {
    }
    QStringList &calls;
    int result = TrayIcon;
    int registerWithManager(const QString &name) override
    {
        calls << u"register "_s + name;
        return result;
    }
    void removeTrayIcon() override { calls << u"removeTrayIcon"_s; }
};

struct Fixture {
    QTemporaryDir tmp;
    AppSettings settings;
    PrintControls controls;
    FakePrompt prompt;
    RecordingHooks hooks;
    ScriptedManagerLink link{hooks.calls};
    Station station{Station::Parts{settings, controls, prompt, hooks, link,
                                   PrinterSource{[] { return QStringList(); },
                                                 [] {
                                                     return QString();
                                                 }},
                                   tmp.path(), u"etikor-test"_s}};

    explicit Fixture(const QByteArray &config = {})
    {
        settings.configPath = tmp.path() + u"/Etikor.dcnf"_s;
        QFile f(settings.configPath);
        if (!config.isEmpty() && f.open(QIODevice::WriteOnly))
            f.write(config);
    }
};
} // namespace

class TestStation : public QObject {
    Q_OBJECT
    QTemporaryDir m_runtime;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        QFile::setPermissions(m_runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void loadSequenceOrder()
    {
        Fixture f("\"ServerPath\",\"/srv/print.db\"\r\n\"Netid\",\"plc1\"\r\n\"Port\",\"4841\"\r\n"
                  "\"Modulname\",\"Line1\"\r\n");
        QVERIFY(f.station.load());
        const QString log = f.tmp.path() + u"/EtikorComm-Line1-.dat"_s;
        QCOMPARE(f.hooks.calls,
                 (QStringList{u"checkDiskSpace(1)"_s, u"restartBackends(0)"_s, u"register Line1"_s,
                              u"netId plc1"_s, u"port 4841"_s, u"prepareCommLog "_s + log,
                              u"prepareDatabase /srv/print.db"_s, u"connectPlc"_s}));
        QCOMPARE(f.controls.commLogFile, log);
        QCOMPARE(f.station.applicationTitle(), u"Line1 Etikor"_s);
        QCOMPARE(f.station.windowCaption(),
                 u"Line1 Etikor Vers:"_s + Station::versionText() + u"  "_s + f.tmp.path());
        f.station.shutdown();
    }

    // Without its file the station starts empty, as on its first start; a file it cannot read
    // or that holds no setting gives the same, and the operator is told why once the log exists.
    void emptyConfiguration_data()
    {
        QTest::addColumn<QByteArray>("file"); // "dir": a folder where the file should be
        QTest::addColumn<QString>("why");
        QTest::newRow("no file") << QByteArray() << QString();
        QTest::newRow("not a configuration") << "\x7f\x45LF\x02\x01,\x01\0\0\r\n\x03\0>\0"_ba
                                             << u" holds no setting of a configuration"_s;
        QTest::newRow("a folder in its place") << QByteArray("dir") << u" cannot be read: "_s;
    }
    void emptyConfiguration()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, why);
        Fixture f(file == "dir" ? QByteArray() : file);
        if (file == "dir")
            QVERIFY(QDir().mkdir(f.settings.configPath));
        QVERIFY(f.station.load());
        const QString shown = f.controls.caption(PrintControls::Label::lblError);
        const QStringList logged = f.hooks.calls.filter(u"logFailure "_s);
        QCOMPARE(logged.size(), why.isEmpty() ? 0 : 1);
        if (!why.isEmpty()) {
            QVERIFY2(shown.contains(u" Configuration "_s + f.settings.configPath + why),
                     qPrintable(shown));
            QVERIFY(shown.endsWith(u": the station runs with an empty configuration"_s));
            QCOMPARE(logged.first(), u"logFailure "_s + shown);
            QVERIFY(f.hooks.calls.indexOf(logged.first()) >
                    f.hooks.calls.indexOf(QRegularExpression(u"^prepareCommLog"_s)));
        }
        QCOMPARE(f.station.applicationTitle(), u" Etikor: Empty configuration "_s);
        QVERIFY(f.station.windowCaption().startsWith(u" Etikor Vers:"_s));
        QCOMPARE(f.controls.commLogFile, f.tmp.path() + u"/EtikorComm-Etikor-.dat"_s);
        QVERIFY(f.hooks.calls.contains(u"register Etikor"_s));
        QVERIFY(!f.hooks.calls.join(u'|').contains(u"prepareDatabase"_s));
        QVERIFY(!f.hooks.calls.join(u'|').contains(u"netId"_s));
        f.station.shutdown();
    }

    // A refused instance never reaches the PLC or the database, but shuts down in order. The
    // shutdown runs once, however often it is asked for.
    void instanceAndShutdown_data()
    {
        QTest::addColumn<int>("result");
        QTest::addColumn<bool>("otherHoldsLock");
        QTest::addColumn<bool>("runs");
        QTest::addColumn<bool>("managerStops");
        QTest::newRow("manager knows the name")
            << int(ManagerLink::AlreadyRunning) << false << false << false;
        QTest::newRow("tray, another instance runs")
            << int(ManagerLink::TrayIcon) << true << false << false;
        QTest::newRow("tray, alone") << int(ManagerLink::TrayIcon) << false << true << false;
        QTest::newRow("registered with a manager, which stops it")
            << int(ManagerLink::Registered) << true << true << true;
    }
    void instanceAndShutdown()
    {
        QFETCH(int, result);
        QFETCH(bool, otherHoldsLock);
        QFETCH(bool, runs);
        QFETCH(bool, managerStops);
        QLockFile other(m_runtime.path() + u"/etikor-test.lock"_s);
        if (otherHoldsLock)
            QVERIFY(other.tryLock(0));
        Fixture f("\"ServerPath\",\"/srv/print.db\"\r\n\"Modulname\",\"L\"\r\n");
        f.link.result = result;
        QSignalSpy unload(&f.station, &Station::unloadAll);
        QCOMPARE(f.station.load(), runs);
        QCOMPARE(f.hooks.calls.contains(u"connectPlc"_s), runs);
        QCOMPARE(unload.count(), runs ? 0 : 1);
        QCOMPARE(f.settings.exiting, !runs);
        if (managerStops)
            f.station.serverStop();
        else if (runs)
            f.station.shutdown();
        f.station.shutdown();
        const int last = f.hooks.calls.indexOf(runs ? u"connectPlc"_s : u"register L"_s);
        QCOMPARE(f.hooks.calls.mid(last + 1),
                 (QStringList(managerStops ? 1 : 0, u"dropMessageQueue"_s) +
                  QStringList{u"terminateLinks"_s, u"restartBackends(1)"_s, u"closePlcLink"_s,
                              u"removeTrayIcon"_s, u"dropMessageQueue"_s}));
        QCOMPARE(unload.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"
