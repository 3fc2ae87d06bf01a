#include "LabelPdf.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace LabelPdf {

QByteArray render(const LabelRenderer &renderer, const LabelValues &values, QStringList *problems)
{
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        const LabelLayout &layout = renderer.layout();
        writer.setPageLayout(
            QPageLayout(QPageSize(QSizeF(layout.width, layout.height), QPageSize::Point, QString(),
                                  QPageSize::ExactMatch),
                        QPageLayout::Portrait, QMarginsF()));
        // One device unit a point: the painter's units are the layout's.
        writer.setResolution(72);
        writer.setCreator(QStringLiteral("Etikor"));
        QPainter painter(&writer);
        const QStringList found = renderer.paint(painter, values);
        if (problems)
            *problems = found;
    }
    return pdf;
}

} // namespace LabelPdf
