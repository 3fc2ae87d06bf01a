#include "LabelPaint.h"

#include <QPaintDevice>

namespace LabelPaint {

QFont font(const QString &family, double points, const QPaintDevice *device)
{
    QFont f(family);
    const int dpi = device ? device->logicalDpiY() : 72;
    f.setPointSizeF(qMax(0.1, points * 72.0 / dpi));
    // Hinting moves glyphs to whole device pixels, which at a label printer's 203 dpi would
    // shift text against the layout.
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

QColor color(quint32 rgba)
{
    return QColor(int(rgba >> 24), int((rgba >> 16) & 0xff), int((rgba >> 8) & 0xff),
                  int(rgba & 0xff));
}

} // namespace LabelPaint
