#include "AppSettings.h"
#include "CommLink.h"
#include "CommandOutput.h"
#include "PlcConnection.h"
#include "PlcStatus.h"
#include "PrintControls.h"
#include "PrintRequest.h"
#include "RawOutput.h"
#include "RecordingLog.h"
#include "RequestCycle.h"
#include "SimulatedPlc.h"

#include <QRegularExpression>
#include <QTest>
#include <optional>
#include <stdexcept>

using namespace Qt::StringLiterals;
using Label = PrintControls::Label;

namespace {
const QString kP = u"Line1.Print."_s;

struct FakeRaw : RawOutput {
    PrintRequest *request = nullptr;
    QStringList printed;
    bool fails = false;
    qint32 printRawData(const QString &data) override
    {
        printed << data;
        if (fails) {
            request->rawJobResult = 1;
            request->rawJobFailure = u"Connection reset by peer"_s;
            return 1;
        }
        request->rawPrintMs = 7;
        return 0;
    }
    QString applyPrefix(const QString &, const QString &data) const override { return data; }
    qint32 printRawFile(const QString &, qint32) override { return 1; }
};

struct FakeCommand : CommandOutput {
    PrintControls *controls = nullptr;
    QStringList commands;
    qint32 result = 0;
    qint32 callCommand(const QString &var) override
    {
        commands << var;
        if (result != 0)
            controls->setCaption(Label::lblError, u"Shell-Error"_s);
        return result;
    }
};

// A station with the whole variable family, its link built, the cycle behind the flag.
struct Station {
    SimulatedPlc plc;
    PrintControls controls;
    AppSettings settings;
    PrintRequest request;
    RecordingLog log;
    FakeRaw raw;
    FakeCommand command;
    QStringList lookups;
    qint32 lookupResult = 0;
    QString lookupCaption = u"No Printdata"_s;
    bool lookupThrows = false;
    std::function<void()> duringLookup;
    bool answerFailedRaw = false;
    PlcConnection connection{plc, controls, settings, log};
    std::optional<RequestCycle> cycle;

    Station()
    {
        raw.request = &request;
        command.controls = &controls;
        settings.ablOnOff = false;
        controls.modulName = u"Line1"_s;
        const QList<std::pair<const char16_t *, QMetaType::Type>> vars = {
            {u"anford", QMetaType::Bool},           {u"anfordErr", QMetaType::Int},
            {u"anfordErrText", QMetaType::QString}, {u"LosName", QMetaType::QString},
            {u"Barcode", QMetaType::QString},       {u"RAW", QMetaType::QString},
            {u"CmdLine", QMetaType::QString},       {u"TeileNr", QMetaType::Int},
            {u"EtikettenType", QMetaType::Short},   {u"ResteKennung", QMetaType::Short}};
        for (const auto &[name, type] : vars)
            plc.define(kP + QStringView(name).toString(), QMetaType(type),
                       QStringView(name) == u"anfordErrText" ? 255 : 40);
        connection.setRequestHandler([this](CommLink &record) {
            cycle->readProd(record);
            return !cycle->answerPending();
        });
    }
    qint32 lookup(const QString &lot, qint32 part, CommLink *link)
    {
        if (lookupThrows)
            throw std::runtime_error("disk on fire");
        lookups << u"%1/%2/%3"_s.arg(lot).arg(part).arg(link != nullptr);
        if (duringLookup)
            duringLookup();
        if (lookupResult != 0)
            controls.setCaption(Label::lblError, lookupCaption);
        return lookupResult;
    }
    void connect()
    {
        if (!cycle)
            cycle.emplace(
                RequestCycle::Parts{settings, controls, request, log, raw, command,
                                    [this](const QString &lot, qint32 part, CommLink *link) {
                                        return lookup(lot, part, link);
                                    },
                                    answerFailedRaw});
        connection.connectPlc();
    }
    // The names written, in order, with their values.
    QStringList writes() const
    {
        QStringList out;
        for (const auto &w : plc.writes())
            out << w.name.mid(kP.size()) + u'=' + w.value.toString();
        return out;
    }
};
} // namespace

