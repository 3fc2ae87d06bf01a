#pragma once

#include <QString>

// The history box rtfComm as the communication log drives it. The desktop window provides
// it; the service has none.
class HistoryView {
public:
    virtual ~HistoryView() = default;
    // Replaces the content and shows the box.
    virtual void showHistory(const QString &content) = 0;
    // Replaces the content without changing whether the box shows.
    virtual void setHistoryText(const QString &content) = 0;
    virtual void hideHistory() = 0;
};
