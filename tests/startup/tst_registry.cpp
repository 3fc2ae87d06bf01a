#include "MessageSink.h"
#include "Registry.h"
#include "RegistryFileParser.h"
#include "RegistryFileWriter.h"
#include "RegistryFormat.h"
#include "RegistryStore.h"
#include "RegistryValue.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <optional>
#include <unistd.h>

using Value = RegistryValue;

char *toString(const RegistryValue &value) {
    return qstrdup(QByteArray("type " + QByteArray::number(quint32(value.type)) + " data " +
                              value.data.toHex(','))
                       .constData());
}

namespace {

const QString kEtikorKey = QStringLiteral("Software\\Vornhalt\\Orvane-Application\\Etikor");
const QString kLogOptions =
    QStringLiteral("Software\\Vornhalt\\Orvane-Application\\LogDatei\\Optionen");

struct Message {
    int meldeArt;
    QString meldetext;
    QString bereich;
    int dauer;
    bool flagMsgBox;
    QString helpFile;
};

class RecordingSink : public MessageSink {
public:
    void addMessage(int meldeArt, const QString &meldetext, const QString &bereich, int dauer,
                    bool flagMsgBox, const QString &helpFile, const Failure &) override {
        messages.append({meldeArt, meldetext, bereich, dauer, flagMsgBox, helpFile});
    }
    QList<Message> messages;
};

Value text(const QByteArray &ansi, Value::Type type = Value::Sz) {
    return {type, ansi + '\0'};
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

char *toString(const std::optional<RegistryValue> &value) {
    return value ? toString(*value) : qstrdup("nothing");
}

Q_DECLARE_METATYPE(std::optional<RegistryValue>)

class TestRegistry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void typeRule_data();
    void typeRule();
    void writeKinds_data();
    void writeKinds();
    void readKinds_data();
    void readKinds();
    void readMissingGivesDefault();
    void getOption_data();
    void getOption();
    void expandedOptionReadsAsBytes();
    void registerProgram();
    void fileAsAPersonReadsIt();
    void roundTripThroughFreshSettings();
    void namesWithSeparators_data();
    void namesWithSeparators();
    void keyWithoutValuesSurvives();
    void parserAccepts_data();
    void parserAccepts();
    void parserRefuses_data();
    void parserRefuses();
    void longHexIsWrapped();
    void writeFailureIsReported_data();
    void writeFailureIsReported();
    void brokenFileIsReportedAndKept();
    void pathFromEnvironment();

private:
    std::optional<Value> stored(RegistryStore::Root root, const QString &key, const QString &name);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RegistryStore> m_store;
    RecordingSink m_sink;
    std::unique_ptr<Registry> m_registry;
};

void TestRegistry::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_store = std::make_unique<RegistryStore>(m_dir->filePath(QStringLiteral("registry.reg")));
    m_sink.messages.clear();
    m_registry = std::make_unique<Registry>(*m_store, m_sink);
}

std::optional<Value> TestRegistry::stored(RegistryStore::Root root, const QString &key,
                                          const QString &name) {
    std::optional<Value> found;
    const Failure failure = m_store->value(root, key, name, found);
    if (failure.pending())
        qWarning() << "store failure" << failure.description;
    return found;
}

void TestRegistry::typeRule_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<Value>("expected");
    QTest::newRow("variable") << QStringLiteral("%TEMP%\\x") << text("%TEMP%\\x", Value::ExpandSz);
    QTest::newRow("one percent") << QStringLiteral("100%") << text("100%");
    QTest::newRow("adjacent percents") << QStringLiteral("%%") << text("%%");
    QTest::newRow("percents apart") << QStringLiteral("a%b%c") << text("a%b%c", Value::ExpandSz);
    QTest::newRow("third percent") << QStringLiteral("%%%") << text("%%%", Value::ExpandSz);
    QTest::newRow("placeholder") << QStringLiteral("\"/p/etikor\" \"%1\"")
                                 << text("\"/p/etikor\" \"%1\"");
    QTest::newRow("empty") << QString() << text("");
    QTest::newRow("umlauts") << QStringLiteral("Grüße €") << text("Gr\xfc\xdf\x65 \x80");
}

