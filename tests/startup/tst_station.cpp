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

// A manager link that answers as told and notes its calls into the same list as the hooks.
using namespace Qt::StringLiterals;

class ScriptedManagerLink : public ManagerLink {
public:
    explicit ScriptedManagerLink(QStringList &calls)
        : m_calls(calls)
    {
    }
    int result = TrayIcon;
    int registerWithManager(const QString &name) override
    {
        m_calls << QStringLiteral("register ") + name;
        return result;
    }
    void removeTrayIcon() override { m_calls << QStringLiteral("removeTrayIcon"); }

private:
    QStringList &m_calls;
};

class Fixture {
public:
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
                                   tmp.path(), QStringLiteral("etikor-test")}};

    explicit Fixture(const QByteArray &config = {})
    {
        settings.configPath = tmp.path() + QStringLiteral("/Etikor.dcnf");
        if (!config.isEmpty()) {
            QFile f(settings.configPath);
            if (f.open(QIODevice::WriteOnly))
                f.write(config);
        }
    }
};

class TestStation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void loadSequenceOrder();
    void emptyConfiguration_data();
    void emptyConfiguration();
    void refusedInstance_data();
    void refusedInstance();
    void shutdownRunsOnce();

private:
    QTemporaryDir m_runtime;
};

void TestStation::initTestCase()
{
    qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    QFile::setPermissions(m_runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestStation::loadSequenceOrder()
{
    Fixture f("\"ServerPath\",\"/srv/print.db\"\r\n\"Netid\",\"plc1\"\r\n\"Port\",\"4841\"\r\n"
              "\"Modulname\",\"Line1\"\r\n");
    QVERIFY(f.station.load());
    const QString log = f.tmp.path() + QStringLiteral("/EtikorComm-Line1-.dat");
    QCOMPARE(f.hooks.calls,
             (QStringList{QStringLiteral("checkDiskSpace(1)"), QStringLiteral("restartBackends(0)"),
                          QStringLiteral("register Line1"), QStringLiteral("netId plc1"),
                          QStringLiteral("port 4841"), QStringLiteral("prepareCommLog ") + log,
                          QStringLiteral("prepareDatabase /srv/print.db"),
                          QStringLiteral("connectPlc")}));
    QCOMPARE(f.controls.commLogFile, log);
    QCOMPARE(f.station.applicationTitle(), QStringLiteral("Line1 Etikor"));
    QCOMPARE(f.station.windowCaption(), QStringLiteral("Line1 Etikor Vers:") +
                                            Station::versionText() + QStringLiteral("  ") +
                                            f.tmp.path());
    f.station.shutdown();
}

// Without its file the station starts empty, as on its first start; a file it cannot read or
// that holds no setting gives the same, and the operator is told why once the log exists.
void TestStation::emptyConfiguration_data()
{
    QTest::addColumn<QByteArray>("file"); // "dir": a folder where the file should be
    QTest::addColumn<QString>("why");
    QTest::newRow("no file") << QByteArray() << QString();
    QTest::newRow("not a configuration") << QByteArray("\x7f"
                                                       "ELF\x02\x01,\x01\0\0\r\n\x03\0>\0",
                                                       16)
                                         << u" holds no setting of a configuration"_s;
    QTest::newRow("a folder in its place") << QByteArray("dir") << u" cannot be read: "_s;
}

void TestStation::emptyConfiguration()
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
    QCOMPARE(f.station.applicationTitle(), QStringLiteral(" Etikor: Empty configuration "));
    QVERIFY(f.station.windowCaption().startsWith(QStringLiteral(" Etikor Vers:")));
    QCOMPARE(f.controls.commLogFile, f.tmp.path() + QStringLiteral("/EtikorComm-Etikor-.dat"));
    QVERIFY(f.hooks.calls.contains(QStringLiteral("register Etikor")));
    QVERIFY(!f.hooks.calls.join(u'|').contains(QStringLiteral("prepareDatabase")));
    QVERIFY(!f.hooks.calls.join(u'|').contains(QStringLiteral("netId")));
    f.station.shutdown();
}

void TestStation::refusedInstance_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("otherHoldsLock");
    QTest::addColumn<bool>("runs");
    QTest::newRow("manager knows the name") << int(ManagerLink::AlreadyRunning) << false << false;
    QTest::newRow("tray, another instance runs") << int(ManagerLink::TrayIcon) << true << false;
    QTest::newRow("tray, alone") << int(ManagerLink::TrayIcon) << false << true;
    QTest::newRow("registered with a manager") << int(ManagerLink::Registered) << true << true;
}

void TestStation::refusedInstance()
{
    QFETCH(int, result);
    QFETCH(bool, otherHoldsLock);
    QFETCH(bool, runs);
    QLockFile other(m_runtime.path() + QStringLiteral("/etikor-test.lock"));
    if (otherHoldsLock)
        QVERIFY(other.tryLock(0));
    Fixture f("\"ServerPath\",\"/srv/print.db\"\r\n\"Modulname\",\"L\"\r\n");
    f.link.result = result;
    QSignalSpy unload(&f.station, &Station::unloadAll);
    QCOMPARE(f.station.load(), runs);
    if (runs) {
        QVERIFY(f.hooks.calls.contains(QStringLiteral("connectPlc")));
        QCOMPARE(unload.count(), 0);
        f.station.shutdown();
        return;
    }
    // A refused instance never reaches the PLC or the database, but shuts down in order.
    const int reg = f.hooks.calls.indexOf(QStringLiteral("register L"));
    QCOMPARE(f.hooks.calls.mid(reg + 1),
             (QStringList{QStringLiteral("terminateLinks"), QStringLiteral("restartBackends(1)"),
                          QStringLiteral("closePlcLink"), QStringLiteral("removeTrayIcon"),
                          QStringLiteral("dropMessageQueue")}));
    QCOMPARE(unload.count(), 1);
    QVERIFY(f.settings.exiting);
}

void TestStation::shutdownRunsOnce()
{
    Fixture f;
    QVERIFY(f.station.load());
    QSignalSpy unload(&f.station, &Station::unloadAll);
    f.station.shutdown();
    f.station.shutdown();
    QCOMPARE(unload.count(), 1);
    QCOMPARE(f.hooks.calls.count(QStringLiteral("closePlcLink")), 1);
}

QTEST_GUILESS_MAIN(TestStation)
#include "tst_station.moc"
