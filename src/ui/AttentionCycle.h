#pragma once

#include <QColor>
#include <QString>

// The three phases the message window runs through once a second to draw the operator's
// eye: its traffic-light icon and the colour the OK button flashes in. The step outlives the
// window, so the rhythm carries on from one message to the next.
class AttentionCycle {
public:
    struct Phase {
        QString icon; // "Green", "Yellow" or "Red"
        QColor colour;
    };

    // The phase of the current step; the step then moves on (0, 1, 2, 0, …).
    Phase advance();
    int step() const { return m_step; }

    // The counter line blinks with the icon: hidden on the middle step only.
    static bool counterShown(int step) { return step != 1; }
    // A colour stored the Windows way: the lowest byte red, then green, then blue.
    static QColor fromColorRef(quint32 value);

private:
    int m_step = 0;
};
