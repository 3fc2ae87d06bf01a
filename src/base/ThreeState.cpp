#include "ThreeState.h"

namespace ThreeState {

bool isThreeState(PrintControls::CheckBox box)
{
    using C = PrintControls::CheckBox;
    return box == C::chkCADPrint || box == C::chkWinPrint || box == C::chkCadRest ||
           box == C::chkPrintRAW;
}

int *field(PrintControls::CheckBox box, AppSettings &settings)
{
    using C = PrintControls::CheckBox;
    switch (box) {
    case C::chkCADPrint:
        return &settings.cadPrint;
    case C::chkWinPrint:
        return &settings.winCadPrint;
    case C::chkCadRest:
        return &settings.cadPrintRest;
    case C::chkPrintRAW:
        return &settings.printRaw;
    default:
        return nullptr;
    }
}

void press(PrintControls::CheckBox box, AppSettings &settings, PrintControls &controls)
{
    int *f = field(box, settings);
    if (!f)
        return;
    *f = *f < 2 ? *f + 1 : 0;
    controls.setCheck(box, *f);
}

} // namespace ThreeState
