#include "AppSettings.h"
#include "FakePrompt.h"
#include "PathNormalizer.h"

#include <QTest>

class TestPathNormalizer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void normalize_data();
    void normalize();
};

void TestPathNormalizer::normalize_data()
{
    QTest::addColumn<QString>("configPath");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("portable");
    QTest::addColumn<QString>("absolute");
    QTest::addColumn<QString>("message");
    const QString cfg = QStringLiteral("/plant/Server/line.dcnf");
    const QString none;

    QTest::newRow("placeholder expands") << cfg << QStringLiteral("~apppath~\\Data\\print.mdb")
                                         << QStringLiteral("~apppath~\\Data\\print.mdb")
                                         << QStringLiteral("/plant/Data/print.mdb") << none;
    QTest::newRow("absolute path below the installation becomes portable")
        << cfg << QStringLiteral("/PLANT/Data/print.mdb")
        << QStringLiteral("~apppath~/Data/print.mdb") << QStringLiteral("/PLANT/Data/print.mdb")
        << none;
    QTest::newRow("Windows station paths, any case")
        << QStringLiteral("D:\\Plant\\Server\\line.dcnf")
        << QStringLiteral("d:\\plant\\Data\\print.mdb")
        << QStringLiteral("~apppath~\\Data\\print.mdb") << QStringLiteral("d:/plant/Data/print.mdb")
        << none;
    QTest::newRow("server folder in any case")
        << QStringLiteral("/plant/server/a.dcnf") << QStringLiteral("~apppath~")
        << QStringLiteral("~apppath~") << QStringLiteral("/plant") << none;
    QTest::newRow("path elsewhere stays")
        << cfg << QStringLiteral("/srv/db/print.db") << QStringLiteral("/srv/db/print.db")
        << QStringLiteral("/srv/db/print.db") << none;
    QTest::newRow("relative to the installation")
        << cfg << QStringLiteral("\\Data\\print.mdb") << QStringLiteral("\\Data\\print.mdb")
        << QStringLiteral("/plant/Data/print.mdb") << none;
    QTest::newRow("network path with local installation")
        << cfg << QStringLiteral("\\\\srv\\share\\print.mdb")
        << QStringLiteral("\\\\srv\\share\\print.mdb") << QStringLiteral("//srv/share/print.mdb")
        << none;
    QTest::newRow("network path below a network installation")
        << QStringLiteral("//srv/plant/Server/a.dcnf") << QStringLiteral("//srv/plant/db/p.mdb")
        << QStringLiteral("~apppath~/db/p.mdb") << QStringLiteral("//srv/plant/db/p.mdb") << none;
    QTest::newRow("empty") << cfg << QString() << QString() << QString() << none;
    QTest::newRow("connection string, provider in any case")
        << QStringLiteral("/plant/Config/a.dcnf")
        << QStringLiteral("pROVIDER=SQLite;Data Source=~apppath~\\x.db")
        << QStringLiteral("pROVIDER=SQLite;Data Source=~apppath~\\x.db")
        << QStringLiteral("pROVIDER=SQLite;Data Source=~apppath~\\x.db") << none;
    QTest::newRow("no Server folder: placeholder refused")
        << QStringLiteral("/plant/Config/a.dcnf") << QStringLiteral("~apppath~\\x.mdb")
        << QStringLiteral("~apppath~\\x.mdb") << QStringLiteral("~apppath~/x.mdb")
        << QStringLiteral("Wrong Configpath found! /plant/Config/a.dcnf");
    QTest::newRow("no Server folder, plain path: no message")
        << QStringLiteral("/plant/Config/a.dcnf") << QStringLiteral("/plant/x.mdb")
        << QStringLiteral("/plant/x.mdb") << QStringLiteral("/plant/x.mdb") << none;
    QTest::newRow("placeholder in exact case only")
        << cfg << QStringLiteral("~APPPATH~\\x") << QStringLiteral("~APPPATH~\\x")
        << QStringLiteral("/plant~APPPATH~/x") << none;
    QTest::newRow("bare configuration name uses the program folder")
        << QStringLiteral("line.dcnf") << QStringLiteral("~apppath~\\x.db")
        << QStringLiteral("~apppath~\\x.db") << QStringLiteral("/opt/x.db") << none;
}

void TestPathNormalizer::normalize()
{
    QFETCH(QString, configPath);
    QFETCH(QString, input);
    QFETCH(QString, portable);
    QFETCH(QString, absolute);
    QFETCH(QString, message);
    AppSettings settings;
    settings.configPath = configPath;
    FakePrompt prompt;
    PathNormalizer normalizer(settings, prompt, QStringLiteral("/opt/Server"));
    QString abs = QStringLiteral("untouched");
    QCOMPARE(normalizer.normalizePath(input, abs), portable);
    QCOMPARE(abs, absolute);
    QCOMPARE(prompt.messages, message.isEmpty() ? QStringList() : QStringList{message});
}

QTEST_GUILESS_MAIN(TestPathNormalizer)
#include "tst_pathnormalizer.moc"
