#include "MessageDisplay.h"

#include "LogDaten.h"
#include "MessageQueue.h"
#include "MessageWindow.h"

#include <QMessageBox>
#include <chrono>

namespace {
qint64 steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The box a message with an old-style help reference gets: OK, Cancel and Help. Help opens
// the help file and leaves the box waiting for OK or Cancel.
bool showStandardBox(const LogDaten &record, const HelpLauncher &help)
{
    QMessageBox box;
    box.setObjectName(QStringLiteral("standardMessageBox"));
    box.setWindowTitle(record.bereich);
    box.setText(record.meldetext);
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Help);
    box.setDefaultButton(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    for (;;) {
        const int answer = box.exec();
        if (answer != QMessageBox::Help)
            return answer == QMessageBox::Ok;
        help.open(HelpLauncher::fileOf(record.helpFile));
    }
}
} // namespace

MessageDisplay::MessageDisplay(MessageQueue &queue, Prompt &prompt, const QString &appFolder,
                               Clock clock, StandardBox box, QObject *parent)
    : QObject(parent)
    , m_queue(queue)
    , m_help(prompt, appFolder)
    , m_clock(clock ? std::move(clock) : Clock(steadyMilliseconds))
    , m_box(std::move(box))
    , m_feeder(queue, *this)
{
    if (!m_box)
        m_box = [this](const LogDaten &record) {
            return showStandardBox(record, m_help);
        };
    m_tmrMsgBox.setInterval(kAttentionInterval);
    connect(&m_tmrMsgBox, &QTimer::timeout, this, &MessageDisplay::attentionTick);
    m_shownAt = m_clock();
}

MessageDisplay::~MessageDisplay()
{
    delete m_window;
}

bool MessageDisplay::usesStandardBox(const LogDaten &record)
{
    const QString kind = record.helpContext == 0 ? QString() : record.helpFile.right(3).toUpper();
    return kind == QStringLiteral("HLP");
}

QString MessageDisplay::counterText(qsizetype count)
{
    return QStringLiteral("*********     !!    ") + QString::number(count) +
           QStringLiteral(" Messages     !!     *********");
}

void MessageDisplay::showNextMessage()
{
    if (m_queue.isEmpty())
        return;
    const LogDaten record = m_queue.msgQueue().first();
    if (!m_window)
        createWindow();
    if (m_window->isVisible())
        return; // the message waits until the one on display is answered
    m_feeder.setPause(false);
    if (usesStandardBox(record)) {
        askStandardBox(record);
        return;
    }
    discardWindow();
    createWindow();
    fillWindow(record);
    formRefresh();
}

void MessageDisplay::fillWindow(const LogDaten &record)
{
    m_msgHelpFile = record.helpFile;
    m_window->setMessage(record.datum, record.uhrzeit, record.meldetext, record.bereich);
    m_window->setHelpVisible(!m_msgHelpFile.isEmpty());
}

void MessageDisplay::askStandardBox(const LogDaten &record)
{
    if (m_box(record))
        m_queue.takeFirst();
    else
        m_feeder.setPause(true);
}

void MessageDisplay::formRefresh()
{
    if (!m_window)
        return;
    m_shownAt = m_clock();
    m_window->setTrafficLight(QStringLiteral("Green"));
    if (m_queue.size() > 1)
        m_window->setCounterText(counterText(m_queue.size()));
    m_window->showNotTopmost();
}

void MessageDisplay::closeMessage()
{
    discardWindow();
}

void MessageDisplay::attentionTick()
{
    if (!m_window)
        return;
    const AttentionCycle::Phase phase = m_cycle.advance();
    m_window->setTrafficLight(phase.icon);
    if (m_blinkOk)
        m_window->setOkColour(phase.colour);
    if (ignoredTooLong()) {
        m_window->raise();
        m_window->activateWindow();
        m_shownAt = m_clock();
        m_blinkOk = true;
    }
    if (m_queue.size() > 1) {
        const bool shown = AttentionCycle::counterShown(m_cycle.step());
        m_window->setCounterText(shown ? counterText(m_queue.size()) : QString());
    }
    if (m_queue.size() > MessageQueue::kKept) {
        // The message on display is among the oldest; the next feeder tick shows the
        // first one kept.
        m_queue.trimTo(MessageQueue::kKept);
        closeMessage();
    }
}

bool MessageDisplay::ignoredTooLong() const
{
    return m_clock() - m_shownAt > kIgnoredMs;
}

void MessageDisplay::createWindow()
{
    m_window = new MessageWindow; // starts with the green light
    m_feeder.setPause(false);
    connect(m_window, &MessageWindow::okClicked, this, &MessageDisplay::okClick);
    connect(m_window, &MessageWindow::cancelClicked, this, &MessageDisplay::cancelClick);
    connect(m_window, &MessageWindow::deleteChosen, this, &MessageDisplay::deleteClick);
    connect(m_window, &MessageWindow::helpClicked, this, &MessageDisplay::helpClick);
    connect(m_window, &MessageWindow::dismissed, this, &MessageDisplay::closeMessage);
    connect(m_window, &MessageWindow::activated, this, &MessageDisplay::onActivated);
    m_tmrMsgBox.start();
}

void MessageDisplay::discardWindow()
{
    m_tmrMsgBox.stop();
    if (!m_window)
        return;
    MessageWindow *old = m_window;
    m_window = nullptr;
    old->disconnect(this);
    old->hide();
    // The window may be in the middle of delivering the click that closes it.
    old->deleteLater();
}

void MessageDisplay::onActivated()
{
    m_window->setHelpVisible(!m_msgHelpFile.isEmpty());
    m_feeder.setPause(false);
}

void MessageDisplay::okClick()
{
    m_queue.takeFirst();
    closeMessage();
}

void MessageDisplay::cancelClick()
{
    m_feeder.setPause(true);
    closeMessage();
}

void MessageDisplay::deleteClick()
{
    m_queue.clear();
    closeMessage();
}

void MessageDisplay::helpClick()
{
    m_window->showNotTopmost();
    m_help.help(m_msgHelpFile);
}
