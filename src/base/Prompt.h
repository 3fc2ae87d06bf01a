#pragma once

#include <QString>
#include <optional>

// Every modal question the station may ask goes through this service. The desktop program
// shows a real box; the service answers at once with the default button after reporting the
// text, so nothing ever waits for a click that cannot come.
class Prompt {
public:
    enum class Buttons { Ok, OkCancel };
    enum class Answer { Ok, Cancel };

    virtual ~Prompt() = default;
    // title empty: the application title. systemModal: the box must stay above everything.
    virtual Answer message(const QString &text, const QString &title = {},
                           Buttons buttons = Buttons::Ok, bool systemModal = false) = 0;
    // A file name for "Save As", preset with the current one; cancelling returns the preset.
    virtual QString saveFileName(const QString &preset) = 0;
    // A line of text; no value when cancelled.
    virtual std::optional<QString> input(const QString &prompt, const QString &title,
                                         const QString &defaultText) = 0;
};
