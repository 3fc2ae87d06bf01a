#pragma once

#include "CadPrint.h"
#include "CommandRunner.h"
#include "DruckdatenTransfer.h"
#include "LabelPrint.h"
#include "LabelPrinter.h"
#include "PrintDataServices.h"
#include "PrintLookup.h"
#include "PrintRequest.h"
#include "QueryTransfer.h"
#include "RawPrinter.h"
#include "RequestCycle.h"
#include "StationDrawingViewer.h"
#include "TestPrint.h"

class OptionStore;
class PlcConnection;

// What serves the station's print requests: the request record, the RAW and command-line
// outputs, the print-data lookup with its transfers, the request cycle behind the PLC's flag
// and the operator's test print. Built once the prompt service exists, which the RAW output
// needs for an unknown printer name; it hands the request cycle to the variable link.
class PrintServices {
public:
    struct Parts {
        AppSettings &settings;
        PrintControls &controls;
        LogWriter &log;
        Prompt &prompt;
        PlcLink &plc;
        PlcConnection &connection;
        OptionStore &options;
        // The label images' cleanup, run whenever the label program (re)starts.
        std::function<void()> cleanLabelImages;
        // The drawing images' cleanup, run whenever the drawing output (re)starts.
        std::function<void()> cleanCadImages;
        // The program's folder: the drawing output's fallback images lie there.
        QString programFolder;
    };

    explicit PrintServices(Parts parts);
    ~PrintServices();
    PrintServices(const PrintServices &) = delete;
    PrintServices &operator=(const PrintServices &) = delete;

    void testPrint() { m_testPrint.run(); }
    // The desktop's printer set-up before a drawing prints ("Druckdialog"); the service has
    // none. Takes effect when the drawing output next starts.
    void setDrawingSetupDialog(StationDrawingViewer::SetupDialog dialog)
    {
        m_drawingSetupDialog = std::move(dialog);
    }
    // Every label printed, as a picture for the desktop's preview.
    void setLabelPreview(std::function<void(const QImage &label)> show);
    // The outputs' restart after the configuration changed, or their end (close).
    void restartBackends(bool close);
    PrintRequest &request() { return m_request; }
    PrintLookup &lookup() { return m_lookup; }

private:
    PlcConnection &m_connection;
    PrintRequest m_request;
    RawPrinter m_raw;
    CommandRunner m_command;
    LabelPrinter m_labelPrinter;
    LabelPrint m_label;
    StationDrawingViewer::SetupDialog m_drawingSetupDialog;
    CadPrint m_cad;
    PrintDataServices m_dataServices;
    DruckdatenTransfer m_druckdaten;
    QueryTransfer m_query;
    PrintLookup m_lookup;
    RequestCycle m_cycle;
    TestPrint m_testPrint;
};
