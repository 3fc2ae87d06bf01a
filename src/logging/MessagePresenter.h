#pragma once

// Shows queued operator messages: the desktop's message window. The feeder asks it to show
// the first record whenever its timer runs.
class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    virtual void showNextMessage() = 0;
};
