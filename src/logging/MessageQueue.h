#pragma once

#include "LogDaten.h"
#include "MessageSink.h"

#include <QList>
#include <QObject>

class AppEventLog;
class Prompt;

// The operator's message queue msgQueue: every message the station wants a person to see,
// oldest first. The message window shows and removes the first record; without a window the
// queue is trimmed to its newest records.
class MessageQueue : public QObject, public MessageSink {
    Q_OBJECT
public:
    // The most records the queue keeps once the window or the service trims it.
    static constexpr int kKept = 20;

    explicit MessageQueue(AppEventLog &eventLog, QObject *parent = nullptr);

    // A failure passed in as pending carries its help reference into the record; for kind
    // 3 it also names the area and prefixes the text, and the text goes to the system log.
    void addMessage(int meldeArt, const QString &meldetext, const QString &bereich, int dauer,
                    bool flagMsgBox, const QString &helpFile, const Failure &pending = {}) override;
    // The same, handing the area and text as they were made back to the caller.
    void addMessage(int meldeArt, QString &meldetext, QString &bereich, int dauer, bool &flagMsgBox,
                    const QString &helpFile, const Failure &pending);

    // The area of messages that name none, and the title of the overflow box.
    void setApplicationTitle(const QString &title) { m_applicationTitle = title; }
    // Where a refused system-log write is reported; none: it is not reported.
    void setOverflowPrompt(Prompt *prompt) { m_prompt = prompt; }

    const QList<LogDaten> &msgQueue() const { return m_queue; }
    bool isEmpty() const { return m_queue.isEmpty(); }
    qsizetype size() const { return m_queue.size(); }
    void takeFirst();
    void clear();
    // Drops the oldest records until at most max remain; the number dropped.
    int trimTo(int max);

    static const QString kDefaultHelpFile;

Q_SIGNALS:
    // A record was appended. The message window's feeder starts on the first one.
    void messageAdded(const LogDaten &record);

private:
    void reportToSystemLog(const QString &text);

    AppEventLog &m_eventLog;
    Prompt *m_prompt = nullptr;
    QList<LogDaten> m_queue;
    // The program's own title until the station names its module.
    QString m_applicationTitle = QStringLiteral("Etikor");
};
