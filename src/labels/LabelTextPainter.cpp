#include "LabelTextPainter.h"

#include "LabelPaint.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <memory>
#include <vector>

namespace {
constexpr double kUnbounded = 1e6;

QFont fontOf(const LabelObject &object, double size, const QPaintDevice *device)
{
    QFont font = LabelPaint::font(object.fontFamily, size, device);
    font.setBold(object.bold);
    font.setItalic(object.italic);
    font.setUnderline(object.underline);
    return font;
}

double widestLine(const QStringList &lines, const QFont &font, const QPaintDevice *device)
{
    const QFontMetricsF metrics(font, device);
    double widest = 0;
    for (const QString &line : lines)
        widest = qMax(widest, metrics.horizontalAdvance(line));
    return widest;
}

Qt::Alignment alignmentOf(LabelObject::HAlign align)
{
    switch (align) {
    case LabelObject::HAlign::Center:
        return Qt::AlignHCenter;
    case LabelObject::HAlign::Right:
        return Qt::AlignRight;
    default:
        return Qt::AlignLeft;
    }
}
} // namespace

void LabelTextPainter::paint(QPainter &painter, const LabelObject &object, const QStringList &lines)
{
    const QPaintDevice *device = painter.device();
    const bool fixedWidth = object.w > 2 * kMargin;
    const double width = fixedWidth ? object.w - 2 * kMargin : kUnbounded;
    double size = object.fontSize;
    if (object.autoShrink && fixedWidth && !object.wrap) {
        const double widest = widestLine(lines, fontOf(object, size, device), device);
        if (widest > width)
            size = qMax(1.0, size * width / widest);
    }
    const QFont font = fontOf(object, size, device);
    const double step = QFontMetricsF(font, device).lineSpacing() * object.lineSpacing;

    QTextOption option(fixedWidth ? alignmentOf(object.align) : Qt::AlignLeft);
    option.setWrapMode(object.wrap && fixedWidth ? QTextOption::WordWrap : QTextOption::NoWrap);
    std::vector<std::unique_ptr<QTextLayout>> layouts;
    double y = 0;
    for (const QString &text : lines) {
        auto layout = std::make_unique<QTextLayout>(text, font, const_cast<QPaintDevice *>(device));
        layout->setTextOption(option);
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(width);
            line.setPosition(QPointF(0, y));
            y += step;
        }
        layout->endLayout();
        layouts.push_back(std::move(layout));
    }
    double top = 0;
    if (object.h > 0 && object.valign == LabelObject::VAlign::Middle)
        top = (object.h - y) / 2;
    else if (object.h > 0 && object.valign == LabelObject::VAlign::Bottom)
        top = object.h - y;

    painter.save();
    painter.setPen(LabelPaint::color(object.color));
    for (const auto &layout : layouts)
        layout->draw(&painter, QPointF(kMargin, top));
    painter.restore();
}
