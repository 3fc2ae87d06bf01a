#pragma once

#include <QString>

// The station's settings record. Filled by the configuration load and save; the three-state
// check boxes and the shutdown's `exiting` flag are its only other writers. Passed by
// reference to whatever reads it; there is no global instance.
struct AppSettings {
    QString configPath;
    QString baseDir;
    int labelshop = 0;
    int writePrintData = 0;
    int cadPrint = 0;
    int outputCount = 0;
    bool ablOnOff = true;
    QString labelshopPath;
    int deleteDelay = 30;
    QString cadPath;
    QString commandLine;
    QString prefix; // expanded byte text, see TextEncoding
    QString codierung;
    int prefixOnOff = 0;
    QString cadExtension = QStringLiteral(".wmf");
    int cadPrintRest = 0;
    int optionCommandLine = 0;
    int printToFit = 0;
    int sonderzeichen = 1;
    int paperOrientation = 0;
    int printRaw = 0;
    int winCadPrint = 0;
    QString printerName;
    int printerIndex = -1;
    int rawAddCrLf = 0;
    bool exiting = false;
};
