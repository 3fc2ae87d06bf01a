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
#include <unistd.h>

using namespace Qt::StringLiterals;
using T = PrintControls::TextBox;
using C = PrintControls::CheckBox;

namespace {
// A station folder in a temporary directory: <tmp>/Server holds the program and its
// configuration, as plants install it. "Office" is the system default printer.
struct Station {
    QTemporaryDir tmp;
    AppSettings settings;
    PrintControls controls;
    FakePrompt prompt;
    RecordingHooks hooks;
    QStringList installed{u"Zebra-Halle1"_s, u"Lager"_s, u"Office"_s};
    PrinterSource printers{[this] { return installed; },
                           [] {
                               return u"Office"_s;
                           }};
    Configuration config{settings, controls, prompt, hooks, printers, server()};

    Station()
    {
        QDir(tmp.path()).mkdir(u"Server"_s);
        settings.configPath = server() + u"/line.dcnf"_s;
    }
    QString server() const { return tmp.path() + u"/Server"_s; }
    QByteArray fileBytes() const
    {
        QFile f(settings.configPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void load(const QByteArray &bytes)
    {
        QFile f(settings.configPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        config.loadConfig();
    }
};
// A folder the test's process may not add files to while this lives. Root may add files
// anywhere, so as root the process acts as nobody meanwhile (the folders are opened to be
// passed through).
class ReadOnlyFolder {
public:
    ReadOnlyFolder(const QString &parent, const QString &folder)
        : m_folder(folder)
        , m_root(geteuid() == 0)
    {
        const auto open = QFile::Permissions::fromInt(0x7755);
        QFile::setPermissions(parent, open);
        QFile::setPermissions(folder, m_root ? open : QFile::Permissions::fromInt(0x5555));
        if (m_root)
            QVERIFY(seteuid(65534) == 0);
    }
    ~ReadOnlyFolder()
    {
        if (m_root)
            QVERIFY(seteuid(0) == 0);
        QFile::setPermissions(m_folder, QFile::Permissions::fromInt(0x7700));
    }
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

private:
    QString m_folder;
    bool m_root;
};
} // namespace

class TestConfiguration : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Items are taken two at a time as key and value, whatever the line layout.
    void parseItems_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("items"); // the dictionary, sorted by key
        QTest::newRow("bare value trimmed") << u"\"Port\",  4840  \r\n"_s << u"Port=4840"_s;
        QTest::newRow("last wins, empty key skipped")
            << u"\"Port\",\"1\"\r\n\"\",\"x\"\r\n\"Port\",\"2\"\r\n"_s << u"Port=2"_s;
        QTest::newRow("pairs across lines")
            << u"\"Netid\",\"a\",\"Port\"\r\n\"7\"\r\n"_s << u"Netid=a|Port=7"_s;
        QTest::newRow("LF ends and blank lines")
            << u"\"A\",\"x\"\n\n\"B\",\"y\"\r\n\r\n\"Port\",\"9\"\n"_s << u"A=x|B=y|Port=9"_s;
        QTest::newRow("empty value before line end")
            << u"\"Port\",\r\n\"Netid\",\"n\"\r\n"_s << u"Netid=n|Port="_s;
        QTest::newRow("text after closing quote ignored")
            << u"\"Port\",\"5\" junk\r\n"_s << u"Port=5"_s;
        QTest::newRow("key at end without value") << u"\"Port\""_s << u"Port="_s;
    }
    void parseItems()
    {
        QFETCH(QString, text);
        const auto dict = ConfigFile::parse(text);
        QStringList found;
        for (auto it = dict.begin(); it != dict.end(); ++it)
            found << it.key() + u'=' + it.value();
        found.sort();
        QTEST(found.join(u'|'), "items");
    }

    // Whatever is typed into a box reads back as typed, and the records after it stay in
    // place; a value Windows stations could write keeps its bytes.
    void textsReadBackAsWritten_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("quoted font name")
            << u"INPUT ON$013FONT \"Swiss 721 BT\",12$013"_s
            << "\"Prefix\",\"INPUT ON$013FONT \"\"Swiss 721 BT\"\",12$013\"\r\n"_ba;
        QTest::newRow("quoted password, quote at the end")
            << u"Host=db;Password=\"a,b\""_s
            << "\"Prefix\",\"Host=db;Password=\"\"a,b\"\"\"\r\n"_ba;
        QTest::newRow("as Windows writes it")
            << u"a,b \u00b0 \u00e4"_s << "\"Prefix\",\"a,b \xb0 \xe4\"\r\n"_ba;
    }
    void textsReadBackAsWritten()
    {
        QFETCH(QString, value);
        QFETCH(QByteArray, written);
        const QByteArray file = ConfigFile::format({{u"Prefix"_s, value}, {u"AblOnOff"_s, 0}});
        QCOMPARE(file, written + "\"AblOnOff\",0\r\n");
        const auto dict = ConfigFile::parse(Ansi::decode(file));
        QCOMPARE(dict.value(u"Prefix"_s), value);
        QCOMPARE(dict.value(u"AblOnOff"_s), u"0"_s);
    }

