#pragma once

#include <QString>

class QFileDevice;

// A failure that a step leaves behind for its caller: number, source, description and help
// reference. Steps return it as a value; nothing keeps a hidden "last error". A number of 0
// means no failure.
struct Failure {
    qint32 number = 0;
    QString source;
    QString description;
    QString helpFile;
    qint32 helpContext = 0;

    bool pending() const { return number != 0; }

    // The failure a file operation left: 70 permission denied, 61 disk full, 57 device I/O
    // error, 75 any other access error; the description is the system's own text.
    static Failure fromFile(const QFileDevice &file, const QString &source);
};
