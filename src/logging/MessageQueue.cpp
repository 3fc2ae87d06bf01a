#include "MessageQueue.h"

#include <QDateTime>
#include <QLocale>

const QString MessageQueue::kDefaultHelpFile = QStringLiteral("OrvaneAppl.chm");

MessageQueue::MessageQueue(QObject *parent)
    : QObject(parent)
{
}

void MessageQueue::addMessage(int meldeArt, const QString &meldetext, const QString &bereich,
                              int dauer, bool flagMsgBox, const QString &helpFile,
                              const Failure &pending)
{
    LogDaten r;
    r.meldeArt = meldeArt;
    r.meldetext = meldetext;
    r.bereich = bereich;
    r.dauer = dauer;
    r.flagMsgBox = flagMsgBox || meldeArt == 3;
    r.helpFile = helpFile.isEmpty() ? kDefaultHelpFile : helpFile;
    if (pending.pending()) {
        if (!pending.helpFile.isEmpty()) {
            r.helpFile = pending.helpFile;
            if (pending.helpContext != 0)
                r.helpContext = pending.helpContext;
        }
        if (meldeArt == 3) {
            if (r.bereich.isEmpty())
                r.bereich = pending.source;
            r.meldetext = QStringLiteral("Error: ") + r.bereich + u' ' +
                          QString::number(pending.number) + u' ' + r.meldetext;
        }
    } else if (r.bereich.isEmpty()) {
        r.bereich = m_applicationTitle;
    }
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    r.datum = locale.toString(now.date(), QLocale::ShortFormat);
    r.uhrzeit = locale.toString(now.time(), QLocale::LongFormat);
    m_queue.append(r);
    Q_EMIT messageAdded(r);
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
