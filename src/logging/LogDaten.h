#pragma once

#include <QString>

// One queued operator message.
struct LogDaten {
    QString datum;
    QString uhrzeit;
    qint32 meldeArt = 0;
    QString bereich;
    QString meldetext;
    qint32 dauer = 0;
    QString helpFile;
    qint32 helpContext = 0;
    bool flagMsgBox = false;
};
