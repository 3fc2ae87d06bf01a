#pragma once

#include "Failure.h"

#include <QString>
#include <QVariant>

// Conversions of database values into the PLC's and the request's types. The Windows
// stations converted with the language's run-time rules; where such a conversion failed the
// station reported the run-time error's number and text, and those are given back here.
namespace FieldValue {

// Run-time failures of a conversion, with the numbers the Windows stations reported.
Failure invalidUseOfNull(); // 94: a null where a number or a text is needed
Failure typeMismatch();     // 13: a value that is not a number
Failure overflow();         // 6: a number outside the target's range
Failure itemNotFound();     // 3265: a column the result does not have

// A number rounded half to even into a 32-bit integer, for the request's part number.
Failure toInt32(const QVariant &value, qint32 &result);
// A text; a null is a failure.
Failure toText(const QVariant &value, QString &result);

// The conversions of the query transfer, whose failures are ignored: a null, a value that is
// not a number or one outside [min, max] gives 0.
qint64 narrowed(const QVariant &value, qint64 min, qint64 max);
double real(const QVariant &value);
// A null or an unreadable value gives false.
bool boolean(const QVariant &value);

} // namespace FieldValue
