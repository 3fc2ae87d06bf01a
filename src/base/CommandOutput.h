#pragma once

#include <QString>

// The command-line output: runs the configured command with the request's command text and
// waits for it, serving events meanwhile. 0 on success, else the recorded error code.
class CommandOutput {
public:
    virtual ~CommandOutput() = default;
    virtual qint32 callCommand(const QString &var) = 0;
};
