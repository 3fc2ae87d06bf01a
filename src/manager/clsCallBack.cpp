#include "clsCallBack.h"

#include "clscallbackadaptor.h"

#include <QTimer>

clsCallBack::clsCallBack(Actions actions, QObject *parent)
    : QObject(parent)
    , m_actions(std::move(actions))
{
    new ClsCallBackAdaptor(this);
}

void clsCallBack::serverStart()
{
    later(m_actions.start);
}

void clsCallBack::serverStop()
{
    later(m_actions.stop);
}

void clsCallBack::later(const std::function<void()> &action)
{
    if (action)
        QTimer::singleShot(0, this, action);
}
