#include "RequestCycle.h"

#include "AppSettings.h"
#include "CommLink.h"
#include "CommandOutput.h"
#include "LogWriter.h"
#include "PlcLink.h"
#include "PlcStatus.h"
#include "PrintControls.h"
#include "PrintRequest.h"
#include "RawOutput.h"
#include "RegionalFormat.h"
#include "RequestReads.h"
#include "TickCount.h"
#include "VariableText.h"

#include <QDateTime>
#include <exception>

using namespace Qt::StringLiterals;
using Label = PrintControls::Label;

namespace {
// Byte counts of the scalar operations.
constexpr int kBoolBytes = 2;
constexpr int kLongBytes = 4;
} // namespace

RequestCycle::RequestCycle(Parts parts)
    : m_parts(std::move(parts))
{
}

void RequestCycle::readProd(CommLink &hUser)
{
    try {
        serve(hUser);
    } catch (const std::exception &failure) {
        reportFailure(stamped(u"ConnectUpdateEx !"_s + QString::fromLocal8Bit(failure.what())));
    }
}

void RequestCycle::serve(CommLink &link)
{
    const bool commandLine =
        !m_parts.settings.commandLine.isEmpty() && m_parts.settings.optionCommandLine > 0;
    RequestReads reads(link, commandLine);
    reads.read(link.link());
    const qint32 flagRead = reads.status(RequestReads::Flag);
    if (flagRead != PlcStatus::Good) {
        m_parts.controls.setCaption(Label::lblError, stamped(u"ReadVar:"_s + link.anfordVar +
                                                             u" !"_s + QString::number(flagRead)));
        return;
    }
    if (!reads.flag()) {
        // The PLC has seen the clear after all, or has withdrawn the request.
        dropPending(u"the PLC's flag is down"_s);
        return;
    }

    startRequest();
    PrintRequest &request = m_parts.request;
    qint32 textRead = reads.take(RequestReads::LosName, request.LosName);
    bool rawRead = false;
    if (link.hRAW != 0 && textRead == PlcStatus::Good) {
        textRead = reads.take(RequestReads::Raw, request.RAW);
        rawRead = true;
    }
    if (rawRead && textRead == PlcStatus::Good && !request.RAW.isEmpty()) {
        serveRaw(link);
    } else if (commandLine) {
        serveCommand(link, reads, textRead);
    } else {
        serveLot(link, reads, textRead);
    }
    logRequest();
}

void RequestCycle::startRequest()
{
    PrintRequest &request = m_parts.request;
    m_requestText.clear();
    m_key.clear();
    m_writeFailure = PlcStatus::Good;
    m_failedVariable.clear();
    m_delivery = Delivery::Written;
    request.rawPrintMs = -1;
    request.rawJobResult = 0;
    request.rawJobFailure.clear();
    request.requestStart = TickCount::tickCount();
}

qint32 RequestCycle::readText(CommLink &link, qint32 handle, int byteCount, QString &text)
{
    QString read;
    const qint32 result = link.link().readString(handle, byteCount, read);
    if (result == PlcStatus::Good)
        text = untilNul(read);
    return result;
}

void RequestCycle::serveRaw(CommLink &link)
{
    const PrintRequest &request = m_parts.request;
    m_requestText = u" RAW Druckanforderung"_s;
    if (answeredBefore(link, Kind::Raw, u"raw\n"_s + request.RAW))
        return;
    m_parts.raw.printRawData(QString(request.RAW));
    answer(link, withRawFailure(PlcStatus::Good), Kind::Raw);
}

// A station that prints by command line runs its command with the barcode, or with the
// command text when the PLC gives one.
void RequestCycle::serveCommand(CommLink &link, const RequestReads &reads, qint32 textRead)
{
    PrintRequest &request = m_parts.request;
    if (textRead != PlcStatus::Good) {
        reportFailure(stamped(u"Tessel-Error ReadVar:Barcode !"_s + QString::number(textRead)));
        deliver(link, textRead, m_parts.controls.caption(Label::lblError), Kind::Command, false);
        return;
    }
    QString command = request.LosName;
    if (link.hCmdLine != 0) {
        const qint32 read = reads.take(RequestReads::CmdLine, request.CmdLine);
        command = read == PlcStatus::Good && !request.CmdLine.isEmpty() ? request.CmdLine
                                                                        : request.LosName;
    }
    m_requestText = u" Anforderung Barcodedruck:"_s + command;
    if (answeredBefore(link, Kind::Command, u"cmd\n"_s + request.LosName + u'\n' + command))
        return;
    answer(link, m_parts.command.callCommand(command), Kind::Command);
}

