// Request times of a station against the simulated PLC on this machine, a server that
// publishes every 10 ms. For a command request, a lot request with a database transfer and a
// raw request to a socket printer:
// - station time: from the station finding the flag raised to its clear, with the service
//   requests (round trips) it took, against the floor of one read;
// - end to end: from the PLC raising the flag to the PLC seeing it cleared, measured by the
//   server, with the PLC raising the next request the moment it sees the clear, against the
//   floor of one read plus the granted publishing interval.

#include "AppSettings.h"
#include "CommLink.h"
#include "CommandRunner.h"
#include "DatabasePreparation.h"
#include "DruckdatenTransfer.h"
#include "LogWriter.h"
#include "OpcUaLink.h"
#include "PlcConnection.h"
#include "PlcSim.h"
#include "PlcStatus.h"
#include "PrintControls.h"
#include "PrintDataServices.h"
#include "PrintLookup.h"
#include "PrintRequest.h"
#include "Prompt.h"
#include "QueryTransfer.h"
#include "RawPrinter.h"
#include "RequestCycle.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

struct NullLog : LogWriter {
    void writeLog(const QString &, bool, bool) override {}
};

struct NoPrompt : Prompt {
    Answer message(const QString &, const QString &, Buttons, bool) override { return Answer::Ok; }
    QString saveFileName(const QString &preset) override { return preset; }
    std::optional<QString> input(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
};

void report(const char *what, QList<double> ms, double floorMs, double roundTrips)
{
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (const double v : ms)
        sum += v;
    const double median = ms.at(ms.size() / 2);
    std::printf("%-42s median %6.2f ms, p99 %6.2f ms, %6.0f requests/s, %4.1f x floor, "
                "%4.1f round trips\n",
                what, median, ms.at(qMin(ms.size() - 1, ms.size() * 99 / 100)),
                1000.0 * double(ms.size()) / sum, median / floorMs, roundTrips);
}

// The value of a "name=value" word of the simulator's cycle answer.
double cycled(const QString &answer, const QString &name)
{
    for (const QString &word : answer.split(u' '))
        if (word.startsWith(name + u'='))
            return word.mid(name.size() + 1).toDouble();
    return -1;
}

QString propertyText(const PlcLink &plc, const QString &name)
{
    for (const PlcLinkProperty &p : plc.properties())
        if (p.name == name)
            return p.value;
    return {};
}

double property(const PlcLink &plc, const QString &name)
{
    bool ok = false;
    const double value = propertyText(plc, name).toDouble(&ok);
    return ok ? value : -1;
}

bool makeDatabase(const QString &file)
{
    auto db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"bench"_s);
    db.setDatabaseName(file);
    bool ok = db.open();
    QSqlQuery q(db);
    ok = ok && q.exec(u"CREATE TABLE Druckdaten (LosName TEXT, TeileNr INTEGER, Etikettendaten "
                      "TEXT, Tintendruckdaten TEXT, Druckdaten1 TEXT, Druckdaten2 TEXT, "
                      "Druckdaten3 TEXT, Printvars TEXT)"_s);
    ok = ok && q.exec(u"INSERT INTO Druckdaten VALUES ('L1', 1, '^XA^FDLot L1^FS^XZ$013$010', "
                      "'INK', NULL, NULL, NULL, NULL)"_s);
    db.close();
    db = {};
    QSqlDatabase::removeDatabase(u"bench"_s);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (qEnvironmentVariableIsEmpty("ETIKOR_TEST_SOURCE"))
        qputenv("ETIKOR_TEST_SOURCE", ETIKOR_SOURCE_DIR "/tests/plc");
    QTemporaryDir dir;
    const QString database = dir.filePath(u"Druckdaten.db"_s);
    PlcSim sim;
    // The socket printer runs in its own process, as a real one would: the station blocks
    // while it sends a job and waits for the printer to take it.
    QProcess printer;
    printer.start(u"node"_s, {QStringLiteral(ETIKOR_SOURCE_DIR "/tools/rawprinter/rawprinter.js"),
                              u"--port"_s, u"0"_s, u"--dir"_s, dir.filePath(u"jobs"_s)});
    printer.waitForReadyRead(20000);
    const quint16 printerPort = QString::fromUtf8(printer.readLine()).section(u' ', 1).toUShort();
    if (!makeDatabase(database) || printerPort == 0 ||
        !sim.start({u"--var"_s, u"print.Druckdaten:String"_s, u"--var"_s,
                    u"print.Etikettendaten:String"_s, u"--var"_s,
                    u"print.Tintendruckdaten:String"_s, u"--publishing"_s, u"10"_s})) {
        std::printf("set-up failed (database, printer port or the simulated PLC)\n");
        return 1;
    }

    AppSettings settings;
    settings.ablOnOff = false;
    settings.writePrintData = 1;
    settings.printRaw = 0;
    settings.printerName = u"socket://127.0.0.1:%1"_s.arg(printerPort);
    PrintControls controls;
    controls.modulName = u"Line1"_s;
    controls.serverPath = database;
    NullLog log;
    NoPrompt prompt;
    PrintRequest request;
    OpcUaLinkOptions options; // the fastest publishing the server grants
    OpcUaLink plc(options);
    plc.setNetId(sim.url());
    RawPrinter raw(settings, controls, request, log, prompt);
    CommandRunner command(settings, controls, log);
    PrintDataServices services{settings, controls, request, log, plc, raw};
    DruckdatenTransfer druckdaten(services);
    QueryTransfer query(services);
    PrintLookup lookup(services, druckdaten, query);
    DatabasePreparation::prepareDatabase(database);
    RequestCycle cycle({settings, controls, request, log, raw, command,
                        [&lookup](const QString &lot, qint32 part, CommLink *link) {
                            return lookup.lookupPrint(lot, part, link);
                        }});
    PlcConnection connection(plc, controls, settings, log);
    connection.setRequestHandler([&](CommLink &record) {
        cycle.readProd(record);
        return true;
    });
    connection.connectPlc();
    if (connection.plcLinks().empty() || connection.plcLinks().front()->hAnfordVar == 0) {
        std::printf("the link was not built: %s\n",
                    qPrintable(controls.caption(PrintControls::Label::lblError)));
        return 1;
    }
    CommLink &record = *connection.plcLinks().front();

