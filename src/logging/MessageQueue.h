#pragma once

#include "LogDaten.h"
#include "MessageSink.h"

#include <QList>
#include <QObject>

// The operator's message queue: every message the station wants a person to see, oldest
// first. The message window shows and removes the first record.
class MessageQueue : public QObject, public MessageSink {
    Q_OBJECT
public:
    explicit MessageQueue(QObject *parent = nullptr);

    void addMessage(int meldeArt, const QString &meldetext, const QString &bereich, int dauer,
                    bool flagMsgBox, const QString &helpFile, const Failure &pending = {}) override;

    // The area of messages that name none.
    void setApplicationTitle(const QString &title) { m_applicationTitle = title; }

    const QList<LogDaten> &msgQueue() const { return m_queue; }
    void takeFirst();
    void clear();

    static const QString kDefaultHelpFile;

Q_SIGNALS:
    void messageAdded(const LogDaten &record);

private:
    QList<LogDaten> m_queue;
    QString m_applicationTitle;
};
