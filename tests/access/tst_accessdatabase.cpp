#include "AccessError.h"
#include "DatabaseCatalog.h"
#include "DatabaseConnection.h"
#include "DatabasePreparation.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QString fixture(const QString &name)
{
    return qEnvironmentVariable("ETIKOR_TESTDATA") + u"/access/"_s + name;
}

// The print database made by the project's generator: with a deleted column, or extra rows.
QString generate(const QTemporaryDir &dir, const QString &name, const QString &option)
{
    const QString script =
        qEnvironmentVariable("ETIKOR_TEST_SOURCE") + u"/../../tools/accessdb/make_druckdaten.py"_s;
    const QString out = dir.filePath(name);
    QProcess python;
    QStringList arguments{script, fixture(u"template-empty-jet4.mdb"_s), out};
    arguments.insert(option.startsWith(u'-') ? 1 : 3, option);
    python.start(u"python3"_s, arguments);
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qWarning() << python.readAllStandardError();
    return out;
}

struct Answer {
    QSqlQuery query;
    bool ok = false;
    qint32 code = 0;
    QString error;
};

Answer run(const DatabaseConnection &connection, const QString &sql, const QVariantList &values)
{
    Answer a{QSqlQuery(connection.database()), false, 0, {}};
    a.ok = a.query.prepare(sql);
    for (const QVariant &v : values)
        a.query.addBindValue(v);
    a.ok = a.ok && a.query.exec();
    a.code = a.ok ? 0 : DatabaseConnection::failureOf(a.query.lastError()).number;
    a.error = a.query.lastError().text();
    return a;
}

// The first column of every row, joined by "|"; "<null>" for a null.
QString firstColumn(QSqlQuery &query)
{
    QStringList values;
    while (query.next())
        values.append(query.isNull(0) ? u"<null>"_s : query.value(0).toString());
    return values.join(u'|');
}