// readProd against the simulated PLC: each path of the request table with what reaches the
// PLC, in order, and what is logged.
class TstRequestCycle : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void servesEachKind_data();
    void servesEachKind();
    void nothingAnswered_data();
    void nothingAnswered();
    void answerAfterALostLink_data();
    void answerAfterALostLink();
    void answerText_data();
    void answerText();
    void optionalValuesKeepTheLastRequestsWhenUnreadable();
};

void TstRequestCycle::servesEachKind_data()
{
    QTest::addColumn<QString>("commandLine");
    QTest::addColumn<QStringList>("setup"); // name=value, "fail:<name>" makes its read fail
    QTest::addColumn<QStringList>("writes");
    QTest::addColumn<QString>("done");    // "raw:..", "cmd:..", "lot:.." or ""
    QTest::addColumn<QString>("logged");  // pattern of the last log line
    QTest::addColumn<QString>("caption"); // how lblError ends, when it matters

    const QString noCmd;
    const QString tool = u"tool #~#"_s;
    QTest::newRow("raw text") << noCmd << QStringList{u"RAW=^XA\u0000junk"_s}
                              << QStringList{u"anfordErr=0"_s, u"anfordErrText= "_s,
                                             u"anford=false"_s}
                              << u"raw:^XA"_s
                              << u"^ RAW Druckanforderung  \\d+ \\(msec\\)  Raw:7 \\(msec\\)$"_s
                              << QString();
    QTest::newRow("failed raw job, not told by default")
        << noCmd << QStringList{u"RAW=X"_s, u"rawfail"_s}
        << QStringList{u"anfordErr=0"_s, u"anfordErrText= "_s, u"anford=false"_s} << u"raw:X"_s
        << u"^ RAW Druckanforderung  \\d+ \\(msec\\)$"_s << QString();
    QTest::newRow("failed raw job, told when asked")
        << noCmd << QStringList{u"RAW=X"_s, u"rawfail"_s, u"answerRaw"_s}
        << QStringList{u"anfordErr=1"_s, u"anfordErrText=*"_s, u"anford=false"_s} << u"raw:X"_s
        << u"^ RAW Druckanforderung  "_s
        << u" Error RAW job Printer: P1 !  \r\nConnection reset by peer"_s;
    QTest::newRow("empty raw falls to the lot")
        << noCmd << QStringList{u"RAW=\u0000x"_s, u"LosName=L1"_s, u"TeileNr=12"_s}
        << QStringList{u"anfordErr=0"_s, u"anfordErrText= "_s, u"anford=false"_s}
        << u"lot:L1/12/1"_s << u"^ Anforderung Los:L1   TeileNr:12  \\d+ \\(msec\\)$"_s
        << QString();
    QTest::newRow("lot print failed")
        << noCmd << QStringList{u"LosName=L2"_s, u"TeileNr=3"_s, u"lookup:4"_s}
        << QStringList{u"anfordErr=4"_s, u"anfordErrText=No Printdata"_s, u"anford=false"_s}
        << u"lot:L2/3/1"_s << u"^ Anforderung Los:L2"_s << u"No Printdata"_s;
    QTest::newRow("lot with both reads failing")
        << noCmd << QStringList{u"fail:LosName"_s, u"fail:TeileNr"_s}
        << QStringList{u"anfordErr=-2139881472"_s, u"anfordErr=-2147483648"_s, u"anfordErrText=*"_s,
                       u"anford=false"_s}
        << QString() << u"^Druckanforderung  \\d+ \\(msec\\)$"_s
        << u" ReadVar:LosName !-2147483648   ReadVar:TeileNr:-2139881472"_s;
    QTest::newRow("command with its own text")
        << tool << QStringList{u"Barcode=B7"_s, u"CmdLine=X 1"_s}
        << QStringList{u"anfordErr=0"_s, u"anfordErrText= "_s, u"anford=false"_s} << u"cmd:X 1"_s
        << u"^ Anforderung Barcodedruck:X 1  "_s << QString();
    QTest::newRow("command with the barcode")
        << tool << QStringList{u"Barcode=B7"_s}
        << QStringList{u"anfordErr=0"_s, u"anfordErrText= "_s, u"anford=false"_s} << u"cmd:B7"_s
        << u"^ Anforderung Barcodedruck:B7  "_s << QString();
    QTest::newRow("command failed")
        << tool << QStringList{u"Barcode=B7"_s, u"command:2"_s}
        << QStringList{u"anfordErr=2"_s, u"anfordErrText=Shell-Error"_s, u"anford=false"_s}
        << u"cmd:B7"_s << u"^ Anforderung Barcodedruck:B7"_s << u"Shell-Error"_s;
    QTest::newRow("barcode unreadable")
        << tool << QStringList{u"fail:Barcode"_s}
        << QStringList{u"anfordErr=-2139881472"_s, u"anfordErrText=*"_s, u"anford=false"_s}
        << QString() << u"^Druckanforderung  "_s << u" Tessel-Error ReadVar:Barcode !-2139881472"_s;
}