void TestRegistry::typeRule() {
    QFETCH(QString, text);
    QFETCH(Value, expected);
    m_registry->writeRegistry(QStringLiteral("Orvane-Application"), QStringLiteral("Etikor"),
                              QStringLiteral("V"), text);
    QCOMPARE(stored(RegistryStore::LocalMachine, kEtikorKey, QStringLiteral("V")), expected);
    QVERIFY(m_sink.messages.isEmpty());
}

void TestRegistry::writeKinds_data() {
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<std::optional<Value>>("expected");
    const auto dword = [](const char *hex) {
        return std::optional<Value>(Value{Value::Dword, QByteArray::fromHex(hex)});
    };
    QTest::newRow("int16") << QVariant::fromValue<qint16>(30) << dword("1e000000");
    QTest::newRow("int32") << QVariant::fromValue<qint32>(-2) << dword("feffffff");
    QTest::newRow("true") << QVariant(true) << dword("ffffffff");
    QTest::newRow("false") << QVariant(false) << dword("00000000");
    QTest::newRow("text") << QVariant(QStringLiteral("30")) << std::optional<Value>(text("30"));
    QTest::newRow("int64") << QVariant::fromValue<qint64>(30) << std::optional<Value>();
    QTest::newRow("double") << QVariant(1.5) << std::optional<Value>();
    QTest::newRow("bytes") << QVariant(QByteArray("30")) << std::optional<Value>();
    QTest::newRow("empty") << QVariant() << std::optional<Value>();
}

void TestRegistry::writeKinds() {
    QFETCH(QVariant, value);
    QFETCH(std::optional<Value>, expected);
    m_registry->writeRegistry(QStringLiteral("Orvane-Application"), QStringLiteral("Etikor"),
                              QStringLiteral("V"), value);
    QCOMPARE(stored(RegistryStore::LocalMachine, kEtikorKey, QStringLiteral("V")), expected);
    QVERIFY(m_store->keyExists(RegistryStore::LocalMachine, kEtikorKey));
    QVERIFY(m_sink.messages.isEmpty());
}

void TestRegistry::readKinds_data() {
    QTest::addColumn<Value>("value");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("sz") << text("Gr\xfc\xdf\x65") << QVariant(QStringLiteral("Grüße"));
    QTest::newRow("empty sz") << text("") << QVariant(QString());
    QTest::newRow("multi sz") << Value{Value::MultiSz, QByteArray("a\0b\0\0", 5)}
                              << QVariant(QStringLiteral("a\0b\0").left(4));
    QTest::newRow("dword") << Value::fromDword(-1) << QVariant::fromValue<qint32>(-1);
    QTest::newRow("expand sz") << text("%TEMP%", Value::ExpandSz)
                               << QVariant(QByteArray("%TEMP%\0", 7));
    QTest::newRow("binary") << Value{Value::Binary, QByteArray("\x01\x00\xff", 3)}
                            << QVariant(QByteArray("\x01\x00\xff", 3));
}

void TestRegistry::readKinds() {
    QFETCH(Value, value);
    QFETCH(QVariant, expected);
    QVERIFY(!m_store->setValue(RegistryStore::LocalMachine, kEtikorKey, QStringLiteral("V"), value)
                 .pending());
    const QVariant read = m_registry->readRegistry(QStringLiteral("Orvane-Application"),
                                                   QStringLiteral("Etikor"), QStringLiteral("V"));
    QCOMPARE(read.metaType(), expected.metaType());
    QCOMPARE(read, expected);
}

void TestRegistry::readMissingGivesDefault() {
    const QString app = QStringLiteral("Orvane-Application");
    const QString section = QStringLiteral("Etikor");
    QCOMPARE(m_registry->readRegistry(app, section, QStringLiteral("V")),
             QVariant::fromValue<qint16>(0));
    QCOMPARE(m_registry->readRegistry(app, section, QStringLiteral("V")).typeId(),
             QMetaType::Short);
    m_registry->writeRegistry(app, section, QStringLiteral("Other"), QStringLiteral("x"));
    QCOMPARE(m_registry->readRegistry(app, section, QStringLiteral("V"), QStringLiteral("d")),
             QVariant(QStringLiteral("d")));
    QCOMPARE(m_registry->readRegistry(app, QStringLiteral("Elsewhere"), QStringLiteral("Other"), 7),
             QVariant(7));
    QVERIFY(m_sink.messages.isEmpty());
}

