#pragma once

#include <QObject>
#include <QTimer>

class MessagePresenter;
class MessageQueue;

// The hidden timer form frmTimer: from the first queued message on, it hands the queue to
// the message window every 300 ms. A pause (the window's Cancel) makes it wait 10 s once.
class MessageFeeder : public QObject {
    Q_OBJECT
public:
    static constexpr int kInterval = 300;
    static constexpr int kPause = 10000;

    MessageFeeder(MessageQueue &queue, MessagePresenter &presenter, QObject *parent = nullptr);

    // msgPause: set by Cancel, cleared when the pause has started or a message shows.
    void setPause(bool on) { m_pause = on; }
    bool paused() const { return m_pause; }

    bool isRunning() const { return m_timer.isActive(); }
    int interval() const { return m_timer.interval(); }

    // tmrShowMsg: stop, show or pause, start again.
    void tick();
    // The shutdown drops the queue; nothing is shown after it.
    void stop();

private:
    void load();

    MessageQueue &m_queue;
    MessagePresenter &m_presenter;
    QTimer m_timer;
    bool m_pause = false;
    bool m_stopped = false;
};