QByteArray digest(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestAccessDatabase : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_deleted;

private Q_SLOTS:
    void initTestCase()
    {
        m_deleted = generate(m_dir, u"deleted.mdb"_s, u"--deleted-column"_s);
        QVERIFY(QFile::exists(m_deleted));
    }

    // Values as the file holds them, typed, with their field type codes; '' is not null.
    void values_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("column");
        QTest::addColumn<QVariant>("value"); // an invalid variant: a null
        QTest::addColumn<int>("fieldType");

        const QString t1 = u"SELECT * FROM Table1 WHERE A = 'abcdefg'"_s;
        const QString lot = u"SELECT * FROM Druckdaten WHERE LosName = 'Los Ä-002'"_s;
        const QString second = u"SELECT * FROM Druckdaten WHERE TeileNr = 4711"_s;
        const QString j3 = u"testV1997.mdb"_s, dd = u"druckdaten.mdb"_s;
        // clang-format off
        QTest::newRow("Jet 3 text")     << j3 << t1 << 1 << QVariant(u"hijklmnop"_s) << 202;
        QTest::newRow("Jet 3 byte")     << j3 << t1 << 2 << QVariant(2) << 17;
        QTest::newRow("Jet 3 integer")  << j3 << t1 << 3 << QVariant(222) << 2;
        QTest::newRow("Jet 3 long")     << j3 << t1 << 4 << QVariant(333333333) << 3;
        QTest::newRow("Jet 3 double")   << j3 << t1 << 5 << QVariant(444.555) << 5;
        QTest::newRow("Jet 3 date")     << j3 << t1 << 6
                                        << QVariant(QDateTime(QDate(1974, 9, 21), QTime(0, 0))) << 7;
        QTest::newRow("Jet 3 currency") << j3 << t1 << 7 << QVariant(3.5) << 6;
        QTest::newRow("Jet 3 yes")      << j3 << t1 << 8 << QVariant(true) << 11;
        QTest::newRow("Jet 3 no")       << j3 << u"SELECT I FROM Table1 WHERE A = 'a'"_s << 0
                                        << QVariant(false) << 11;
        QTest::newRow("umlaut text")    << dd << lot << 0 << QVariant(u"Los Ä-002"_s) << 202;
        QTest::newRow("memo, one page") << dd << lot << 3 << QVariant(QString(1200, u'x')) << 203;
        QTest::newRow("memo, in the row") << dd << second << 4
                                        << QVariant(u"D1;Straße;München"_s) << 203;
        QTest::newRow("null memo")      << dd << lot << 4 << QVariant() << 203;
        QTest::newRow("null long")      << dd << u"SELECT TeileNr FROM Druckdaten WHERE "
                                           u"Printvars = 'Kunde=Müller & Söhne'"_s << 0
                                        << QVariant(815) << 3;
        QTest::newRow("wide table, £")  << u"test2V2000.mdb"_s
                                        << u"SELECT PROJ_OPT_CURRENCY_SYMBOL FROM MSP_PROJECTS"_s
                                        << 0 << QVariant(u"£"_s) << 202;
        // clang-format on
    }
    void values()
    {
        QFETCH(QString, file);
        QFETCH(QString, sql);
        QFETCH(int, column);
        QFETCH(QVariant, value);
        const DatabaseConnection connection(fixture(file));
        QVERIFY2(connection.isOpen(), qPrintable(connection.failure().description));
        Answer a = run(connection, sql, {});
        QVERIFY2(a.ok, qPrintable(a.error));
        QVERIFY(a.query.next());
        QTEST(a.query.record().field(column).typeID(), "fieldType");
        QCOMPARE(a.query.isNull(column), !value.isValid());
        if (value.isValid())
            QCOMPARE(a.query.value(column), value);
    }

    // The long memo spans several pages; the empty memo of the second row is '' and not null.
    void memoWholeAndEmpty()
    {
        const DatabaseConnection connection(fixture(u"druckdaten.mdb"_s));
        Answer a =
            run(connection, u"SELECT Etikettendaten FROM Druckdaten WHERE TeileNr = ?"_s, {815});
        QVERIFY(a.query.next());
        const QString memo = a.query.value(0).toString();
        QCOMPARE(memo.size(), 6941);
        QVERIFY(memo.endsWith(u"^FO20,4760^A0N,30,30^FDZeile 119: Prüfetikett ÄÖÜ äöü ß^FS\n"_s));
        a = run(connection, u"SELECT Druckdaten1 FROM Druckdaten WHERE TeileNr = 4711"_s, {});
        QCOMPARE(firstColumn(a.query), u"D1;Straße;München|"_s);
        a = run(connection, u"SELECT Druckdaten1 FROM Druckdaten WHERE Druckdaten1 = ''"_s, {});
        QVERIFY(a.query.next());
        QVERIFY(!a.query.isNull(0));
    }

    // What the back-end evaluates, and the clear refusal of everything else.
    void statements_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<qint32>("code");
        QTest::addColumn<QString>("rows"); // first column of each row; or what the error says

        const QString dd = u"druckdaten.mdb"_s, qt = u"queryTestV2000.mdb"_s;
        const QString transfer = u"SELECT Druckdaten.LosName, Druckdaten.TeileNr, "
                                 u"Druckdaten.Etikettendaten FROM Druckdaten where "
                                 u"Druckdaten.teileNr=? and Druckdaten.LosName=?;"_s;
        const qint32 ok = 0, syntax = AccessError::Syntax;
        // clang-format off
        QTest::newRow("transfer, letter case")   << dd << transfer << QVariantList{4711, u"l2024-001"_s}
                                                 << ok << u"L2024-001|L2024-001"_s;
        QTest::newRow("umlaut, letter case")     << dd << u"SELECT TeileNr FROM Druckdaten WHERE LosName=?"_s
                                                 << QVariantList{u"LOS ä-002"_s} << ok << u"815"_s;
        QTest::newRow("number given as text")    << dd << u"SELECT TeileNr FROM Druckdaten WHERE TeileNr=?"_s
                                                 << QVariantList{u"4712"_s} << ok << u"4712"_s;
        QTest::newRow("null matches nothing")    << dd << u"SELECT TeileNr FROM Druckdaten WHERE LosName=?"_s
                                                 << QVariantList{QVariant()} << ok << QString();
        QTest::newRow("Access's parentheses")    << dd << u"SELECT LosName FROM [Druckdaten] AS d WHERE "
                                                    u"((d.TeileNr)=4712) AND (((LosName)=\"L2024-001\"))"_s
                                                 << QVariantList{} << ok << u"L2024-001"_s;
        QTest::newRow("saved query as source")   << dd << u"SELECT * FROM ServerDruckdaten WHERE TeileNr=815"_s
                                                 << QVariantList{} << ok << u"Los Ä-002"_s;
        QTest::newRow("column of the source")    << dd << u"SELECT Druckdaten.* FROM Druckdaten WHERE "
                                                    u"Druckdaten.TeileNr = Druckdaten.TeileNr AND TeileNr=4712"_s
                                                 << QVariantList{} << ok << u"L2024-001"_s;
        QTest::newRow("ORDER BY")                << dd << u"SELECT LosName FROM Druckdaten ORDER BY LosName"_s
                                                 << QVariantList{} << syntax << u"\"ORDER\" is beyond"_s;
        QTest::newRow("OR")                      << dd << u"SELECT LosName FROM Druckdaten WHERE TeileNr=1 OR TeileNr=2"_s
                                                 << QVariantList{} << syntax << u"\"OR\" is beyond"_s;
        QTest::newRow("writing")                 << dd << u"DELETE FROM Druckdaten"_s << QVariantList{} << syntax
                                                 << u"expected SELECT, found \"DELETE\""_s;
        QTest::newRow("CREATE VIEW")             << dd << u"CREATE VIEW v AS SELECT * FROM Druckdaten"_s
                                                 << QVariantList{} << syntax << u"found \"CREATE\""_s;
        QTest::newRow("no such table")           << dd << u"SELECT * FROM Druck"_s << QVariantList{}
                                                 << qint32(AccessError::UnknownTable) << u"no table or query named \"Druck\""_s;
        QTest::newRow("no such column")          << dd << u"SELECT Losname, Teil FROM Druckdaten"_s << QVariantList{}
                                                 << qint32(AccessError::UnknownColumn) << u"has no column \"Teil\""_s;
        QTest::newRow("missing value")           << dd << transfer << QVariantList{4711}
                                                 << qint32(AccessError::UnknownColumn) << u"parameters"_s;
        QTest::newRow("action query as source")  << qt << u"SELECT * FROM UpdateQuery"_s << QVariantList{}
                                                 << syntax << u"not a select query"_s;
        QTest::newRow("joins in a saved query")  << qt << u"SELECT * FROM SelectQuery"_s << QVariantList{}
                                                 << syntax << u"Saved query \"SelectQuery\""_s;
        // clang-format on
    }
    void statements()
    {
        QFETCH(QString, file);
        QFETCH(QString, sql);
        QFETCH(QVariantList, values);
        QFETCH(qint32, code);
        QFETCH(QString, rows);
        const DatabaseConnection connection(fixture(file));
        Answer a = run(connection, sql, values);
        QCOMPARE(a.code, code);
        if (a.ok)
            QCOMPARE(firstColumn(a.query), rows);
        else
            QVERIFY2(a.error.contains(rows), qPrintable(a.error));
    }

    // A table whose first column was deleted: its rows still hold that column's bytes, and every
    // value must come from the column the table shows.
    void deletedColumn_data()
    {
        QTest::addColumn<int>("teileNr");
        QTest::addColumn<QString>("rows"); // Etikettendaten's first 20 characters
        QTest::newRow("4711") << 4711 << u"^XA^FO20,20^A0N,40,4|^XA^FO20,20^FDzweite"_s;
        QTest::newRow("4712") << 4712 << u"^XA^FDTeil 4712^FS^X"_s;
        QTest::newRow("815") << 815 << u"^FO20,0^A0N,30,30^FD"_s;
    }
    void deletedColumn()
    {
        QFETCH(int, teileNr);
        const DatabaseConnection connection(m_deleted);
        Answer a =
            run(connection, u"SELECT Etikettendaten, TeileNr FROM Druckdaten WHERE TeileNr=?"_s,
                {teileNr});
        QVERIFY2(a.ok, qPrintable(a.error));
        QStringList found;
        while (a.query.next()) {
            QCOMPARE(a.query.value(1).toInt(), teileNr);
            found.append(a.query.value(0).toString().left(20));
        }
        QTEST(found.join(u'|'), "rows");
    }

    // Saved queries rebuilt from the query catalog; only select queries count as views.
    void savedQueries_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        // clang-format off
        QTest::newRow("ServerDruckdaten") << u"druckdaten.mdb"_s << u"serverdruckdaten"_s
            << u"SELECT Druckdaten.LosName, Druckdaten.TeileNr, Druckdaten.Etikettendaten, "
               u"Druckdaten.Tintendruckdaten\r\nFROM Druckdaten;"_s;
        QTest::newRow("joins, where, order") << u"queryTestV2000.mdb"_s << u"SelectQuery"_s
            << u"SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3\r\nFROM (Table1 LEFT JOIN "
               u"Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON (Table3.col1 = Table2.col1) "
               u"AND (Table3.col1 = Table2.col2)\r\nWHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In "
               u"(\"buzz\",\"bazz\")))\r\nORDER BY Table2.col1;"_s;
        QTest::newRow("pass-through") << u"queryTestV2000.mdb"_s << u"PassthroughQuery"_s
            << u"ALTER TABLE Table4 DROP COLUMN col5;"_s;
        QTest::newRow("not a query") << u"queryTestV2000.mdb"_s << u"Table1"_s << QString();
        // clang-format on
    }
    void savedQueries()
    {
        QFETCH(QString, file);
        QFETCH(QString, name);
        const DatabaseConnection connection(fixture(file));
        QTEST(DatabaseCatalog(connection.database()).viewText(name), "text");
        const QStringList views = connection.database().tables(QSql::Views);
        QCOMPARE(views.size(), 1);
        QCOMPARE(connection.database().tables(QSql::Tables).size(), file.startsWith(u'd') ? 1 : 3);
    }

    // Another program rewrites the file between two requests, or is caught halfway.
    void liveFile()
    {
        const QString path = m_dir.filePath(u"live.mdb"_s);
        QVERIFY(QFile::copy(fixture(u"druckdaten.mdb"_s), path));
        const QString sql = u"SELECT TeileNr FROM Druckdaten WHERE LosName=?"_s;
        const auto lookup = [&](const QVariantList &values) {
            const DatabaseConnection connection(path);
            if (!connection.isOpen())
                return u"failed: "_s + connection.failure().description;
            Answer a = run(connection, sql, values);
            return a.ok ? firstColumn(a.query) : u"failed: "_s + a.error;
        };
        QCOMPARE(lookup({u"BULK-00001"_s}), QString());
        const QString bigger = generate(m_dir, u"bigger.mdb"_s, u"25"_s);
        QFile big(bigger);
        QVERIFY(big.open(QIODevice::ReadOnly));
        const QByteArray bytes = big.readAll();
        QFile live(path);
        QVERIFY(live.open(QIODevice::WriteOnly)); // rewritten in place, as Access does
        live.write(bytes.first(bytes.size() / 2 + 1000));
        live.flush();
        QVERIFY2(lookup({u"BULK-00001"_s}).contains(u"ends inside a page"_s),
                 qPrintable(lookup({u"BULK-00001"_s})));
        live.write(bytes.sliced(bytes.size() / 2 + 1000));
        live.close();
        QCOMPARE(lookup({u"bulk-00001"_s}), u"1000|1001|1002|1003|1004|1005|1006|1007|1008|1009"_s);
        QCOMPARE(lookup({u"Los Ä-002"_s}), u"815"_s);
    }

    // The file is only read: the stored query is not created, the log is told once why.
    void prepareDatabase()
    {
        const QString path = m_dir.filePath(u"old.mdb"_s);
        QVERIFY(QFile::copy(fixture(u"testV1997.mdb"_s), path));
        const QByteArray before = digest(path);
        const QString note = DatabasePreparation::prepareDatabase(path);
        QVERIFY2(note.contains(u"has no stored query \"ServerDruckdaten\""_s), qPrintable(note));
        QVERIFY(note.contains(u"\"Select * from Druckdaten\""_s));
        QCOMPARE(digest(path), before);
        QCOMPARE(DatabasePreparation::prepareDatabase(fixture(u"druckdaten.mdb"_s)), QString());
    }
};

QTEST_GUILESS_MAIN(TestAccessDatabase)
#include "tst_accessdatabase.moc"
