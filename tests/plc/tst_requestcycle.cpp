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
#include <functional>
#include <optional>
#include <stdexcept>

using namespace Qt::StringLiterals;
using Label = PrintControls::Label;

namespace {
const QString kP = u"Line1.Print."_s;

// A station with the whole variable family, its link built, the cycle behind the flag. It is
// its own RAW and command output.
struct Station : RawOutput, CommandOutput {
    SimulatedPlc plc;
    PrintControls controls;
    AppSettings settings;
    PrintRequest request;
    RecordingLog log;
    QStringList outputs; // in order: "raw:<data>", "cmd:<text>", "lot:<lot>/<part>/<with link>"
    bool rawFails = false;
    qint32 commandResult = 0;
    qint32 lookupResult = 0;
    QString lookupCaption = u"No Printdata"_s;
    bool lookupThrows = false;
    std::function<void()> duringLookup;
    bool answerFailedRaw = false;
    PlcConnection connection{plc, controls, settings, log};
    std::optional<RequestCycle> cycle;

    Station()
    {
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
    qint32 printRawData(const QString &data) override
    {
        outputs << u"raw:"_s + data;
        if (rawFails) {
            request.rawJobResult = 1;
            request.rawJobFailure = u"Connection reset by peer"_s;
            return 1;
        }
        request.rawPrintMs = 7;
        return 0;
    }
    QString applyPrefix(const QString &, const QString &data) const override { return data; }
    qint32 printRawFile(const QString &, qint32) override { return 1; }
    qint32 callCommand(const QString &var) override
    {
        outputs << u"cmd:"_s + var;
        if (commandResult != 0)
            controls.setCaption(Label::lblError, u"Shell-Error"_s);
        return commandResult;
    }
    qint32 lookup(const QString &lot, qint32 part, CommLink *link)
    {
        if (lookupThrows)
            throw std::runtime_error("disk on fire");
        outputs << u"lot:%1/%2/%3"_s.arg(lot).arg(part).arg(link != nullptr);
        if (duringLookup)
            duringLookup();
        if (lookupResult != 0)
            controls.setCaption(Label::lblError, lookupCaption);
        return lookupResult;
    }
    bool set(const QString &name, const QVariant &value, bool report = true)
    {
        return plc.setValue(kP + name, value, report);
    }
    bool flag() const { return plc.value(kP + u"anford"_s).toBool(); }
    void connect()
    {
        if (!cycle)
            cycle.emplace(RequestCycle::Parts{settings, controls, request, log, *this, *this,
                                              std::bind_front(&Station::lookup, this),
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
    void optionalValuesKeepTheLastRequestsWhenUnreadable();
};

// The answer's text is cut to what the PLC's variable holds (bytes of UTF-8, no character
// split); a write the PLC refuses is logged, and the request is answered all the same.
void TstRequestCycle::servesEachKind_data()
{
    QTest::addColumn<QString>("commandLine");
    // name=value; fail:<name>:<code> makes its read fail, refuse:<name> its write;
    // lookup:<result> with caption:<lblError>, command:<result>, rawfail, answerRaw.
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QStringList>("writes"); // "name=*": a stamped text, its name compared
    QTest::addColumn<QString>("done");       // the outputs reached
    QTest::addColumn<QStringList>("logged"); // a pattern per log line

    const QString lot, tool = u"tool #~#"_s;
    const QStringList ok{u"anfordErr=0"_s, u"anfordErrText= "_s, u"anford=false"_s};
    const auto failed = [](qint32 code, const QString &text) {
        return QStringList{u"anfordErr=%1"_s.arg(code), u"anfordErrText="_s + text,
                           u"anford=false"_s};
    };
    const QString x = QString(252, u'x'); // the answer text holds 255 bytes
    const QString lot1 = u"^ Anforderung Los:L1   TeileNr:1  \\d+ \\(msec\\)$"_s;
    using L = QStringList;
    // clang-format off
    QTest::newRow("raw text") << lot << L{u"RAW=^XA\u0000junk"_s} << ok << u"raw:^XA"_s << L{u"^ RAW Druckanforderung  \\d+ \\(msec\\)  Raw:7 \\(msec\\)$"_s};
    QTest::newRow("failed raw job, not told by default") << lot << L{u"RAW=X"_s, u"rawfail"_s} << ok << u"raw:X"_s << L{u"^ RAW Druckanforderung  \\d+ \\(msec\\)$"_s};
    QTest::newRow("failed raw job, told when asked") << lot << L{u"RAW=X"_s, u"rawfail"_s, u"answerRaw"_s} << failed(1, u"*"_s) << u"raw:X"_s << L{u" Error RAW job Printer: P1 !  \r\nConnection reset by peer$"_s, u"^ RAW Druckanforderung  \\d+ \\(msec\\)$"_s};
    QTest::newRow("empty raw falls to the lot") << lot << L{u"RAW=\u0000x"_s, u"LosName=L1"_s, u"TeileNr=12"_s} << ok << u"lot:L1/12/1"_s << L{u"^ Anforderung Los:L1   TeileNr:12  \\d+ \\(msec\\)$"_s};
    QTest::newRow("lot print failed") << lot << L{u"LosName=L2"_s, u"TeileNr=3"_s, u"lookup:4"_s} << failed(4, u"No Printdata"_s) << u"lot:L2/3/1"_s << L{u"^No Printdata$"_s, u"^ Anforderung Los:L2   TeileNr:3  "_s};
    QTest::newRow("lot with both reads failing") << lot << L{u"fail:LosName:-2147483648"_s, u"fail:TeileNr:-2139881472"_s} << L{u"anfordErr=-2139881472"_s, u"anfordErr=-2147483648"_s, u"anfordErrText=*"_s, u"anford=false"_s} << QString() << L{u" ReadVar:LosName !-2147483648   ReadVar:TeileNr:-2139881472$"_s, u"^Druckanforderung  \\d+ \\(msec\\)$"_s};
    QTest::newRow("command with its own text") << tool << L{u"Barcode=B7"_s, u"CmdLine=X 1"_s} << ok << u"cmd:X 1"_s << L{u"^ Anforderung Barcodedruck:X 1  \\d+ \\(msec\\)$"_s};
    QTest::newRow("command with the barcode") << tool << L{u"Barcode=B7"_s} << ok << u"cmd:B7"_s << L{u"^ Anforderung Barcodedruck:B7  \\d+ \\(msec\\)$"_s};
    QTest::newRow("command failed") << tool << L{u"Barcode=B7"_s, u"command:2"_s} << failed(2, u"Shell-Error"_s) << u"cmd:B7"_s << L{u"^Shell-Error$"_s, u"^ Anforderung Barcodedruck:B7  "_s};
    QTest::newRow("barcode unreadable") << tool << L{u"fail:Barcode:-2139881472"_s} << failed(-2139881472, u"*"_s) << QString() << L{u" Tessel-Error ReadVar:Barcode !-2139881472$"_s, u"^Druckanforderung  \\d+ \\(msec\\)$"_s};
    QTest::newRow("answer text cut") << lot << L{u"LosName=L1"_s, u"TeileNr=1"_s, u"lookup:3"_s, u"caption:"_s + x + u"äää"_s} << failed(3, x + u"ä"_s) << u"lot:L1/1/1"_s << L{u"^x{252}äää$"_s, lot1};
    QTest::newRow("answer text just fits") << lot << L{u"LosName=L1"_s, u"TeileNr=1"_s, u"lookup:3"_s, u"caption:x"_s + x + u"ä"_s} << failed(3, u'x' + x + u"ä"_s) << u"lot:L1/1/1"_s << L{u"^x{253}ä$"_s, lot1};
    QTest::newRow("answer text refused") << lot << L{u"LosName=L1"_s, u"TeileNr=1"_s, u"lookup:3"_s, u"caption:E"_s, u"refuse:anfordErrText"_s} << L{u"anfordErr=3"_s, u"anford=false"_s} << u"lot:L1/1/1"_s << L{u"^E$"_s, u" Answer not written: WriteVar:Line1.Print.anfordErrText !-2139881472 BadTypeMismatch$"_s, lot1};
    // clang-format on
}

void TstRequestCycle::servesEachKind()
{
    QFETCH(QString, commandLine);
    QFETCH(QStringList, setup);
    QFETCH(QStringList, writes);
    QFETCH(QString, done);
    QFETCH(QStringList, logged);
    Station s;
    s.settings.printerName = u"P1"_s;
    s.settings.commandLine = commandLine;
    s.settings.optionCommandLine = commandLine.isEmpty() ? 0 : 1;
    for (const QString &step : setup) {
        const QString key = step.section(u':', 0, 0), arg = step.section(u':', 1);
        if (key == u"fail")
            s.plc.failRead(kP + arg.section(u':', 0, 0), arg.section(u':', 1).toInt());
        else if (key == u"refuse")
            s.plc.failWrite(kP + arg, PlcStatus::BadTypeMismatch);
        else if (key == u"lookup")
            s.lookupResult = arg.toInt();
        else if (key == u"caption")
            s.lookupCaption = arg;
        else if (key == u"command")
            s.commandResult = arg.toInt();
        else if (key == u"rawfail")
            s.rawFails = true;
        else if (key == u"answerRaw")
            s.answerFailedRaw = true;
        else
            QVERIFY(s.set(step.section(u'=', 0, 0), step.section(u'=', 1)));
    }
    QVERIFY(s.set(u"anford"_s, true));
    s.connect();

    QStringList seen = s.writes();
    for (qsizetype i = 0; i < writes.size() && i < seen.size(); ++i) {
        if (writes.at(i).endsWith(u"=*"_s))
            seen[i] = seen.at(i).section(u'=', 0, 0) + u"=*"_s;
    }
    QCOMPARE(seen, writes);
    QCOMPARE(s.outputs.join(u'|'), done);
    QVERIFY(!s.flag());
    // Every line goes to a message box; the request's own line, the last, has a time stamp; a
    // failure logged before it is what lblError shows.
    QCOMPARE(s.log.entries.size(), logged.size());
    for (qsizetype i = 0; i < logged.size(); ++i) {
        const RecordingLog::Entry &entry = s.log.entries.at(i);
        QVERIFY2(QRegularExpression(logged.at(i)).match(entry.str).hasMatch(),
                 qPrintable(entry.str));
        QVERIFY(entry.msgBox);
        QCOMPARE(entry.timeStamp, i == logged.size() - 1);
    }
    if (logged.size() > 1)
        QCOMPARE(s.controls.caption(Label::lblError), s.log.entries.first().str);
}

// Requests that end without an answer: nothing is written, so the PLC's flag stays as it was.
void TstRequestCycle::nothingAnswered_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("shown"); // how lblError ends; empty: unchanged
    QTest::addColumn<int>("logged");
    const QString unreadable = u" ReadVar:Line1.Print.anford !%1"_s.arg(PlcStatus::BadTimeout);
    // clang-format off
    QTest::newRow("an output fails without a word: the trap") << u"trap"_s << u" ConnectUpdateEx !disk on fire"_s << 1;
    QTest::newRow("the flag cannot be read") << u"unreadable"_s << unreadable << 0;
    QTest::newRow("the flag is down again") << u"down"_s << QString() << 0;
    // clang-format on
}

void TstRequestCycle::nothingAnswered()
{
    QFETCH(QString, situation);
    QFETCH(QString, shown);
    QFETCH(int, logged);
    Station s;
    s.lookupThrows = true;
    s.set(u"LosName"_s, u"L1"_s);
    s.set(u"TeileNr"_s, 1);
    if (situation == u"unreadable")
        s.plc.failRead(kP + u"anford"_s, PlcStatus::BadTimeout);
    s.set(u"anford"_s, situation != u"down");
    s.connect();
    if (situation == u"down") // a report of a rise that is over by the time it is served
        Q_EMIT s.plc.variableChanged(true, s.connection.plcLinks().front()->userTag());
    QVERIFY(s.plc.writes().isEmpty());
    QCOMPARE(s.flag(), situation != u"down");
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
    // clang-format off
    QTest::newRow("still raised") << u"drop"_s << QStringList() << 1 << late;
    QTest::newRow("another lot meanwhile") << u"drop"_s << QStringList{u"LosName=L2"_s} << 2 << again.arg(2);
    QTest::newRow("withdrawn, then asked again") << u"drop"_s << QStringList{u"anford=false"_s, u"+anford=true"_s} << 2 << again.arg(1);
    QTest::newRow("clear lost, text still the answer") << u"lost clear"_s << QStringList() << 1 << late;
    QTest::newRow("clear arrived, PLC emptied the text and asks again") << u"lost clear"_s << QStringList{u"anfordErrText="_s} << 2 << again.arg(1);
    // clang-format on
}

void TstRequestCycle::answerAfterALostLink()
{
    QFETCH(QString, loss);
    QFETCH(QStringList, meanwhile);
    QFETCH(int, printed);
    QFETCH(QString, logged);
    Station s;
    s.set(u"LosName"_s, u"L1"_s);
    s.set(u"TeileNr"_s, 1);
    s.set(u"anford"_s, true);
    if (loss == u"drop")
        s.duringLookup = [&] {
            s.plc.setConnected(false);
        };
    else
        s.plc.failWrite(kP + u"anford"_s, PlcStatus::BadTimeout);
    s.connect();
    QCOMPARE(s.outputs.size(), 1);
    QVERIFY(s.cycle->answerPending());
    QVERIFY(s.flag());
    const QString code = loss == u"drop" ? u"BadServerNotConnected"_s : u"BadTimeout"_s;
    QVERIFY2(s.log.entries.last().str.endsWith(u"  answer pending: "_s + code),
             qPrintable(s.log.entries.last().str));
    QVERIFY(s.log.entries.at(s.log.entries.size() - 2)
                .str.contains(u" Answer not written: WriteVar:Line1.Print."_s));

    s.duringLookup = nullptr;
    s.plc.failWrite(kP + u"anford"_s, PlcStatus::Good);
    for (const QString &step : meanwhile.filter(QRegularExpression(u"^[^+]"_s)))
        QVERIFY(s.set(step.section(u'=', 0, 0), step.section(u'=', 1), false));
    if (loss == u"drop")
        s.plc.setConnected(true); // the station rebuilds its link and serves what is raised
    else
        s.connect();
    for (const QString &step : meanwhile.filter(QRegularExpression(u"^[+]"_s)))
        QVERIFY(s.set(step.mid(1).section(u'=', 0, 0), step.section(u'=', 1)));

    QCOMPARE(s.outputs.size(), printed);
    QVERIFY(!s.flag());
    QCOMPARE(s.plc.value(kP + u"anfordErr"_s).toInt(), 0);
    QVERIFY(!s.cycle->answerPending());
    QVERIFY2(QRegularExpression(logged).match(s.log.entries.last().str).hasMatch(),
             qPrintable(s.log.entries.last().str));
}

// A variable the station lacks gives its default; one whose read fails keeps the last value.
void TstRequestCycle::optionalValuesKeepTheLastRequestsWhenUnreadable()
{
    Station s;
    s.set(u"ResteKennung"_s, 3);
    s.set(u"EtikettenType"_s, 2);
    s.set(u"anford"_s, true);
    s.connect();
    QCOMPARE(s.request.ResteKennung, qint16(3));
    s.set(u"ResteKennung"_s, 4);
    s.plc.failRead(kP + u"ResteKennung"_s, PlcStatus::BadTimeout);
    s.set(u"anford"_s, true);
    QCOMPARE(s.outputs.size(), 2);
    QCOMPARE(s.request.ResteKennung, qint16(3));
    QCOMPARE(s.request.EtikettenType, qint16(2));
    QCOMPARE(s.request.ResteLaenge, 0); // no such variable here
    QVERIFY(s.request.ResteProfil.isEmpty());
}

QTEST_GUILESS_MAIN(TstRequestCycle)
#include "tst_requestcycle.moc"
