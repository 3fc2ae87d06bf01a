#pragma once

#include <QString>

class PlcLink;

// The text length of a text variable: the size the link describes, less the terminating
// NUL. 0 when the variable cannot be described, so later reads of it ask for no bytes.
qint32 variableText(PlcLink &link, const QString &name);

// A text read from the PLC up to its first NUL: PLC strings keep what follows it from
// earlier, longer values.
QString untilNul(const QString &read);

// text cut to what a text variable of that length holds. The length counts bytes of the
// UTF-8 text, as PLC servers count a string's maximum length; a character is never split.
// A length of 0 or less (not known) leaves the text whole.
QString fitText(const QString &text, qint32 length);
