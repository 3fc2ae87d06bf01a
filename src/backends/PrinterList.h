#pragma once

#include <QString>
#include <QStringList>

class PrintControls;

// The print queues the station can print to, from CUPS. libcups decides which server it asks
// (CUPS_SERVER, client.conf, else the local scheduler) and which destination is the default
// (the user's and the system's lpoptions, LPDEST, PRINTER, then the server's default), so the
// station behaves like lp and lpstat on the same machine. A server that cannot be reached
// gives no printers; nothing here reports a failure.
class PrinterList {
public:
    // Queue names in the order CUPS returns them (by name); an instance as "name/instance".
    static QStringList destinations();
    // The default destination in the same form; empty when there is none.
    static QString defaultDestination();
    // Replaces the main window's printer list with the destinations.
    static void loadPrinter(PrintControls &controls);
};
