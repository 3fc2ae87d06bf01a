#include "PrintControls.h"
#include "PrinterList.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <cups/cups.h>

// Runs against the private cupsd that scripts/lib/cupsd-test.sh starts (the ctest fixture
// "cupsd"), which has the queues EtikorRaw (created first, the default) and EtikorLabel.
// HOME and CUPS_SERVERROOT point into a temporary folder, so the user's and the system's
// lpoptions cannot change what the station sees; the tests write their own.
class TestPrinterList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void destinations_data();
    void destinations();
    void defaultDestination_data();
    void defaultDestination();
    void loadPrinterReplacesTheList();
    void unreachableServerGivesNoPrinters();

private:
    void writeLpoptions(const QString &content);

    QTemporaryDir m_home;
    QTemporaryDir m_serverRoot;
    QByteArray m_server;
};

namespace {
const QString kRaw = QStringLiteral("EtikorRaw");
const QString kLabel = QStringLiteral("EtikorLabel");

bool answers(const QByteArray &server)
{
    const qsizetype colon = server.lastIndexOf(':');
    if (colon <= 0)
        return false;
    const QByteArray host = server.left(colon);
    const int port = server.mid(colon + 1).toInt();
    http_t *http = httpConnect2(host.constData(), port, nullptr, AF_UNSPEC,
                                HTTP_ENCRYPTION_IF_REQUESTED, 1, 5000, nullptr);
    httpClose(http);
    return http != nullptr;
}

quint16 portWithoutListener()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 9;
    return probe.serverPort(); // closed again when probe goes
}

// libcups keeps the server it read from the environment; this makes it read it again.
void useServer(const QByteArray &server)
{
    qputenv("CUPS_SERVER", server);
    cupsSetServer(nullptr);
}
} // namespace

void TestPrinterList::initTestCase()
{
    // Before the first libcups call: libcups reads HOME only once per thread.
    QVERIFY(m_home.isValid() && m_serverRoot.isValid());
    QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral(".cups")));
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("CUPS_SERVERROOT", QFile::encodeName(m_serverRoot.path()));
    qunsetenv("LPDEST");
    qunsetenv("PRINTER");

    m_server = qgetenv("CUPS_SERVER");
    QVERIFY2(!m_server.isEmpty(), "CUPS_SERVER must name the test cupsd (ctest fixture cupsd)");
    useServer(m_server);
    QVERIFY2(answers(m_server),
             qPrintable(QStringLiteral("the test cupsd at %1 does not answer; start it with "
                                       "scripts/lib/cupsd-test.sh start <dir> <port>")
                            .arg(QString::fromLatin1(m_server))));
}

void TestPrinterList::cleanup()
{
    QFile::remove(m_home.filePath(QStringLiteral(".cups/lpoptions")));
    qunsetenv("LPDEST");
    qunsetenv("PRINTER");
    useServer(m_server);
}

void TestPrinterList::writeLpoptions(const QString &content)
{
    if (content.isEmpty())
        return;
    QFile file(m_home.filePath(QStringLiteral(".cups/lpoptions")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write(content.toUtf8()) == content.toUtf8().size());
}

void TestPrinterList::destinations_data()
{
    QTest::addColumn<QString>("lpoptions");
    QTest::addColumn<QStringList>("expected");

    // CUPS lists by name, not in the order the queues were created.
    QTest::newRow("queues") << QString() << QStringList{kLabel, kRaw};
    QTest::newRow("instance after its queue")
        << QStringLiteral("Dest EtikorRaw/zwei copies=2\n")
        << QStringList{kLabel, kRaw, QStringLiteral("EtikorRaw/zwei")};
    QTest::newRow("instance of the first queue")
        << QStringLiteral("Dest EtikorLabel/a copies=2\n")
        << QStringList{kLabel, QStringLiteral("EtikorLabel/a"), kRaw};
    QTest::newRow("instance of a queue the server lacks")
        << QStringLiteral("Dest Nix/x copies=2\n") << QStringList{kLabel, kRaw};
}

void TestPrinterList::destinations()
{
    QFETCH(QString, lpoptions);
    QFETCH(QStringList, expected);
    writeLpoptions(lpoptions);
    QCOMPARE(PrinterList::destinations(), expected);
}

void TestPrinterList::defaultDestination_data()
{
    QTest::addColumn<QString>("lpoptions");
    QTest::addColumn<QString>("lpdest");
    QTest::addColumn<QString>("printer");
    QTest::addColumn<QString>("expected");

    QTest::newRow("server default") << QString() << QString() << QString() << kRaw;
    QTest::newRow("LPDEST") << QString() << kLabel << QString() << kLabel;
    QTest::newRow("PRINTER") << QString() << QString() << kLabel << kLabel;
    QTest::newRow("LPDEST before PRINTER") << QString() << kLabel << kRaw << kLabel;
    QTest::newRow("LPDEST naming no queue")
        << QString() << QStringLiteral("Nix") << QString() << QString();
    QTest::newRow("user default") << QStringLiteral("Default EtikorLabel\n") << QString()
                                  << QString() << kLabel;
    QTest::newRow("user default instance")
        << QStringLiteral("Dest EtikorLabel/zwei copies=2\nDefault EtikorLabel/zwei\n") << QString()
        << QString() << QStringLiteral("EtikorLabel/zwei");
    QTest::newRow("an instance alone keeps the server default")
        << QStringLiteral("Dest EtikorLabel/zwei copies=2\n") << QString() << QString() << kRaw;
}

void TestPrinterList::defaultDestination()
{
    QFETCH(QString, lpoptions);
    QFETCH(QString, lpdest);
    QFETCH(QString, printer);
    QFETCH(QString, expected);
    writeLpoptions(lpoptions);
    if (!lpdest.isEmpty())
        qputenv("LPDEST", lpdest.toUtf8());
    if (!printer.isEmpty())
        qputenv("PRINTER", printer.toUtf8());
    QCOMPARE(PrinterList::defaultDestination(), expected);
}

void TestPrinterList::loadPrinterReplacesTheList()
{
    PrintControls controls;
    controls.setPrinters({QStringLiteral("Alt"), kRaw});
    QSignalSpy changed(&controls, &PrintControls::printersChanged);

    PrinterList::loadPrinter(controls);

    QCOMPARE(controls.printers(), (QStringList{kLabel, kRaw}));
    QCOMPARE(changed.count(), 1);
}

void TestPrinterList::unreachableServerGivesNoPrinters()
{
    writeLpoptions(QStringLiteral("Dest EtikorRaw/zwei copies=2\nDefault EtikorRaw\n"));
    PrintControls controls;
    PrinterList::loadPrinter(controls);
    QVERIFY(!controls.printers().isEmpty());

    useServer("127.0.0.1:" + QByteArray::number(portWithoutListener()));

    QCOMPARE(PrinterList::destinations(), QStringList());
    QCOMPARE(PrinterList::defaultDestination(), QString());
    PrinterList::loadPrinter(controls);
    QCOMPARE(controls.printers(), QStringList());
}

QTEST_GUILESS_MAIN(TestPrinterList)
#include "tst_printerlist.moc"
