#pragma once

#include <QString>

class PlcLink;

// The text length of a text variable: the size the link describes, less the terminating
// NUL. 0 when the variable cannot be described, so later reads of it ask for no bytes.
qint32 variableText(PlcLink &link, const QString &name);