void RequestCycle::serveLot(CommLink &link, const RequestReads &reads, qint32 textRead)
{
    PrintRequest &request = m_parts.request;
    const qint32 partRead = reads.take(RequestReads::TeileNr, request.TeileNr);
    readLotDetails(link, reads);
    if (partRead == PlcStatus::Good && textRead == PlcStatus::Good) {
        m_requestText = u" Anforderung Los:"_s + request.LosName + u"   TeileNr:"_s +
                        QString::number(request.TeileNr);
        if (answeredBefore(link, Kind::Lot, lotKey()))
            return;
        const qint32 result =
            m_parts.lookupPrint ? m_parts.lookupPrint(request.LosName, request.TeileNr, &link) : 0;
        answer(link, withRawFailure(result), Kind::Lot);
        return;
    }
    // Both codes go to the PLC in turn; the text read's, when it failed, is the one left.
    if (partRead != PlcStatus::Good && textRead != PlcStatus::Good)
        noteWrite(link.link().writeLong(link.hAnfordErr, kLongBytes, partRead),
                  link.anfordVar + u"Err"_s);
    m_parts.controls.setCaption(Label::lblError,
                                stamped(u"ReadVar:LosName !"_s + QString::number(textRead) +
                                        u"   ReadVar:TeileNr:"_s + QString::number(partRead)));
    deliver(link, textRead != PlcStatus::Good ? textRead : partRead,
            m_parts.controls.caption(Label::lblError), Kind::Lot, true);
}

// The optional values: a variable the station lacks gives its default; one whose read fails
// keeps what the last request left.
void RequestCycle::readLotDetails(const CommLink &link, const RequestReads &reads)
{
    PrintRequest &request = m_parts.request;
    request.ResteLaenge = 0;
    if (link.hRestKenn != 0)
        reads.take(RequestReads::RestKenn, request.ResteKennung);
    else
        request.ResteKennung = -1;
    if (link.hRestLen != 0)
        reads.take(RequestReads::RestLen, request.ResteLaenge);
    if (link.hRestProf != 0)
        reads.take(RequestReads::RestProf, request.ResteProfil);
    else
        request.ResteProfil.clear();
    if (link.hRestColor != 0)
        reads.take(RequestReads::RestColor, request.ResteColor);
    else
        request.ResteColor.clear();
    if (link.hEtkTyp != 0)
        reads.take(RequestReads::EtkTyp, request.EtikettenType);
    else
        request.EtikettenType = 0;
}

QString RequestCycle::lotKey() const
{
    const PrintRequest &r = m_parts.request;
    return QStringList{u"lot"_s,
                       r.LosName,
                       QString::number(r.TeileNr),
                       QString::number(r.EtikettenType),
                       QString::number(r.ResteKennung),
                       QString::number(r.ResteLaenge),
                       r.ResteProfil,
                       r.ResteColor}
        .join(u'\n');
}

bool RequestCycle::answeredBefore(CommLink &link, Kind kind, const QString &key)
{
    m_key = key;
    if (!m_pending)
        return false;
    if (m_pending->key != key) {
        dropPending(u"the PLC asks for something else"_s);
        return false;
    }
    if (m_pending->mayHaveCleared && !stillHolds(link, m_pending->text)) {
        dropPending(u"the PLC has taken it and asks again"_s);
        return false;
    }
    const PendingAnswer pending = *m_pending;
    m_requestText = pending.requestText;
    deliver(link, pending.result, pending.text, kind, false);
    if (m_delivery == Delivery::Written)
        m_delivery = Delivery::Late;
    return true;
}

// Whether the PLC's result text is still the pending answer's: a PLC that took the answer
// and made a new request may have emptied it meanwhile. A text that cannot be read counts as
// held, so that nothing is printed twice on a link that is still broken.
bool RequestCycle::stillHolds(CommLink &link, const QString &text)
{
    const QString expected = fitText(text, link.lAnfordErrText);
    QString held;
    const int bytes = int(qMax<qsizetype>(link.lAnfordErrText, expected.size())) * 2;
    if (readText(link, link.hAnfordErrText, bytes, held) != PlcStatus::Good)
        return true;
    return held == expected;
}

void RequestCycle::dropPending(const QString &why)
{
    if (!m_pending)
        return;
    m_parts.log.writeLog(m_pending->requestText + u"  answer taken as delivered: "_s + why, true,
                         false);
    m_pending.reset();
}

qint32 RequestCycle::withRawFailure(qint32 result)
{
    const PrintRequest &request = m_parts.request;
    if (!m_parts.answerFailedRaw || result != PlcStatus::Good || request.rawJobResult == 0)
        return result;
    m_parts.controls.setCaption(Label::lblError, stamped(u"Error RAW job Printer: "_s +
                                                         m_parts.settings.printerName +
                                                         u" !  \r\n"_s + request.rawJobFailure));
    return request.rawJobResult;
}

