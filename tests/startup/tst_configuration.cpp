#include "Ansi.h"
#include "AppSettings.h"
#include "ConfigFile.h"
#include "Configuration.h"
#include "FakePrompt.h"
#include "PrintControls.h"
#include "RecordingHooks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using T = PrintControls::TextBox;
using C = PrintControls::CheckBox;
using L = PrintControls::Label;

// A station folder in a temporary directory: <tmp>/Server holds the program and its
// configuration, as plants install it.
class Fixture {
public:
    QTemporaryDir tmp;
    AppSettings settings;
    PrintControls controls;
    FakePrompt prompt;
    RecordingHooks hooks;
    QStringList installed{QStringLiteral("Zebra-Halle1"), QStringLiteral("Lager"),
                          QStringLiteral("Office")};
    QString defaultPrinter = QStringLiteral("Office");
    Configuration config{settings,
                         controls,
                         prompt,
                         hooks,
                         PrinterSource{[this] { return installed; },
                                       [this] {
                                           return defaultPrinter;
                                       }},
                         server()};

    Fixture()
    {
        QDir(tmp.path()).mkdir(QStringLiteral("Server"));
        settings.configPath = server() + QStringLiteral("/line.dcnf");
    }
    QString server() const { return tmp.path() + QStringLiteral("/Server"); }
    void writeFile(const QByteArray &bytes)
    {
        QFile f(settings.configPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray fileBytes() const
    {
        QFile f(settings.configPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void load(const QByteArray &bytes)
    {
        writeFile(bytes);
        config.loadConfig();
    }
};

class TestConfiguration : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parseItems_data();
    void parseItems();
    void windowsStationFile();
    void missingFileGivesDefaults();
    void textValues_data();
    void textValues();
    void integerValues_data();
    void integerValues();
    void unconvertibleValueKeepsPreviousState();
    void commandLineStationUsesPlainFamily();
    void printerSelection_data();
    void printerSelection();
    void saveWritesAllKeysInOrder();
    void saveRoundTripIsByteExact();
    void failedSaveKeepsOldFile();
    void imageFolderDefault();
    void saveAs_data();
    void saveAs();
};

void TestConfiguration::parseItems_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("bare value trimmed") << QStringLiteral("\"Port\",  4840  \r\n") << "Port"
                                        << "4840";
    QTest::newRow("last wins") << QStringLiteral("\"Port\",\"1\"\r\n\"Port\",\"2\"\r\n") << "Port"
                               << "2";
    QTest::newRow("pairs across lines")
        << QStringLiteral("\"Netid\",\"a\",\"Port\"\r\n\"7\"\r\n") << "Port"
        << "7";
    QTest::newRow("LF line ends") << QStringLiteral("\"A\",\"x\"\n\"Port\",\"9\"\n") << "Port"
                                  << "9";
    QTest::newRow("blank lines between records")
        << QStringLiteral("\"A\",\"x\"\r\n\r\n\"Port\",\"3\"\r\n") << "Port"
        << "3";
    QTest::newRow("comma inside quotes") << QStringLiteral("\"Prefix\",\"a,b\"\r\n") << "Prefix"
                                         << "a,b";
    QTest::newRow("empty value before line end")
        << QStringLiteral("\"Port\",\r\n\"Netid\",\"n\"\r\n") << "Port"
        << "";
    QTest::newRow("empty value leaves next record intact")
        << QStringLiteral("\"Port\",\r\n\"Netid\",\"n\"\r\n") << "Netid"
        << "n";
    QTest::newRow("text after closing quote ignored")
        << QStringLiteral("\"Port\",\"5\" junk\r\n") << "Port"
        << "5";
    QTest::newRow("key at end without value") << QStringLiteral("\"Port\"") << "Port"
                                              << "";
}

void TestConfiguration::parseItems()
{
    QFETCH(QString, text);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const auto dict = ConfigFile::parse(text);
    QVERIFY(dict.contains(key));
    QCOMPARE(dict.value(key), value);
}

void TestConfiguration::windowsStationFile()
{
    Fixture f;
    // As a Windows station writes it: CR LF, Windows-1252 (ä = E4, ° = B0), backslashes.
    f.load("\"ServerPath\",\"~apppath~\\Data\\Druckdaten.mdb\"\r\n"
           "\"Netid\",\"192.0.2.10.1.1\"\r\n\"Port\",\"851\"\r\n"
           "\"Modulname\",\"Pr\xe4gung1\"\r\n\"Labelshop\",1\r\n"
           "\"LabelshopPath\",\"~apppath~\\Labelshop\"\r\n\"DeleteDelay\",\"14\"\r\n"
           "\"CAD-Print\",2\r\n\"CAD-Path\",\"\\Bilder\"\r\n\"CAD-Extension\",\"emf\"\r\n"
           "\"Command-Line\",\"\xb0\\Tools\\print.exe\xb0 \xb0#~#\xb0\"\r\n"
           "\"Option-Command-Line\",0\r\n\"PrintRAW\",1\r\n\"Sonderzeichen\",1\r\n"
           "\"Printername\",\"Lager\"\r\n\"Prefix\",\"A$013\"\r\n\"AblOnOff\",0\r\n");
    const QString plant = f.tmp.path();
    QCOMPARE(f.controls.text(T::txtServer), QStringLiteral("~apppath~\\Data\\Druckdaten.mdb"));
    QCOMPARE(f.controls.serverPath, plant + QStringLiteral("/Data/Druckdaten.mdb"));
    QCOMPARE(f.settings.labelshopPath, plant + QStringLiteral("/Labelshop"));
    QCOMPARE(f.settings.cadPath, plant + QStringLiteral("/Bilder"));
    QCOMPARE(f.controls.modulName, QStringLiteral("Prägung1"));
    QCOMPARE(f.controls.text(T::txtCommand), QStringLiteral("\"\\Tools\\print.exe\" \"#~#\""));
    QCOMPARE(f.settings.commandLine, f.controls.text(T::txtCommand));
    QCOMPARE(f.settings.cadExtension, QStringLiteral(".emf"));
    QCOMPARE(f.settings.deleteDelay, 14);
    QCOMPARE(f.settings.cadPrint, 2);
    QCOMPARE(f.controls.check(C::chkCADPrint), 2);
    QCOMPARE(f.settings.printRaw, 1);
    QCOMPARE(f.settings.printerName, QStringLiteral("Lager"));
    QCOMPARE(f.settings.printerIndex, 1);
    QCOMPARE(f.settings.prefix, QStringLiteral("A\r"));
    QCOMPARE(f.settings.ablOnOff, false);
    QCOMPARE(f.settings.labelshop, 1);
    QCOMPARE(f.settings.writePrintData, 1); // absent key
    QCOMPARE(f.settings.outputCount, 3);
    QCOMPARE(f.controls.editMode(), false);
    QCOMPARE(f.hooks.calls, QStringList{QStringLiteral("restartBackends(0)")});
}

void TestConfiguration::missingFileGivesDefaults()
{
    Fixture f;
    f.controls.setEditMode(true);
    f.config.loadConfig();
    QCOMPARE(f.controls.modulName, QString());
    QCOMPARE(f.settings.deleteDelay, 30);
    QCOMPARE(f.settings.cadExtension, QStringLiteral(".wmf"));
    QCOMPARE(f.settings.writePrintData, 1);
    QCOMPARE(f.settings.sonderzeichen, 1);
    QCOMPARE(f.settings.ablOnOff, true);
    QCOMPARE(f.settings.printerName, QStringLiteral("Office"));
    QCOMPARE(f.settings.printerIndex, -1);
    QCOMPARE(f.settings.prefix, QStringLiteral("INPUT ON\rSYSVAR(18)=8\rLTS& ON\r"));
    QCOMPARE(f.settings.outputCount, 1);
    QCOMPARE(f.controls.printers(), f.installed);
    QVERIFY(!f.controls.editMode());
}

void TestConfiguration::textValues_data()
{
    QTest::addColumn<QByteArray>("record");
    QTest::addColumn<int>("deleteDelay");
    QTest::addColumn<QString>("cadExtension");
    QTest::newRow("DeleteDelay blank") << QByteArray("\"DeleteDelay\",\"  \"") << 30 << ".wmf";
    QTest::newRow("DeleteDelay 0") << QByteArray("\"DeleteDelay\",\"0\"") << 0 << ".wmf";
    QTest::newRow("DeleteDelay no number") << QByteArray("\"DeleteDelay\",\"abc\"") << 0 << ".wmf";
    QTest::newRow("DeleteDelay leading number")
        << QByteArray("\"DeleteDelay\",\"12 Tage\"") << 12 << ".wmf";
    QTest::newRow("DeleteDelay rounds half to even")
        << QByteArray("\"DeleteDelay\",\"2.5\"") << 2 << ".wmf";
    QTest::newRow("CAD-Extension without dot")
        << QByteArray("\"CAD-Extension\",\"emf\"") << 30 << ".emf";
    QTest::newRow("wrong-case key ignored") << QByteArray("\"deletedelay\",\"5\"") << 30 << ".wmf";
}

void TestConfiguration::textValues()
{
    QFETCH(QByteArray, record);
    QFETCH(int, deleteDelay);
    QFETCH(QString, cadExtension);
    Fixture f;
    f.load(record + "\r\n");
    QCOMPARE(f.settings.deleteDelay, deleteDelay);
    QCOMPARE(f.settings.cadExtension, cadExtension);
}

void TestConfiguration::integerValues_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("value");
    QTest::newRow("WritePrintData 0")
        << QByteArray("\"WritePrintData\",0") << "writePrintData" << 0;
    QTest::newRow("Sonderzeichen 0") << QByteArray("\"Sonderzeichen\",0") << "sonderzeichen" << 0;
    QTest::newRow("Sonderzeichen empty is on")
        << QByteArray("\"Sonderzeichen\",\"\"") << "sonderzeichen" << 1;
    QTest::newRow("PrintRAW 2") << QByteArray("\"PrintRAW\",2") << "printRaw" << 2;
    QTest::newRow("PrintRAW 1.5 rounds to even")
        << QByteArray("\"PrintRAW\",1.5") << "printRaw" << 2;
    QTest::newRow("out of range CAD-Print takes the box state")
        << QByteArray("\"CAD-Print\",5") << "cadPrint" << 0;
    QTest::newRow("out of range WinCADPrint keeps the number")
        << QByteArray("\"WinCADPrint\",7") << "winCadPrint" << 7;
    QTest::newRow("wrong-case ablonoff ignored") << QByteArray("\"ablonoff\",0") << "ablOnOff" << 1;
    QTest::newRow("AblOnOff other value is on")
        << QByteArray("\"AblOnOff\",\"x\"") << "ablOnOff" << 1;
}

void TestConfiguration::integerValues()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, field);
    QFETCH(int, value);
    Fixture f;
    f.load(file + "\r\n");
    const AppSettings &s = f.settings;
    const QHash<QString, int> fields{{QStringLiteral("writePrintData"), s.writePrintData},
                                     {QStringLiteral("sonderzeichen"), s.sonderzeichen},
                                     {QStringLiteral("printRaw"), s.printRaw},
                                     {QStringLiteral("cadPrint"), s.cadPrint},
                                     {QStringLiteral("winCadPrint"), s.winCadPrint},
                                     {QStringLiteral("ablOnOff"), int(s.ablOnOff)}};
    QCOMPARE(fields.value(field, -999), value);
}