void TstRequestCycle::servesEachKind()
{
    QFETCH(QString, commandLine);
    QFETCH(QStringList, setup);
    QFETCH(QStringList, writes);
    QFETCH(QString, done);
    QFETCH(QString, logged);
    QFETCH(QString, caption);
    Station s;
    s.settings.printerName = u"P1"_s;
    s.settings.commandLine = commandLine;
    s.settings.optionCommandLine = commandLine.isEmpty() ? 0 : 1;
    for (const QString &step : setup) {
        const QString key = step.section(u':', 0, 0);
        if (key == u"fail")
            s.plc.failRead(kP + step.section(u':', 1), PlcStatus::BadTypeMismatch);
        else if (key == u"lookup")
            s.lookupResult = step.section(u':', 1).toInt();
        else if (key == u"command")
            s.command.result = step.section(u':', 1).toInt();
        else if (key == u"rawfail")
            s.raw.fails = true;
        else if (key == u"answerRaw")
            s.answerFailedRaw = true;
        else
            QVERIFY(s.plc.setValue(kP + step.section(u'=', 0, 0), step.section(u'=', 1)));
    }
    if (setup.contains(u"fail:TeileNr"_s)) // the lot name's failure code differs
        s.plc.failRead(kP + u"LosName"_s, PlcStatus::code(0x80000000u));
    QVERIFY(s.plc.setValue(kP + u"anford"_s, true));
    s.connect();

    QStringList seen = s.writes();
    for (qsizetype i = 0; i < writes.size() && i < seen.size(); ++i) {
        if (writes.at(i).endsWith(u"=*"_s)) // a stamped message: compare the name only
            seen[i] = seen.at(i).section(u'=', 0, 0) + u"=*"_s;
    }
    QCOMPARE(seen, writes);
    const QString what = !s.raw.printed.isEmpty()        ? u"raw:"_s + s.raw.printed.join(u'|')
                         : !s.command.commands.isEmpty() ? u"cmd:"_s + s.command.commands.join(u'|')
                         : !s.lookups.isEmpty()          ? u"lot:"_s + s.lookups.join(u'|')
                                                         : QString();
    QCOMPARE(what, done);
    QVERIFY(!s.log.entries.isEmpty());
    const RecordingLog::Entry last = s.log.entries.last();
    QVERIFY2(QRegularExpression(logged).match(last.str).hasMatch(), qPrintable(last.str));
    QVERIFY(last.timeStamp && last.msgBox);
    QCOMPARE(s.plc.value(kP + u"anford"_s).toBool(), false);
    QVERIFY2(s.controls.caption(Label::lblError).endsWith(caption),
             qPrintable(s.controls.caption(Label::lblError)));
}

// Requests that end without an answer: nothing is written, so the PLC's flag stays as it was.
void TstRequestCycle::nothingAnswered_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("shown"); // how lblError ends; empty: unchanged
    QTest::addColumn<int>("logged");
    QTest::newRow("an output fails without a word: the trap")
        << u"trap"_s << u" ConnectUpdateEx !disk on fire"_s << 1;
    QTest::newRow("the flag cannot be read")
        << u"unreadable"_s
        << u" ReadVar:Line1.Print.anford !"_s + QString::number(PlcStatus::BadTimeout) << 0;
    QTest::newRow("the flag is down again") << u"down"_s << QString() << 0;
}

