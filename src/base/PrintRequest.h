#pragma once

#include <QString>

// The values of the print request being served. The request cycle fills them from the PLC and
// every request overwrites them; the outputs read them and count what they printed. The test
// print sets the lot name and part number alone and keeps the rest of the last request.
struct PrintRequest {
    QString LosName;
    qint32 TeileNr = 0;
    qint16 ResteKennung = -1;
    qint32 ResteLaenge = 0;
    QString ResteProfil;
    QString ResteColor;
    qint16 EtikettenType = 0;
    QString RAW;
    QString CmdLine;
    // Monotonic milliseconds when the request began.
    qint64 requestStart = 0;
    // Labels printed in this request: reset by lookupPrint, counted by the outputs.
    qint16 labelsPrinted = 0;
    // Milliseconds the last RAW job of this request took; -1 when there was none.
    qint64 rawPrintMs = -1;
    // The code of the last RAW job of this request that failed (0: none failed), and why.
    qint32 rawJobResult = 0;
    QString rawJobFailure;
};