void TestRegistry::getOption_data() {
    QTest::addColumn<QString>("area");
    QTest::addColumn<std::optional<Value>>("before");
    QTest::addColumn<QString>("result");
    QTest::addColumn<Value>("after");
    const QString log = QStringLiteral("LogDatei");
    const std::optional<Value> none;
    QTest::newRow("missing") << log << none << QString() << text("");
    QTest::newRow("text -1") << log << std::optional(text("-1")) << QString() << text("");
    QTest::newRow("dword -1") << log << std::optional(Value::fromDword(-1)) << QString()
                              << text("");
    QTest::newRow("number") << log << std::optional(text("30")) << QStringLiteral("30")
                            << text("30");
    QTest::newRow("dword 0") << log << std::optional(Value::fromDword(0)) << QStringLiteral("0")
                             << Value::fromDword(0);
    QTest::newRow("expandable") << log << std::optional(text("%TEMP%\\x", Value::ExpandSz))
                                << QStringLiteral("%TEMP%\\x")
                                << text("%TEMP%\\x", Value::ExpandSz);
    QTest::newRow("no area") << QString() << none << QString() << text("");
}

void TestRegistry::getOption() {
    QFETCH(QString, area);
    QFETCH(std::optional<Value>, before);
    QFETCH(QString, result);
    QFETCH(Value, after);
    const QString key = QStringLiteral("Software\\Vornhalt\\Orvane-Application") +
                        (area.isEmpty() ? QString() : u'\\' + area) + QLatin1String("\\Optionen");
    const QString name = QStringLiteral("MaxFreeSpace(MB)");
    if (before)
        QVERIFY(!m_store->setValue(RegistryStore::LocalMachine, key, name, *before).pending());
    QCOMPARE(m_registry->getOption(name, area), result);
    QCOMPARE(stored(RegistryStore::LocalMachine, key, name), after);
    QVERIFY(m_sink.messages.isEmpty());
}

void TestRegistry::expandedOptionReadsAsBytes() {
    m_registry->setOption(QStringLiteral("Temp"), QStringLiteral("%TEMP%\\x"),
                          QStringLiteral("LogDatei"));
    const QVariant raw =
        m_registry->readRegistry(QStringLiteral("Orvane-Application\\LogDatei"),
                                 QStringLiteral("Optionen"), QStringLiteral("Temp"));
    QCOMPARE(raw, QVariant(QByteArray("%TEMP%\\x\0", 9)));
    QCOMPARE(m_registry->getOption(QStringLiteral("Temp"), QStringLiteral("LogDatei")),
             QStringLiteral("%TEMP%\\x"));
}

void TestRegistry::registerProgram() {
    m_registry->registerProgram(QStringLiteral("/opt/etikor/bin"), QStringLiteral("etikor"));
    QCOMPARE(stored(RegistryStore::LocalMachine, kEtikorKey, QStringLiteral("Server")),
             text("/opt/etikor/bin/etikor"));
    QCOMPARE(stored(RegistryStore::LocalMachine, kEtikorKey, QStringLiteral("Extension")),
             text("DCNF"));
    QVERIFY(m_sink.messages.isEmpty());
}

void TestRegistry::fileAsAPersonReadsIt() {
    m_registry->registerProgram(QStringLiteral("/opt/etikor/bin"), QStringLiteral("etikor"));
    m_registry->setOption(QStringLiteral("MaxFreeSpace(MB)"), QStringLiteral("30"),
                          QStringLiteral("LogDatei"));
    m_registry->writeRegistry(QStringLiteral("Orvane-Application"), QStringLiteral("Etikor"),
                              QStringLiteral("Zähler"), QVariant::fromValue<qint16>(30));
    m_registry->setOption(QStringLiteral("Pfad"), QStringLiteral("C:\\Daten \"neu\""), QString());
    m_registry->setOption(QStringLiteral("Temp"), QStringLiteral("%TEMP%\\x"), QString());
    const QByteArray expected =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Vornhalt\\Orvane-Application\\Etikor]\r\n"
        "\"Extension\"=\"DCNF\"\r\n"
        "\"Server\"=\"/opt/etikor/bin/etikor\"\r\n"
        "\"Z\xc3\xa4hler\"=dword:0000001e\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Vornhalt\\Orvane-Application\\LogDatei\\Optionen]\r\n"
        "\"MaxFreeSpace(MB)\"=\"30\"\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Vornhalt\\Orvane-Application\\Optionen]\r\n"
        "\"Pfad\"=\"C:\\\\Daten \\\"neu\\\"\"\r\n"
        "\"Temp\"=hex(2):25,54,45,4d,50,25,5c,78,00\r\n"
        "\r\n";
    QCOMPARE(readFile(m_store->path()), expected);
}

