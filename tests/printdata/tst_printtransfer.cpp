#include "PlcStatus.h"
#include "PrintDataStation.h"

namespace {

const QString kVar = u"Etk1.print.Druckdaten"_s;
const QString kSql = u"SELECT Druckdaten.LosName, Druckdaten.TeileNr, Druckdaten.Etikettendaten "
                     u"FROM Druckdaten where Druckdaten.teileNr=7 and Druckdaten.LosName='L1';"_s;
const QStringList kWritten{u"createHandle "_s + kVar, u"writeString "_s + kVar,
                           u"releaseHandle "_s + kVar};

// Etikettendaten of the rows of lot L1, part 7; "<null>" stands for a database null.
void fillRows(PrintDataStation &s, const QStringList &rows)
{
    QStringList statements{u"DELETE FROM Druckdaten"_s};
    for (const QString &row : rows)
        statements.append(u"INSERT INTO Druckdaten VALUES ('L1', 7, %1, NULL)"_s.arg(
            row == u"<null>" ? row.mid(1, 4) : u'\'' + row + u'\''));
    s.execute(statements);
}

} // namespace

class TestPrintTransfer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writeDruckdaten_data();
    void writeDruckdaten();
    void missingDatabase();
    void writeQueryTypes_data();
    void writeQueryTypes();
    void writeQueryView_data();
    void writeQueryView();
    void writeQueryFailures();
};

void TestPrintTransfer::writeDruckdaten_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("writePrintData");
    QTest::addColumn<int>("printRaw");
    QTest::addColumn<int>("outputCount");
    QTest::addColumn<qint32>("handleStatus");
    QTest::addColumn<qint32>("result");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QStringList>("jobs");
    QTest::addColumn<QString>("message"); // empty: the label stays empty
    QTest::addColumn<int>("logged");      // 0 nothing, 1 with message box, 2 without

    const qint32 bad = PlcStatus::BadNodeIdUnknown;
    const QStringList none;
    QTest::newRow("several rows: the first is written and printed")
        << QStringList{u"A"_s, u"B"_s, u"C"_s} << 1 << 1 << 1 << 0 << 0 << kWritten << u"P>A"_s
        << QStringList{u"data A"_s} << QString() << 0;
    QTest::newRow("empty column: warning, empty text written")
        << QStringList{QString()} << 1 << 1 << 1 << 0 << 0 << kWritten << u"P>"_s << none
        << u"No PrintdataL1 7! Printer field Etikettendaten is empty!"_s << 2;
    QTest::newRow("RAW printing without PLC writes")
        << QStringList{u"A"_s} << 0 << 1 << 1 << 0 << 0 << none << QString()
        << QStringList{u"data A"_s} << QString() << 0;
    QTest::newRow("handle failure after counting")
        << QStringList{u"A"_s, u"B"_s} << 1 << 0 << 1 << bad << 1
        << QStringList{u"createHandle "_s + kVar} << QString() << none
        << u"Create VarHandle: "_s + kVar + QString::number(bad) << 1;
    QTest::newRow("no rows, one output")
        << none << 1 << 0 << 1 << 0 << 1 << none << QString() << none
        << u"Write Query: No Records found ! \r\n<"_s + kSql + u'>' << 0;
    QTest::newRow("no rows, two outputs")
        << none << 1 << 0 << 2 << 0 << 1 << none << QString() << none << QString() << 0;
    QTest::newRow("null escape") << QStringList{u"A$000"_s} << 1 << 0 << 1 << 0 << 1 << kWritten
                                 << u"P>A"_s << none
                                 << u"Control character is Null ! Var:"_s + kVar +
                                        u" Scan:Etikettendaten"_s
                                 << 1;
    QTest::newRow("null column") << QStringList{u"<null>"_s} << 1 << 1 << 1 << 0 << 1 << none
                                 << QString() << none << u"Write Query: Invalid use of Null"_s << 1;
}

