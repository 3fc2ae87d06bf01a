#include "CommandLine.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCommandLine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void choice_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("registers");
        QTest::addColumn<QString>("configPath");
        // chosen: the configuration taken; empty, the one beside the program.
        const auto row = [](const char *name, const QStringList &arguments, const QString &chosen,
                            bool registers = false) {
            QTest::newRow(name) << arguments << registers
                                << (chosen.isEmpty() ? u"/opt/etikor/Etikor.dcnf"_s : chosen);
        };
        row("none", {}, {});
        row("-regserver", {u"-regserver"_s}, {}, true);
        row("/RegServer", {u"/RegServer"_s}, {}, true);
        row("regserver without switch sign", {u"regserver"_s}, {});
        row("quoted path", {u"\"/plant/line1.dcnf\""_s}, u"/plant/line1.dcnf"_s);
        row("case kept", {u"/Plant/Line1.DcNf"_s}, u"/Plant/Line1.DcNf"_s);
        row(".DCNF inside the name", {u"D:\\x.DCNF.old"_s}, u"D:\\x.DCNF.old"_s);
        row("five characters are too short", {u".dcnf"_s}, {});
        row("six characters suffice", {u"a.dcnf"_s}, u"a.dcnf"_s);
        row("only argument 1 counts", {u"--verbose"_s, u"/plant/line1.dcnf"_s}, {});
        row("text after a later quote is cut", {u"\"/plant/a.dcnf\" extra"_s}, u"/plant/a.dcnf"_s);
        row("quote inside without leading quote", {u"ab\"c.dcnf"_s}, u"ab"_s);
        row("blank inside one argument is kept", {u"/plant/line 1.dcnf"_s},
            u"/plant/line 1.dcnf"_s);
        row("empty argument is no argument", {QString(), u"/p/x.dcnf"_s}, u"/p/x.dcnf"_s);
    }
    void choice()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, configPath);
        const auto list = CommandLine::getCommandLine(arguments);
        QVERIFY(list.at(0).isEmpty());
        const auto c = CommandLine::chooseConfiguration(list, u"/opt/etikor"_s);
        QTEST(c.registerFileType, "registers");
        QCOMPARE(c.configPath, configPath);
    }

    void argumentLimit()
    {
        QStringList many;
        for (int i = 0; i < 14; ++i)
            many << QString::number(i);
        QCOMPARE(CommandLine::getCommandLine(many).size(), 11);
        QCOMPARE(CommandLine::getCommandLine(many, 3), (QStringList{{}, u"0"_s, u"1"_s, u"2"_s}));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
