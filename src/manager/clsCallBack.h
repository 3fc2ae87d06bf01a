#pragma once

#include <QObject>
#include <functional>

// The object a station hands the server manager: the manager brings the station's window up,
// stops the station, or asks it to restart. Each call is answered before anything happens,
// so a manager that waits for the answer is never caught in the station's shutdown, which
// calls the manager itself.
class clsCallBack : public QObject {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> start; // brings the window up; none for a station without one
        std::function<void()> stop;  // the station's normal shutdown
    };

    explicit clsCallBack(Actions actions, QObject *parent = nullptr);

    void serverStart();
    void serverStop();
    // A station restarts by being stopped and started; the call is accepted and ignored.
    void serverRestart() {}

private:
    void later(const std::function<void()> &action);

    Actions m_actions;
};