void TestRegistry::roundTripThroughFreshSettings() {
    const QList<Value> values = {
        text("Gr\xfc\xdf\x65 \x80 \"q\" \\"),
        text("two\r\nlines"),
        text("%TEMP%\\\xe4", Value::ExpandSz),
        Value::fromDword(-1),
        Value{Value::Dword, QByteArray("\x01\x02", 2)},
        Value{Value::Binary, QByteArray()},
        Value{Value::MultiSz, QByteArray("a\0\xf6\0\0", 5)},
        Value{Value::Sz, QByteArray("no zero")},
        Value{Value::Type(0xb), QByteArray(8, '\x7f')},
    };
    for (qsizetype i = 0; i < values.size(); ++i) {
        QVERIFY(!m_store
                     ->setValue(RegistryStore::LocalMachine, kEtikorKey,
                                QStringLiteral("v%1").arg(i), values[i])
                     .pending());
    }
    // A copy, because QSettings keeps the files it has seen in a per-process cache.
    const QString copy = m_dir->filePath(QStringLiteral("copy.reg"));
    QVERIFY(QFile::copy(m_store->path(), copy));
    QSettings fresh(copy, RegistryFormat::format());
    QCOMPARE(fresh.status(), QSettings::NoError);
    fresh.beginGroup(
        QStringLiteral("HKEY_LOCAL_MACHINE/Software/Vornhalt/Orvane-Application/Etikor"));
    QCOMPARE(fresh.childKeys().size(), values.size());
    for (qsizetype i = 0; i < values.size(); ++i)
        QCOMPARE(fresh.value(QStringLiteral("v%1").arg(i)).value<Value>(), values[i]);

    const QByteArray file = readFile(copy);
    QSettings::SettingsMap map;
    RegistryFileParser parser(file);
    QVERIFY(parser.parse(map));
    QCOMPARE(RegistryFileWriter::write(map), file);
}

void TestRegistry::namesWithSeparators_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("slash") << QStringLiteral("a/b") << QByteArray("\"a/b\"=\"1\"");
    QTest::newRow("backslash") << QStringLiteral("a\\b") << QByteArray("\"a\\\\b\"=\"1\"");
    QTest::newRow("at") << QStringLiteral("@") << QByteArray("\"@\"=\"1\"");
    QTest::newRow("percent") << QStringLiteral("%2F") << QByteArray("\"%2F\"=\"1\"");
    QTest::newRow("default") << QString() << QByteArray("@=\"1\"");
}

void TestRegistry::namesWithSeparators() {
    QFETCH(QString, name);
    QFETCH(QByteArray, line);
    QVERIFY(!m_store->setValue(RegistryStore::LocalMachine, kEtikorKey, name, text("1")).pending());
    QVERIFY(readFile(m_store->path()).contains("\r\n" + line + "\r\n"));
    QCOMPARE(stored(RegistryStore::LocalMachine, kEtikorKey, name), text("1"));
    for (const QString &other : {QStringLiteral("a"), QStringLiteral("b"), QString()}) {
        if (other != name)
            QCOMPARE(stored(RegistryStore::LocalMachine, kEtikorKey, other),
                     std::optional<Value>());
    }
}

void TestRegistry::keyWithoutValuesSurvives() {
    const QString key = QStringLiteral("DCNF_auto_file\\Shell");
    QVERIFY(!m_store->keyExists(RegistryStore::ClassesRoot, key));
    QVERIFY(!m_store->createKey(RegistryStore::ClassesRoot, key).pending());
    QVERIFY(
        readFile(m_store->path()).contains("\r\n[HKEY_CLASSES_ROOT\\DCNF_auto_file\\Shell]\r\n"));
    RegistryStore reopened(m_store->path());
    QVERIFY(reopened.keyExists(RegistryStore::ClassesRoot, key));
    QVERIFY(!reopened.keyExists(RegistryStore::ClassesRoot, key + QLatin1String("\\Open")));
}

