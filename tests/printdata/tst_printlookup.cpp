#include "DatabaseCatalog.h"
#include "DatabaseConnection.h"
#include "DatabasePreparation.h"
#include "PrintDataStation.h"

class TestPrintLookup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lookupPrint_data();
    void lookupPrint();
    void prepareDatabase();
    void connection_data();
    void connection();
};

void TestPrintLookup::lookupPrint_data()
{
    QTest::addColumn<QString>("lot");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("outputCount");
    QTest::addColumn<int>("printRaw");
    QTest::addColumn<int>("writePrintData");
    QTest::addColumn<int>("labels"); // labels the label program prints; -1: switched off
    QTest::addColumn<qint32>("labelResult");
    QTest::addColumn<qint32>("result");
    QTest::addColumn<QStringList>("jobs");
    QTest::addColumn<QString>("firstCall"); // the database step's first PLC call
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("logged"); // 0 nothing, 1 with message box, 2 without

    const QStringList none;
    const QStringList file{u"file L1 7"_s};
    const QString druck = u"createHandle Etk1.print.Druckdaten"_s;
    QTest::newRow("one output: its own result")
        << u"L1"_s << 1 << 1 << 0 << 0 << 0 << 5 << 5 << none << QString() << QString() << 0;
    QTest::newRow("one output: the print file's 1")
        << u"L1"_s << 1 << 1 << 2 << 0 << -1 << 0 << 1 << file << QString() << QString() << 0;
    QTest::newRow("print file, then the database step")
        << u"L1"_s << 1 << 0 << 2 << 1 << -1 << 0 << 0 << QStringList{u"file L1 7"_s, u"data E"_s}
        << druck << QString() << 0;
    QTest::newRow("type 2") << u"L1"_s << 2 << 1 << 1 << 1 << -1 << 0 << 0
                            << QStringList{u"data T"_s} << druck << QString() << 0;
    QTest::newRow("type 7 runs the query")
        << u"L1"_s << 7 << 1 << 0 << 1 << -1 << 0 << 0 << none
        << u"createHandle Etk1.print.Etikettendaten"_s << QString() << 0;
    QTest::newRow("several outputs: one label is success")
        << u"L1"_s << 1 << 2 << 2 << 0 << 1 << 4 << 0 << file << QString() << QString() << 0;
    QTest::newRow("several outputs: no label, first error")
        << u"L1"_s << 1 << 2 << 2 << 0 << 0 << 3 << 3 << file << QString()
        << u"No Printdata found !  <L1> <7>"_s << 2;
    QTest::newRow("several outputs: no label, no error")
        << u"L1"_s << 1 << 3 << 0 << 0 << 0 << 0 << 1 << none << QString()
        << u"No Printdata found !  <L1> <7>"_s << 2;
    QTest::newRow("several outputs: two labels")
        << u"L1"_s << 1 << 2 << 0 << 0 << 2 << 0 << 1 << none << QString()
        << u"   2Label's printed !  <L1> <7>"_s << 1;
    // Lot names come from barcodes: bound as values, a lot with an apostrophe is found, and
    // SQL in one finds nothing. Messages show the statement with the name written in.
    QTest::newRow("apostrophe in the lot name")
        << u"O'Hara"_s << 1 << 1 << 1 << 1 << -1 << 0 << 0 << QStringList{u"data E"_s} << druck
        << QString() << 0;
    QTest::newRow("SQL in the lot name")
        << u"X' OR 'a'='a"_s << 1 << 1 << 1 << 1 << -1 << 0 << 1 << none << QString()
        << u" FROM Druckdaten where Druckdaten.teileNr=7 and Druckdaten.LosName='X' OR 'a'='a';>"_s
        << 0;
    QTest::newRow("SQL in the lot name, stored query")
        << u"L1'--"_s << 0 << 1 << 0 << 1 << -1 << 0 << 1 << none << QString()
        << u"Write Query: No Records found ! \r\n< where Druckdaten.teileNr=7 and "
           u"Druckdaten.LosName='L1'--';>"_s
        << 0;
    QTest::newRow("no lot name") << QString() << 1 << 1 << 2 << 1 << 1 << 5 << 0 << none
                                 << QString() << QString() << 0;
}

