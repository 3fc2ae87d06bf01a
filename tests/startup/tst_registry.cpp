#include "MessageSink.h"
#include "Registry.h"
#include "RegistryFormat.h"
#include "RegistryStore.h"
#include "RegistryValue.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <optional>

using namespace Qt::StringLiterals;
using Value = RegistryValue;
using MaybeValue = std::optional<RegistryValue>;

char *toString(const MaybeValue &value)
{
    return qstrdup(value ? QByteArray::number(value->type) + ':' + value->data.toHex(',') : "none");
}

char *toString(const RegistryValue &value)
{
    return toString(MaybeValue(value));
}

Q_DECLARE_METATYPE(MaybeValue)

namespace {

const QString kEtikorKey = u"Software\\Vornhalt\\Orvane-Application\\Etikor"_s;

class RecordingSink : public MessageSink {
public:
    void addMessage(int, const QString &meldetext, const QString &, int, bool, const QString &,
                    const Failure &) override
    {
        messages.append(meldetext);
    }
    QStringList messages;
};

Value text(const QByteArray &ansi, Value::Type type = Value::Sz)
{
    return {type, ansi + '\0'};
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class TestRegistry : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void valueKinds_data();
    void valueKinds();
    void fileAsAPersonReadsIt();
    void roundTripThroughFreshSettings_data();
    void roundTripThroughFreshSettings();
    void parse_data();
    void parse();
    void unwritableStoreIsReported();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<RegistryStore> m_store;
    RecordingSink m_sink;
    std::unique_ptr<Registry> m_registry;
};

void TestRegistry::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_store = std::make_unique<RegistryStore>(m_dir->filePath(u"registry.reg"_s));
    m_sink.messages.clear();
    m_registry = std::make_unique<Registry>(*m_store, m_sink);
}

// What writeRegistry stores and what readRegistry and getOption make of it. Text with a %...%
// pair is stored expandable, as the Windows shell expects it.
void TestRegistry::valueKinds_data()
{
    QTest::addColumn<QVariant>("written");
    QTest::addColumn<MaybeValue>("stored");
    QTest::addColumn<QVariant>("read");
    QTest::addColumn<QString>("option");
    const auto row = [](const char *name, const QVariant &written, const MaybeValue &stored,
                        const QVariant &read, const QString &option) {
        QTest::newRow(name) << written << stored << read << option;
    };
    const auto textRow = [&row](const char *name, const QString &written, const Value &stored) {
        row(name, written, stored, written, written);
    };
    textRow("one percent", u"100%"_s, text("100%"));
    textRow("adjacent percents", u"%%"_s, text("%%"));
    textRow("placeholder", u"\"/p/etikor\" \"%1\""_s, text("\"/p/etikor\" \"%1\""));
    textRow("umlauts", u"Grüße €"_s, text("Gr\xfc\xdf\x65 \x80"));
    row("variable", u"%TEMP%\\x"_s, text("%TEMP%\\x", Value::ExpandSz),
        QByteArray("%TEMP%\\x\0", 9), u"%TEMP%\\x"_s);
    row("percents apart", u"a%b%c"_s, text("a%b%c", Value::ExpandSz), QByteArray("a%b%c\0", 6),
        u"a%b%c"_s);
    row("text -1", u"-1"_s, text("-1"), u"-1"_s, QString());
    row("int16", QVariant::fromValue<qint16>(30), Value::fromDword(30),
        QVariant::fromValue<qint32>(30), u"30"_s);
    row("true", true, Value::fromDword(-1), QVariant::fromValue<qint32>(-1), QString());
    row("false", false, Value::fromDword(0), QVariant::fromValue<qint32>(0), u"0"_s);
    row("int64 is not stored", QVariant::fromValue<qint64>(30), MaybeValue(),
        QVariant::fromValue<qint16>(0), QString());
}

// An option that reads as -1 or is missing is stored as empty text; any other stays as it was.
void TestRegistry::valueKinds()
{
    QFETCH(QVariant, written);
    QFETCH(MaybeValue, stored);
    QFETCH(QVariant, read);
    QFETCH(QString, option);
    const QString app = u"Orvane-Application\\LogDatei"_s;
    const QString key = u"Software\\Vornhalt\\Orvane-Application\\LogDatei\\Optionen"_s;
    const QString name = u"MaxFreeSpace(MB)"_s;
    MaybeValue found;
    m_registry->writeRegistry(app, u"Optionen"_s, name, written);
    QVERIFY(!m_store->value(RegistryStore::LocalMachine, key, name, found).pending());
    QCOMPARE(found, stored);
    const QVariant readBack = m_registry->readRegistry(app, u"Optionen"_s, name);
    QCOMPARE(readBack.metaType(), read.metaType());
    QCOMPARE(readBack, read);
    QCOMPARE(m_registry->getOption(name, u"LogDatei"_s), option);
    QVERIFY(!m_store->value(RegistryStore::LocalMachine, key, name, found).pending());
    QCOMPARE(found, option.isEmpty() ? text("") : stored);
    QVERIFY(m_sink.messages.isEmpty());
}

