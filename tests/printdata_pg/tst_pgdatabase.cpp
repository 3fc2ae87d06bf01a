#include "AppSettings.h"
#include "DatabaseConnection.h"
#include "DatabasePreparation.h"
#include "DruckdatenTransfer.h"
#include "PrintControls.h"
#include "PrintRequest.h"
#include "QueryTransfer.h"
#include "RawOutput.h"
#include "RecordingLog.h"
#include "SimulatedPlc.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The print-data database on a real PostgreSQL server (the private one of the test fixture)
// and, through the ODBC driver manager, on an SQLite file: opening, the engine's own failure
// text, the stored query, and each PostgreSQL column type reaching the PLC the right way.
class TstPgDatabase : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void aWrongDatabaseFailsInTheEnginesWords();
    void prepareDatabaseCreatesTheView();
    void writeQueryWritesEachTypeItsWay_data();
    void writeQueryWritesEachTypeItsWay();
    void writeDruckdatenWritesTheColumn();
    void odbcOpensAnSqliteFile();

private:
    QString m_server; // the connection string without the database
    QString m_serverPath;
};

namespace {
// The filter of a lot request for lot L1, part 5, with both values bound.
const SqlStatement kWhereL1(u"Druckdaten.teileNr=? and Druckdaten.LosName=?"_s, {5, u"L1"_s},
                            u"Druckdaten.teileNr=5 and Druckdaten.LosName='L1';"_s);

class NoRaw : public RawOutput {
public:
    qint32 printRawData(const QString &) override { return 0; }
    QString applyPrefix(const QString &, const QString &data) const override { return data; }
    qint32 printRawFile(const QString &, qint32) override { return 0; }
};

// What a transfer works with: the PostgreSQL database as serverPath, module "M1", PLC writes on.
struct Station {
    AppSettings settings;
    PrintControls controls;
    PrintRequest request;
    RecordingLog log;
    SimulatedPlc plc;
    NoRaw raw;
    PrintDataServices services{settings, controls, request, log, plc, raw};

    explicit Station(const QString &serverPath)
    {
        settings.writePrintData = 1;
        settings.ablOnOff = false;
        settings.outputCount = 1;
        controls.serverPath = serverPath;
        controls.modulName = u"M1"_s;
    }
};

bool exec(const QString &serverPath, const QStringList &statements)
{
    const DatabaseConnection connection(serverPath);
    QSqlQuery query(connection.database());
    for (const QString &statement : statements) {
        if (!query.exec(statement)) {
            qWarning() << statement << query.lastError().text();
            return false;
        }
    }
    return connection.isOpen();
}
} // namespace

void TstPgDatabase::initTestCase()
{
    const QString host = qEnvironmentVariable("ETIKOR_TEST_PG_HOST");
    const QString port = qEnvironmentVariable("ETIKOR_TEST_PG_PORT");
    if (host.isEmpty() || port.isEmpty())
        QFAIL(
            "ETIKOR_TEST_PG_HOST/PORT not set: run through ctest, whose fixture starts the server");
    m_server = u"Provider=PostgreSQL;Host=%1;Port=%2;User ID=%3"_s.arg(
        host, port, qEnvironmentVariable("ETIKOR_TEST_PG_USER"));
    m_serverPath = m_server + u";Database="_s + qEnvironmentVariable("ETIKOR_TEST_PG_DATABASE");
    // Unquoted names, as the stored query writes them: PostgreSQL folds them to lower case.
    QVERIFY(exec(m_serverPath,
                 {u"DROP VIEW IF EXISTS serverdruckdaten, \"ServerDruckdaten\", typen"_s,
                  u"DROP TABLE IF EXISTS druckdaten"_s,
                  u"CREATE TABLE Druckdaten (LosName text, TeileNr int4, Etikettendaten text,"
                  " Tintendruckdaten varchar(40), w_int4 int4, w_int2 int2, w_int8 int8,"
                  " w_float8 float8, w_float4 float4, w_bool bool, w_text text,"
                  " w_varchar varchar(20), w_date date)"_s,
                  u"INSERT INTO Druckdaten VALUES ('L1', 5, 'Etikett L1', 'Tinte', 1234, 12,"
                  " 123456789, 2.5, 1.5, true, 'Hallo', 'Welt', '2024-05-01')"_s}));
    QCOMPARE(DatabaseConnection(m_serverPath).database().driverName(), u"QPSQL"_s);
}

void TstPgDatabase::aWrongDatabaseFailsInTheEnginesWords()
{
    const DatabaseConnection connection(m_server + u";Database=nosuch"_s);
    QVERIFY(!connection.isOpen());
    QVERIFY(connection.failure().pending());
    QVERIFY2(connection.failure().description.contains(u"database \"nosuch\" does not exist"_s),
             qPrintable(connection.failure().description));
}

void TstPgDatabase::prepareDatabaseCreatesTheView()
{
    for (int run = 0; run < 2; ++run) // the second finds it and leaves it
        DatabasePreparation::prepareDatabase(m_serverPath);
    const DatabaseConnection connection(m_serverPath);
    QSqlQuery query(connection.database());
    QVERIFY(
        query.exec(u"SELECT definition FROM pg_views WHERE lower(viewname)='serverdruckdaten'"_s));
    QVERIFY(query.next());
    QVERIFY2(query.value(0).toString().contains(u"druckdaten.tintendruckdaten"_s),
             qPrintable(query.value(0).toString()));
    QVERIFY(!query.next());
}

