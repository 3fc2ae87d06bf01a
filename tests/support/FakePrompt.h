#pragma once

#include "Prompt.h"

#include <QStringList>

// Records every message and answers with what the test prepared.
class FakePrompt : public Prompt {
public:
    QStringList messages;
    QString nextFileName; // empty: the dialog is cancelled and returns the preset

    Answer message(const QString &text, const QString &, Buttons, bool) override
    {
        messages.append(text);
        return Answer::Ok;
    }
    QString saveFileName(const QString &preset) override
    {
        return nextFileName.isEmpty() ? preset : nextFileName;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
};
