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
#include "TickCount.h"

#include <QDateTime>
#include <exception>

using namespace Qt::StringLiterals;
using Label = PrintControls::Label;

namespace {
// Byte counts of the scalar operations and of the remnant texts, which have no length
// variable of their own.
constexpr int kBoolBytes = 2;
constexpr int kIntBytes = 2;
constexpr int kLongBytes = 4;
constexpr int kRemnantTextBytes = 80;
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
    PlcLink &plc = link.link();
    bool flag = false;
    const qint32 flagRead = plc.readBool(link.hAnfordVar, kBoolBytes, flag);
    if (flagRead != PlcStatus::Good) {
        m_parts.controls.setCaption(Label::lblError, stamped(u"ReadVar:"_s + link.anfordVar +
                                                             u" !"_s + QString::number(flagRead)));
        return;
    }
    if (!flag)
        return;

    PrintRequest &request = m_parts.request;
    m_requestText.clear();
    request.rawPrintMs = -1;
    request.requestStart = TickCount::tickCount();
    qint32 textRead = readText(link, link.hLosName, link.lLosName * 2, request.LosName);
    bool rawRead = false;
    if (link.hRAW != 0 && textRead == PlcStatus::Good) {
        textRead = readText(link, link.hRAW, link.lRAW * 2, request.RAW);
        rawRead = true;
    }
    if (rawRead && textRead == PlcStatus::Good && !request.RAW.isEmpty()) {
        serveRaw(link);
    } else if (!m_parts.settings.commandLine.isEmpty() && m_parts.settings.optionCommandLine > 0) {
        serveCommand(link, textRead);
    } else {
        serveLot(link, textRead);
    }
    logRequest();
}

qint32 RequestCycle::readText(CommLink &link, qint32 handle, int byteCount, QString &text)
{
    QString read;
    const qint32 result = link.link().readString(handle, byteCount, read);
    if (result == PlcStatus::Good) {
        const qsizetype nul = read.indexOf(QChar(u'\0'));
        text = nul < 0 ? read : read.left(nul);
    }
    return result;
}

void RequestCycle::serveRaw(CommLink &link)
{
    m_parts.raw.printRawData(QString(m_parts.request.RAW));
    link.link().writeLong(link.hAnfordErr, kLongBytes, 0);
    writeText(link, u" "_s);
    clearFlag(link, Kind::Raw);
    m_requestText = u" RAW Druckanforderung"_s;
}

// A station that prints by command line runs its command with the barcode, or with the
// command text when the PLC gives one.
void RequestCycle::serveCommand(CommLink &link, qint32 textRead)
{
    PrintRequest &request = m_parts.request;
    if (textRead != PlcStatus::Good) {
        link.link().writeLong(link.hAnfordErr, kLongBytes, textRead);
        reportFailure(stamped(u"Tessel-Error ReadVar:Barcode !"_s + QString::number(textRead)));
        writeText(link, m_parts.controls.caption(Label::lblError));
        clearFlag(link, Kind::Command);
        return;
    }
    QString command = request.LosName;
    if (link.hCmdLine != 0) {
        const qint32 read = readText(link, link.hCmdLine, link.lCmdLine * 2, request.CmdLine);
        command = read == PlcStatus::Good && !request.CmdLine.isEmpty() ? request.CmdLine
                                                                        : request.LosName;
    }
    m_requestText = u" Anforderung Barcodedruck:"_s + command;
    answer(link, m_parts.command.callCommand(command));
    clearFlag(link, Kind::Command);
}