    // A file as a Windows station writes it: CR LF, Windows-1252 (ä = E4, ° = B0),
    // backslashes. It loads as written, and a save gives it back byte for byte.
    void windowsStationFile()
    {
        Station f;
        const QByteArray file =
            "\"ServerPath\",\"~apppath~\\Data\\Druckdaten.mdb\"\r\n\"Netid\",\"192.0.2.10.1.1\"\r\n"
            "\"Port\",\"851\"\r\n\"Modulname\",\"Pr\xe4gung1\"\r\n\"Labelshop\",1\r\n"
            "\"LabelshopPath\",\"~apppath~\\Labelshop\"\r\n\"DeleteDelay\",\"14\"\r\n"
            "\"CAD-Print\",2\r\n\"CAD-Path\",\"\\Bilder\"\r\n\"CAD-Extension\",\"emf\"\r\n"
            "\"CAD-PrintRest\",1\r\n\"Command-Line\",\"\xb0\\Tools\\print.exe\xb0 \xb0#~#\xb0\"\r\n"
            "\"Option-Command-Line\",0\r\n\"PrintToFit\",1\r\n\"WritePrintData\",0\r\n"
            "\"Sonderzeichen\",1\r\n\"PaperOrientation\",1\r\n\"PrintRAW\",2\r\n"
            "\"WinCADPrint\",1\r\n\"UTF8Codierung\",1\r\n\"Printername\",\"Lager\"\r\n"
            "\"ChinaCodierung\",1\r\n\"PrefixOnOff\",1\r\n\"Prefix\",\"A$013\"\r\n"
            "\"RAWAddCrLf\",1\r\n\"Codierung\",\"cp850\"\r\n\"AblOnOff\",0\r\n";
        f.load(file);
        const QString plant = f.tmp.path();
        QCOMPARE(f.controls.serverPath, plant + u"/Data/Druckdaten.mdb"_s);
        QCOMPARE(f.settings.labelshopPath, plant + u"/Labelshop"_s);
        QCOMPARE(f.settings.cadPath, plant + u"/Bilder"_s);
        QCOMPARE(f.controls.modulName, u"Prägung1"_s);
        QCOMPARE(f.settings.commandLine, u"\"\\Tools\\print.exe\" \"#~#\""_s);
        QCOMPARE(f.settings.cadExtension, u".emf"_s);
        QCOMPARE(f.settings.deleteDelay, 14);
        QCOMPARE(f.settings.cadPrint, 2);
        QCOMPARE(f.settings.printerName, u"Lager"_s);
        QCOMPARE(f.settings.printerIndex, 1);
        QCOMPARE(f.settings.prefix, u"A\r\r\n"_s); // RAWAddCrLf adds the line end
        QCOMPARE(f.settings.ablOnOff, false);
        QCOMPARE(f.settings.writePrintData, 0);
        QCOMPARE(f.settings.outputCount, 2);
        QCOMPARE(f.hooks.calls, (QStringList{u"restartBackends(0)"_s, u"cleanCadImages"_s}));
        QVERIFY(f.config.saveConfig());
        QCOMPARE(f.fileBytes(), file);
        // The operator typed the absolute path: the file receives the portable form.
        f.controls.setText(T::txtServer, plant + u"/Data/other.db"_s);
        QVERIFY(f.config.saveConfig());
        QVERIFY(f.fileBytes().startsWith("\"ServerPath\",\"~apppath~/Data/other.db\"\r\n"));
    }

    void missingFileGivesDefaults()
    {
        Station f;
        f.controls.setEditMode(true);
        f.config.loadConfig();
        QCOMPARE(f.settings.deleteDelay, 30);
        QCOMPARE(f.settings.cadExtension, u".wmf"_s);
        QCOMPARE(f.settings.writePrintData, 1);
        QCOMPARE(f.settings.sonderzeichen, 1);
        QCOMPARE(f.settings.ablOnOff, true);
        QCOMPARE(f.settings.printerName, u"Office"_s);
        QCOMPARE(f.settings.printerIndex, -1);
        QCOMPARE(f.settings.prefix, u"INPUT ON\rSYSVAR(18)=8\rLTS& ON\r"_s);
        QCOMPARE(f.settings.outputCount, 1);
        QCOMPARE(f.controls.printers(), f.installed);
        QVERIFY(!f.controls.editMode());
        // Without a configured image folder the images go beside the Server folder.
        QCOMPARE(f.settings.cadPath, f.tmp.path() + u"/prod/Images"_s);
        QVERIFY(QFileInfo(f.settings.cadPath).isDir());
    }