void TestRegistry::fileAsAPersonReadsIt()
{
    m_registry->registerProgram(u"/opt/etikor/bin"_s, u"etikor"_s);
    m_registry->setOption(u"MaxFreeSpace(MB)"_s, u"30"_s, u"LogDatei"_s);
    m_registry->writeRegistry(u"Orvane-Application"_s, u"Etikor"_s, u"Zähler"_s,
                              QVariant::fromValue<qint16>(30));
    m_registry->setOption(u"Pfad"_s, u"C:\\Daten \"neu\""_s, QString());
    m_registry->setOption(u"a/b"_s, u"%TEMP%\\x"_s, QString());
    const QByteArray expected =
        "Windows Registry Editor Version 5.00\r\n"
        "\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Vornhalt\\Orvane-Application\\Etikor]\r\n"
        "\"Extension\"=\"DCNF\"\r\n"
        "\"Server\"=\"/opt/etikor/bin/etikor\"\r\n"
        "\"Z\xc3\xa4hler\"=dword:0000001e\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Vornhalt\\Orvane-Application\\LogDatei\\Optionen]\r\n"
        "\"MaxFreeSpace(MB)\"=\"30\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Vornhalt\\Orvane-Application\\Optionen]\r\n"
        "\"a/b\"=hex(2):25,54,45,4d,50,25,5c,78,00\r\n"
        "\"Pfad\"=\"C:\\\\Daten \\\"neu\\\"\"\r\n\r\n";
    QCOMPARE(readFile(m_store->path()), expected);
    QCOMPARE(m_registry->getOption(u"a/b"_s, QString()), u"%TEMP%\\x"_s);
}

void TestRegistry::roundTripThroughFreshSettings_data()
{
    QTest::addColumn<Value>("value");
    QTest::newRow("sz") << text("Gr\xfc\xdf\x65 \x80 \"q\" \\");
    QTest::newRow("sz two lines") << text("two\r\nlines");
    QTest::newRow("sz without zero") << Value{Value::Sz, QByteArray("no zero")};
    QTest::newRow("expand sz") << text("%TEMP%\\\xe4", Value::ExpandSz);
    QTest::newRow("dword") << Value::fromDword(-1);
    QTest::newRow("empty binary") << Value{Value::Binary, QByteArray()};
    QTest::newRow("long binary") << Value{Value::Binary, QByteArray(100, '\x5a')};
    QTest::newRow("multi sz") << Value{Value::MultiSz, QByteArray("a\0\xf6\0\0", 5)};
    QTest::newRow("other type") << Value{Value::Type(0xb), QByteArray(8, '\x7f')};
}

void TestRegistry::roundTripThroughFreshSettings()
{
    QFETCH(Value, value);
    QVERIFY(!m_store->setValue(RegistryStore::LocalMachine, kEtikorKey, u"V"_s, value).pending());
    // A copy, because QSettings keeps the files it has seen in a per-process cache.
    const QString copy = m_dir->filePath(u"copy.reg"_s);
    QVERIFY(QFile::copy(m_store->path(), copy));
    QSettings fresh(copy, RegistryFormat::format());
    fresh.beginGroup(u"HKEY_LOCAL_MACHINE/Software/Vornhalt/Orvane-Application/Etikor"_s);
    QCOMPARE(fresh.childKeys(), QStringList{u"V"_s});
    QCOMPARE(fresh.value(u"V"_s).value<Value>(), value);
}

// Files written by hand; one that does not parse is reported and left as it is when written to.
void TestRegistry::parse_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<MaybeValue>("expected");
    QTest::addColumn<QString>("error");
    const QByteArray key = "[HKEY_LOCAL_MACHINE\\Software\\Vornhalt\\Orvane-Application\\Etikor]";
    const QByteArray head = "Windows Registry Editor Version 5.00\r\n\r\n" + key + "\r\n";
    QTest::newRow("regedit4 by hand")
        << "REGEDIT4\n; by hand\n\n" + key + "\n  \"V\" = dword:0000001E  \n"
        << MaybeValue(Value::fromDword(30)) << QString();
    QTest::newRow("no header") << key + "\r\n" << MaybeValue() << u"line 1: the first line"_s;
    QTest::newRow("value first") << QByteArray("REGEDIT4\r\n@=\"x\"\r\n") << MaybeValue()
                                 << u"line 2: a value before"_s;
    QTest::newRow("open quote") << head + "\"V\"=\"x\r\n" << MaybeValue() << u"line 4: text data"_s;
    QTest::newRow("bad byte") << head + "\"V\"=hex:0g\r\n"
                              << MaybeValue() << u"line 4: hex data must be"_s;
}

void TestRegistry::parse()
{
    QFETCH(QByteArray, file);
    QFETCH(MaybeValue, expected);
    QFETCH(QString, error);
    writeFile(m_store->path(), file);
    MaybeValue found;
    const Failure failure = m_store->value(RegistryStore::LocalMachine, kEtikorKey, u"V"_s, found);
    QCOMPARE(found, expected);
    QCOMPARE(failure.pending(), !error.isEmpty());
    QVERIFY2(failure.description.startsWith(error), qPrintable(failure.description));
    if (!failure.pending())
        return;
    m_registry->writeRegistry(u"Orvane-Application"_s, u"Etikor"_s, u"V"_s, u"1"_s);
    QCOMPARE(m_sink.messages,
             QStringList{u"Fehler beim Schreiben der Registry : Orvane-Application\\Etikor"_s +
                         failure.description});
    QCOMPARE(readFile(m_store->path()), file);
}

void TestRegistry::unwritableStoreIsReported()
{
    writeFile(m_dir->filePath(u"etc"_s), "a file, not a folder");
    RegistryStore store(m_dir->filePath(u"etc/etikor/registry.reg"_s));
    Registry(store, m_sink).writeRegistry(u"Orvane-Application"_s, u"Etikor"_s, u"V"_s, u"1"_s);
    QCOMPARE(m_sink.messages,
             QStringList{u"Fehler beim Schreiben der Registry : Orvane-Application\\Etikor"_s +
                         qt_error_string(ENOTDIR)});
}

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