void TestPrintTransfer::writeDruckdaten()
{
    QFETCH(QStringList, rows);
    QFETCH(qint32, handleStatus);
    QFETCH(QString, message);
    QFETCH(int, logged);
    PrintDataStation s;
    fillRows(s, rows);
    QFETCH(int, writePrintData);
    QFETCH(int, printRaw);
    QFETCH(int, outputCount);
    s.settings.writePrintData = writePrintData;
    s.settings.printRaw = printRaw;
    s.settings.outputCount = outputCount;
    s.settings.prefixOnOff = 1;
    s.settings.prefix = u"P>"_s;
    s.plc.failCreateHandle(kVar, handleStatus);

    QTEST(s.druckdaten.writeDruckdaten(SqlStatement(kSql), u"Etikettendaten"_s), "result");
    QTEST(s.plc.calls(), "calls");
    if (s.plc.calls().contains(u"writeString "_s + kVar))
        QTEST(s.plc.value(kVar).toString(), "written");
    QTEST(s.raw.jobs, "jobs");
    QVERIFY2(message.isEmpty() ? s.error().isEmpty() : s.shows(message), qPrintable(s.error()));
    QCOMPARE(s.log.entries.size(), logged ? 1 : 0);
    if (logged) {
        QCOMPARE(s.log.entries.first().str, s.error());
        QCOMPARE(s.log.entries.first().msgBox, logged == 1);
    }
    QVERIFY(!s.controls.steuerzeichenNull);
}

void TestPrintTransfer::missingDatabase()
{
    PrintDataStation s;
    s.controls.serverPath = s.dir.filePath(u"missing.db"_s);
    QCOMPARE(s.druckdaten.writeDruckdaten(SqlStatement(kSql), u"Etikettendaten"_s), 1);
    QVERIFY(s.shows(u"Error open Database hex(1): database file not found: "_s +
                    s.controls.serverPath));
    QCOMPARE(s.query.writeQuery(u"ServerDruckdaten"_s, SqlStatement(), nullptr), 1);
    QCOMPARE(s.log.entries.size(), 2);
    QVERIFY(!QFile::exists(s.controls.serverPath));
    QVERIFY(s.plc.calls().isEmpty());

    s.controls.serverPath.clear();
    QCOMPARE(s.query.writeQuery(u"ServerDruckdaten"_s, SqlStatement(), nullptr), 0);
    QCOMPARE(s.druckdaten.writeDruckdaten(SqlStatement(kSql), u"Etikettendaten"_s), 0);
    QCOMPARE(s.log.entries.size(), 2);
}

void TestPrintTransfer::writeQueryTypes_data()
{
    QTest::addColumn<QString>("declared");
    QTest::addColumn<QString>("literal");
    QTest::addColumn<int>("plcType");
    QTest::addColumn<QString>("operation"); // empty: a handle, but no write
    QTest::addColumn<QVariant>("value");

    const int s = QMetaType::Short;
    QTest::newRow("INTEGER") << u"INTEGER"_s << u"1234"_s << s << u"writeInt"_s << QVariant(1234);
    QTest::newRow("INTEGER beyond 16 bits")
        << u"INTEGER"_s << u"40000"_s << s << u"writeInt"_s << QVariant(0);
    QTest::newRow("BIGINT") << u"BIGINT"_s << u"70000"_s << int(QMetaType::Int) << u"writeLong"_s
                            << QVariant(70000);
    QTest::newRow("BIGINT beyond 32 bits")
        << u"BIGINT"_s << u"3000000000"_s << int(QMetaType::Int) << u"writeLong"_s << QVariant(0);
    QTest::newRow("DOUBLE") << u"DOUBLE"_s << u"2.5"_s << int(QMetaType::Double) << u"writeLReal"_s
                            << QVariant(2.5);
    QTest::newRow("BOOLEAN") << u"BOOLEAN"_s << u"1"_s << int(QMetaType::Bool) << u"writeBool"_s
                             << QVariant(true);
    QTest::newRow("BOOLEAN null") << u"BOOLEAN"_s << u"NULL"_s << int(QMetaType::Bool)
                                  << u"writeBool"_s << QVariant(false);
    QTest::newRow("VARCHAR") << u"VARCHAR(20)"_s << u"'abc'"_s << int(QMetaType::QString)
                             << u"writeString"_s << QVariant(u"abc"_s);
    QTest::newRow("REAL") << u"REAL"_s << u"1.5"_s << s << QString() << QVariant(0);
    QTest::newRow("SMALLINT") << u"SMALLINT"_s << u"5"_s << s << QString() << QVariant(0);
    QTest::newRow("DATE") << u"DATE"_s << u"'2024-01-02'"_s << s << QString() << QVariant(0);
}