void TestRegistry::parserAccepts_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<Value>("expected");
    const QByteArray key = "[HKEY_LOCAL_MACHINE\\Software\\Vornhalt\\Orvane-Application\\Etikor]";
    const QByteArray head = "Windows Registry Editor Version 5.00\n\n" + key + "\n";
    QTest::newRow("lf lines") << head + "\"V\"=\"x\"\n" << QStringLiteral("V") << text("x");
    QTest::newRow("regedit4") << "REGEDIT4\r\n\r\n" + key + "\r\n\"V\"=dword:0000001E\r\n"
                              << QStringLiteral("V") << Value::fromDword(30);
    QTest::newRow("comment and blanks") << "; made by hand\n" + head + "  \"V\" = \"x\"  \n"
                                        << QStringLiteral("V") << text("x");
    QTest::newRow("continued hex") << head + "@=hex(2):25,00,\\\n  41,\\\n  00\n"
                                   << QString() << Value{Value::ExpandSz, QByteArray("%\0A\0", 4)};
    QTest::newRow("short dword") << head + "\"V\"=dword:1f\n"
                                 << QStringLiteral("V") << Value::fromDword(31);
    QTest::newRow("typed hex") << head + "\"V\"=hex(b):01,02\n"
                               << QStringLiteral("V")
                               << Value{Value::Type(0xb), QByteArray("\x01\x02")};
    QTest::newRow("utf-8 bom") << "\xef\xbb\xbf" + head + "\"V\"=\"\xc3\xa4\"\n"
                               << QStringLiteral("V") << text("\xe4");
    QTest::newRow("windows-1252") << head + "\"V\"=\"\xe4\"\n"
                                  << QStringLiteral("V") << text("\xe4");
    QByteArray utf16("\xff\xfe", 2);
    for (QChar c : QString::fromUtf8(head + "\"V\"=\"\xc3\xa4\"\r\n")) {
        utf16.append(char(c.unicode() & 0xff));
        utf16.append(char(c.unicode() >> 8));
    }
    QTest::newRow("utf-16 export") << utf16 << QStringLiteral("V") << text("\xe4");
}

void TestRegistry::parserAccepts() {
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QFETCH(Value, expected);
    writeFile(m_store->path(), file);
    QCOMPARE(stored(RegistryStore::LocalMachine, kEtikorKey, name), expected);
}

void TestRegistry::parserRefuses_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("error");
    const QByteArray head =
        "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CLASSES_ROOT\\.DCNF]\r\n";
    QTest::newRow("no header") << QByteArray("[HKEY_CLASSES_ROOT\\.DCNF]\r\n")
                               << QStringLiteral("line 1: the first line");
    QTest::newRow("value first") << QByteArray("REGEDIT4\r\n@=\"x\"\r\n")
                                 << QStringLiteral("line 2: a value before");
    QTest::newRow("delete key") << QByteArray("REGEDIT4\r\n[-HKEY_CLASSES_ROOT\\.DCNF]\r\n")
                                << QStringLiteral("line 2: deleting keys");
    QTest::newRow("relative key") << QByteArray("REGEDIT4\r\n[Software\\Vornhalt]\r\n")
                                  << QStringLiteral("line 2: \"Software");
    QTest::newRow("delete value") << head + "\"V\"=-\r\n" << QStringLiteral("line 4: deleting");
    QTest::newRow("open quote") << head + "\"V\"=\"x\r\n" << QStringLiteral("line 4: text data");
    QTest::newRow("open name") << head + "\"V=\"x\r\n" << QStringLiteral("line 4: = expected");
    QTest::newRow("unclosed name") << head + "\"V\r\n" << QStringLiteral("line 4: the value name");
    QTest::newRow("no equals") << head + "\"V\" \"x\"\r\n" << QStringLiteral("line 4: = expected");
    QTest::newRow("long dword") << head + "@=dword:000000001\r\n"
                                << QStringLiteral("line 4: dword");
    QTest::newRow("signed dword") << head + "@=dword:-1\r\n" << QStringLiteral("line 4: dword");
    QTest::newRow("bad byte") << head + "@=hex:0g\r\n"
                              << QStringLiteral("line 4: hex data must be");
    QTest::newRow("long byte") << head + "@=hex:100\r\n"
                               << QStringLiteral("line 4: hex data must be");
    QTest::newRow("bad type") << head + "@=hex(z):00\r\n"
                              << QStringLiteral("line 4: hex data must begin");
    QTest::newRow("cut hex") << head + "@=hex:00,\\" << QStringLiteral("line 4: the file ends");
}

