// The station configuration file (ConfigFile::read and write). The first byte picks what the
// rest is:
// - even: the texts an operator types into the station's boxes, separated by any byte that
//   is no printable Windows-1252 character. They are saved as Configuration::saveConfig
//   saves them and read back; every key must come back with exactly its value.
// - odd: a file as it may be found on disk, from any editor or station. Reading it must
//   give keys that are not empty, and saving what was read and reading that again must
//   give the same keys and values, for everything the file format can hold: Windows-1252
//   text, and keys without double quotes (the station's keys have none, so keys are written
//   as they are).

#include "Ansi.h"
#include "ConfigFile.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QChar kDegree(0x00B0);

// The records Configuration::saveConfig writes, in its order: "#" marks a number (a check box
// or its field), the others are text boxes.
constexpr char kKeys[] =
    "ServerPath Netid Port Modulname #Labelshop LabelshopPath DeleteDelay #CAD-Print "
    "CAD-Path CAD-Extension #CAD-PrintRest Command-Line #Option-Command-Line "
    "#PrintToFit #WritePrintData #Sonderzeichen #PaperOrientation #PrintRAW "
    "#WinCADPrint #UTF8Codierung Printername #ChinaCodierung #PrefixOnOff Prefix "
    "#RAWAddCrLf Codierung #AblOnOff";

// A character an operator can type that Windows-1252 holds: not a control character, not
// one of the five bytes the code page leaves undefined.
bool isTypeable(uint8_t b)
{
    return (b >= 0x20 && b != 0x7F) && b != 0x81 && b != 0x8D && b != 0x8F && b != 0x90 &&
           b != 0x9D;
}

const QString &filePath()
{
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("Station.dcnf"));
    return path;
}

QString shown(const QString &text)
{
    return QStringLiteral("\"%1\" [%2]")
        .arg(text, QString::fromLatin1(Ansi::encode(text).toHex(' ')));
}

[[noreturn]] void mismatch(const QString &key, const QString &written, const QString &read)
{
    fprintf(stderr, "dcnf round trip: key %s\n  written %s\n  read    %s\n", qPrintable(key),
            qPrintable(shown(written)), qPrintable(shown(read)));
    abort();
}

// Writes records, reads them back, and compares every key and value.
void roundTrip(const QList<ConfigFile::Record> &records)
{
    QString error;
    if (!ConfigFile::write(filePath(), records, &error)) {
        fprintf(stderr, "dcnf: cannot write %s: %s\n", qPrintable(filePath()), qPrintable(error));
        abort();
    }
    const auto read = ConfigFile::read(filePath(), &error);
    if (!read) {
        fprintf(stderr, "dcnf: cannot read back %s: %s\n", qPrintable(filePath()),
                qPrintable(error));
        abort();
    }
    QHash<QString, QString> expected;
    for (const ConfigFile::Record &record : records) {
        expected.insert(record.key, record.value.typeId() == QMetaType::QString
                                        ? record.value.toString()
                                        : QString::number(record.value.toInt()));
    }
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        const QString value = read->value(it.key());
        if (!read->contains(it.key()) || value != it.value())
            mismatch(it.key(), it.value(), value);
    }
    for (auto it = read->cbegin(); it != read->cend(); ++it) {
        if (!expected.contains(it.key()))
            mismatch(it.key(), QStringLiteral("(no such key)"), it.value());
    }
}

void typedTexts(const uint8_t *bytes, size_t size, uint8_t numbers)
{
    QList<QString> texts;
    QByteArray current;
    for (size_t i = 0; i < size; ++i) {
        if (isTypeable(bytes[i])) {
            current += char(bytes[i]);
        } else {
            texts += Ansi::decode(current);
            current.clear();
        }
    }
    texts += Ansi::decode(current);

    QList<ConfigFile::Record> records;
    qsizetype next = 0;
    int index = 0;
    for (const QString &key : QString::fromLatin1(kKeys).split(u' ')) {
        const QString name = QString(key).remove(u'#');
        if (!key.startsWith(u'#')) {
            QString value = next < texts.size() ? texts[next++] : QString();
            // The command line keeps its double quotes as degree signs (saveConfig).
            if (name == QLatin1String("Command-Line"))
                value.replace(u'"', kDegree);
            records.append({name, value});
        } else {
            // What a three-state box holds: 0, 1 or 2.
            records.append({name, (numbers + index++) % 3});
        }
    }
    roundTrip(records);
}

void foundFile(const uint8_t *bytes, size_t size)
{
    QFile file(filePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char *>(bytes), qint64(size)) != qint64(size)) {
        fprintf(stderr, "dcnf: cannot write %s\n", qPrintable(filePath()));
        abort();
    }
    file.close();
    QString error;
    const auto read = ConfigFile::read(filePath(), &error);
    if (!read) {
        fprintf(stderr, "dcnf: cannot read %s: %s\n", qPrintable(filePath()), qPrintable(error));
        abort();
    }
    QList<ConfigFile::Record> records;
    for (auto it = read->cbegin(); it != read->cend(); ++it) {
        if (it.key().isEmpty()) {
            fprintf(stderr, "dcnf: an empty key was read\n");
            abort();
        }
        const bool holdable = Ansi::isEncodable(it.key()) && Ansi::isEncodable(it.value()) &&
                              !it.key().contains(u'"');
        if (!holdable)
            return;
        records.append({it.key(), it.value()});
    }
    roundTrip(records);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    if (size < 1)
        return 0;
    if (bytes[0] & 1)
        foundFile(bytes + 1, size - 1);
    else
        typedTexts(bytes + 1, size - 1, bytes[0] >> 1);
    return 0;
}
