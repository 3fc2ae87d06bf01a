#include "RecordingSink.h"
#include "Registry.h"
#include "RegistryFormat.h"
#include "RegistryStore.h"
#include "RegistryValue.h"

#include <QFile>
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

Q_DECLARE_METATYPE(MaybeValue)

namespace {
constexpr auto HKLM = RegistryStore::LocalMachine;
const QString kEtikorKey = u"Software\\Vornhalt\\Orvane-Application\\Etikor"_s;

Value text(const QByteArray &ansi, Value::Type type = Value::Sz)
{
    return {type, ansi + '\0'};
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A registry file of its own in a temporary folder, and the messages queued about it.
struct Station {
    QTemporaryDir dir;
    RegistryStore store{dir.filePath(u"registry.reg"_s)};
    RecordingSink sink;
    Registry registry{store, sink};
};
} // namespace

class TestRegistry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // What writeRegistry stores and what readRegistry and getOption make of it. Text with a
    // %...% pair is stored expandable, as the Windows shell expects it.
    void valueKinds_data()
    {
        QTest::addColumn<QVariant>("written");
        QTest::addColumn<MaybeValue>("stored");
        QTest::addColumn<QVariant>("read");
        QTest::addColumn<QString>("option");
        const auto row = [](const char *name, const QVariant &written, const MaybeValue &stored,
                            const QVariant &read, const QString &option) {
            QTest::newRow(name) << written << stored << read << option;
        };
        row("adjacent percents", u"%%"_s, text("%%"), u"%%"_s, u"%%"_s);
        row("umlauts", u"Grüße €"_s, text("Gr\xfc\xdf\x65 \x80"), u"Grüße €"_s, u"Grüße €"_s);
        row("percents apart", u"a%b%c"_s, text("a%b%c", Value::ExpandSz), QByteArray("a%b%c\0", 6),
            u"a%b%c"_s);
        row("text -1", u"-1"_s, text("-1"), u"-1"_s, QString());
        row("int16", QVariant::fromValue<qint16>(30), Value::fromDword(30),
            QVariant::fromValue<qint32>(30), u"30"_s);
        row("true", true, Value::fromDword(-1), QVariant::fromValue<qint32>(-1), QString());
        row("int64 is not stored", QVariant::fromValue<qint64>(30), MaybeValue(),
            QVariant::fromValue<qint16>(0), QString());
    }
    // An option that reads as -1 or is missing is stored as empty text; any other stays.
    void valueKinds()
    {
        Station r;
        QFETCH(QVariant, written);
        QFETCH(MaybeValue, stored);
        QFETCH(QVariant, read);
        QFETCH(QString, option);
        const QString app = u"Orvane-Application\\LogDatei"_s;
        const QString key = u"Software\\Vornhalt\\Orvane-Application\\LogDatei\\Optionen"_s;
        const QString name = u"MaxFreeSpace(MB)"_s;
        MaybeValue found;
        r.registry.writeRegistry(app, u"Optionen"_s, name, written);
        QVERIFY(!r.store.value(HKLM, key, name, found).pending());
        QCOMPARE(found, stored);
        const QVariant readBack = r.registry.readRegistry(app, u"Optionen"_s, name);
        QCOMPARE(readBack.metaType(), read.metaType());
        QCOMPARE(readBack, read);
        QCOMPARE(r.registry.getOption(name, u"LogDatei"_s), option);
        QVERIFY(!r.store.value(HKLM, key, name, found).pending());
        QCOMPARE(found, option.isEmpty() ? text("") : stored);
        QVERIFY(r.sink.messages.isEmpty());
    }

