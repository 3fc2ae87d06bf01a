#pragma once

#include "BarcodeStyle.h"

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

// Draws a barcode with zint into a box of the label. A 1D barcode fills the box, a 2D
// symbol is the largest square that fits, centred.
class BarcodePainter {
public:
    struct Options {
        bool showText = true; // the human-readable text under a 1D barcode
        bool checksum = true; // an optional check digit (Code 39)
        QColor color = Qt::black;
    };

    // Empty on success, else zint's reason why the data cannot be encoded.
    static QString paint(QPainter &painter, const QRectF &box, const BarcodeStyle &style,
                         const QString &data, const Options &options);
};
