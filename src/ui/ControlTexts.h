#pragma once

#include "PrintControls.h"

#include <QString>

// The captions the operator sees on the main window's settings controls. The plants'
// operators know the window by these texts, so they stay exactly as the stations have always
// shown them, blanks included.
namespace ControlTexts {

struct BoxLabel {
    QString name;    // object name of the label widget; empty when the box has none
    QString caption; // its text
};

QString caption(PrintControls::CheckBox box);
// The label beside a text box. txtPrefix has none: chkPrefix's caption introduces it.
BoxLabel label(PrintControls::TextBox box);

} // namespace ControlTexts
