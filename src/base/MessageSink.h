#pragma once

#include "Failure.h"

#include <QString>

// Receives the operator messages of the station (kind 1: log entry, kind 3: failure). The
// message queue of the logging library is the real receiver; start-up code and the registry
// only see this interface.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void addMessage(int meldeArt, const QString &meldetext, const QString &bereich,
                            int dauer, bool flagMsgBox, const QString &helpFile,
                            const Failure &pending = {}) = 0;
};
