#include "AppSettings.h"
#include "FakePrompt.h"
#include "PathNormalizer.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestPathNormalizer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void normalize_data()
    {
        QTest::addColumn<QString>("configPath");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("portable");
        QTest::addColumn<QString>("absolute");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, const QString &configPath, const QString &input,
                            const QString &portable, const QString &absolute,
                            const QString &message = {}) {
            QTest::newRow(name) << configPath << input << portable << absolute << message;
        };
        const QString cfg = u"/plant/Server/line.dcnf"_s;
        const QString config = u"/plant/Config/a.dcnf"_s;
        row("placeholder expands", cfg, u"~apppath~\\Data\\print.mdb"_s,
            u"~apppath~\\Data\\print.mdb"_s, u"/plant/Data/print.mdb"_s);
        row("absolute path below the installation becomes portable", cfg,
            u"/PLANT/Data/print.mdb"_s, u"~apppath~/Data/print.mdb"_s, u"/PLANT/Data/print.mdb"_s);
        row("Windows station paths, any case", u"D:\\Plant\\Server\\line.dcnf"_s,
            u"d:\\plant\\Data\\print.mdb"_s, u"~apppath~\\Data\\print.mdb"_s,
            u"d:/plant/Data/print.mdb"_s);
        row("server folder in any case", u"/plant/server/a.dcnf"_s, u"~apppath~"_s, u"~apppath~"_s,
            u"/plant"_s);
        row("path elsewhere stays", cfg, u"/srv/db/print.db"_s, u"/srv/db/print.db"_s,
            u"/srv/db/print.db"_s);
        row("relative to the installation", cfg, u"\\Data\\print.mdb"_s, u"\\Data\\print.mdb"_s,
            u"/plant/Data/print.mdb"_s);
        row("network path with local installation", cfg, u"\\\\srv\\share\\print.mdb"_s,
            u"\\\\srv\\share\\print.mdb"_s, u"//srv/share/print.mdb"_s);
        row("network path below a network installation", u"//srv/plant/Server/a.dcnf"_s,
            u"//srv/plant/db/p.mdb"_s, u"~apppath~/db/p.mdb"_s, u"//srv/plant/db/p.mdb"_s);
        row("empty", cfg, {}, {}, {});
        const QString connection = u"pROVIDER=SQLite;Data Source=~apppath~\\x.db"_s;
        row("connection string, provider in any case", config, connection, connection, connection);
        row("no Server folder: placeholder refused", config, u"~apppath~\\x.mdb"_s,
            u"~apppath~\\x.mdb"_s, u"~apppath~/x.mdb"_s, u"Wrong Configpath found! "_s + config);
        row("no Server folder, plain path: no message", config, u"/plant/x.mdb"_s,
            u"/plant/x.mdb"_s, u"/plant/x.mdb"_s);
        row("placeholder in exact case only", cfg, u"~APPPATH~\\x"_s, u"~APPPATH~\\x"_s,
            u"/plant~APPPATH~/x"_s);
        row("bare configuration name uses the program folder", u"line.dcnf"_s, u"~apppath~\\x.db"_s,
            u"~apppath~\\x.db"_s, u"/opt/x.db"_s);
    }
    void normalize()
    {
        QFETCH(QString, configPath);
        QFETCH(QString, input);
        QFETCH(QString, message);
        AppSettings settings;
        settings.configPath = configPath;
        FakePrompt prompt;
        PathNormalizer normalizer(settings, prompt, u"/opt/Server"_s);
        QString abs = u"untouched"_s;
        QTEST(normalizer.normalizePath(input, abs), "portable");
        QTEST(abs, "absolute");
        QCOMPARE(prompt.messages, message.isEmpty() ? QStringList() : QStringList{message});
    }
};

QTEST_GUILESS_MAIN(TestPathNormalizer)
#include "tst_pathnormalizer.moc"
