#pragma once

#include <QList>
#include <QObject>
#include <functional>

// Holds back the events a PLC link raises while one of its operations runs, and lets them
// out from the event loop once the outermost operation has returned, in the order they
// arose. A station that reacts to an event by calling the link again then never finds
// itself inside a call it had not finished.
class EventGate : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Marks the span of one operation; spans nest.
    class Span {
    public:
        explicit Span(EventGate &gate);
        ~Span();
        Span(const Span &) = delete;
        Span &operator=(const Span &) = delete;

    private:
        EventGate &m_gate;
    };

    bool inside() const { return m_depth > 0; }
    // Runs event now, or later when an operation runs or earlier events still wait.
    void post(std::function<void()> event);

private:
    void release();

    int m_depth = 0;
    bool m_scheduled = false;
    QList<std::function<void()>> m_held;
};