void TestConfiguration::unconvertibleValueKeepsPreviousState()
{
    Fixture f;
    f.load("\"Labelshop\",1\r\n\"PrintRAW\",2\r\n");
    QCOMPARE(f.controls.check(C::chkLabelshop), 1);
    f.load("\"Labelshop\",\"ja\"\r\n\"PrintRAW\",\"zwei\"\r\n");
    QCOMPARE(f.controls.check(C::chkLabelshop), 1);
    QCOMPARE(f.settings.labelshop, 1);
    QCOMPARE(f.controls.check(C::chkPrintRAW), 2);
    QCOMPARE(f.settings.printRaw, 2);
    QVERIFY(f.hooks.calls.contains(QStringLiteral("cleanCadImages")));
}

void TestConfiguration::commandLineStationUsesPlainFamily()
{
    Fixture f;
    f.load("\"Option-Command-Line\",1\r\n\"AblOnOff\",1\r\n");
    QCOMPARE(f.settings.ablOnOff, false);
    QCOMPARE(f.controls.check(C::chkModulname), 0);
}

void TestConfiguration::printerSelection_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("active");
    QTest::addColumn<int>("index");
    QTest::newRow("installed") << QByteArray("\"Printername\",\"Lager\"") << "Lager" << 1;
    QTest::newRow("not installed stays active")
        << QByteArray("\"Printername\",\"Gone\"") << "Gone" << -1;
    QTest::newRow("case counts") << QByteArray("\"Printername\",\"lager\"") << "lager" << -1;
    QTest::newRow("none: system default") << QByteArray("\"Printername\",\"\"") << "Office" << -1;
}

