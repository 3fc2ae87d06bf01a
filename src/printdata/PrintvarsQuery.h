#pragma once

#include "Printvars.h"

// The label output's read of the print data: the Printvars of the record of a lot and part,
// through the same connection and bound statement the other transfers use, on every engine.
namespace PrintvarsQuery {
// serverPath as the configuration names it; stationFolder: what "~apppath~" stands for.
Printvars read(const QString &serverPath, const QString &stationFolder, const QString &losName,
               qint32 teileNr);
} // namespace PrintvarsQuery
