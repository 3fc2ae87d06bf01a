#include "LabelImage.h"

#include <QPainter>
#include <cmath>

namespace LabelImage {

QImage render(const LabelRenderer &renderer, const LabelValues &values, double dpi,
              QStringList *problems)
{
    const LabelLayout &layout = renderer.layout();
    const double scale = dpi / 72.0;
    QImage image(qMax(1, int(std::lround(layout.width * scale))),
                 qMax(1, int(std::lround(layout.height * scale))), QImage::Format_RGB32);
    const int dotsPerMeter = int(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    const QStringList found = renderer.paint(painter, values);
    if (problems)
        *problems = found;
    return image;
}

} // namespace LabelImage
