#pragma once

#include "LabelObject.h"

#include <QList>
#include <QString>

// A label layout read from a gLabels file: one label's size and shape and its objects, in
// drawing order. The sheet the label sat on in gLabels does not matter to the station, which
// prints one label per page.
struct LabelLayout {
    enum class Shape { Rectangle, Round, Ellipse };

    // 3 for gLabels 3 files (XML namespaces 2.3 and 3.0), 4 for gLabels 4 ("version 4.0").
    int format = 3;
    Shape shape = Shape::Rectangle;
    double width = 0;  // points
    double height = 0; // points
    double round = 0;  // corner radius of a rectangle, points
    QList<LabelObject> objects;
};