// Without the view every column of Druckdaten is transferred.
void TestPrintTransfer::writeQueryTypes()
{
    QFETCH(QString, declared);
    QFETCH(QString, literal);
    QFETCH(int, plcType);
    QFETCH(QString, operation);
    QFETCH(QVariant, value);
    PrintDataStation s(u"LosName VARCHAR(40), TeileNr INTEGER, Wert "_s + declared);
    s.execute({u"UPDATE Druckdaten SET Wert = "_s + literal});
    const QString var = u"Etk1.print.Wert"_s;
    s.plc.define(var, QMetaType(plcType));
    s.request.LosName.clear();
    s.request.TeileNr = 0;

    QCOMPARE(s.query.writeQuery(u"ServerDruckdaten"_s,
                                SqlStatement(u" where Druckdaten.teileNr=7"_s), nullptr),
             0);
    QStringList calls{u"createHandle "_s + var, u"releaseHandle "_s + var};
    if (!operation.isEmpty())
        calls.insert(1, operation + u' ' + var);
    QCOMPARE(s.plc.calls(), calls);
    QCOMPARE(s.plc.value(var), value);
    QCOMPARE(s.request.LosName, u"L1"_s);
    QCOMPARE(s.request.TeileNr, 7);
    QVERIFY(s.error().isEmpty());
}

void TestPrintTransfer::writeQueryView_data()
{
    QTest::addColumn<int>("writePrintData");
    QTest::newRow("PLC writes on") << 1;
    QTest::newRow("PLC writes off") << 0;
}

// The view's columns alone are transferred; a column named like TeileNr in another letter
// case is a PLC variable, the label data in any letter case is printed RAW.
void TestPrintTransfer::writeQueryView()
{
    QFETCH(int, writePrintData);
    PrintDataStation s;
    s.execute({u"UPDATE Druckdaten SET Etikettendaten = 'E', Tintendruckdaten = 'T'"_s,
               u"CREATE VIEW ServerDruckdaten AS SELECT Druckdaten.LosName, Druckdaten.TeileNr "
               u"AS teilenr, Etikettendaten AS ETIKETTENDATEN FROM Druckdaten"_s});
    s.settings.writePrintData = writePrintData;
    s.settings.ablOnOff = true;
    s.settings.printRaw = 1;
    const QString teil = u"Etk1.bAbl.print.teilenr"_s;
    const QString label = u"Etk1.bAbl.print.ETIKETTENDATEN"_s;
    s.plc.define(teil, QMetaType(QMetaType::Short));
    s.plc.define(label, QMetaType(QMetaType::QString));
    s.request.LosName.clear();

    QCOMPARE(s.query.writeQuery(u"ServerDruckdaten"_s,
                                SqlStatement(u" where Druckdaten.teileNr=7"_s), nullptr),
             0);
    QCOMPARE(s.request.LosName, u"L1"_s);
    QCOMPARE(s.raw.jobs, QStringList{u"data E"_s});
    const QStringList calls{u"createHandle "_s + teil,  u"writeInt "_s + teil,
                            u"releaseHandle "_s + teil, u"createHandle "_s + label,
                            u"writeString "_s + label,  u"releaseHandle "_s + label};
    QCOMPARE(s.plc.calls(), writePrintData ? calls : QStringList());
    if (writePrintData)
        QCOMPARE(s.plc.value(label).toString(), u"E"_s);
}

void TestPrintTransfer::writeQueryFailures()
{
    PrintDataStation s;
    // The statement is cut at its first ";", inside the literal, and the filter follows
    // after one more blank.
    s.execute({u"CREATE VIEW ServerDruckdaten AS SELECT LosName FROM Druckdaten WHERE "
               u"LosName <> ';'"_s});
    QCOMPARE(s.query.writeQuery(u"ServerDruckdaten"_s, SqlStatement(u" where x"_s), nullptr), 1);
    QVERIFY2(s.shows(u"Error open Recordset hex(1): "_s), qPrintable(s.error()));
    QVERIFY(
        s.error().endsWith(u"\r\nSELECT LosName FROM Druckdaten WHERE LosName <> '  where x"_s));
    QCOMPARE(s.log.entries.size(), 1);

    s.execute({u"DROP VIEW ServerDruckdaten"_s});
    QCOMPARE(
        s.query.writeQuery(u"ServerDruckdaten"_s, SqlStatement(u" where TeileNr=99"_s), nullptr),
        1);
    QVERIFY(s.shows(u"Write Query: No Records found ! \r\n< where TeileNr=99>"_s));
    QCOMPARE(s.log.entries.size(), 1);

    s.execute({u"INSERT INTO Druckdaten (LosName, TeileNr) VALUES ('L2', NULL)"_s});
    s.settings.writePrintData = 0;
    QCOMPARE(s.query.writeQuery(u"ServerDruckdaten"_s, SqlStatement(), nullptr), 94);
    QVERIFY(s.shows(u"Write Query: Invalid use of Null"_s));
    QCOMPARE(s.log.entries.size(), 2);
}

QTEST_GUILESS_MAIN(TestPrintTransfer)
#include "tst_printtransfer.moc"