void TstRequestCycle::nothingAnswered()
{
    QFETCH(QString, situation);
    QFETCH(QString, shown);
    QFETCH(int, logged);
    Station s;
    s.lookupThrows = true;
    s.plc.setValue(kP + u"LosName"_s, u"L1"_s);
    s.plc.setValue(kP + u"TeileNr"_s, 1);
    if (situation == u"unreadable")
        s.plc.failRead(kP + u"anford"_s, PlcStatus::BadTimeout);
    s.plc.setValue(kP + u"anford"_s, situation != u"down");
    s.connect();
    if (situation == u"down") // a report of a rise that is over by the time it is served
        Q_EMIT s.plc.variableChanged(true, s.connection.plcLinks().front()->userTag());
    QVERIFY(s.plc.writes().isEmpty());
    QCOMPARE(s.plc.value(kP + u"anford"_s).toBool(), situation != u"down");
    QVERIFY2(s.controls.caption(Label::lblError).endsWith(shown),
             qPrintable(s.controls.caption(Label::lblError)));
    QCOMPARE(s.log.entries.size(), logged);
    for (const RecordingLog::Entry &entry : s.log.entries)
        QVERIFY(!entry.timeStamp && entry.msgBox);
}

// A lot printed whose answer could not be written keeps its answer: the request found raised
// again gets it without a second print, unless the PLC has moved on to another request.
void TstRequestCycle::answerAfterALostLink_data()
{
    QTest::addColumn<QString>("loss"); // "drop": no link; "lost clear": the clear timed out
    // What the PLC does before the station is back ("+": after it is back).
    QTest::addColumn<QStringList>("meanwhile");
    QTest::addColumn<int>("printed");
    QTest::addColumn<QString>("logged"); // the request line after the link is back
    const QString late =
        u"^ Anforderung Los:L1   TeileNr:1  \\d+ \\(msec\\)  late answer, not printed again$"_s;
    const QString again = u"^ Anforderung Los:L%1   TeileNr:1  \\d+ \\(msec\\)$"_s;
    QTest::newRow("still raised") << u"drop"_s << QStringList() << 1 << late;
    QTest::newRow("another lot meanwhile")
        << u"drop"_s << QStringList{u"LosName=L2"_s} << 2 << again.arg(2);
    QTest::newRow("withdrawn, then asked again")
        << u"drop"_s << QStringList{u"anford=false"_s, u"+anford=true"_s} << 2 << again.arg(1);
    QTest::newRow("clear lost, text still the answer")
        << u"lost clear"_s << QStringList() << 1 << late;
    QTest::newRow("clear arrived, PLC emptied the text and asks again")
        << u"lost clear"_s << QStringList{u"anfordErrText="_s} << 2 << again.arg(1);
}

void TstRequestCycle::answerAfterALostLink()
{
    QFETCH(QString, loss);
    QFETCH(QStringList, meanwhile);
    QFETCH(int, printed);
    QFETCH(QString, logged);
    Station s;
    s.plc.setValue(kP + u"LosName"_s, u"L1"_s);
    s.plc.setValue(kP + u"TeileNr"_s, 1);
    s.plc.setValue(kP + u"anford"_s, true);
    if (loss == u"drop")
        s.duringLookup = [&] {
            s.plc.setConnected(false);
        };
    else
        s.plc.failWrite(kP + u"anford"_s, PlcStatus::BadTimeout);
    s.connect();
    QCOMPARE(s.lookups.size(), 1);
    QVERIFY(s.cycle->answerPending());
    QVERIFY(s.plc.value(kP + u"anford"_s).toBool());
    const QString code = loss == u"drop" ? u"BadServerNotConnected"_s : u"BadTimeout"_s;
    QVERIFY2(s.log.entries.last().str.endsWith(u"  answer pending: "_s + code),
             qPrintable(s.log.entries.last().str));
    QVERIFY(s.log.entries.at(s.log.entries.size() - 2)
                .str.contains(u" Answer not written: WriteVar:Line1.Print."_s));

    s.duringLookup = nullptr;
    s.plc.failWrite(kP + u"anford"_s, PlcStatus::Good);
    for (const QString &step : meanwhile.filter(QRegularExpression(u"^[^+]"_s)))
        QVERIFY(s.plc.setValue(kP + step.section(u'=', 0, 0), step.section(u'=', 1), false));
    if (loss == u"drop")
        s.plc.setConnected(true); // the station rebuilds its link and serves what is raised
    else
        s.connect();
    for (const QString &step : meanwhile.filter(QRegularExpression(u"^[+]"_s)))
        QVERIFY(s.plc.setValue(kP + step.mid(1).section(u'=', 0, 0), step.section(u'=', 1)));

    QCOMPARE(s.lookups.size(), printed);
    QVERIFY(!s.plc.value(kP + u"anford"_s).toBool());
    QCOMPARE(s.plc.value(kP + u"anfordErr"_s).toInt(), 0);
    QVERIFY(!s.cycle->answerPending());
    QVERIFY2(QRegularExpression(logged).match(s.log.entries.last().str).hasMatch(),
             qPrintable(s.log.entries.last().str));
}