void RequestCycle::answer(CommLink &link, qint32 result, Kind kind)
{
    if (result == PlcStatus::Good)
        deliver(link, result, u" "_s, kind, false);
    else
        deliver(link, result, m_parts.controls.caption(Label::lblError), kind, true);
}

// The result and its text go to the PLC in one write; the flag after them.
void RequestCycle::deliver(CommLink &link, qint32 result, const QString &text, Kind kind,
                           bool logText)
{
    // Cut to what the variable holds: a server refuses a longer text whole, and the PLC would
    // show the previous request's text beside this request's result.
    const QString fitted = fitText(text, link.lAnfordErrText);
    PlcItems answer{
        PlcItem::of(link.hAnfordErr, kLongBytes, QMetaType::Int, result),
        PlcItem::of(link.hAnfordErrText, int(fitted.size()) * 2, QMetaType::QString, fitted)};
    link.link().writeMany(answer);
    noteWrite(answer.at(0).status, link.anfordVar + u"Err"_s);
    noteWrite(answer.at(1).status, link.anfordVar + u"ErrText"_s);
    if (logText)
        m_parts.log.writeLog(text, false, true);
    settle(result, text, clearFlag(link, kind));
}

void RequestCycle::noteWrite(qint32 status, const QString &variable)
{
    if (status == PlcStatus::Good || m_writeFailure != PlcStatus::Good)
        return;
    m_writeFailure = status;
    m_failedVariable = variable;
}

// The flag goes false only after the result and its text are in place, so the PLC never
// sees a finished request without its answer.
qint32 RequestCycle::clearFlag(CommLink &link, Kind kind)
{
    const qint32 result = link.link().writeBool(link.hAnfordVar, kBoolBytes, false);
    if (result == PlcStatus::Good)
        return result;
    noteWrite(result, link.anfordVar);
    const QString literal = kind == Kind::Lot ? u"WriteVar:"_s : u"Tessel-Error WriteVar: "_s;
    m_parts.controls.setCaption(
        Label::lblError, stamped(literal + link.anfordVar + u" !"_s + QString::number(result)));
    return result;
}

// A cleared flag ends the request. One that could not be cleared after the output ran keeps
// its answer for the next time the request is found raised; before the output ran, serving
// it again costs nothing. A failed write is logged, a pending answer's repeated failure once.
void RequestCycle::settle(qint32 result, const QString &text, qint32 cleared)
{
    const bool repeated = m_pending && m_pending->failure == cleared;
    if (cleared == PlcStatus::Good) {
        m_pending.reset();
    } else if (!m_key.isEmpty()) {
        // A clear that failed at once never left; one lost on the way may have arrived.
        const bool mayHaveCleared =
            PlcStatus::isLinkFailure(cleared) && cleared != PlcStatus::BadServerNotConnected;
        m_pending = PendingAnswer{m_key, result, text, m_requestText, mayHaveCleared, cleared};
        m_delivery = Delivery::Pending;
    }
    if (m_writeFailure == PlcStatus::Good || repeated)
        return;
    m_parts.log.writeLog(stamped(u"Answer not written: WriteVar:"_s + m_failedVariable + u" !"_s +
                                 QString::number(m_writeFailure) + u' ' +
                                 PlcStatus::name(m_writeFailure)),
                         false, true);
}

void RequestCycle::reportFailure(const QString &message)
{
    m_parts.controls.setCaption(Label::lblError, message);
    m_parts.log.writeLog(message, false, true);
}

void RequestCycle::logRequest()
{
    const PrintRequest &request = m_parts.request;
    QString line = m_requestText.isEmpty() ? u"Druckanforderung"_s : m_requestText;
    line += u"  "_s + QString::number(TickCount::ticksSince(request.requestStart)) + u" (msec)"_s;
    if (request.rawPrintMs >= 0)
        line += u"  Raw:"_s + QString::number(request.rawPrintMs) + u" (msec)"_s;
    if (m_delivery == Delivery::Pending)
        line += u"  answer pending: "_s + PlcStatus::name(m_pending->failure);
    else if (m_delivery == Delivery::Late)
        line += u"  late answer, not printed again"_s;
    m_parts.log.writeLog(line, true, true);
}

// Date, blank, time, blank and the message.
QString RequestCycle::stamped(const QString &message) const
{
    return RegionalFormat::dateTime(QDateTime::currentDateTime()) + u' ' + message;
}
