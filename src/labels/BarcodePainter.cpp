#include "BarcodePainter.h"

#include "LabelPaint.h"

#include <QPainter>
#include <QTransform>
#include <cmath>
#include <memory>
#include <zint.h>

namespace {
struct SymbolDeleter {
    void operator()(zint_symbol *symbol) const { ZBarcode_Delete(symbol); }
};

void paintStrings(QPainter &painter, const zint_vector *v, const QTransform &toBox, double scale)
{
    for (const zint_vector_string *s = v->strings; s; s = s->next) {
        const QString text = QString::fromUtf8(reinterpret_cast<const char *>(s->text), s->length);
        const QFont font =
            LabelPaint::font(QStringLiteral("Sans"), s->fsize * scale, painter.device());
        painter.setFont(font);
        const double width = QFontMetricsF(font, painter.device()).horizontalAdvance(text);
        const QPointF at = toBox.map(QPointF(s->x, s->y));
        // zint places a string by its x at the alignment point and y at the baseline.
        const double left = s->halign == 1   ? at.x()
                            : s->halign == 2 ? at.x() - width
                                             : at.x() - width / 2;
        painter.drawText(QPointF(left, at.y()), text);
    }
}
} // namespace

QString BarcodePainter::paint(QPainter &painter, const QRectF &box, const BarcodeStyle &style,
                              const QString &data, const Options &options)
{
    std::unique_ptr<zint_symbol, SymbolDeleter> symbol(ZBarcode_Create());
    symbol->symbology = style.symbology;
    symbol->input_mode = UNICODE_MODE;
    symbol->show_hrt = options.showText && !style.matrix ? 1 : 0;
    if (style.symbology == BARCODE_CODE39 || style.symbology == BARCODE_EXCODE39)
        symbol->option_2 = options.checksum ? 1 : 0;
    const QByteArray utf8 = data.toUtf8();
    const int status = ZBarcode_Encode_and_Buffer_Vector(
        symbol.get(), reinterpret_cast<const unsigned char *>(utf8.constData()), int(utf8.size()),
        0);
    if (status >= ZINT_ERROR || !symbol->vector)
        return QString::fromLatin1(symbol->errtxt);
    const zint_vector *v = symbol->vector;
    double sx = box.width() / v->width;
    double sy = box.height() / v->height;
    if (style.matrix)
        sx = sy = qMin(sx, sy);
    // On a bitmap (a label printer's dots) every module is a whole number of dots wide: bars
    // of uneven width would not scan. The barcode then takes what fits and is centred.
    const bool raster = painter.device()->devType() == QInternal::Image;
    const double dotsPerUnit = painter.deviceTransform().m11();
    if (raster && dotsPerUnit > 0 && symbol->width > 0) {
        const double unitsPerModule = v->width / symbol->width;
        const double dots = std::floor(sx * unitsPerModule * dotsPerUnit);
        sx = qMax(1.0, dots) / (unitsPerModule * dotsPerUnit);
        if (style.matrix)
            sy = sx;
    }
    const QPointF origin =
        box.topLeft() + QPointF((box.width() - v->width * sx) / 2,
                                style.matrix ? (box.height() - v->height * sy) / 2 : 0);
    const QTransform toBox = QTransform::fromTranslate(origin.x(), origin.y()).scale(sx, sy);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, !raster);
    painter.setPen(Qt::NoPen);
    painter.setBrush(options.color);
    for (const zint_vector_rect *r = v->rectangles; r; r = r->next) {
        if (r->colour <= 0 || r->colour == 7) // the foreground, or black
            painter.drawRect(toBox.mapRect(QRectF(r->x, r->y, r->width, r->height)));
    }
    for (const zint_vector_circle *c = v->circles; c; c = c->next) {
        if (c->colour == 0)
            painter.drawEllipse(toBox.map(QPointF(c->x, c->y)), c->diameter * sx / 2,
                                c->diameter * sy / 2);
    }
    painter.setPen(options.color);
    paintStrings(painter, v, toBox, qMin(sx, sy));
    painter.restore();
    return {};
}
