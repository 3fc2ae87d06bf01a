#include "ServicePrompt.h"

#include "LogWriter.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcPrompt, "etikor.startup.prompt")

ServicePrompt::ServicePrompt(LogWriter &log)
    : m_log(log)
{
}

Prompt::Answer ServicePrompt::message(const QString &text, const QString &, Buttons, bool)
{
    qCDebug(lcPrompt).noquote() << text;
    m_log.writeLog(text, false, true);
    return Answer::Ok;
}

QString ServicePrompt::saveFileName(const QString &preset)
{
    return preset;
}

std::optional<QString> ServicePrompt::input(const QString &, const QString &, const QString &)
{
    return std::nullopt;
}
