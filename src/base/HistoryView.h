#pragma once

#include <QString>
#include <optional>

// The history box rtfComm as the communication log drives it: it shows the content of the
// log file. The desktop window provides it; the service has none.
class HistoryView {
public:
    virtual ~HistoryView() = default;
    // Shows the box with the file's current content; the system's description when the file
    // cannot be read, and the box is then left as it was.
    virtual std::optional<QString> showLog(const QString &path) = 0;
    // Loads the file's content without showing the box (start-up); a file that cannot be
    // read leaves the box empty.
    virtual void loadLog(const QString &path) = 0;
    virtual void hideHistory() = 0;
};
