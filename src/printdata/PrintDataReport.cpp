#include "PrintDataReport.h"

#include "LogWriter.h"
#include "PrintControls.h"
#include "RegionalFormat.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

PrintDataReport::PrintDataReport(PrintControls &controls, LogWriter &log)
    : m_controls(controls)
    , m_log(log)
{
}

void PrintDataReport::report(const QString &message, bool msgBox)
{
    log(stamped(message), msgBox);
}

void PrintDataReport::show(const QString &message)
{
    m_controls.setCaption(PrintControls::Label::lblError, stamped(message));
}

void PrintDataReport::log(const QString &caption, bool msgBox)
{
    m_controls.setCaption(PrintControls::Label::lblError, caption);
    m_log.writeLog(caption, false, msgBox);
}

void PrintDataReport::openDatabaseFailed(const Failure &failure)
{
    report(u"Error open Database hex("_s + hex(failure.number) + u"): "_s + failure.description);
}

void PrintDataReport::recordsetFailed(const Failure &failure, const QString &queryText)
{
    report(u"Error open Recordset hex("_s + hex(failure.number) + u"): "_s + failure.description +
           u"\r\n"_s + queryText);
}

void PrintDataReport::transferFailed(const Failure &failure)
{
    report(failure.pending() ? u"Write Query: "_s + failure.description : u"Write Query"_s);
}

void PrintDataReport::noRecordsFound(const QString &filter)
{
    show(u"Write Query: No Records found ! \r\n<"_s + filter + u'>');
}

void PrintDataReport::controlCharacterNull(const QString &variable, const QString &scanned)
{
    report(u"Control character is Null ! Var:"_s + variable + u" Scan:"_s + scanned);
}

void PrintDataReport::handleFailed(const QString &variable, qint32 code)
{
    report(u"Create VarHandle: "_s + variable + QString::number(code));
}

QString PrintDataReport::stamped(const QString &message)
{
    return RegionalFormat::dateTime(QDateTime::currentDateTime()) + u' ' + message;
}

QString PrintDataReport::hex(qint32 number)
{
    return QString::number(static_cast<quint32>(number), 16).toUpper();
}
