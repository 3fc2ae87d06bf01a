#pragma once

#include "Prompt.h"

class LogWriter;

// The service has no screen: a question is written to the communication log (and with it to
// the operator's queue and the system log) and answered at once with its default button, so
// the station never waits for a click that cannot come.
class ServicePrompt : public Prompt {
public:
    explicit ServicePrompt(LogWriter &log);

    Answer message(const QString &text, const QString &title, Buttons buttons,
                   bool systemModal) override;
    QString saveFileName(const QString &preset) override;
    std::optional<QString> input(const QString &prompt, const QString &title,
                                 const QString &defaultText) override;

private:
    LogWriter &m_log;
};
