// Access files as crashes, disks and half-finished writes of other programs leave them
// (AccessFile over libmdb). A file that does not open must say why. One that opens must give
// every table's rows and every saved query without a crash, a hang or memory beyond the file's
// own size, and answer a lot lookup with rows of its table or a failure that says why.

#include "AccessFile.h"
#include "AccessQuery.h"
#include "AccessTable.h"

#include <QMutexLocker>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Enough rows to reach every data page of a seed, few enough to keep an input quick.
constexpr qsizetype kRowsRead = 64;

void check(bool property, const char *what)
{
    if (!property) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

void readTable(AccessTable &table)
{
    QList<int> all;
    for (int i = 0; i < table.columns().size(); ++i)
        all.append(i);
    QVariantList values;
    for (qsizetype row = 0; row < std::min(table.rowCount(), kRowsRead); ++row) {
        const Failure failure = table.read(row, all, values);
        check(!failure.pending() ? values.size() == all.size() : !failure.description.isEmpty(),
              "a row gives all its values or says why not");
        if (failure.pending())
            return;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Failure failure;
    const auto file = AccessFile::fromBytes(
        QStringLiteral("fuzz.mdb"),
        QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), failure);
    if (!file) {
        check(failure.pending() && !failure.description.isEmpty(), "a refusal says why");
        return 0;
    }
    QMutexLocker lock(&file->mutex());
    for (const QString &name : file->tableNames() + file->systemTableNames()) {
        if (AccessTable *table = file->table(name))
            readTable(*table);
    }
    for (const QString &name : file->queryNames(false))
        check(file->savedQuery(name) != nullptr, "a listed query can be found");
    Failure parse;
    const SelectStatement lookup = SelectStatement::parse(
        QStringLiteral("SELECT * FROM Druckdaten WHERE LosName=? AND TeileNr=?"), parse);
    AccessRows rows;
    failure = AccessQuery::run(*file, lookup, {QStringLiteral("L2024-001"), 4711}, rows);
    check(failure.pending() ? !failure.description.isEmpty() : rows.rows.size() <= 1 << 20,
          "a lookup answers or says why not");
    return 0;
}
