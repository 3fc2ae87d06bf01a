#pragma once

#include "LabelObject.h"

#include <QStringList>

class QPainter;

// Draws a text object's lines, with their fields filled in, in the object's own
// coordinates: inside a margin of 3 points left and right as gLabels keeps it, aligned in the
// object's width and height, wrapped at the width where the layout asks (gLabels 4), shrunk
// to the width where it asks for that. A text of width 0 is as wide as its longest line.
class LabelTextPainter {
public:
    static constexpr double kMargin = 3.0;

    static void paint(QPainter &painter, const LabelObject &object, const QStringList &lines);
};
