#pragma once

#include "AppSettings.h"
#include "PrintControls.h"

// The four three-state boxes are bound to settings fields: a press on the box advances the
// field 0, 1, 2, 0 at once -- in or out of edit mode, without a save -- and the box shows
// the field, never a toggle of its own.
namespace ThreeState {
// True for chkCADPrint, chkWinPrint, chkCadRest and chkPrintRAW.
bool isThreeState(PrintControls::CheckBox box);
// The settings field a three-state box is bound to; nullptr for other boxes.
int *field(PrintControls::CheckBox box, AppSettings &settings);
// Mouse button pressed on the box (any button).
void press(PrintControls::CheckBox box, AppSettings &settings, PrintControls &controls);
} // namespace ThreeState