    // Another client raises the flags, as the PLC would.
    OpcUaLink machine(options);
    machine.setNetId(sim.url());
    qint32 flag = 0;
    machine.createHandle(u"Line1.Print.anford"_s, flag);
    const auto setText = [&machine](const QString &name, const QString &text) {
        qint32 h = 0;
        machine.createHandle(u"Line1.Print."_s + name, h);
        machine.writeString(h, int(text.size()) * 2, text);
    };
    const auto setNumber = [&machine](const QString &name, qint32 value) {
        qint32 h = 0;
        machine.createHandle(u"Line1.Print."_s + name, h);
        machine.writeLong(h, 4, value);
    };

    bool value = false;
    for (int i = 0; i < 500; ++i)
        plc.readBool(record.hAnfordVar, 2, value);
    QList<double> floor;
    QElapsedTimer timer;
    for (int i = 0; i < 1000; ++i) {
        timer.start();
        plc.readBool(record.hAnfordVar, 2, value);
        floor.append(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(floor.begin(), floor.end());
    const double floorMs = floor.at(floor.size() / 2);
    std::printf("PLC round-trip floor (one read): median %.3f ms\n", floorMs);

    struct Kind {
        const char *name;
        std::function<void()> prepare;
    };
    // A configured command line makes the lot name variable "Barcode": only the command
    // request has one.
    const auto lot = [&](qint32 labelType) {
        settings.commandLine.clear();
        settings.optionCommandLine = 0;
        setText(u"RAW"_s, QString());
        setText(u"LosName"_s, u"L1"_s);
        setNumber(u"TeileNr"_s, 1);
        setNumber(u"EtikettenType"_s, labelType);
    };
    const QList<Kind> kinds = {
        {"command request (/bin/true)",
         [&] {
             settings.commandLine = u"/bin/true #~#"_s;
             settings.optionCommandLine = 1;
             setText(u"RAW"_s, QString());
             setText(u"Barcode"_s, u"4711"_s);
         }},
        {"lot request, Etikettendaten (type 1)",
         [&] {
             lot(1);
         }},
        {"lot request, query transfer (type 0)",
         [&] {
             lot(0);
         }},
        {"raw request to a socket printer",
         [&] {
             lot(1);
             setText(u"RAW"_s, u"^XA^FDRaw^FS^XZ"_s);
         }},
    };
    for (const Kind &kind : kinds) {
        kind.prepare();
        connection.connectPlc(); // the lot name variable differs with a command line
        QList<double> station;
        quint64 requests = 0;
        for (int i = 0; i < 1000; ++i) {
            // The flag is up; the station serves it as the notification's handler would.
            machine.writeBool(flag, 2, true);
            const quint64 before = plc.serviceRequests();
            timer.start();
            cycle.readProd(*connection.plcLinks().front());
            station.append(double(timer.nsecsElapsed()) / 1e6);
            requests += plc.serviceRequests() - before;
        }
        report(kind.name, station, floorMs, double(requests) / double(station.size()));
        if (const QString answered = sim.command(u"get Print.anfordErr"_s);
            !answered.endsWith(u"= 0"_s))
            std::printf("  not answered 0: %s %s\n", qPrintable(answered),
                        qPrintable(sim.command(u"get Print.anfordErrText"_s)));
        // The notifications of the raised flags, served while the table was being filled.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    }

    // End to end: the station runs on its event loop, served by the flag's notifications;
    // the simulator raises the flag again the moment it sees the clear.
    const double publishingMs = property(plc, u"Publishing interval (ms)"_s);
    const double e2eFloor = floorMs + publishingMs;
    std::printf("\nend to end, server side, publishing interval granted %.0f ms, sampling %s ms "
                "(floor: one read + publishing = %.2f ms)\n",
                publishingMs, qPrintable(propertyText(plc, u"Sampling interval (ms)"_s)), e2eFloor);
    for (const Kind &kind : kinds) {
        kind.prepare();
        connection.connectPlc();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
        timer.start();
        const QString answer = sim.commandServed(u"cycle 1000"_s, 120000);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        const double p50 = cycled(answer, u"p50"_s);
        if (p50 < 0) {
            std::printf("%-42s the simulator answered: %s\n", kind.name, qPrintable(answer));
            continue;
        }
        std::printf("%-42s median %6.2f ms, p99 %6.2f ms, max %6.2f ms, %6.0f requests/s, "
                    "median - floor %+.2f ms%s\n",
                    kind.name, p50, cycled(answer, u"p99"_s), cycled(answer, u"max"_s),
                    answer.section(u' ', 1, 1).toDouble() / seconds, p50 - e2eFloor,
                    cycled(answer, u"timeouts"_s) > 0 ? "  TIMEOUTS" : "");
    }
    machine.closeLink();
    connection.terminateLinks();
    plc.closeLink();
    printer.terminate();
    printer.waitForFinished(5000);
    return 0;
}
