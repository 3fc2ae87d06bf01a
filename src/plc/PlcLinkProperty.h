#pragma once

#include <QList>
#include <QString>

// One line of a PLC link's properties view: what it is and its present value, as text.
struct PlcLinkProperty {
    QString name;
    QString value;
};
using PlcLinkProperties = QList<PlcLinkProperty>;
