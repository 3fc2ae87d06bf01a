#pragma once

#include "Prompt.h"

class MessageSink;

// The service has no screen: a question is reported as an operator message and answered at
// once with its default button, so the station never waits for a click that cannot come.
class ServicePrompt : public Prompt {
public:
    explicit ServicePrompt(MessageSink &sink);

    Answer message(const QString &text, const QString &title, Buttons buttons,
                   bool systemModal) override;
    QString saveFileName(const QString &preset) override;
    std::optional<QString> input(const QString &prompt, const QString &title,
                                 const QString &defaultText) override;

private:
    MessageSink &m_sink;
};
