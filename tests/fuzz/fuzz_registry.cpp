// The registry store file (RegistryFileParser), as any editor or a regedit export may leave
// it. A file that does not parse must say why. A file that parses must survive the store's
// own save: RegistryFileWriter's text must parse again to the same keys and values. Keys
// recorded as holding no values count as keys; whether such a record stays beside values of
// the same key does not matter.

#include "RegistryFileParser.h"
#include "RegistryFileWriter.h"
#include "RegistryValue.h"

#include <QMap>
#include <QSet>
#include <QSettings>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// The keys and the values of a parsed file. Entries are "<group>/<value>", or "<group>/%"
// for a key without values.
struct Contents {
    QSet<QString> keys;
    QMap<QString, RegistryValue> values;

    bool operator==(const Contents &other) const = default;
};

Contents contentsOf(const QSettings::SettingsMap &map)
{
    Contents contents;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const qsizetype slash = it.key().lastIndexOf(u'/');
        contents.keys.insert(it.key().left(slash));
        if (it.key().mid(slash + 1) != QLatin1String("%"))
            contents.values.insert(it.key(), it.value().value<RegistryValue>());
    }
    return contents;
}

// Text that UTF-8 can carry: the writer's file cannot give back unpaired surrogates, which
// only a UTF-16 file can bring in.
bool hasValidNames(const QSettings::SettingsMap &map)
{
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (!it.key().isValidUtf16())
            return false;
    }
    return true;
}

void dump(const char *what, const QSettings::SettingsMap &map)
{
    fprintf(stderr, "%s:\n", what);
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const RegistryValue value = it.value().value<RegistryValue>();
        fprintf(stderr, "  %s = type %u [%s]\n", qPrintable(it.key()), quint32(value.type),
                value.data.toHex(' ').constData());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const QByteArray file(reinterpret_cast<const char *>(bytes), qsizetype(size));
    RegistryFileParser parser(file);
    QSettings::SettingsMap map;
    if (!parser.parse(map)) {
        if (parser.error().isEmpty()) {
            fprintf(stderr, "registry: the parser failed without saying why\n");
            abort();
        }
        return 0;
    }
    if (!hasValidNames(map))
        return 0;

    const QByteArray saved = RegistryFileWriter::write(map);
    RegistryFileParser again(saved);
    QSettings::SettingsMap reread;
    if (!again.parse(reread)) {
        fprintf(stderr, "registry: the saved store does not parse: %s\n%s\n",
                qPrintable(again.error()), saved.constData());
        abort();
    }
    if (contentsOf(reread) != contentsOf(map)) {
        dump("read", map);
        dump("saved and read again", reread);
        fprintf(stderr, "saved file:\n%s\n", saved.constData());
        abort();
    }
    return 0;
}
