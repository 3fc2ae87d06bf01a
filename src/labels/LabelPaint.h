#pragma once

#include <QColor>
#include <QFont>

class QPaintDevice;

// What every label painter needs. The painter draws in points (1/72 inch) whatever the
// device, and QFont sizes in points are taken at the device's resolution, so a font's size
// is given in the device's terms for the text to come out at its size in points.
namespace LabelPaint {
QFont font(const QString &family, double points, const QPaintDevice *device);
// A gLabels colour, 0xRRGGBBAA.
QColor color(quint32 rgba);
} // namespace LabelPaint