void RequestCycle::serveLot(CommLink &link, qint32 textRead)
{
    PrintRequest &request = m_parts.request;
    const qint32 partRead = link.link().readLong(link.hTeileNr, kLongBytes, request.TeileNr);
    readLotDetails(link);
    if (partRead == PlcStatus::Good && textRead == PlcStatus::Good) {
        m_requestText = u" Anforderung Los:"_s + request.LosName + u"   TeileNr:"_s +
                        QString::number(request.TeileNr);
        answer(link, m_parts.lookupPrint
                         ? m_parts.lookupPrint(request.LosName, request.TeileNr, &link)
                         : 0);
    } else {
        // Both codes go to the PLC in turn; the text read's, when it failed, is the one left.
        if (partRead != PlcStatus::Good)
            link.link().writeLong(link.hAnfordErr, kLongBytes, partRead);
        if (textRead != PlcStatus::Good)
            link.link().writeLong(link.hAnfordErr, kLongBytes, textRead);
        m_parts.controls.setCaption(Label::lblError,
                                    stamped(u"ReadVar:LosName !"_s + QString::number(textRead) +
                                            u"   ReadVar:TeileNr:"_s + QString::number(partRead)));
        writeText(link, m_parts.controls.caption(Label::lblError));
        m_parts.log.writeLog(m_parts.controls.caption(Label::lblError), false, true);
    }
    clearFlag(link, Kind::Lot);
}

// The optional values: a variable the station lacks leaves its default.
void RequestCycle::readLotDetails(CommLink &link)
{
    PlcLink &plc = link.link();
    PrintRequest &request = m_parts.request;
    request.ResteKennung = -1;
    request.ResteLaenge = 0;
    request.ResteProfil.clear();
    request.ResteColor.clear();
    request.EtikettenType = 0;
    if (link.hRestKenn != 0)
        plc.readInt(link.hRestKenn, kIntBytes, request.ResteKennung);
    if (link.hRestLen != 0)
        plc.readLong(link.hRestLen, kLongBytes, request.ResteLaenge);
    if (link.hRestProf != 0)
        readText(link, link.hRestProf, kRemnantTextBytes, request.ResteProfil);
    if (link.hRestColor != 0)
        readText(link, link.hRestColor, kRemnantTextBytes, request.ResteColor);
    if (link.hEtkTyp != 0)
        plc.readInt(link.hEtkTyp, kIntBytes, request.EtikettenType);
}

void RequestCycle::answer(CommLink &link, qint32 result)
{
    link.link().writeLong(link.hAnfordErr, kLongBytes, result);
    if (result == PlcStatus::Good) {
        writeText(link, u" "_s);
        return;
    }
    const QString message = m_parts.controls.caption(Label::lblError);
    writeText(link, message);
    m_parts.log.writeLog(message, false, true);
}

void RequestCycle::writeText(CommLink &link, const QString &text)
{
    link.link().writeString(link.hAnfordErrText, int(text.size()) * 2, text);
}

void RequestCycle::reportFailure(const QString &message)
{
    m_parts.controls.setCaption(Label::lblError, message);
    m_parts.log.writeLog(message, false, true);
}

// The flag goes false only after the result and its text are in place, so the PLC never
// sees a finished request without its answer.
void RequestCycle::clearFlag(CommLink &link, Kind kind)
{
    const qint32 result = link.link().writeBool(link.hAnfordVar, kBoolBytes, false);
    if (result == PlcStatus::Good)
        return;
    const QString literal = kind == Kind::Lot ? u"WriteVar:"_s : u"Tessel-Error WriteVar: "_s;
    m_parts.controls.setCaption(
        Label::lblError, stamped(literal + link.anfordVar + u" !"_s + QString::number(result)));
}

void RequestCycle::logRequest()
{
    const PrintRequest &request = m_parts.request;
    QString line = m_requestText.isEmpty() ? u"Druckanforderung"_s : m_requestText;
    line += u"  "_s + QString::number(TickCount::ticksSince(request.requestStart)) + u" (msec)"_s;
    if (request.rawPrintMs >= 0)
        line += u"  Raw:"_s + QString::number(request.rawPrintMs) + u" (msec)"_s;
    m_parts.log.writeLog(line, true, true);
}

// Date, blank, time, blank and the message.
QString RequestCycle::stamped(const QString &message) const
{
    return RegionalFormat::dateTime(QDateTime::currentDateTime()) + u' ' + message;
}