// One view per column type, so that the statement writeQuery runs is the view's text from
// pg_views: without it every column of the table would be written.
void TstPgDatabase::writeQueryWritesEachTypeItsWay_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QMetaType>("plcType");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("written"); // empty: nothing written
    const QString handle = u"createHandle M1.print.Wert"_s;
    const QString release = u"releaseHandle M1.print.Wert"_s;
    const auto row = [&](const char *column, QMetaType::Type type, const QString &write,
                         const QString &written) {
        QStringList calls{handle};
        if (!write.isEmpty())
            calls << write + u" M1.print.Wert"_s;
        QTest::newRow(column) << QString::fromLatin1(column) << QMetaType(type)
                              << (calls << release) << written;
    };
    row("w_int4", QMetaType::Short, u"writeInt"_s, u"1234"_s);
    row("w_int2", QMetaType::Short, {}, {});
    row("w_int8", QMetaType::Int, u"writeLong"_s, u"123456789"_s);
    row("w_float8", QMetaType::Double, u"writeLReal"_s, u"2.5"_s);
    row("w_float4", QMetaType::Double, {}, {});
    row("w_bool", QMetaType::Bool, u"writeBool"_s, u"true"_s);
    row("w_text", QMetaType::QString, u"writeString"_s, u"Hallo"_s);
    row("w_varchar", QMetaType::QString, u"writeString"_s, u"Welt"_s);
    row("w_date", QMetaType::QString, {}, {});
}

void TstPgDatabase::writeQueryWritesEachTypeItsWay()
{
    QFETCH(QString, column);
    QFETCH(QMetaType, plcType);
    QFETCH(QStringList, calls);
    QFETCH(QString, written);
    QVERIFY(exec(m_serverPath, {u"DROP VIEW IF EXISTS typen"_s,
                                u"CREATE VIEW typen AS SELECT teilenr AS \"TeileNr\", losname AS"
                                " \"LosName\", %1 AS \"Wert\" FROM druckdaten;"_s.arg(column)}));
    Station station(m_serverPath);
    QVERIFY(station.plc.define(u"M1.print.Wert"_s, plcType));
    const qint32 result = QueryTransfer(station.services)
                              .writeQuery(u"Typen"_s, kWhereL1.after(u" where "_s), nullptr);
    QCOMPARE(result, 0);
    QCOMPARE(station.plc.calls(), calls);
    QCOMPARE(station.plc.writes().size(), written.isEmpty() ? 0 : 1);
    if (!written.isEmpty())
        QCOMPARE(station.plc.writes().first().value.toString(), written);
    QCOMPARE(station.request.TeileNr, 5);
    QCOMPARE(station.request.LosName, u"L1"_s);
}

// The lot name is bound, so a statement in it is a name that finds nothing, and the table
// stays as it was.
void TstPgDatabase::writeDruckdatenWritesTheColumn()
{
    Station station(m_serverPath);
    QVERIFY(station.plc.define(u"M1.print.Druckdaten"_s, QMetaType(QMetaType::QString)));
    const QString select = u"SELECT Druckdaten.LosName, Druckdaten.TeileNr, "
                           u"Druckdaten.Etikettendaten FROM Druckdaten where "_s;
    DruckdatenTransfer transfer(station.services);
    QCOMPARE(transfer.writeDruckdaten(kWhereL1.after(select), u"Etikettendaten"_s), 0);
    QCOMPARE(station.plc.writes().size(), 1);
    QCOMPARE(station.plc.writes().first().name, u"M1.print.Druckdaten"_s);
    QCOMPARE(station.plc.writes().first().value.toString(), u"Etikett L1"_s);

    const QString hostile = u"x';DELETE FROM Druckdaten;--"_s;
    const SqlStatement where(u"Druckdaten.teileNr=? and Druckdaten.LosName=?"_s, {5, hostile},
                             hostile);
    QCOMPARE(transfer.writeDruckdaten(where.after(select), u"Etikettendaten"_s), 1);
    QCOMPARE(transfer.writeDruckdaten(kWhereL1.after(select), u"Etikettendaten"_s), 0);
}

void TstPgDatabase::odbcOpensAnSqliteFile()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"druck.db"_s);
    QVERIFY(QFile(file).open(QIODevice::WriteOnly)); // an empty file is an empty database
    QVERIFY(exec(file, {u"CREATE TABLE Druckdaten (LosName TEXT, TeileNr INTEGER)"_s,
                        u"INSERT INTO Druckdaten VALUES ('L7', 7)"_s}));
    const DatabaseConnection connection(u"Driver=SQLite3;Database="_s + file);
    QVERIFY2(connection.isOpen(), qPrintable(connection.failure().description));
    QCOMPARE(connection.database().driverName(), u"QODBC"_s);
    QSqlQuery query(connection.database());
    QVERIFY(query.exec(u"SELECT LosName, TeileNr FROM Druckdaten"_s));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), u"L7"_s);
    QCOMPARE(query.value(1).toInt(), 7);
}

QTEST_MAIN(TstPgDatabase)
#include "tst_pgdatabase.moc"
