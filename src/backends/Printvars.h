#pragma once

#include <QString>
#include <functional>

// The Printvars text of the print-data record of a lot and part, as the label output asks
// for it: the database step belongs to the print-data layer, which hands it over as a
// function.
struct Printvars {
    enum class Outcome {
        Found,
        DatabaseMissing, // the database could not be opened
        QueryFailed,     // the statement failed; there is no record to read
        NoRecord,        // no record, or its Printvars is Null
        Empty,           // the record's Printvars is ""
    };
    Outcome outcome = Outcome::NoRecord;
    QString text;
    QString query;       // the statement as the station shows it
    QString description; // the engine's reason for DatabaseMissing and QueryFailed
};

using PrintvarsReader = std::function<Printvars(const QString &losName, qint32 teileNr)>;