// The answer's text is cut to what the PLC's variable holds (bytes of UTF-8, no character
// split); a write the PLC still refuses is logged, and the request is answered all the same.
void TstRequestCycle::answerText_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<qint32>("refused"); // the text write's failure, 0: none
    QTest::addColumn<QString>("written");
    const QString x = QString(252, u'x'); // and 255 bytes at most
    QTest::newRow("cut") << x + u"äää"_s << 0 << x + u"ä"_s;
    QTest::newRow("fits") << x + u"ä"_s << 0 << x + u"ä"_s;
    QTest::newRow("refused") << u"E"_s << PlcStatus::BadTypeMismatch << u" "_s;
}

void TstRequestCycle::answerText()
{
    QFETCH(QString, caption);
    QFETCH(qint32, refused);
    QFETCH(QString, written);
    Station s;
    s.plc.setValue(kP + u"anfordErrText"_s, u" "_s);
    s.plc.setValue(kP + u"LosName"_s, u"L1"_s);
    s.plc.setValue(kP + u"TeileNr"_s, 1);
    s.lookupResult = 3;
    s.lookupCaption = caption;
    if (refused != 0)
        s.plc.failWrite(kP + u"anfordErrText"_s, refused);
    s.plc.setValue(kP + u"anford"_s, true);
    s.connect();
    QCOMPARE(s.plc.value(kP + u"anfordErrText"_s).toString(), written);
    QVERIFY(!s.plc.value(kP + u"anford"_s).toBool());
    QVERIFY(!s.cycle->answerPending());
    const bool logged =
        s.log.entries.at(s.log.entries.size() - 2)
            .str.endsWith(u" Answer not written: WriteVar:Line1.Print.anfordErrText !"_s +
                          QString::number(PlcStatus::BadTypeMismatch) + u" BadTypeMismatch"_s);
    QCOMPARE(logged, refused != 0);
}

// A variable the station lacks gives its default; one whose read fails keeps the last value.
void TstRequestCycle::optionalValuesKeepTheLastRequestsWhenUnreadable()
{
    Station s;
    s.plc.setValue(kP + u"ResteKennung"_s, 3);
    s.plc.setValue(kP + u"EtikettenType"_s, 2);
    s.plc.setValue(kP + u"anford"_s, true);
    s.connect();
    QCOMPARE(s.request.ResteKennung, qint16(3));
    s.plc.setValue(kP + u"ResteKennung"_s, 4);
    s.plc.failRead(kP + u"ResteKennung"_s, PlcStatus::BadTimeout);
    s.plc.setValue(kP + u"anford"_s, true);
    QCOMPARE(s.lookups.size(), 2);
    QCOMPARE(s.request.ResteKennung, qint16(3));
    QCOMPARE(s.request.EtikettenType, qint16(2));
    QCOMPARE(s.request.ResteLaenge, 0); // no such variable here
    QVERIFY(s.request.ResteProfil.isEmpty());
}

QTEST_GUILESS_MAIN(TstRequestCycle)
#include "tst_requestcycle.moc"
