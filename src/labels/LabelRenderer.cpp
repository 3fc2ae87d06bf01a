#include "LabelRenderer.h"

#include "BarcodePainter.h"
#include "LabelPaint.h"
#include "LabelTextPainter.h"

#include <QDir>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

namespace {
// A piece's text: the fixed text, or the field's value.
QString filled(const LabelTextLine &line, const LabelValues &values)
{
    QString text;
    for (const LabelTextPiece &piece : line)
        text += piece.isField ? values.value(piece.text) : piece.text;
    return text;
}

// The colour an object is painted in: its own, or its shadow's, at the shadow's opacity.
quint32 shadowed(quint32 own, std::optional<quint32> shadow)
{
    return shadow ? *shadow : own;
}

QString describe(const LabelObject &object)
{
    return object.field.isEmpty()
               ? u"at %1,%2 pt"_s.arg(object.x, 0, 'f', 1).arg(object.y, 0, 'f', 1)
               : u"<"_s + object.field + u'>';
}
} // namespace

LabelRenderer::LabelRenderer(LabelLayout layout, QString folder)
    : m_layout(std::move(layout))
    , m_folder(std::move(folder))
{
}

QStringList LabelRenderer::paint(QPainter &painter, const LabelValues &values) const
{
    QStringList problems;
    for (const LabelObject &object : m_layout.objects) {
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        if (object.shadow) {
            const quint32 alpha =
                quint32(qBound(0.0, object.shadowOpacity, 1.0) * (object.shadowColor & 0xff));
            painter.save();
            painter.translate(object.shadowX, object.shadowY);
            (void)paintObject(painter, object, values, (object.shadowColor & ~0xffu) | alpha);
            painter.restore();
        }
        if (const auto problem = paintObject(painter, object, values, std::nullopt))
            problems << *problem;
        painter.restore();
    }
    return problems;
}

std::optional<QString> LabelRenderer::paintObject(QPainter &painter, const LabelObject &o,
                                                  const LabelValues &values,
                                                  std::optional<quint32> shadow) const
{
    painter.translate(o.x, o.y);
    const auto &m = o.matrix;
    painter.setTransform(QTransform(m[0], m[1], m[2], m[3], m[4], m[5]), true);
    QPen pen(LabelPaint::color(shadowed(o.lineColor, shadow)), o.lineWidth);
    pen.setCapStyle(Qt::FlatCap);
    const QColor fill = LabelPaint::color(shadowed(o.fillColor, shadow));
    switch (o.kind) {
    case LabelObject::Kind::Text: {
        QStringList lines;
        for (const LabelTextLine &line : o.lines)
            lines << filled(line, values);
        LabelObject text = o;
        text.color = shadowed(o.color, shadow);
        LabelTextPainter::paint(painter, text, lines);
        return std::nullopt;
    }
    case LabelObject::Kind::Barcode:
        return paintBarcode(painter, o, values, shadow);
    case LabelObject::Kind::Image:
        return paintImage(painter, o, values, shadow);
    case LabelObject::Kind::Line:
        painter.setPen(o.lineWidth > 0 ? pen : QPen(Qt::NoPen));
        painter.drawLine(QPointF(0, 0), QPointF(o.w, o.h));
        return std::nullopt;
    case LabelObject::Kind::Box:
    case LabelObject::Kind::Ellipse:
        painter.setPen(o.lineWidth > 0 ? pen : QPen(Qt::NoPen));
        painter.setBrush(fill.alpha() > 0 ? QBrush(fill) : QBrush(Qt::NoBrush));
        if (o.kind == LabelObject::Kind::Box)
            painter.drawRect(QRectF(0, 0, o.w, o.h));
        else
            painter.drawEllipse(QRectF(0, 0, o.w, o.h));
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<QString> LabelRenderer::paintBarcode(QPainter &painter, const LabelObject &o,
                                                   const LabelValues &values,
                                                   std::optional<quint32> shadow) const
{
    const auto style = BarcodeStyle::find(o.style);
    if (!style)
        return u"barcode %1: the style %2/%3 is not supported"_s.arg(describe(o), o.backend,
                                                                     o.style);
    QString data = o.field.isEmpty() ? o.data : values.value(o.field);
    // Mixed data: ${field} in fixed text (gLabels 4).
    for (auto it = values.cbegin(); it != values.cend() && o.field.isEmpty(); ++it)
        data.replace(u"${"_s + it.key() + u'}', it.value());
    if (data.isEmpty())
        return std::nullopt; // nothing to encode: gLabels leaves the box empty too
    BarcodePainter::Options options;
    options.showText = o.showText;
    options.checksum = o.checksum;
    options.color = LabelPaint::color(shadowed(o.color, shadow));
    const QString error =
        BarcodePainter::paint(painter, QRectF(0, 0, o.w, o.h), *style, data, options);
    if (error.isEmpty())
        return std::nullopt;
    return u"barcode %1 (%2): %3"_s.arg(describe(o), o.style, error);
}

QString LabelRenderer::imageFile(const LabelObject &object, const LabelValues &values) const
{
    const QString file = object.field.isEmpty() ? object.file : values.value(object.field);
    if (file.isEmpty() || QDir::isAbsolutePath(file))
        return file;
    return QDir(m_folder).filePath(file);
}

std::optional<QString> LabelRenderer::paintImage(QPainter &painter, const LabelObject &o,
                                                 const LabelValues &values,
                                                 std::optional<quint32> shadow) const
{
    const QRectF box(0, 0, o.w, o.h);
    if (shadow) {
        painter.fillRect(box, LabelPaint::color(*shadow));
        return std::nullopt;
    }
    const QString file = imageFile(o, values);
    if (file.isEmpty())
        return std::nullopt;
    if (file.endsWith(u".svg"_s, Qt::CaseInsensitive)) {
        QSvgRenderer svg(file);
        if (!svg.isValid())
            return u"image "_s + file + u": not a readable SVG image"_s;
        svg.render(&painter, box);
        return std::nullopt;
    }
    QImageReader reader(file);
    reader.setAutoTransform(true);
    const QImage image = reader.read();
    if (image.isNull())
        return u"image "_s + file + u": "_s + reader.errorString();
    painter.drawImage(box, image);
    return std::nullopt;
}
