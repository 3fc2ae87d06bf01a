#include "AccessImport.h"
#include "AppSettings.h"
#include "DatabaseCatalog.h"
#include "DatabaseConnection.h"
#include "DatabasePreparation.h"
#include "DruckdatenTransfer.h"
#include "PlcStatus.h"
#include "PrintControls.h"
#include "PrintDataServices.h"
#include "PrintLookup.h"
#include "PrintRequest.h"
#include "PrintvarsQuery.h"
#include "QueryTransfer.h"
#include "RawOutput.h"
#include "RecordingLog.h"
#include "RegionalFormat.h"
#include "SimulatedPlc.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Records what the transfers send to the RAW printer, in order with the print-file jobs.
class RecordingRaw : public RawOutput {
public:
    QStringList jobs;
    qint32 fileResult = 1;

    qint32 printRawData(const QString &data) override
    {
        jobs.append(u"data "_s + data);
        return 0;
    }
    QString applyPrefix(const QString &prefix, const QString &data) const override
    {
        return prefix + data;
    }
    qint32 printRawFile(const QString &losName, qint32 teileNr) override
    {
        jobs.append(u"file %1 %2"_s.arg(losName).arg(teileNr));
        return fileResult;
    }
};

// One station over a real SQLite file: the table Druckdaten with a lot "L1" of part 7, the
// simulated PLC with the print-data variable of module "Etk1", and one output switched on.
struct PrintDataStation {
    QTemporaryDir dir;
    QString file = dir.filePath(u"druck.db"_s);
    SimulatedPlc plc;
    PrintControls controls;
    AppSettings settings;
    PrintRequest request;
    RecordingLog log;
    RecordingRaw raw;
    PrintDataServices services{settings, controls, request, log, plc, raw};
    DruckdatenTransfer druckdaten{services};
    QueryTransfer query{services};
    PrintLookup lookup{services, druckdaten, query};

    explicit PrintDataStation(const QString &table =
                                  u"LosName VARCHAR(40), TeileNr INTEGER, "
                                  u"Etikettendaten TEXT, Tintendruckdaten MEMO"_s)
    {
        execute({u"CREATE TABLE Druckdaten ("_s + table + u')',
                 u"INSERT INTO Druckdaten (LosName, TeileNr) VALUES ('L1', 7)"_s});
        controls.serverPath = file;
        controls.modulName = u"Etk1"_s;
        settings.ablOnOff = false;
        settings.writePrintData = 1;
        settings.outputCount = 1;
        request.LosName = u"L1"_s;
        request.TeileNr = 7;
        plc.define(u"Etk1.print.Druckdaten"_s, QMetaType(QMetaType::QString));
    }

    // Runs statements on the database file through a connection of the test's own.
    void execute(const QStringList &statements) const
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"fixture"_s);
            db.setDatabaseName(file);
            QVERIFY(db.open());
            for (const QString &statement : statements) {
                QSqlQuery q(db);
                QVERIFY2(q.exec(statement), qPrintable(q.lastError().text()));
            }
        }
        QSqlDatabase::removeDatabase(u"fixture"_s);
    }

    // Label data 'E' and ink-jet data 'T' in every row, and PLC variables for both.
    void fillPrintData()
    {
        execute({u"UPDATE Druckdaten SET Etikettendaten = 'E', Tintendruckdaten = 'T'"_s});
        plc.define(u"Etk1.print.Etikettendaten"_s, QMetaType(QMetaType::QString));
        plc.define(u"Etk1.print.Tintendruckdaten"_s, QMetaType(QMetaType::QString));
    }
    qint32 writeQuery(const QString &filter = {})
    {
        return query.writeQuery(u"ServerDruckdaten"_s, SqlStatement(filter), nullptr);
    }

    QString error() const { return controls.caption(PrintControls::Label::lblError); }
    // The label shows a text containing message, stamped with today's date.
    bool shows(const QString &message) const
    {
        const QString text = error();
        return text.startsWith(RegionalFormat::shortDate(QDate::currentDate()) + u' ') &&
               text.contains(message);
    }
};

