// Access print databases: a lot lookup as a request makes it (connection, bound statement, the
// first row's label data, the rows counted) against a 100,000-row .mdb made with the project's
// generator, with the file unchanged and right after another program changed it (a fresh
// snapshot, the table's rows found and its lot index built again); resident memory.
// Run: bench_access [rows]  (ETIKOR_TESTDATA: the shared test data, default ../shared/testdata)

#include "DatabaseConnection.h"
#include "ResidentMemory.h"
#include "SqlStatement.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <utime.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// One lookup of the label-data transfer; the number of rows found.
int lookup(const QString &file, const QString &lot, int part)
{
    const DatabaseConnection connection(file);
    const SqlStatement statement(u"SELECT Druckdaten.LosName, Druckdaten.TeileNr, "
                                 u"Druckdaten.Etikettendaten FROM Druckdaten where "
                                 u"Druckdaten.teileNr=? and Druckdaten.LosName=?;"_s,
                                 {part, lot}, {});
    QSqlQuery query(connection.database());
    query.setForwardOnly(true);
    if (!statement.exec(query))
        return -1;
    int rows = 0;
    while (query.next()) {
        if (rows++ == 0 && query.value(2).toString().isEmpty())
            return -1;
    }
    return rows;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[size_t(p * double(v.size() - 1))];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const QString data = qEnvironmentVariable("ETIKOR_TESTDATA", u"../shared/testdata"_s);
    QTemporaryDir dir;
    const QString file = dir.filePath(u"big.mdb"_s);
    QElapsedTimer clock;
    clock.start();
    QProcess python;
    python.start(u"python3"_s,
                 {QStringLiteral(ETIKOR_SOURCE_DIR "/tools/accessdb/make_druckdaten.py"),
                  data + u"/access/template-empty-jet4.mdb"_s, file, QString::number(rows)});
    if (!python.waitForFinished(-1) || python.exitCode() != 0) {
        std::fprintf(stderr, "generator failed: %s\n", python.readAllStandardError().constData());
        return 1;
    }
    std::printf("generated %d rows, %.1f MB, in %.1f s\n", rows + 5,
                double(QFile(file).size()) / 1e6, double(clock.elapsed()) / 1000);

    const auto lot = [&](int i) {
        return u"BULK-%1"_s.arg(i / 10, 5, 10, QChar(u'0'));
    };
    clock.restart();
    if (lookup(file, lot(rows - 1), 1000 + (rows - 1) % 10) != 1) {
        std::fprintf(stderr, "the last lot was not found\n");
        return 1;
    }
    std::printf("first lookup (read, rows found, lot index): %.1f ms, RSS %ld kB\n",
                double(clock.nsecsElapsed()) / 1e6, residentKb());

    std::vector<double> unchanged;
    QRandomGenerator random(7);
    for (int i = 0; i < 2000; ++i) {
        const int n = int(random.bounded(rows));
        clock.restart();
        const int found = lookup(file, lot(n), 1000 + n % 10);
        unchanged.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (found != 1)
            return 1;
    }
    std::printf("lookup, file unchanged: p50 %.3f ms, p99 %.3f ms (2000 lots)\n",
                percentile(unchanged, 0.5), percentile(unchanged, 0.99));

    std::vector<double> changed;
    for (int i = 0; i < 20; ++i) {
        const qint64 when = 1700000000 + i; // another program wrote the file
        const utimbuf times{when, when};
        ::utime(QFile::encodeName(file).constData(), &times);
        const int n = int(random.bounded(rows));
        clock.restart();
        if (lookup(file, lot(n), 1000 + n % 10) != 1)
            return 1;
        changed.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    std::printf("lookup after a change (re-read): p50 %.1f ms, max %.1f ms (20 changes)\n",
                percentile(changed, 0.5), percentile(changed, 1.0));
    std::printf("RSS at the end: %ld kB\n", residentKb());
    return 0;
}
