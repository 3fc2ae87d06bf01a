#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM and SIGINT into a Qt signal on the event loop, so a service stop runs the
// station's shutdown sequence like any other event.
class UnixSignals : public QObject {
    Q_OBJECT
public:
    explicit UnixSignals(QObject *parent = nullptr);
    ~UnixSignals() override;

Q_SIGNALS:
    void terminateRequested();

private:
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
};
