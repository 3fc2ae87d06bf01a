#pragma once

#include "MessageSink.h"

#include <QList>

// Keeps every operator message it is handed, with the failure that came along.
class RecordingSink : public MessageSink {
public:
    struct Message {
        int meldeArt = 0;
        QString meldetext;
        QString bereich;
        bool flagMsgBox = false;
        Failure pending;
    };
    QList<Message> messages;

    void addMessage(int meldeArt, const QString &meldetext, const QString &bereich, int,
                    bool flagMsgBox, const QString &, const Failure &pending) override
    {
        messages.append({meldeArt, meldetext, bereich, flagMsgBox, pending});
    }
};
