#pragma once

#include "Prompt.h"

class QWidget;

// The desktop program's prompts: real modal boxes and dialogs the operator answers.
class DesktopPrompt : public Prompt {
public:
    explicit DesktopPrompt(QWidget *parent = nullptr);

    Answer message(const QString &text, const QString &title = {}, Buttons buttons = Buttons::Ok,
                   bool systemModal = false) override;
    QString saveFileName(const QString &preset) override;
    std::optional<QString> input(const QString &prompt, const QString &title,
                                 const QString &defaultText) override;

    // The title of boxes that name none; until the station knows its own, the program name.
    void setApplicationTitle(const QString &title) { m_title = title; }

private:
    QWidget *m_parent;
    QString m_title;
};
