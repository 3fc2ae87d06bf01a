#pragma once

#include "RequestCycle.h"

#include <QString>

class CommandOutput;
class Prompt;
struct AppSettings;
struct PrintRequest;

// The operator's test print from the menu entry "Testdruck": a command-line print of a typed
// barcode when the station prints by command line, else a lot print of a typed lot name and
// part number through the same lookup the PLC's lot requests use. Nothing is written to the
// PLC's request variables. The last entry is offered again by the next prompt.
class TestPrint {
public:
    struct Parts {
        const AppSettings &settings;
        PrintRequest &request;
        Prompt &prompt;
        CommandOutput &command;
        RequestCycle::LookupPrint lookupPrint;
    };

    explicit TestPrint(Parts parts);

    void run();
    QString remembered() const { return m_remembered; }

    // "L4711 12" gives the lot name and part number; a missing or non-numeric second piece
    // (two blanks make it empty) gives part number 0.
    static void splitLotEntry(const QString &entry, QString &losName, qint32 &teileNr);

private:
    QString ask(const QString &promptText);

    Parts m_parts;
    QString m_remembered;
};
