#pragma once

#include <QString>

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
};
