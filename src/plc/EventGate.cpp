#include "EventGate.h"

#include <QTimer>

EventGate::Span::Span(EventGate &gate)
    : m_gate(gate)
{
    ++m_gate.m_depth;
}

EventGate::Span::~Span()
{
    if (--m_gate.m_depth == 0 && !m_gate.m_held.isEmpty() && !m_gate.m_scheduled) {
        m_gate.m_scheduled = true;
        QTimer::singleShot(0, &m_gate, &EventGate::release);
    }
}

void EventGate::post(std::function<void()> event)
{
    if (m_depth == 0 && m_held.isEmpty()) {
        event();
        return;
    }
    m_held.append(std::move(event));
}

// An event whose handler calls the link again stops the release: the span of that call
// schedules the rest when it ends.
void EventGate::release()
{
    m_scheduled = false;
    while (!m_held.isEmpty() && m_depth == 0)
        m_held.takeFirst()();
}