void TestConfiguration::printerSelection()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, active);
    QFETCH(int, index);
    Fixture f;
    f.load(file + "\r\n");
    QCOMPARE(f.settings.printerName, active);
    QCOMPARE(f.controls.caption(L::lblDefPrinter), active);
    QCOMPARE(f.settings.printerIndex, index);
}

void TestConfiguration::saveWritesAllKeysInOrder()
{
    Fixture f;
    f.load("\"Unknown\",\"dropped\"\r\n\"Modulname\",\"L1\"\r\n");
    f.controls.setText(T::txtCommand, QStringLiteral("\"/usr/bin/lp\" \"#~#\""));
    QVERIFY(f.config.saveConfig());
    const QByteArray expected =
        "\"ServerPath\",\"\"\r\n\"Netid\",\"\"\r\n\"Port\",\"\"\r\n\"Modulname\",\"L1\"\r\n"
        "\"Labelshop\",0\r\n\"LabelshopPath\",\"\"\r\n\"DeleteDelay\",\"\"\r\n\"CAD-Print\",0\r\n"
        "\"CAD-Path\",\"\"\r\n\"CAD-Extension\",\"\"\r\n\"CAD-PrintRest\",0\r\n"
        "\"Command-Line\",\"\xb0/usr/bin/lp\xb0 \xb0#~#\xb0\"\r\n\"Option-Command-Line\",0\r\n"
        "\"PrintToFit\",0\r\n\"WritePrintData\",1\r\n\"Sonderzeichen\",1\r\n"
        "\"PaperOrientation\",0\r\n\"PrintRAW\",0\r\n\"WinCADPrint\",0\r\n\"UTF8Codierung\",0\r\n"
        "\"Printername\",\"Office\"\r\n\"ChinaCodierung\",0\r\n\"PrefixOnOff\",0\r\n"
        "\"Prefix\",\"\"\r\n\"RAWAddCrLf\",0\r\n\"Codierung\",\"\"\r\n\"AblOnOff\",1\r\n";
    QCOMPARE(f.fileBytes(), expected);
    QCOMPARE(f.settings.commandLine, QStringLiteral("\"/usr/bin/lp\" \"#~#\""));
    QCOMPARE(f.hooks.calls.mid(1),
             (QStringList{QStringLiteral("restartBackends(0)"), QStringLiteral("connectPlc")}));
}

