#pragma once

#include <QByteArray>
#include <QPageSize>
#include <QString>

class Drawing;

// A drawing on a print page, as a one-page PDF for a CUPS queue: on the queue's paper in the
// orientation asked for, either at its own size (centred; a drawing larger than the page is
// cut at the edges, as on paper) or fitted into the page inside a margin printers can reach.
class DrawingPage {
public:
    struct Options {
        QPageSize page = QPageSize(QPageSize::A4);
        bool landscape = false;
        bool fit = false;
        QString title;
    };
    // The margin a fitted drawing keeps from the page's edges.
    static constexpr double kFitMarginMm = 5.0;

    // A PDF drawing is returned as it is: it brings its own pages.
    static QByteArray pdf(const Drawing &drawing, const Options &options);
    // Where the drawing goes on the page, in millimetres from the page's top left corner.
    static QRectF placement(const QSizeF &drawingMm, const QSizeF &pageMm, bool fit);
};
