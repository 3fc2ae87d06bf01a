#include "MessageQueue.h"

#include "AppEventLog.h"
#include "Prompt.h"
#include "RegionalFormat.h"

#include <QDateTime>

const QString MessageQueue::kDefaultHelpFile = QStringLiteral("OrvaneAppl.chm");

MessageQueue::MessageQueue(AppEventLog &eventLog, QObject *parent)
    : QObject(parent)
    , m_eventLog(eventLog)
{
}

void MessageQueue::addMessage(int meldeArt, const QString &meldetext, const QString &bereich,
                              int dauer, bool flagMsgBox, const QString &helpFile,
                              const Failure &pending)
{
    QString text = meldetext;
    QString area = bereich;
    bool box = flagMsgBox;
    addMessage(meldeArt, text, area, dauer, box, helpFile, pending);
}

void MessageQueue::addMessage(int meldeArt, QString &meldetext, QString &bereich, int dauer,
                              bool &flagMsgBox, const QString &helpFile, const Failure &pending)
{
    LogDaten r;
    r.helpFile = helpFile.isEmpty() ? kDefaultHelpFile : helpFile;
    if (pending.pending()) {
        if (!pending.helpFile.isEmpty()) {
            r.helpFile = pending.helpFile;
            if (pending.helpContext != 0)
                r.helpContext = pending.helpContext;
        }
        if (meldeArt == 3) {
            if (bereich.isEmpty())
                bereich = pending.source;
            meldetext = QStringLiteral("Error: ") + bereich + u' ' +
                        QString::number(pending.number) + u' ' + meldetext;
        }
        reportToSystemLog(meldetext);
    } else if (bereich.isEmpty()) {
        bereich = m_applicationTitle;
    }
    if (meldeArt == 3)
        flagMsgBox = true;

    const QDateTime now = QDateTime::currentDateTime();
    r.uhrzeit = RegionalFormat::longTime(now.time());
    r.datum = RegionalFormat::shortDate(now.date());
    r.meldeArt = meldeArt;
    r.meldetext = meldetext;
    r.bereich = bereich;
    r.dauer = dauer;
    r.flagMsgBox = flagMsgBox;
    m_queue.append(r);
    Q_EMIT messageAdded(r);
}

void MessageQueue::reportToSystemLog(const QString &text)
{
    const Failure refused = m_eventLog.writeText(text);
    if (refused.pending() && m_prompt)
        m_prompt->message(QStringLiteral("Application eventlogger overflow !   \r\n") +
                              refused.description,
                          m_applicationTitle, Prompt::Buttons::Ok, true);
}

void MessageQueue::takeFirst()
{
    if (!m_queue.isEmpty())
        m_queue.removeFirst();
}

void MessageQueue::clear()
{
    m_queue.clear();
}

int MessageQueue::trimTo(int max)
{
    const int dropped = int(qMax<qsizetype>(0, m_queue.size() - max));
    m_queue.remove(0, dropped);
    return dropped;
}
