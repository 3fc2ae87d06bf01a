#pragma once

#include "AttentionCycle.h"
#include "HelpLauncher.h"
#include "MessageFeeder.h"
#include "MessagePresenter.h"
#include "MessageWindow.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

struct LogDaten;
class MessageQueue;
class Prompt;

// Shows the operator's queued messages one at a time, oldest first, and keeps drawing
// attention until each is answered. Owns the feeder that asks for the next message, the
// message window while one is open (a fresh one per message), and what must outlive it:
// the help file on display, when it was last shown, whether OK flashes, the blink rhythm.
class MessageDisplay : public QObject, public MessagePresenter {
    Q_OBJECT
public:
    // Monotonic milliseconds; wall-clock time would jump at midnight and with the clock.
    using Clock = std::function<qint64()>;
    // The standard box of messages with an old-style help reference; true for OK.
    using StandardBox = std::function<bool(const LogDaten &record)>;

    static constexpr int kAttentionInterval = 1000;
    // A message ignored this long takes the focus and makes OK flash.
    static constexpr qint64 kIgnoredMs = 10000;

    // appFolder: where relative help files are found. clock and box: none for the real ones.
    MessageDisplay(MessageQueue &queue, Prompt &prompt, const QString &appFolder, Clock clock = {},
                   StandardBox box = {}, QObject *parent = nullptr);
    ~MessageDisplay() override;

    MessageFeeder &feeder() { return m_feeder; }

    // The first queued message, unless the window shows one already.
    void showNextMessage() override;
    // Shows the filled window without taking the focus.
    void formRefresh();
    // Closes and discards the window; the queue stays as it is.
    void closeMessage();
    // tmrMsgBox: icon and OK colour, the counter line, the focus after being ignored, and
    // the trim of a queue that grows faster than the operator answers.
    void attentionTick();

    // A record whose help reference is for the standard box rather than the window.
    static bool usesStandardBox(const LogDaten &record);
    // "*********     !!    2 Messages     !!     *********"
    static QString counterText(qsizetype count);

    MessageWindow *window() const { return m_window; }
    bool attentionRunning() const { return m_tmrMsgBox.isActive(); }
    QString msgHelpFile() const { return m_msgHelpFile; }
    bool blinkOk() const { return m_blinkOk; }

private:
    void createWindow();
    void discardWindow();
    void fillWindow(const LogDaten &record);
    void askStandardBox(const LogDaten &record);
    void onActivated();
    void okClick();
    void cancelClick();
    void deleteClick();
    void helpClick();
    bool ignoredTooLong() const;

    MessageQueue &m_queue;
    HelpLauncher m_help;
    Clock m_clock;
    StandardBox m_box;
    MessageFeeder m_feeder;
    QPointer<MessageWindow> m_window;
    QTimer m_tmrMsgBox;
    AttentionCycle m_cycle;
    QString m_msgHelpFile;
    qint64 m_shownAt = 0;
    bool m_blinkOk = false;
};
