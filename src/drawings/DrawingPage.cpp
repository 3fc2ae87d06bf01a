#include "DrawingPage.h"

#include "Drawing.h"

#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>

using namespace Qt::StringLiterals;

QRectF DrawingPage::placement(const QSizeF &drawingMm, const QSizeF &pageMm, bool fit)
{
    QSizeF size = drawingMm;
    if (fit) {
        const QSizeF room = pageMm - QSizeF(2 * kFitMarginMm, 2 * kFitMarginMm);
        size = drawingMm.scaled(room, Qt::KeepAspectRatio);
    }
    return {QPointF((pageMm.width() - size.width()) / 2, (pageMm.height() - size.height()) / 2),
            size};
}

QByteArray DrawingPage::pdf(const Drawing &drawing, const Options &options)
{
    if (drawing.format() == Drawing::Format::Pdf)
        return drawing.pdf();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator(u"Etikor"_s);
        writer.setResolution(72); // text stays text: at finer resolutions Qt draws it as outlines
        writer.setTitle(options.title);
        writer.setPageLayout(QPageLayout(
            options.page, options.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
            QMarginsF()));
        QPainter painter(&writer);
        const QSizeF pageMm = writer.pageLayout().fullRect(QPageLayout::Millimeter).size();
        const double dotsPerMm = writer.resolution() / 25.4;
        const QRectF mm = placement(drawing.sizeMm(), pageMm, options.fit);
        painter.setClipRect(QRectF(QPointF(), pageMm * dotsPerMm));
        drawing.paint(painter, QRectF(mm.topLeft() * dotsPerMm, mm.size() * dotsPerMm));
    }
    return bytes;
}
