#pragma once

#include "Failure.h"

// The failures of the Access back-end, numbered as the Windows stations' database interface
// numbered them, so that an operator's "hex(...)" reads as it always did.
namespace AccessError {

enum Code : qint32 {
    // The file cannot be read as a database (missing, unreadable, being written, damaged).
    Unspecified = qint32(0x80004005),
    // A statement outside what the back-end evaluates, or one it cannot parse.
    Syntax = qint32(0x80040E14),
    // A column the source does not have.
    UnknownColumn = qint32(0x80040E10),
    // A table or saved query the file does not have.
    UnknownTable = qint32(0x80040E37),
    // The file is opened read-only.
    ReadOnly = qint32(0x80040E21),
};

Failure make(Code code, const QString &description);

} // namespace AccessError
