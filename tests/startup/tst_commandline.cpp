#include "CommandLine.h"

#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void choice_data();
    void choice();
    void argumentLimit();
};

void TestCommandLine::choice_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("registers");
    QTest::addColumn<QString>("configPath");
    const QString def = QStringLiteral("/opt/etikor/Etikor.dcnf");

    QTest::newRow("none") << QStringList() << false << def;
    QTest::newRow("-regserver") << QStringList{QStringLiteral("-regserver")} << true << def;
    QTest::newRow("/RegServer") << QStringList{QStringLiteral("/RegServer")} << true << def;
    QTest::newRow("regserver without switch sign")
        << QStringList{QStringLiteral("regserver")} << false << def;
    QTest::newRow("quoted path") << QStringList{QStringLiteral("\"/plant/line1.dcnf\"")} << false
                                 << QStringLiteral("/plant/line1.dcnf");
    QTest::newRow("case kept") << QStringList{QStringLiteral("/Plant/Line1.DcNf")} << false
                               << QStringLiteral("/Plant/Line1.DcNf");
    QTest::newRow(".DCNF inside the name") << QStringList{QStringLiteral("D:\\x.DCNF.old")} << false
                                           << QStringLiteral("D:\\x.DCNF.old");
    QTest::newRow("five characters are too short")
        << QStringList{QStringLiteral(".dcnf")} << false << def;
    QTest::newRow("six characters suffice")
        << QStringList{QStringLiteral("a.dcnf")} << false << QStringLiteral("a.dcnf");
    QTest::newRow("only argument 1 counts")
        << QStringList{QStringLiteral("--verbose"), QStringLiteral("/plant/line1.dcnf")} << false
        << def;
    QTest::newRow("text after a later quote is cut")
        << QStringList{QStringLiteral("\"/plant/a.dcnf\" extra")} << false
        << QStringLiteral("/plant/a.dcnf");
    QTest::newRow("quote inside without leading quote")
        << QStringList{QStringLiteral("ab\"c.dcnf")} << false << QStringLiteral("ab");
    QTest::newRow("blank inside one argument is kept")
        << QStringList{QStringLiteral("/plant/line 1.dcnf")} << false
        << QStringLiteral("/plant/line 1.dcnf");
    QTest::newRow("empty argument is no argument")
        << QStringList{QString(), QStringLiteral("/p/x.dcnf")} << false
        << QStringLiteral("/p/x.dcnf");
}

void TestCommandLine::choice()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, registers);
    QFETCH(QString, configPath);
    const auto list = CommandLine::getCommandLine(arguments);
    QVERIFY(list.at(0).isEmpty());
    const auto c = CommandLine::chooseConfiguration(list, QStringLiteral("/opt/etikor"));
    QCOMPARE(c.registerFileType, registers);
    QCOMPARE(c.configPath, configPath);
}

void TestCommandLine::argumentLimit()
{
    QStringList many;
    for (int i = 0; i < 14; ++i)
        many << QString::number(i);
    QCOMPARE(CommandLine::getCommandLine(many).size(), 11);
    QCOMPARE(
        CommandLine::getCommandLine(many, 3),
        (QStringList{QString(), QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")}));
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