void TestConfiguration::saveRoundTripIsByteExact()
{
    Fixture f;
    const QByteArray file =
        "\"ServerPath\",\"~apppath~\\Data\\print.mdb\"\r\n\"Netid\",\"plc1\"\r\n\"Port\","
        "\"4840\"\r\n"
        "\"Modulname\",\"Pr\xe4gung\"\r\n\"Labelshop\",1\r\n\"LabelshopPath\",\"\\LS\"\r\n"
        "\"DeleteDelay\",\"7\"\r\n\"CAD-Print\",2\r\n\"CAD-Path\",\"~apppath~\\img\"\r\n"
        "\"CAD-Extension\",\"emf\"\r\n\"CAD-PrintRest\",1\r\n\"Command-Line\",\"\"\r\n"
        "\"Option-Command-Line\",0\r\n\"PrintToFit\",1\r\n\"WritePrintData\",0\r\n"
        "\"Sonderzeichen\",1\r\n\"PaperOrientation\",1\r\n\"PrintRAW\",2\r\n\"WinCADPrint\",1\r\n"
        "\"UTF8Codierung\",1\r\n\"Printername\",\"Zebra-Halle1\"\r\n\"ChinaCodierung\",1\r\n"
        "\"PrefixOnOff\",1\r\n\"Prefix\",\"\"\r\n\"RAWAddCrLf\",1\r\n\"Codierung\",\"cp850\"\r\n"
        "\"AblOnOff\",0\r\n";
    f.load(file);
    QVERIFY(f.config.saveConfig());
    QCOMPARE(f.fileBytes(), file);
    QCOMPARE(f.controls.serverPath, f.tmp.path() + QStringLiteral("/Data/print.mdb"));
    // The operator typed the absolute path: the file receives the portable form.
    f.controls.setText(T::txtServer, f.tmp.path() + QStringLiteral("/Data/other.db"));
    QVERIFY(f.config.saveConfig());
    QVERIFY(f.fileBytes().startsWith("\"ServerPath\",\"~apppath~/Data/other.db\"\r\n"));
}

