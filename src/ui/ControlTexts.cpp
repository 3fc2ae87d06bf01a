#include "ControlTexts.h"

namespace ControlTexts {

QString caption(PrintControls::CheckBox box)
{
    using C = PrintControls::CheckBox;
    switch (box) {
    case C::chkModulname:
        return QStringLiteral("bAbl Structure On/Off");
    case C::chkLabelshop:
        return QStringLiteral("Labelshop");
    case C::chkCADPrint:
        return QStringLiteral("CAD Print");
    case C::chkWinPrint:
        return QStringLiteral("CAD Win Print");
    case C::chkCadRest:
        return QStringLiteral("Print Restlabel");
    case C::chkFit:
        return QStringLiteral("CAD Print to Fit");
    case C::chkPaperOrientation:
        return QStringLiteral("Portrait / Landscape");
    case C::chkDialog:
        return QStringLiteral("Druckdialog");
    case C::chkCommand:
        return QStringLiteral("Command-Line");
    case C::chkPrintRAW:
        return QStringLiteral("Print RAW Data");
    case C::chkAddCrLf:
        return QStringLiteral("RAW add CrLf");
    case C::chkPrefix:
        return QStringLiteral("Prefix On/Off    Prefixdaten:");
    case C::chkSonderzeichen:
        return QStringLiteral("$ Sonderz. Ein/Aus");
    case C::chkUTF8:
        return QStringLiteral("UTF8 Codierung On/Off");
    case C::chkChina:
        return QStringLiteral("China Codierung On/Off");
    case C::chkWriteDruck:
        return QStringLiteral("Write Printdata");
    case C::chkHistory:
        return QStringLiteral("History");
    case C::chkRefresh:
        return QStringLiteral("Refresh");
    }
    return {};
}

BoxLabel label(PrintControls::TextBox box)
{
    using T = PrintControls::TextBox;
    switch (box) {
    case T::txtServer:
        return {QStringLiteral("lblPath"), QStringLiteral("Druck-Datenbank Path:")};
    case T::txtNetId:
        return {QStringLiteral("lblNetid"), QStringLiteral("Tessel NetId:")};
    case T::txtPort:
        return {QStringLiteral("lblPort"), QStringLiteral("Port:")};
    case T::txtModulname:
        return {QStringLiteral("lblModulname"), QStringLiteral("Modulname:")};
    case T::txtLabelshopPath:
        return {QStringLiteral("lblLabelshopPath"), QStringLiteral("Labelshop Path:")};
    case T::txtDeleteDelay:
        return {QStringLiteral("lblDelDelay"), QStringLiteral("Autom. Löschen (Tage):")};
    case T::txtEtkPath:
        return {QStringLiteral("lblEtkPath"), QStringLiteral("CAD Picture Path:")};
    case T::txtCADExtension:
        return {QStringLiteral("lblCADExtension"), QStringLiteral("CAD Extension:")};
    case T::txtCommand:
        return {QStringLiteral("lblCommand"), QStringLiteral("Command-Line")};
    case T::txtPrefix:
        return {};
    case T::txtCodierung:
        return {QStringLiteral("lblCodierung"), QStringLiteral("Codierung:")};
    }
    return {};
}

} // namespace ControlTexts
