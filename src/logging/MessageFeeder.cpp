#include "MessageFeeder.h"

#include "MessagePresenter.h"
#include "MessageQueue.h"

MessageFeeder::MessageFeeder(MessageQueue &queue, MessagePresenter &presenter, QObject *parent)
    : QObject(parent)
    , m_queue(queue)
    , m_presenter(presenter)
{
    m_timer.setSingleShot(false);
    m_timer.setInterval(kInterval);
    connect(&m_timer, &QTimer::timeout, this, &MessageFeeder::tick);
    connect(&m_queue, &MessageQueue::messageAdded, this, &MessageFeeder::load);
}

void MessageFeeder::load()
{
    if (!m_stopped && !m_timer.isActive())
        m_timer.start(kInterval);
}

void MessageFeeder::tick()
{
    m_timer.stop();
    if (m_stopped)
        return;
    if (!m_pause) {
        // A standard message box that waits for the operator runs inside this call; the
        // stopped timer keeps a second one from stacking on it.
        m_presenter.showNextMessage();
        if (!m_stopped)
            m_timer.start(kInterval);
    } else {
        m_timer.start(kPause);
        m_pause = false;
    }
}

void MessageFeeder::stop()
{
    m_stopped = true;
    m_timer.stop();
}
