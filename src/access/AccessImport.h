#pragma once

#include <QStringList>

// For plants that move their print database off Access:
//   etikor --import-access FILE.mdb|FILE.accdb OUT.db
// copies every table (columns typed so that the station writes the same PLC variables from
// the copy as from the original) and every saved select query, as a view, into a new SQLite
// file. OUT.db appears only once it is complete; an existing file is never overwritten.
namespace AccessImport {
inline constexpr char kOption[] = "--import-access";
// arguments: without the program name. Reports on the standard output, failures on the
// standard error; 0 when everything was copied, 1 when something could not be, 2 for a command
// line it does not understand.
int run(const QStringList &arguments);
// SQLite's declared type for a column of that libmdb type; it carries the field type the
// Access column has for the PLC transfers.
QString declaredType(int jetType, int size);
} // namespace AccessImport
