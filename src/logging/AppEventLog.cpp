#include "AppEventLog.h"

#include "PrintControls.h"
#include "RegionalFormat.h"
#include "SyslogSocket.h"

namespace {
SyslogSocket::Severity severityOf(int evType)
{
    switch (evType) {
    case AppEventLog::Error:
        return SyslogSocket::Error;
    case AppEventLog::Warning:
        return SyslogSocket::Warning;
    default:
        return SyslogSocket::Info;
    }
}
} // namespace

AppEventLog::AppEventLog(SyslogSocket &socket, const PrintControls &controls)
    : m_socket(socket)
    , m_controls(controls)
{
}

QString AppEventLog::entryText(const QString &msg, const QString &modulName,
                               const QDateTime &moment)
{
    const QString program = QStringLiteral("Etikor");
    QString entry = QStringLiteral("<User>") + program + QStringLiteral("</User>  ") +
                    QStringLiteral("<Area>") + modulName + QStringLiteral("</Area>  ") +
                    QStringLiteral("<Msg>") + program + QStringLiteral(" / ") + modulName +
                    QStringLiteral(" / ") + msg + QStringLiteral("</Msg>  ") +
                    QStringLiteral("<Date>") + RegionalFormat::shortDate(moment.date()) +
                    QStringLiteral("</Date>  ") + QStringLiteral("<Time>") +
                    RegionalFormat::longTime(moment.time()) + QStringLiteral("</Time>  ");
    if (entry.size() > kMaxEntry)
        entry = entry.left(kMaxEntry) + QStringLiteral("...");
    return entry;
}

void AppEventLog::writeAppLogEvent(const QString &msg, int evType)
{
    const QString entry = entryText(msg, m_controls.modulName, QDateTime::currentDateTime());
    (void)m_socket.send(severityOf(evType), entry);
}

Failure AppEventLog::writeText(const QString &msg)
{
    return m_socket.send(SyslogSocket::Info, msg);
}
