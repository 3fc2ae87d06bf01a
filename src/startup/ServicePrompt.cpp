#include "ServicePrompt.h"

#include "MessageSink.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcPrompt, "etikor.startup.prompt")

ServicePrompt::ServicePrompt(MessageSink &sink)
    : m_sink(sink)
{
}

Prompt::Answer ServicePrompt::message(const QString &text, const QString &title, Buttons, bool)
{
    qCWarning(lcPrompt).noquote() << text;
    m_sink.addMessage(1, text, title, 0, false, QString());
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
