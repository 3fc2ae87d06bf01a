#pragma once

#include <QMetaType>
#include <QString>

// One column of an Access table or of a statement's result: its name as the file spells it,
// libmdb's type number, the field type code the station's transfers decide on and the type
// of the values it gives.
struct AccessColumn {
    QString name;
    int jetType = 0;
    int fieldType = 0;
    QMetaType metaType;
    int size = 0;
};
