#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Where the configuration takes the installed printers and the system default printer from.
// The station uses the print system's queues; tests hand in fixed lists.
struct PrinterSource {
    std::function<QStringList()> list;
    std::function<QString()> defaultPrinter;

    static PrinterSource system();
};