    // One record loaded; the setting it feeds, read back as text.
    void values_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        const auto row = [](const char *name, const char *file, const char *field,
                            const char *value) {
            QTest::newRow(name) << QByteArray(file) << QString::fromLatin1(field)
                                << QString::fromLatin1(value);
        };
        row("DeleteDelay blank", "\"DeleteDelay\",\"  \"", "deleteDelay", "30");
        row("DeleteDelay 0", "\"DeleteDelay\",\"0\"", "deleteDelay", "0");
        row("DeleteDelay no number", "\"DeleteDelay\",\"abc\"", "deleteDelay", "0");
        row("DeleteDelay leading number", "\"DeleteDelay\",\"12 Tage\"", "deleteDelay", "12");
        row("DeleteDelay rounds half to even", "\"DeleteDelay\",\"2.5\"", "deleteDelay", "2");
        row("wrong-case deletedelay ignored", "\"deletedelay\",\"5\"", "deleteDelay", "30");
        // The configured printer is active, installed or not; without one the system default.
        row("printer not installed", "\"Printername\",\"Gone\"", "printer", "Gone -1");
        row("printer name case counts", "\"Printername\",\"lager\"", "printer", "lager -1");
        row("no printer: system default", "\"Printername\",\"\"", "printer", "Office -1");
        row("Sonderzeichen 0", "\"Sonderzeichen\",0", "sonderzeichen", "0");
        row("Sonderzeichen empty is on", "\"Sonderzeichen\",\"\"", "sonderzeichen", "1");
        row("PrintRAW 1.5 rounds to even", "\"PrintRAW\",1.5", "printRaw", "2");
        row("out of range CAD-Print takes the box state", "\"CAD-Print\",5", "cadPrint", "0");
        row("out of range WinCADPrint keeps the number", "\"WinCADPrint\",7", "winCadPrint", "7");
        // ablOnOff, then the check box that shows it.
        row("wrong-case ablonoff ignored", "\"ablonoff\",0", "abl", "1 1");
        row("AblOnOff other value is on", "\"AblOnOff\",\"x\"", "abl", "1 1");
        row("command-line station uses the plain family",
            "\"Option-Command-Line\",1\r\n\"AblOnOff\",1", "abl", "0 0");
    }
    void values()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, field);
        QFETCH(QString, value);
        Station f;
        f.load(file + "\r\n");
        const AppSettings &s = f.settings;
        const QHash<QString, QString> fields{
            {u"deleteDelay"_s, QString::number(s.deleteDelay)},
            {u"sonderzeichen"_s, QString::number(s.sonderzeichen)},
            {u"printRaw"_s, QString::number(s.printRaw)},
            {u"cadPrint"_s, QString::number(s.cadPrint)},
            {u"winCadPrint"_s, QString::number(s.winCadPrint)},
            {u"printer"_s, u"%1 %2"_s.arg(s.printerName).arg(s.printerIndex)},
            {u"abl"_s, u"%1 %2"_s.arg(int(s.ablOnOff)).arg(f.controls.check(C::chkModulname))}};
        QVERIFY(fields.contains(field));
        QCOMPARE(fields.value(field), value);
    }

    void unconvertibleValueKeepsPreviousState()
    {
        Station f;
        f.load("\"Labelshop\",1\r\n\"PrintRAW\",2\r\n");
        f.load("\"Labelshop\",\"ja\"\r\n\"PrintRAW\",\"zwei\"\r\n");
        QCOMPARE(f.controls.check(C::chkLabelshop), 1);
        QCOMPARE(f.settings.labelshop, 1);
        QCOMPARE(f.controls.check(C::chkPrintRAW), 2);
        QCOMPARE(f.settings.printRaw, 2);
    }

    void saveWritesAllKeysInOrder()
    {
        Station f;
        f.load("\"Unknown\",\"dropped\"\r\n\"Modulname\",\"L1\"\r\n");
        f.controls.setText(T::txtCommand, u"\"/usr/bin/lp\" \"#~#\""_s);
        QVERIFY(f.config.saveConfig());
        const QByteArray expected =
            "\"ServerPath\",\"\"\r\n\"Netid\",\"\"\r\n\"Port\",\"\"\r\n\"Modulname\",\"L1\"\r\n"
            "\"Labelshop\",0\r\n\"LabelshopPath\",\"\"\r\n\"DeleteDelay\",\"\"\r\n"
            "\"CAD-Print\",0\r\n\"CAD-Path\",\"\"\r\n\"CAD-Extension\",\"\"\r\n"
            "\"CAD-PrintRest\",0\r\n\"Command-Line\",\"\xb0/usr/bin/lp\xb0 \xb0#~#\xb0\"\r\n"
            "\"Option-Command-Line\",0\r\n\"PrintToFit\",0\r\n\"WritePrintData\",1\r\n"
            "\"Sonderzeichen\",1\r\n\"PaperOrientation\",0\r\n\"PrintRAW\",0\r\n"
            "\"WinCADPrint\",0\r\n\"UTF8Codierung\",0\r\n\"Printername\",\"Office\"\r\n"
            "\"ChinaCodierung\",0\r\n\"PrefixOnOff\",0\r\n\"Prefix\",\"\"\r\n"
            "\"RAWAddCrLf\",0\r\n\"Codierung\",\"\"\r\n\"AblOnOff\",1\r\n";
        QCOMPARE(f.fileBytes(), expected);
        QCOMPARE(f.settings.commandLine, u"\"/usr/bin/lp\" \"#~#\""_s);
        QCOMPARE(f.hooks.calls.mid(1), (QStringList{u"restartBackends(0)"_s, u"connectPlc"_s}));
    }

    // A save the folder refuses: a writable file is rewritten in place, as the stations did;
    // otherwise the old file stays whole, and the status line and the log say why.
    void saveInFolderThatRefuses_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("fileWritable");
        QTest::addColumn<bool>("written");
        QTest::newRow("a folder where the file should be") << u"blocked.dcnf"_s << true << false;
        QTest::newRow("read-only folder, writable file") << u"line.dcnf"_s << true << true;
        QTest::newRow("read-only folder and file") << u"line.dcnf"_s << false << false;
    }
    void saveInFolderThatRefuses()
    {
        QFETCH(QString, file);
        QFETCH(bool, fileWritable);
        QFETCH(bool, written);
        Station f;
        f.load("\"Modulname\",\"Old\"\r\n");
        const QByteArray before = f.fileBytes();
        QVERIFY(QDir().mkpath(f.server() + u"/blocked.dcnf/inside"_s));
        f.settings.configPath = f.server() + u'/' + file;
        QFile::setPermissions(f.settings.configPath,
                              QFile::Permissions::fromInt(fileWritable ? 0x6666 : 0x4444));
        f.controls.setText(T::txtModulname, u"New"_s);
        f.controls.setText(T::txtDeleteDelay, u"3"_s);
        {
            const ReadOnlyFolder readOnly(f.tmp.path(), f.server());
            QCOMPARE(f.config.saveConfig(), written);
        }
        QCOMPARE(f.controls.modulName, u"New"_s);
        QCOMPARE(f.settings.deleteDelay, 3);
        const QString error = f.controls.caption(PrintControls::Label::lblError);
        QCOMPARE(error.contains(u" Configuration "_s + f.settings.configPath +
                                u" cannot be written: "_s),
                 !written);
        QCOMPARE(f.hooks.calls.filter(u"logFailure"_s),
                 written ? QStringList() : QStringList{u"logFailure "_s + error});
        // No temporary file is left beside the configuration.
        QCOMPARE(QDir(f.server()).entryList(QDir::Files), QStringList{u"line.dcnf"_s});
        f.settings.configPath = f.server() + u"/line.dcnf"_s;
        QCOMPARE(f.fileBytes().contains("\"New\""), written);
        if (!written)
            QCOMPARE(f.fileBytes(), before);
    }

    void saveAs_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("dcnf") << u"/tmp/other.dcnf"_s << true;
        QTest::newRow("DCNF upper") << u"/tmp/OTHER.DCNF"_s << true;
        QTest::newRow("txt refused") << u"/tmp/other.txt"_s << false;
        QTest::newRow("cancel keeps the preset") << QString() << true;
    }
    void saveAs()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, accepted);
        Station f;
        const QString before = f.settings.configPath;
        f.prompt.nextFileName = chosen;
        QCOMPARE(f.config.checkConfigName(), accepted);
        QCOMPARE(f.settings.configPath, accepted && !chosen.isEmpty() ? chosen : before);
        QCOMPARE(f.prompt.messages,
                 accepted ? QStringList() : QStringList{u"Wrong Filename :"_s + chosen});
    }
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