void TestRegistry::parserRefuses() {
    QFETCH(QByteArray, file);
    QFETCH(QString, error);
    QSettings::SettingsMap map;
    RegistryFileParser parser(file);
    QVERIFY(!parser.parse(map));
    QVERIFY2(parser.error().startsWith(error), qPrintable(parser.error()));
}

void TestRegistry::longHexIsWrapped() {
    QByteArray data;
    for (int i = 0; i < 100; ++i)
        data.append(char(i));
    const Value value{Value::Binary, data};
    QVERIFY(
        !m_store->setValue(RegistryStore::LocalMachine, kEtikorKey, QStringLiteral("Bild"), value)
             .pending());
    const QList<QByteArray> lines = readFile(m_store->path()).split('\n');
    const qsizetype first = lines.indexOf(
        "\"Bild\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r");
    QVERIFY(first > 0);
    qsizetype last = first;
    while (lines[last].endsWith(",\\\r")) {
        QVERIFY2(lines[last].size() <= 81, lines[last].constData()); // 80 and the CR
        QVERIFY(lines[++last].startsWith("  "));
    }
    QVERIFY(last - first >= 3); // 300 characters of data
    QCOMPARE(stored(RegistryStore::LocalMachine, kEtikorKey, QStringLiteral("Bild")), value);
}

void TestRegistry::writeFailureIsReported_data() {
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::addColumn<QString>("reason");
    QTest::newRow("folder is a file") << false << qt_error_string(ENOTDIR);
    QTest::newRow("read-only folder") << true << qt_error_string(EACCES);
}

void TestRegistry::writeFailureIsReported() {
    QFETCH(bool, readOnlyFolder);
    QFETCH(QString, reason);
    const QString folder = m_dir->filePath(QStringLiteral("etc"));
    if (readOnlyFolder) {
        if (::geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    } else {
        writeFile(folder, "a file, not a folder");
    }
    RegistryStore store(folder + QLatin1String("/etikor/registry.reg"));
    Registry registry(store, m_sink);
    registry.writeRegistry(QStringLiteral("Orvane-Application"), QStringLiteral("Etikor"),
                           QStringLiteral("Server"), QStringLiteral("/opt/etikor/bin/etikor"));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(m_sink.messages.size(), 1);
    const Message &message = m_sink.messages.first();
    QCOMPARE(message.meldetext,
             QStringLiteral("Fehler beim Schreiben der Registry : Orvane-Application\\Etikor") +
                 reason);
    QCOMPARE(message.meldeArt, 1);
    QCOMPARE(message.bereich, QString());
    QCOMPARE(message.dauer, 0);
    QCOMPARE(message.flagMsgBox, false);
    QCOMPARE(message.helpFile, QString());
}

void TestRegistry::brokenFileIsReportedAndKept() {
    const QByteArray broken = "REGEDIT4\r\n[HKEY_CLASSES_ROOT\\.DCNF]\r\n@=hex:zz\r\n";
    writeFile(m_store->path(), broken);
    const QString app = QStringLiteral("Orvane-Application\\LogDatei");
    m_registry->writeRegistry(app, QStringLiteral("Optionen"), QStringLiteral("V"),
                              QStringLiteral("1"));
    QCOMPARE(readFile(m_store->path()), broken);
    const QVariant read = m_registry->readRegistry(app, QStringLiteral("Optionen"),
                                                   QStringLiteral("V"), QStringLiteral("d"));
    QVERIFY(!read.isValid());
    QCOMPARE(m_sink.messages.size(), 2);
    const QString where = QStringLiteral("Orvane-Application\\LogDatei\\Optionenline 3: hex data");
    QVERIFY2(m_sink.messages[0].meldetext.startsWith(
                 QLatin1String("Fehler beim Schreiben der Registry : ") + where),
             qPrintable(m_sink.messages[0].meldetext));
    QVERIFY2(m_sink.messages[1].meldetext.startsWith(
                 QLatin1String("Fehler beim Lesen der Registry : ") + where),
             qPrintable(m_sink.messages[1].meldetext));
}

void TestRegistry::pathFromEnvironment() {
    const QString path = m_dir->filePath(QStringLiteral("station.reg"));
    qputenv("ETIKOR_REGISTRY", QFile::encodeName(path));
    RegistryStore store;
    qunsetenv("ETIKOR_REGISTRY");
    QCOMPARE(store.path(), path);
    QVERIFY(RegistryStore::defaultPath().endsWith(QLatin1String("/etikor/registry.reg")));
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
