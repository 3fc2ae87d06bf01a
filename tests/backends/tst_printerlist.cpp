#include "PrintControls.h"
#include "PrinterList.h"

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <cups/cups.h>

namespace {
const QString kRaw = QStringLiteral("EtikorRaw");
const QString kLabel = QStringLiteral("EtikorLabel");

// libcups keeps the server it read from the environment; this makes it read it again.
void useServer(const QByteArray &server)
{
    qputenv("CUPS_SERVER", server);
    cupsSetServer(nullptr);
}

void useServerWithoutListener()
{
    QTcpServer probe; // its port is free again once probe goes; 0 if it cannot listen
    probe.listen();
    useServer("127.0.0.1:" + QByteArray::number(probe.serverPort()));
}

void row(const char *name, const QString &lpoptions, const QString &lpdest,
         const QStringList &expected, const QString &defaultDest, bool reachable = true)
{
    QTest::newRow(name) << lpoptions << lpdest << reachable << expected << defaultDest;
}
} // namespace

// Runs against the private cupsd that scripts/lib/cupsd-test.sh starts (the ctest fixture
// "cupsd"), which has the queues EtikorRaw (created first, the default) and EtikorLabel. HOME
// and CUPS_SERVERROOT are a temporary folder, so only the rows' own lpoptions count.
class TestPrinterList : public QObject {
    Q_OBJECT
    QTemporaryDir m_home;
    QByteArray m_server;

private Q_SLOTS:
    void initTestCase()
    {
        // Before the first libcups call: libcups reads HOME only once per thread.
        QVERIFY(m_home.isValid() && QDir(m_home.path()).mkpath(QStringLiteral(".cups")));
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qputenv("CUPS_SERVERROOT", QFile::encodeName(m_home.path()));
        qunsetenv("LPDEST");
        qunsetenv("PRINTER");
        m_server = qgetenv("CUPS_SERVER");
        QVERIFY2(!m_server.isEmpty(), "CUPS_SERVER must name the test cupsd (ctest fixture cupsd)");
        useServer(m_server);
        cups_dest_t *dests = nullptr;
        const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
        cupsFreeDests(count, dests);
        // Fails rather than skips: a run without the server must not look like a passed one.
        QVERIFY2(count > 0, "the test cupsd named by CUPS_SERVER does not answer; start it with "
                            "scripts/lib/cupsd-test.sh start <dir> <port>");
    }

    void cleanup()
    {
        qunsetenv("LPDEST");
        useServer(m_server);
    }

    void printers_data()
    {
        QTest::addColumn<QString>("lpoptions");
        QTest::addColumn<QString>("lpdest");
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("defaultDest");

        // CUPS lists by name, not in creation order, an instance right after its queue.
        const QString instance = QStringLiteral("EtikorLabel/a");
        const QString withInstance = QStringLiteral("Dest EtikorLabel/a copies=2\n");
        const QString instanceDefault = withInstance + QStringLiteral("Default EtikorLabel/a\n");
        row("queues", {}, {}, {kLabel, kRaw}, kRaw);
        row("an instance alone keeps the server default", withInstance, {},
            {kLabel, instance, kRaw}, kRaw);
        row("user default instance", instanceDefault, {}, {kLabel, instance, kRaw}, instance);
        row("LPDEST", {}, kLabel, {kLabel, kRaw}, kLabel);
        row("unreachable server", instanceDefault, kLabel, {}, {}, false);
    }
    void printers()
    {
        QFETCH(QString, lpoptions);
        QFETCH(QString, lpdest);
        QFETCH(bool, reachable);
        QFETCH(QStringList, expected);
        QFile file(m_home.filePath(QStringLiteral(".cups/lpoptions")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(lpoptions.toUtf8()) >= 0 &&
                file.flush());
        if (!lpdest.isEmpty())
            qputenv("LPDEST", lpdest.toUtf8());
        if (!reachable)
            useServerWithoutListener();
        QCOMPARE(PrinterList::destinations(), expected);
        QTEST(PrinterList::defaultDestination(), "defaultDest");
        PrintControls controls;
        controls.setPrinters({QStringLiteral("Alt"), kRaw});
        PrinterList::loadPrinter(controls);
        QCOMPARE(controls.printers(), expected);
    }
};

QTEST_GUILESS_MAIN(TestPrinterList)
#include "tst_printerlist.moc"
