#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

// Answers the next modal dialog from inside its event loop, as an operator would: waits
// until a modal widget is up, then hands it to the answer. Keeps the widget it saw so the
// test can look at it afterwards (while it still exists).
class ModalAnswer : public QObject {
public:
    explicit ModalAnswer(std::function<void(QWidget *)> answer)
        : m_answer(std::move(answer)) {
        m_poll.setInterval(10);
        connect(&m_poll, &QTimer::timeout, this, &ModalAnswer::poll);
        m_poll.start();
    }

    bool answered() const { return m_answered; }

private:
    void poll() {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        m_poll.stop();
        m_answered = true;
        m_answer(modal);
    }

    std::function<void(QWidget *)> m_answer;
    QTimer m_poll;
    bool m_answered = false;
};
