#include "PlcConnection.h"

#include "AppSettings.h"
#include "CommLink.h"
#include "LogWriter.h"
#include "PlcLink.h"
#include "PlcStatus.h"
#include "PrintControls.h"
#include "RegionalFormat.h"
#include "VariableText.h"

#include <QDateTime>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The request flag is reported as soon as the link can: every millisecond counts in a cycle
// the machine waits for.
constexpr int kNotifyCycleMs = 1;

} // namespace

PlcConnection::PlcConnection(PlcLink &link, PrintControls &controls, const AppSettings &settings,
                             LogWriter &log, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_controls(controls)
    , m_settings(settings)
    , m_log(log)
{
    connect(&m_link, &PlcLink::variableChanged, this, &PlcConnection::onVariableChanged);
    connect(&m_link, &PlcLink::stateChanged, this, &PlcConnection::onStateChanged);
}

PlcConnection::~PlcConnection() = default;

void PlcConnection::connectPlc()
{
    // Taken out first, so that a record's release cannot meet a collection that changes.
    const Records previous = std::exchange(m_plcLinks, {});
    for (const auto &record : previous)
        record->terminate();

    auto record = std::make_shared<CommLink>(m_link, ++m_lastUserTag);
    m_plcLinks.push_back(record);
    record->anfordVar = variableName(u".Print.anford"_s);
    createOptionalHandles(*record);
    if (!createRequiredHandle(*record, &CommLink::hAnfordErr,
                              variableName(u".Print.anfordErr"_s)) ||
        !createRequiredHandle(*record, &CommLink::hAnfordErrText,
                              variableName(u".Print.anfordErrText"_s)) ||
        !createRequiredHandle(*record, &CommLink::hAnfordVar, record->anfordVar))
        return;
    // A request raised while there was no link would never be notified: serve it now.
    serveRequest(record);
    watchRequestFlag(*record);
}

void PlcConnection::terminateLinks()
{
    const Records previous = std::exchange(m_plcLinks, {});
    for (const auto &record : previous)
        record->terminate();
}

void PlcConnection::closeLink()
{
    m_link.closeLink();
}

// The station's variables live under its module name; the alternative family puts ".bAbl"
// in front of ".Print".
QString PlcConnection::variableName(const QString &suffix) const
{
    return m_controls.modulName + (m_settings.ablOnOff ? u".bAbl"_s : QString()) + suffix;
}

// A station that serves command lines reads a barcode where others read a lot name. The
// alternative family has no barcode variable and always reads the lot name.
QString PlcConnection::lotNameVariable() const
{
    if (!m_settings.ablOnOff && !m_settings.commandLine.isEmpty())
        return m_controls.modulName + u".Print.Barcode"_s;
    return variableName(u".Print.LosName"_s);
}

// Variables a station may lack: a missing one keeps its handle 0 and the request cycle uses
// a default for it. Text variables also get their length.
void PlcConnection::createOptionalHandles(CommLink &record)
{
    struct Optional {
        QString name;
        qint32 CommLink::*handle;
        qint32 CommLink::*length;
    };
    const Optional optional[] = {
        {lotNameVariable(), &CommLink::hLosName, &CommLink::lLosName},
        {variableName(u".Print.RAW"_s), &CommLink::hRAW, &CommLink::lRAW},
        {variableName(u".Print.EtikettenType"_s), &CommLink::hEtkTyp, nullptr},
        {variableName(u".Print.CmdLine"_s), &CommLink::hCmdLine, &CommLink::lCmdLine},
        {variableName(u".Print.TeileNr"_s), &CommLink::hTeileNr, nullptr},
        {variableName(u".Print.ResteKennung"_s), &CommLink::hRestKenn, nullptr},
        {variableName(u".Print.ResteLaenge"_s), &CommLink::hRestLen, nullptr},
        {variableName(u".Print.ResteProfil"_s), &CommLink::hRestProf, nullptr},
        {variableName(u".Print.ResteColor"_s), &CommLink::hRestColor, nullptr},
    };
    for (const Optional &variable : optional) {
        qint32 handle = 0;
        if (m_link.createHandle(variable.name, handle) != PlcStatus::Good)
            continue;
        record.*variable.handle = handle;
        if (variable.length)
            record.*variable.length = variableText(m_link, variable.name);
    }
}

// Variables without which no request can be answered: a missing one is reported and logged,
// and the link stays partial.
bool PlcConnection::createRequiredHandle(CommLink &record, qint32 CommLink::*field,
                                         const QString &name)
{
    qint32 handle = 0;
    const qint32 result = m_link.createHandle(name, handle);
    if (result != PlcStatus::Good) {
        m_controls.setCaption(PrintControls::Label::lblError,
                              failureText(u"Create VarHandle: "_s, name, result));
        m_log.writeLog(m_controls.caption(PrintControls::Label::lblError), false, true);
        return false;
    }
    record.*field = handle;
    return true;
}

void PlcConnection::watchRequestFlag(CommLink &record)
{
    qint32 hNotification = 0;
    const qint32 result = m_link.addNotification(record.anfordVar, PlcLink::kNotifyOnChange,
                                                 kNotifyCycleMs, hNotification, record.userTag());
    if (result == PlcStatus::Good)
        record.hConnectAnfordVar = hNotification;
    else
        m_controls.setCaption(PrintControls::Label::lblError,
                              failureText(u"Connect: "_s, record.anfordVar, result));
}

// The handler holds its own reference, so a reconnect during the request leaves the record
// it works on intact (released, its handles 0) until it returns.
void PlcConnection::serveRequest(std::shared_ptr<CommLink> record)
{
    if (m_requestHandler)
        m_requestHandler(*record);
}

// Date, blank, time, blank, the literal, the variable's name and the link's code behind it.
QString PlcConnection::failureText(const QString &literal, const QString &name, qint32 result) const
{
    return RegionalFormat::dateTime(QDateTime::currentDateTime()) + u' ' + literal + name +
           QString::number(result);
}

void PlcConnection::onVariableChanged(const QVariant &value, quint64 userTag)
{
    if (!value.toBool())
        return;
    for (const auto &record : m_plcLinks) {
        if (record->userTag() == userTag) {
            serveRequest(record);
            return;
        }
    }
}

void PlcConnection::onStateChanged(int state, int detail)
{
    Q_UNUSED(detail)
    if (state == PlcLink::kStateEstablished)
        connectPlc();
}