    void fileAsAPersonReadsIt()
    {
        Station r;
        r.registry.registerProgram(u"/opt/etikor/bin"_s, u"etikor"_s);
        r.registry.writeRegistry(u"Orvane-Application"_s, u"Etikor"_s, u"Zähler"_s,
                                 QVariant::fromValue<qint16>(30));
        r.registry.setOption(u"Pfad"_s, u"C:\\Daten \"neu\""_s, QString());
        r.registry.setOption(u"a/b"_s, u"%TEMP%\\x"_s, QString());
        const QByteArray expected =
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Vornhalt\\Orvane-Application\\Etikor]\r\n"
            "\"Extension\"=\"DCNF\"\r\n\"Server\"=\"/opt/etikor/bin/etikor\"\r\n"
            "\"Z\xc3\xa4hler\"=dword:0000001e\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Software\\Vornhalt\\Orvane-Application\\Optionen]\r\n"
            "\"a/b\"=hex(2):25,54,45,4d,50,25,5c,78,00\r\n"
            "\"Pfad\"=\"C:\\\\Daten \\\"neu\\\"\"\r\n\r\n";
        QCOMPARE(readFile(r.store.path()), expected);
    }

    void roundTripThroughFreshSettings_data()
    {
        QTest::addColumn<Value>("value");
        QTest::newRow("sz") << text("Gr\xfc\xdf\x65 \x80 \"q\" \\");
        QTest::newRow("sz two lines") << text("two\r\nlines");
        QTest::newRow("sz without zero") << Value{Value::Sz, QByteArray("no zero")};
        QTest::newRow("dword") << Value::fromDword(-1);
        QTest::newRow("long binary") << Value{Value::Binary, QByteArray(100, '\x5a')};
        QTest::newRow("multi sz") << Value{Value::MultiSz, QByteArray("a\0\xf6\0\0", 5)};
        QTest::newRow("other type, no bytes") << Value{Value::Type(0xb), QByteArray()};
    }
    void roundTripThroughFreshSettings()
    {
        Station r;
        QFETCH(Value, value);
        QVERIFY(!r.store.setValue(HKLM, kEtikorKey, u"V"_s, value).pending());
        // A copy, because QSettings keeps the files it has seen in a per-process cache.
        const QString copy = r.dir.filePath(u"copy.reg"_s);
        QVERIFY(QFile::copy(r.store.path(), copy));
        MaybeValue found;
        QVERIFY(!RegistryStore(copy).value(HKLM, kEtikorKey, u"V"_s, found).pending());
        QCOMPARE(found, MaybeValue(value));
    }

    // Files written by hand; one that does not parse is reported, on reading and on writing,
    // and is left as it is.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<MaybeValue>("expected");
        QTest::addColumn<QString>("error");
        const QByteArray key = "[HKEY_LOCAL_MACHINE\\" + kEtikorKey.toLatin1() + ']';
        const QByteArray head = "Windows Registry Editor Version 5.00\r\n\r\n" + key + "\r\n";
        QTest::newRow("regedit4 by hand")
            << "REGEDIT4\n; by hand\n\n" + key + "\n  \"V\" = dword:0000001E  \n"
            << MaybeValue(Value::fromDword(30)) << QString();
        QTest::newRow("no header") << key + "\r\n" << MaybeValue() << u"line 1: the first line"_s;
        QTest::newRow("value first")
            << QByteArray("REGEDIT4\r\n@=\"x\"\r\n") << MaybeValue() << u"line 2: a value before"_s;
        QTest::newRow("open quote") << head + "\"V\"=\"x\r\n"
                                    << MaybeValue() << u"line 4: text data"_s;
        QTest::newRow("bad byte") << head + "\"V\"=hex:0g\r\n"
                                  << MaybeValue() << u"line 4: hex data must be"_s;
    }
    void parse()
    {
        Station r;
        QFETCH(QByteArray, file);
        QFETCH(QString, error);
        QFile stored(r.store.path());
        QVERIFY(stored.open(QIODevice::WriteOnly) && stored.write(file) == file.size() &&
                stored.flush());
        MaybeValue found;
        const Failure failure = r.store.value(HKLM, kEtikorKey, u"V"_s, found);
        QTEST(found, "expected");
        QVERIFY2(error.isEmpty()
                     ? failure.description.isEmpty()
                     : failure.description.startsWith(u" ("_s + r.store.path() + u", "_s + error),
                 qPrintable(failure.description));
        if (!failure.pending())
            return;
        QVERIFY(!r.registry.readRegistry(u"Orvane-Application"_s, u"Etikor"_s, u"V"_s).isValid());
        r.registry.writeRegistry(u"Orvane-Application"_s, u"Etikor"_s, u"V"_s, u"1"_s);
        const QString where = u"Registry : Orvane-Application\\Etikor"_s + failure.description;
        QCOMPARE(r.sink.messages.size(), 2);
        QCOMPARE(r.sink.messages[0].meldetext, u"Fehler beim Lesen der "_s + where);
        QCOMPARE(r.sink.messages[1].meldetext, u"Fehler beim Schreiben der "_s + where);
        QCOMPARE(readFile(r.store.path()), file);
    }

    void unwritableStoreIsReported()
    {
        Station r;
        QFile blocker(r.dir.filePath(u"etc"_s)); // a file, where a folder is needed
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        RegistryStore store(r.dir.filePath(u"etc/etikor/registry.reg"_s));
        Registry(store, r.sink).writeRegistry(u"Orvane-Application"_s, u"Etikor"_s, u"V"_s, u"1"_s);
        QCOMPARE(r.sink.messages.size(), 1);
        QCOMPARE(r.sink.messages[0].meldetext,
                 u"Fehler beim Schreiben der Registry : Orvane-Application\\Etikor"_s +
                     qt_error_string(ENOTDIR));
    }
};

QTEST_GUILESS_MAIN(TestRegistry)
#include "tst_registry.moc"
