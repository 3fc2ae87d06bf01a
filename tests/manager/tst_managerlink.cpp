// The station's registration with a server manager, on private buses: etikor-manager as the
// manager a plant would run, a manager that refuses, a bus without one, and none at all.

#include "AppSettings.h"
#include "DBusManagerLink.h"
#include "FakePrompt.h"
#include "ManagerBus.h"
#include "ManagerProtocol.h"
#include "OptionStore.h"
#include "PrivateBus.h"
#include "RecordingSink.h"

#include <QDBusContext>
#include <QThread>
#include <QtTest>
#include <atomic>

using namespace Qt::StringLiterals;

namespace {
// Stands for the tray icon a station without a manager shows.
class CountingTray : public ManagerLink {
public:
    int added = 0;
    int removed = 0;
    int registerWithManager(const QString &) override { return ++added, TrayIcon; }
    void removeTrayIcon() override { ++removed; }
};

struct OneOption : OptionStore {
    QString value;
    QString getOption(const QString &key, const QString &area) override
    {
        return key == u"Bus"_s && area == u"Server manager"_s ? value : QString();
    }
    void setOption(const QString &, const QString &, const QString &) override {}
};

struct Station {
    Station(std::optional<QDBusConnection> bus, const QString &configPath)
        : link({std::move(bus),
                tray,
                prompt,
                settings,
                {[this] { ++starts; },
                 [this] {
                     ++stops;
                 }}})
    {
        settings.configPath = configPath;
    }
    AppSettings settings;
    CountingTray tray;
    FakePrompt prompt;
    int starts = 0;
    int stops = 0;
    DBusManagerLink link;
};
} // namespace

// A manager that turns every station away, as one whose list is full would. It runs in a
// thread of its own: the station waits for its answers.
class RefusingManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "projDienstwart.clsServerConnect")
public:
    std::atomic<int> calls = 0;
    std::atomic<int> disconnects = 0;
public Q_SLOTS:
    int PrevInstance(const QString &) { return ++calls, 0; }
    int connect(const QString &, const QStringList &, const QStringList &, const QDBusObjectPath &,
                const QVariantMap &)
    {
        ++calls;
        sendErrorReply(u"projDienstwart.Error.Full"_s,
                       u"The server manager serves no more than 8 stations."_s);
        return 0;
    }
    void Disconnect() { ++disconnects; }
};

class TstManagerLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_managed.isRunning() && m_refusing.isRunning() && m_empty.isRunning());
        m_manager.setProcessEnvironment(m_managed.environment());
        m_manager.start(qEnvironmentVariable("ETIKOR_MANAGER"), {u"serve"_s});
        QVERIFY(m_managed.waitForName(ManagerProtocol::kService));

        m_refuser.moveToThread(&m_refuserThread);
        m_refuserThread.start();
        QDBusConnection refuser = m_refusing.connection(u"manager"_s);
        QVERIFY(refuser.registerObject(ManagerProtocol::kPath, &m_refuser,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(refuser.registerService(ManagerProtocol::kService));
    }
    void cleanupTestCase()
    {
        m_refuserThread.quit();
        m_refuserThread.wait();
        m_manager.terminate();
        m_manager.waitForFinished();
    }

    // What start-up gets back, whether the tray icon went up, what the operator was told, and
    // that the shutdown leaves nothing registered.
    void registration_data()
    {
        QTest::addColumn<QString>("bus");
        QTest::addColumn<QString>("modulName");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("registered") << u"managed"_s << u"Line1"_s << 0 << QStringList();
        QTest::newRow("empty module name: the manager is not asked")
            << u"refusing"_s << QString() << 2 << QStringList();
        QTest::newRow("no manager on the bus") << u"empty"_s << u"Line1"_s << 2 << QStringList();
        QTest::newRow("no bus configured") << QString() << u"Line1"_s << 2 << QStringList();
        QTest::newRow("refused: told, unregistered, no icon")
            << u"refusing"_s << u"Line1"_s << 0
            << QStringList{u"The server manager serves no more than 8 stations."_s};
    }
    void registration()
    {
        QFETCH(QString, bus);
        QFETCH(QString, modulName);
        QFETCH(int, result);
        const int callsBefore = m_refuser.calls;
        const int disconnectsBefore = m_refuser.disconnects;
        Station s(busNamed(bus), u"/plant/Server/Line1.dcnf"_s);
        QCOMPARE(s.link.registerWithManager(modulName), result);
        QCOMPARE(s.tray.added, result == 2 ? 1 : 0);
        QTEST(s.prompt.messages, "messages");
        if (bus == u"managed"_s) {
            const QString listed = managerSays({u"list"_s});
            QVERIFY2(listed.contains(u"Etikor  / Line1\n  Start: serverStart\n  Stop: serverStop\n"
                                     "  Restart: serverRestart\n"
                                     "  ClientClass = projEtikor.clsCallBack\n"
                                     "  ClientPath = /plant/Server/Line1.dcnf\n"_s),
                     qPrintable(listed));
        }
        s.link.removeTrayIcon();
        QCOMPARE(s.tray.removed, 1);
        QVERIFY(!s.link.registered());
        if (bus == u"managed"_s)
            QCOMPARE(managerSays({u"list"_s}), QString());
        // Asked for previous instances and refused; the refused station still disconnects.
        const bool refused = bus == u"refusing"_s && result == 0;
        QCOMPARE(m_refuser.calls - callsBefore, refused ? 2 : 0);
        QCOMPARE(m_refuser.disconnects - disconnectsBefore, refused ? 1 : 0);
    }

    // A second station of the same name is turned away without an icon or a callback.
    void previousInstance()
    {
        Station first(m_managed.connection(u"first"_s), u"/a.dcnf"_s);
        QCOMPARE(first.link.registerWithManager(u"Line9"_s), 0);
        QDBusConnection secondBus = m_managed.connection(u"second"_s);
        Station second(secondBus, u"/b.dcnf"_s);
        QCOMPARE(second.link.registerWithManager(u"Line9"_s), 1);
        QCOMPARE(second.tray.added, 0);
        QVERIFY(!second.link.registered());
        QVERIFY(!secondBus.objectRegisteredAt(ManagerProtocol::kCallbackPath));
        QCOMPARE(managerSays({u"list"_s}).count(u"Etikor  / Line9"_s), 1);
    }

    // The manager's commands reach the station through its callback; each is answered before
    // the station acts on it.
    void callbacks_data()
    {
        QTest::addColumn<QStringList>("command");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("starts");
        QTest::addColumn<int>("stops");
        QTest::newRow("start by module name, any case")
            << QStringList{u"start"_s, u"line2"_s} << 0 << 1 << 0;
        QTest::newRow("restart does nothing")
            << QStringList{u"restart"_s, u"Line2"_s} << 0 << 0 << 0;
        QTest::newRow("stop by client name")
            << QStringList{u"stop"_s, u"Etikor  / Line2"_s} << 0 << 0 << 1;
        QTest::newRow("unknown station") << QStringList{u"stop"_s, u"Line7"_s} << 3 << 0 << 0;
    }
    void callbacks()
    {
        QFETCH(QStringList, command);
        QFETCH(int, starts);
        QFETCH(int, stops);
        Station s(m_managed.connection(u"callbacks"_s), u"/c.dcnf"_s);
        QCOMPARE(s.link.registerWithManager(u"Line2"_s), 0);
        int exitCode = -1;
        managerSays(command, &exitCode);
        QTEST(exitCode, "exitCode");
        QTRY_COMPARE(s.starts + s.stops, starts + stops);
        QTest::qWait(50); // nothing more arrives
        QCOMPARE(s.starts, starts);
        QCOMPARE(s.stops, stops);
        s.link.removeTrayIcon();
    }

    // The registry option names the bus in any case; empty keeps the program's own; anything
    // else is told to the operator and looks for no manager.
    void busOption_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("messages");
        QTest::newRow("unset: the program's") << QString() << int(ManagerBus::Kind::Session) << 0;
        QTest::newRow("system") << u" SYSTEM "_s << int(ManagerBus::Kind::System) << 0;
        QTest::newRow("none") << u"none"_s << int(ManagerBus::Kind::None) << 0;
        QTest::newRow("misspelt") << u"sesion"_s << int(ManagerBus::Kind::None) << 1;
    }
    void busOption()
    {
        QFETCH(QString, value);
        OneOption option;
        option.value = value;
        RecordingSink sink;
        QTEST(int(ManagerBus::configured(option, ManagerBus::Kind::Session, sink)), "kind");
        QTEST(int(sink.messages.size()), "messages");
        if (!sink.messages.isEmpty())
            QVERIFY(sink.messages.first().meldetext.contains(u"\"sesion\""_s));
    }

private:
    std::optional<QDBusConnection> busNamed(const QString &bus)
    {
        if (bus == u"managed"_s)
            return m_managed.connection(u"station"_s);
        if (bus == u"refusing"_s)
            return m_refusing.connection(u"station"_s);
        if (bus == u"empty"_s)
            return m_empty.connection(u"station"_s);
        return std::nullopt;
    }

    // Runs an etikor-manager command on the managed bus while this process goes on serving
    // its callbacks; returns what it printed.
    QString managerSays(const QStringList &args, int *exitCode = nullptr)
    {
        QProcess p;
        p.setProcessEnvironment(m_managed.environment());
        p.start(qEnvironmentVariable("ETIKOR_MANAGER"), args);
        if (!QTest::qWaitFor([&] { return p.state() == QProcess::NotRunning; }, 10000))
            return u"<etikor-manager hangs>"_s;
        if (exitCode)
            *exitCode = p.exitCode();
        const QByteArray err = p.readAllStandardError();
        if (!err.isEmpty())
            qInfo("%s", err.constData());
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    PrivateBus m_managed;
    PrivateBus m_refusing;
    PrivateBus m_empty;
    QProcess m_manager;
    RefusingManager m_refuser;
    QThread m_refuserThread;
};

QTEST_GUILESS_MAIN(TstManagerLink)
#include "tst_managerlink.moc"