void TestConfiguration::failedSaveKeepsOldFile()
{
    Fixture f;
    f.load("\"Modulname\",\"Old\"\r\n");
    const QByteArray before = f.fileBytes();
    // A folder standing where the file should go cannot be replaced by the save.
    const QString blocked = f.server() + QStringLiteral("/blocked.dcnf");
    QVERIFY(QDir().mkpath(blocked + QStringLiteral("/inside")));
    f.settings.configPath = blocked;
    f.controls.setText(T::txtModulname, QStringLiteral("New"));
    f.controls.setText(T::txtDeleteDelay, QStringLiteral("3"));
    QVERIFY(!f.config.saveConfig());
    QVERIFY(QFileInfo(blocked + QStringLiteral("/inside")).isDir());
    QCOMPARE(f.controls.modulName, QStringLiteral("New"));
    QCOMPARE(f.settings.deleteDelay, 3);
    // No temporary file is left beside the configuration.
    QCOMPARE(QDir(f.server()).entryList(QDir::Files), QStringList{QStringLiteral("line.dcnf")});
    f.settings.configPath = f.server() + QStringLiteral("/line.dcnf");
    QCOMPARE(f.fileBytes(), before);
}

void TestConfiguration::imageFolderDefault()
{
    Fixture f;
    f.config.loadConfig();
    const QString expected = f.tmp.path() + QStringLiteral("/prod/Images");
    QCOMPARE(f.settings.cadPath, expected);
    QVERIFY(QFileInfo(expected).isDir());
}

void TestConfiguration::saveAs_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("dcnf") << QStringLiteral("/tmp/other.dcnf") << true;
    QTest::newRow("DCNF upper") << QStringLiteral("/tmp/OTHER.DCNF") << true;
    QTest::newRow("txt refused") << QStringLiteral("/tmp/other.txt") << false;
    QTest::newRow("cancel keeps the preset") << QString() << true;
}

void TestConfiguration::saveAs()
{
    QFETCH(QString, chosen);
    QFETCH(bool, accepted);
    Fixture f;
    const QString before = f.settings.configPath;
    f.prompt.nextFileName = chosen;
    QCOMPARE(f.config.checkConfigName(), accepted);
    QCOMPARE(f.settings.configPath, accepted && !chosen.isEmpty() ? chosen : before);
    QCOMPARE(f.prompt.messages,
             accepted ? QStringList() : QStringList{QStringLiteral("Wrong Filename :") + chosen});
}

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
