// The PLC link's speed against the simulated PLC on this machine: the round trip of one read
// (the floor every link call pays), the twelve reads and three writes of one request, one
// Read of all twelve for comparison, and how long a raised flag takes to arrive as a
// notification at the shortest publishing interval the server grants.

#include "OpcUaLink.h"
#include "PlcSim.h"
#include "PlcStatus.h"
#include "UaSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

struct Stats {
    double median;
    double p99;
    double mean;
};

Stats statsOf(QList<double> samples)
{
    std::sort(samples.begin(), samples.end());
    double sum = 0;
    for (const double sample : samples)
        sum += sample;
    const qsizetype n = samples.size();
    return {samples.at(n / 2), samples.at(qMin(n - 1, n * 99 / 100)), sum / double(n)};
}

// Runs one round count times and reports its time per round in microseconds.
Stats measure(const char *what, int count, const std::function<bool()> &round)
{
    QList<double> samples;
    QElapsedTimer timer;
    for (int i = 0; i < count; ++i) {
        timer.start();
        if (!round()) {
            std::printf("%s: failed in round %d\n", what, i);
            std::exit(1);
        }
        samples.append(double(timer.nsecsElapsed()) / 1000.0);
    }
    const Stats stats = statsOf(samples);
    std::printf("%-44s median %8.1f us, p99 %8.1f us, mean %8.1f us (%d rounds)\n", what,
                stats.median, stats.p99, stats.mean, count);
    return stats;
}

const QStringList kRequestVariables = {
    u"Print.anford"_s,       u"Print.LosName"_s,       u"Print.TeileNr"_s,
    u"Print.ResteKennung"_s, u"Print.ResteLaenge"_s,   u"Print.ResteProfil"_s,
    u"Print.ResteColor"_s,   u"Print.EtikettenType"_s, u"Print.RAW"_s,
    u"Print.CmdLine"_s,      u"Print.anfordErr"_s,     u"Print.anfordErrText"_s};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("ETIKOR_TEST_SOURCE"))
        qputenv("ETIKOR_TEST_SOURCE", ETIKOR_SOURCE_DIR "/tests/plc");
    PlcSim sim;
    if (!sim.start()) {
        std::printf("the simulated PLC did not start (Node.js and tools/plcsim/node_modules?)\n");
        return 1;
    }
    OpcUaLinkOptions options;
    options.publishingMs = 1;
    OpcUaLink link(options);
    link.setNetId(sim.url());
    QHash<QString, qint32> h;
    for (const QString &name : kRequestVariables) {
        qint32 handle = 0;
        if (link.createHandle(u"Line1."_s + name, handle) != PlcStatus::Good) {
            std::printf("no handle for %s\n", qPrintable(name));
            return 1;
        }
        h.insert(name, handle);
    }
    std::printf("PLC link to %s\n", qPrintable(sim.url()));

    // The server's script engine compiles its hot paths during the first few hundred calls.
    bool flag = false;
    for (int i = 0; i < 1000; ++i)
        link.readBool(h.value(u"Print.anford"_s), 2, flag);
    const Stats floor = measure("one read (readBool)", 2000, [&] {
        return link.readBool(h.value(u"Print.anford"_s), 2, flag) == PlcStatus::Good;
    });
    const Stats twelve = measure("12 reads of one request", 300, [&] {
        bool b = false;
        qint16 i = 0;
        qint32 l = 0;
        QString t;
        bool ok = link.readBool(h.value(u"Print.anford"_s), 2, b) == PlcStatus::Good;
        for (const QString &name :
             {u"Print.LosName"_s, u"Print.ResteProfil"_s, u"Print.ResteColor"_s, u"Print.RAW"_s,
              u"Print.CmdLine"_s, u"Print.anfordErrText"_s})
            ok = ok && link.readString(h.value(name), 80, t) == PlcStatus::Good;
        for (const QString &name :
             {u"Print.TeileNr"_s, u"Print.ResteLaenge"_s, u"Print.anfordErr"_s})
            ok = ok && link.readLong(h.value(name), 4, l) == PlcStatus::Good;
        for (const QString &name : {u"Print.ResteKennung"_s, u"Print.EtikettenType"_s})
            ok = ok && link.readInt(h.value(name), 2, i) == PlcStatus::Good;
        return ok;
    });
    const Stats writes = measure("3 writes (result, text, flag)", 300, [&] {
        return link.writeLong(h.value(u"Print.anfordErr"_s), 4, 0) == PlcStatus::Good &&
               link.writeString(h.value(u"Print.anfordErrText"_s), 2, u" "_s) == PlcStatus::Good &&
               link.writeBool(h.value(u"Print.anford"_s), 2, false) == PlcStatus::Good;
    });

    UaSession session;
    QSignalSpy activated(&session, &UaSession::activated);
    session.open(sim.url());
    if (!activated.wait(20000))
        return 1;
    QList<ReadItem> items;
    for (const QString &name : kRequestVariables)
        items.append({NodeId::string(1, u"Line1."_s + name)});
    measure("the same 12 in one Read (for comparison)", 300,
            [&] { return session.readSync(items, 5000).status == UaStatus::Good; });
    session.close();

    qint32 hNote = 0;
    bool expected = false;
    bool arrived = false;
    QObject::connect(&link, &PlcLink::variableChanged, [&](const QVariant &value, quint64) {
        if (value.toBool() == expected)
            arrived = true;
    });
    if (link.addNotification(u"Line1.Print.anford"_s, PlcLink::kNotifyOnChange, 1, hNote, 1))
        return 1;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 500);
    QString interval;
    for (const PlcLinkProperty &property : link.properties()) {
        if (property.name == u"Publishing interval (ms)"_s)
            interval = property.value;
    }
    const Stats notify = measure("flag written to notification received", 200, [&] {
        expected = !expected;
        arrived = false;
        if (link.writeBool(h.value(u"Print.anford"_s), 2, expected) != PlcStatus::Good)
            return false;
        QElapsedTimer limit;
        limit.start();
        while (!arrived && limit.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        return arrived;
    });
    std::printf("publishing interval granted: %s ms\n", qPrintable(interval));
    std::printf("ratios to the floor (median): 12 reads %.1f, 3 writes %.1f, notification %.1f\n",
                twelve.median / floor.median, writes.median / floor.median,
                notify.median / floor.median);
    link.closeLink();
    return 0;
}