const QString kVar = u"Etk1.print.Druckdaten"_s;
const QString kSql = u"SELECT Druckdaten.LosName, Druckdaten.TeileNr, Druckdaten.Etikettendaten "
                     u"FROM Druckdaten where Druckdaten.teileNr=7 and Druckdaten.LosName='L1';"_s;
const QString kPart7 = u" where Druckdaten.teileNr=7"_s;
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

class TestPrintData : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void writeDruckdaten_data()
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

        // The rows, then writePrintData, printRaw and outputCount, then the outcome.
        const auto row = [](const char *name, const QStringList &rows, int write, int printRaw,
                            int outputs, qint32 result, const QStringList &calls,
                            const QString &written, const QStringList &jobs,
                            const QString &message = {}, int logged = 0, qint32 handleStatus = 0) {
            QTest::newRow(name) << rows << write << printRaw << outputs << handleStatus << result
                                << calls << written << jobs << message << logged;
        };
        const qint32 bad = PlcStatus::BadNodeIdUnknown;
        const QStringList none, printedA{u"data A"_s};
        row("several rows: the first is written and printed", {u"A"_s, u"B"_s, u"C"_s}, 1, 1, 1, 0,
            kWritten, u"P>A"_s, printedA);
        row("empty column: warning, empty text written", {QString()}, 1, 1, 1, 0, kWritten, u"P>"_s,
            none, u"No PrintdataL1 7! Printer field Etikettendaten is empty!"_s, 2);
        row("RAW printing without PLC writes", {u"A"_s}, 0, 1, 1, 0, none, {}, printedA);
        row("handle failure after counting", {u"A"_s, u"B"_s}, 1, 0, 1, 1,
            {u"createHandle "_s + kVar}, {}, none,
            u"Create VarHandle: "_s + kVar + QString::number(bad), 1, bad);
        row("no rows, one output", none, 1, 0, 1, 1, none, {}, none,
            u"Write Query: No Records found ! \r\n<"_s + kSql + u'>');
        row("no rows, two outputs", none, 1, 0, 2, 1, none, {}, none);
        row("null escape", {u"A$000"_s}, 1, 0, 1, 1, kWritten, u"P>A"_s, none,
            u"Control character is Null ! Var:"_s + kVar + u" Scan:Etikettendaten"_s, 1);
        row("null column", {u"<null>"_s}, 1, 1, 1, 1, none, {}, none,
            u"Write Query: Invalid use of Null"_s, 1);
    }
    void writeDruckdaten()
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

    void missingDatabase()
    {
        PrintDataStation s;
        s.controls.serverPath = s.dir.filePath(u"missing.db"_s);
        QCOMPARE(s.druckdaten.writeDruckdaten(SqlStatement(kSql), u"Etikettendaten"_s), 1);
        QVERIFY(s.shows(u"Error open Database hex(1): database file not found: "_s +
                        s.controls.serverPath));
        QCOMPARE(s.writeQuery(), 1);
        QCOMPARE(s.log.entries.size(), 2);
        QVERIFY(!QFile::exists(s.controls.serverPath));
        QVERIFY(s.plc.calls().isEmpty());

        s.controls.serverPath.clear();
        QCOMPARE(s.writeQuery(), 0);
        QCOMPARE(s.druckdaten.writeDruckdaten(SqlStatement(kSql), u"Etikettendaten"_s), 0);
        QCOMPARE(s.log.entries.size(), 2);
    }

    void writeQueryTypes_data()
    {
        QTest::addColumn<QString>("declared");
        QTest::addColumn<QString>("literal");
        QTest::addColumn<int>("plcType");
        QTest::addColumn<QString>("operation"); // empty: a handle, but no write
        QTest::addColumn<QVariant>("value");

        const int s = QMetaType::Short;
        QTest::newRow("INTEGER") << u"INTEGER"_s << u"1234"_s << s << u"writeInt"_s
                                 << QVariant(1234);
        QTest::newRow("INTEGER beyond 16 bits")
            << u"INTEGER"_s << u"40000"_s << s << u"writeInt"_s << QVariant(0);
        QTest::newRow("BIGINT") << u"BIGINT"_s << u"70000"_s << int(QMetaType::Int)
                                << u"writeLong"_s << QVariant(70000);
        QTest::newRow("BIGINT beyond 32 bits")
            << u"BIGINT"_s << u"3000000000"_s << int(QMetaType::Int) << u"writeLong"_s
            << QVariant(0);
        QTest::newRow("DOUBLE") << u"DOUBLE"_s << u"2.5"_s << int(QMetaType::Double)
                                << u"writeLReal"_s << QVariant(2.5);
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
    void writeQueryTypes()
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

        QCOMPARE(s.writeQuery(kPart7), 0);
        QStringList calls{u"createHandle "_s + var, u"releaseHandle "_s + var};
        if (!operation.isEmpty())
            calls.insert(1, operation + u' ' + var);
        QCOMPARE(s.plc.calls(), calls);
        QCOMPARE(s.plc.value(var), value);
        QCOMPARE(s.request.LosName, u"L1"_s);
        QCOMPARE(s.request.TeileNr, 7);
        QVERIFY(s.error().isEmpty());
    }

    void writeQueryView_data()
    {
        QTest::addColumn<int>("writePrintData");
        QTest::newRow("PLC writes on") << 1;
        QTest::newRow("PLC writes off") << 0;
    }

    // The view's columns alone are transferred; a column named like TeileNr in another letter
    // case is a PLC variable, the label data in any letter case is printed RAW.
    void writeQueryView()
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

        QCOMPARE(s.writeQuery(kPart7), 0);
        QCOMPARE(s.request.LosName, u"L1"_s);
        QCOMPARE(s.raw.jobs, QStringList{u"data E"_s});
        // The row's columns are written in one go, in column order.
        const QStringList calls{u"createHandle "_s + teil,  u"createHandle "_s + label,
                                u"writeInt "_s + teil,      u"writeString "_s + label,
                                u"releaseHandle "_s + teil, u"releaseHandle "_s + label};
        QCOMPARE(s.plc.calls(), writePrintData ? calls : QStringList());
        if (writePrintData)
            QCOMPARE(s.plc.value(label).toString(), u"E"_s);
    }

    void writeQueryFailures()
    {
        PrintDataStation s;
        // The statement is cut at its first ";", inside the literal, and the filter follows
        // after one more blank.
        s.execute({u"CREATE VIEW ServerDruckdaten AS SELECT LosName FROM Druckdaten WHERE "
                   u"LosName <> ';'"_s});
        QCOMPARE(s.writeQuery(u" where x"_s), 1);
        QVERIFY2(s.shows(u"Error open Recordset hex(1): "_s), qPrintable(s.error()));
        QVERIFY(s.error().endsWith(
            u"\r\nSELECT LosName FROM Druckdaten WHERE LosName <> '  where x"_s));
        QCOMPARE(s.log.entries.size(), 1);

        s.execute({u"DROP VIEW ServerDruckdaten"_s});
        QCOMPARE(s.writeQuery(u" where TeileNr=99"_s), 1);
        QVERIFY(s.shows(u"Write Query: No Records found ! \r\n< where TeileNr=99>"_s));
        QCOMPARE(s.log.entries.size(), 1);

        s.execute({u"INSERT INTO Druckdaten (LosName, TeileNr) VALUES ('L2', NULL)"_s});
        s.settings.writePrintData = 0;
        QCOMPARE(s.writeQuery(), 94);
        QVERIFY(s.shows(u"Write Query: Invalid use of Null"_s));
        QCOMPARE(s.log.entries.size(), 2);
    }

    void lookupPrint_data()
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

        // The label type, outputCount, printRaw and writePrintData; what the label program
        // adds and returns; then the outcome. Lot L1 unless named.
        const auto row = [](const char *name, int type, int outputs, int printRaw, int write,
                            int labels, qint32 labelResult, qint32 result, const QStringList &jobs,
                            const QString &firstCall = {}, const QString &message = {},
                            int logged = 0, const QString &lot = u"L1"_s) {
            QTest::newRow(name) << lot << type << outputs << printRaw << write << labels
                                << labelResult << result << jobs << firstCall << message << logged;
        };
        const QStringList none, file{u"file L1 7"_s}, label{u"data E"_s};
        const QString druck = u"createHandle Etk1.print.Druckdaten"_s;
        const QString noData = u"No Printdata found !  <L1> <7>"_s;
        row("one output: its own result", 1, 1, 0, 0, 0, 5, 5, none);
        row("one output: the print file's 1", 1, 1, 2, 0, -1, 0, 1, file);
        row("print file, then the database step", 1, 0, 2, 1, -1, 0, 0, file + label, druck);
        row("type 2", 2, 1, 1, 1, -1, 0, 0, {u"data T"_s}, druck);
        row("type 7 runs the query", 7, 1, 0, 1, -1, 0, 0, none,
            u"createHandle Etk1.print.Etikettendaten"_s);
        row("several outputs: one label is success", 1, 2, 2, 0, 1, 4, 0, file);
        row("several outputs: no label, first error", 1, 2, 2, 0, 0, 3, 3, file, {}, noData, 2);
        row("several outputs: no label, no error", 1, 3, 0, 0, 0, 0, 1, none, {}, noData, 2);
        row("several outputs: two labels", 1, 2, 0, 0, 2, 0, 1, none, {},
            u"   2Label's printed !  <L1> <7>"_s, 1);
        // Lot names come from barcodes: bound as values, a lot with an apostrophe is found, and
        // SQL in one finds nothing. Messages show the statement with the name written in.
        row("apostrophe in the lot name", 1, 1, 1, 1, -1, 0, 0, label, druck, {}, 0, u"O'Hara"_s);
        row("SQL in the lot name", 1, 1, 1, 1, -1, 0, 1, none, {},
            u" FROM Druckdaten where Druckdaten.teileNr=7 and Druckdaten.LosName='X' OR 'a'='a';>"_s,
            0, u"X' OR 'a'='a"_s);
        row("SQL in the lot name, stored query", 0, 1, 0, 1, -1, 0, 1, none, {},
            u"Write Query: No Records found ! \r\n< where Druckdaten.teileNr=7 and "
            u"Druckdaten.LosName='L1'--';>"_s,
            0, u"L1'--"_s);
        row("no lot name", 1, 1, 2, 1, 1, 5, 0, none, {}, {}, 0, QString());
    }
    void lookupPrint()
    {
        QFETCH(QString, lot);
        QFETCH(int, labels);
        QFETCH(qint32, labelResult);
        QFETCH(QString, message);
        QFETCH(int, logged);
        PrintDataStation s;
        s.execute({u"INSERT INTO Druckdaten (LosName, TeileNr) VALUES ('O''Hara', 7)"_s});
        s.fillPrintData();
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
        QTEST(s.plc.calls().value(0), "firstCall");
        QVERIFY2(message.isEmpty() ? s.error().isEmpty() : s.shows(message), qPrintable(s.error()));
        QCOMPARE(s.log.entries.size(), logged ? 1 : 0);
        if (logged)
            QCOMPARE(s.log.entries.first().msgBox, logged == 1);
    }

    void prepareDatabase()
    {
        PrintDataStation s;
        const QString select = PrintLookup::storedQueryText().chopped(1);
        DatabasePreparation::prepareDatabase(s.file);
        DatabasePreparation::prepareDatabase(s.file);
        {
            const DatabaseConnection connection(s.file);
            QCOMPARE(DatabaseCatalog(connection.database()).viewText(u"ServerDruckdaten"_s),
                     select);
        }
        s.fillPrintData();
        QCOMPARE(s.writeQuery(), 0);
        QCOMPARE(s.plc.calls().size(), 6); // Etikettendaten and Tintendruckdaten only

        const QString missing = s.dir.filePath(u"missing.db"_s);
        DatabasePreparation::prepareDatabase(missing);
        QVERIFY(!QFile::exists(missing));
    }

    // The label output's record read: the outcomes it tells apart, the lot name bound (an
    // apostrophe is looked up, not pasted) and shown in the statement as the station writes
    // it.
    void printvars_data()
    {
        QTest::addColumn<QString>("setup"); // statements after the table's creation
        QTest::addColumn<QString>("lot");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("text");
        using O = Printvars::Outcome;
        const QString insert = u"INSERT INTO Druckdaten (LosName, TeileNr, Printvars) VALUES "_s;
        QTest::newRow("found") << insert + u"('L2', 7, '<L><A>x</A></L>')"_s << u"L2"_s
                               << int(O::Found) << u"<L><A>x</A></L>"_s;
        QTest::newRow("an apostrophe")
            << insert + u"('O''Neil', 7, '<L/>')"_s << u"O'Neil"_s << int(O::Found) << u"<L/>"_s;
        QTest::newRow("Null") << QString() << u"L1"_s << int(O::NoRecord) << QString();
        QTest::newRow("empty") << insert + u"('L3', 7, '')"_s << u"L3"_s << int(O::Empty)
                               << QString();
        QTest::newRow("no record") << QString() << u"L9"_s << int(O::NoRecord) << QString();
        QTest::newRow("no table") << u"DROP TABLE Druckdaten"_s << u"L1"_s << int(O::QueryFailed)
                                  << QString();
        QTest::newRow("no database")
            << u"missing"_s << u"L1"_s << int(O::DatabaseMissing) << QString();
    }
    void printvars()
    {
        QFETCH(QString, setup);
        QFETCH(QString, lot);
        PrintDataStation s(u"LosName VARCHAR(40), TeileNr INTEGER, Printvars TEXT"_s);
        if (setup == u"missing"_s)
            s.controls.serverPath = s.dir.filePath(u"gone.db"_s);
        else if (!setup.isEmpty())
            s.execute({setup});
        const Printvars read = PrintvarsQuery::read(s.controls.serverPath, {}, lot, 7);
        QTEST(int(read.outcome), "outcome");
        QTEST(read.text, "text");
        if (read.outcome != Printvars::Outcome::DatabaseMissing)
            QCOMPARE(read.query,
                     u"Select * from Druckdaten where LosName='"_s + lot + u"' and TeileNr=7"_s);
        QCOMPARE(read.description.isEmpty(),
                 read.outcome != Printvars::Outcome::QueryFailed &&
                     read.outcome != Printvars::Outcome::DatabaseMissing);
    }

    // A station moving from Windows keeps its Access file: every label type, and the label
    // output's Printvars, give the PLC what the file's SQLite copy gives it.
    void accessStation_data()
    {
        QTest::addColumn<QString>("lot");
        QTest::addColumn<int>("teileNr");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("writes"); // how many PLC writes the request makes
        // clang-format off
        QTest::newRow("stored query, two rows") << u"L2024-001"_s << 4711 << 0 << 4;
        QTest::newRow("label data, first row")  << u"L2024-001"_s << 4711 << 1 << 1;
        QTest::newRow("ink-jet data")           << u"L2024-001"_s << 4712 << 2 << 1;
        QTest::newRow("a null column")          << u"L2024-001"_s << 4712 << 3 << 0;
        QTest::newRow("long memo, umlauts")     << u"Los Ä-002"_s << 815 << 1 << 1;
        QTest::newRow("no such lot")            << u"L9"_s << 4711 << 5 << 0;
        // clang-format on
    }
    void accessStation()
    {
        QFETCH(QString, lot);
        QFETCH(int, teileNr);
        QFETCH(int, type);
        const QString access =
            qEnvironmentVariable("ETIKOR_TESTDATA") + u"/access/druckdaten.mdb"_s;
        const QString copy = m_dir.filePath(u"druckdaten.db"_s);
        if (!QFile::exists(copy))
            QCOMPARE(AccessImport::run({QString::fromLatin1(AccessImport::kOption), access, copy}),
                     0);
        QStringList seen[2];
        for (int i = 0; i < 2; ++i) {
            PrintDataStation s;
            s.controls.serverPath = i == 0 ? access : copy;
            for (const char *name : {"Etikettendaten", "Tintendruckdaten"})
                s.plc.define(u"Etk1.print."_s + QLatin1StringView(name),
                             QMetaType(QMetaType::QString));
            s.request.EtikettenType = qint16(type);
            seen[i].append(QString::number(s.lookup.lookupPrint(lot, teileNr, nullptr)));
            seen[i] += s.plc.calls();
            for (const SimulatedPlc::Write &w : s.plc.writes())
                seen[i].append(w.name + u'=' + w.value.toString());
            static const QRegularExpression stamp(u"^.*?\\d+:\\d\\d:\\d\\d "_s);
            seen[i].append(s.error().remove(stamp));
            seen[i].append(PrintvarsQuery::read(s.controls.serverPath, {}, lot, teileNr).text);
            if (i == 0)
                QTEST(int(s.plc.writes().size()), "writes");
        }
        QCOMPARE(seen[0], seen[1]);
    }

    void connection_data()
    {
        // %1: the database file, %2: its name, %3: the station's folder, which holds it
        QTest::addColumn<QString>("serverPath");
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("failure"); // how its description begins; empty: it opens

        QTest::newRow("path") << u" %1 "_s << u"QSQLITE"_s << QString();
        QTest::newRow("Jet string")
            << DatabaseConnection::jetConnectionString(u"%1"_s) << u"QSQLITE"_s << QString();
        QTest::newRow("Windows path")
            << u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=~apppath~\\%2"_s << u"QSQLITE"_s
            << QString();
        QTest::newRow("SQLite, quoted")
            << u"provider=sqlite; DATA SOURCE = \"%1\""_s << u"QSQLITE"_s << QString();
        QTest::newRow("missing file")
            << u"%1.x"_s << u"QSQLITE"_s << u"database file not found: %1.x"_s;
        QTest::newRow("below the station's folder") << u"\\%2"_s << u"QSQLITE"_s << QString();
        QTest::newRow("missing in the station's folder")
            << u"~apppath~\\x.db"_s << u"QSQLITE"_s << u"database file not found: %3/x.db"_s;
        // %4: an Access file; a SQLite file with an Access name is still read as Access.
        QTest::newRow("Access, Jet string")
            << DatabaseConnection::jetConnectionString(u"%4"_s) << u"ETIKOR_ACCESS"_s << QString();
        QTest::newRow("Access, missing") << u"~apppath~\\x.MDB"_s << u"ETIKOR_ACCESS"_s
                                         << u"database file not found: %3/x.MDB"_s;
        QTest::newRow("Access name, other content")
            << u"%1.accdb"_s << u"ETIKOR_ACCESS"_s
            << u"The Access database %1.accdb cannot be read: it is not an Access database"_s;
        QTest::newRow("unknown provider")
            << u"Provider=Foo;Data Source=%1"_s << QString() << u"unknown database provider: Foo"_s;
        QTest::newRow("ODBC") << u"DSN=none"_s << u"QODBC"_s
                              << u"[unixODBC][Driver Manager]Data source name not found"_s;
        QTest::newRow("PostgreSQL, bad port")
            << u"Provider=PostgreSQL;Host=h;Port=x;Database=d"_s << u"QPSQL"_s
            << u"invalid port in connection string: x"_s;
    }
    void connection()
    {
        QFETCH(QString, serverPath);
        QFETCH(QString, failure);
        PrintDataStation s;
        const QString folder = s.dir.path(), name = QFileInfo(s.file).fileName();
        QFile::copy(s.file, s.file + u".accdb"_s);
        const QString access =
            qEnvironmentVariable("ETIKOR_TESTDATA") + u"/access/druckdaten.mdb"_s;
        serverPath.replace(u"%1"_s, s.file).replace(u"%2"_s, name).replace(u"%3"_s, folder);
        serverPath.replace(u"%4"_s, access);
        const DatabaseConnection connection(serverPath, folder);
        QTEST(connection.engine(), "engine");
        QCOMPARE(connection.isOpen(), failure.isEmpty());
        failure.replace(u"%1"_s, s.file).replace(u"%3"_s, folder);
        QVERIFY2(connection.failure().description.startsWith(failure),
                 qPrintable(connection.failure().description));
        QCOMPARE(connection.failure().pending(), !failure.isEmpty());
        QCOMPARE(DatabaseConnection::jetConnectionString(u" pRoViDeR=x"_s), u" pRoViDeR=x"_s);
        QCOMPARE(DatabaseConnection::jetConnectionString(u"DSN=prod"_s), u"DSN=prod"_s);
    }
};

QTEST_GUILESS_MAIN(TestPrintData)
#include "tst_printdata.moc"