void TestPrintLookup::lookupPrint()
{
    QFETCH(QString, lot);
    QFETCH(int, labels);
    QFETCH(qint32, labelResult);
    QFETCH(QString, firstCall);
    QFETCH(QString, message);
    QFETCH(int, logged);
    PrintDataStation s;
    s.execute({u"INSERT INTO Druckdaten (LosName, TeileNr) VALUES ('O''Hara', 7)"_s,
               u"UPDATE Druckdaten SET Etikettendaten = 'E', Tintendruckdaten = 'T'"_s});
    s.plc.define(u"Etk1.print.Etikettendaten"_s, QMetaType(QMetaType::QString));
    s.plc.define(u"Etk1.print.Tintendruckdaten"_s, QMetaType(QMetaType::QString));
    QFETCH(int, type);
    QFETCH(int, outputCount);
    QFETCH(int, printRaw);
    QFETCH(int, writePrintData);
    s.request.EtikettenType = qint16(type);
    s.request.labelsPrinted = 9;
    s.settings.outputCount = outputCount;
    s.settings.printRaw = printRaw;
    s.settings.writePrintData = writePrintData;
    s.settings.labelshop = labels >= 0;
    s.lookup.setLabelPrint([&](const QString &, qint32, bool) {
        s.request.labelsPrinted += qint16(labels);
        return labelResult;
    });

    QTEST(s.lookup.lookupPrint(lot, 7, nullptr), "result");
    QTEST(s.raw.jobs, "jobs");
    QCOMPARE(s.plc.calls().value(0), firstCall);
    QVERIFY2(message.isEmpty() ? s.error().isEmpty() : s.shows(message), qPrintable(s.error()));
    QCOMPARE(s.log.entries.size(), logged ? 1 : 0);
    if (logged)
        QCOMPARE(s.log.entries.first().msgBox, logged == 1);
}

void TestPrintLookup::prepareDatabase()
{
    PrintDataStation s;
    const QString select = PrintLookup::storedQueryText().chopped(1);
    DatabasePreparation::prepareDatabase(s.file);
    DatabasePreparation::prepareDatabase(s.file);
    {
        const DatabaseConnection connection(s.file);
        QCOMPARE(DatabaseCatalog(connection.database()).viewText(u"ServerDruckdaten"_s), select);
    }
    s.plc.define(u"Etk1.print.Etikettendaten"_s, QMetaType(QMetaType::QString));
    s.plc.define(u"Etk1.print.Tintendruckdaten"_s, QMetaType(QMetaType::QString));
    s.execute({u"UPDATE Druckdaten SET Etikettendaten = 'E', Tintendruckdaten = 'T'"_s});
    QCOMPARE(s.query.writeQuery(u"ServerDruckdaten"_s, SqlStatement(), nullptr), 0);
    QCOMPARE(s.plc.calls().size(), 6); // Etikettendaten and Tintendruckdaten only

    const QString missing = s.dir.filePath(u"missing.db"_s);
    DatabasePreparation::prepareDatabase(missing);
    QVERIFY(!QFile::exists(missing));
}

void TestPrintLookup::connection_data()
{
    QTest::addColumn<QString>("serverPath"); // %1: the database file
    QTest::addColumn<QString>("engine");
    QTest::addColumn<QString>("failure"); // how its description begins; empty: it opens

    QTest::newRow("path") << u" %1 "_s << u"QSQLITE"_s << QString();
    QTest::newRow("Jet string") << DatabaseConnection::jetConnectionString(u"%1"_s) << u"QSQLITE"_s
                                << QString();
    QTest::newRow("Windows path") << u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=%1"_s
                                  << u"QSQLITE"_s << QString();
    QTest::newRow("SQLite, quoted")
        << u"provider=sqlite; DATA SOURCE = \"%1\""_s << u"QSQLITE"_s << QString();
    QTest::newRow("missing file") << u"%1.x"_s << u"QSQLITE"_s
                                  << u"database file not found: %1.x"_s;
    QTest::newRow("unknown provider")
        << u"Provider=Foo;Data Source=%1"_s << QString() << u"unknown database provider: Foo"_s;
    QTest::newRow("ODBC") << u"DSN=none"_s << u"QODBC"_s
                          << u"[unixODBC][Driver Manager]Data source name not found"_s;
    QTest::newRow("PostgreSQL, bad port")
        << u"Provider=PostgreSQL;Host=h;Port=x;Database=d"_s << u"QPSQL"_s
        << u"invalid port in connection string: x"_s;
}

void TestPrintLookup::connection()
{
    QFETCH(QString, serverPath);
    QFETCH(QString, failure);
    PrintDataStation s;
    QString file = s.file;
    if (QTest::currentDataTag() == QByteArray("Windows path"))
        file.replace(u'/', u'\\');
    const DatabaseConnection connection(serverPath.replace(u"%1"_s, file));
    QTEST(connection.engine(), "engine");
    QCOMPARE(connection.isOpen(), failure.isEmpty());
    QVERIFY2(connection.failure().description.startsWith(failure.replace(u"%1"_s, s.file)),
             qPrintable(connection.failure().description));
    QCOMPARE(connection.failure().number, failure.isEmpty() ? 0 : 1);
    QCOMPARE(DatabaseConnection::jetConnectionString(u" pRoViDeR=x"_s), u" pRoViDeR=x"_s);
    QCOMPARE(DatabaseConnection::jetConnectionString(u"DSN=prod"_s), u"DSN=prod"_s);
}

QTEST_GUILESS_MAIN(TestPrintLookup)
#include "tst_printlookup.moc"
