#pragma once

#include "LabelLayout.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

class QPainter;

// The values a label is printed with, by merge field: the value of an object addressed by
// its field, and the values mixed texts and barcode data take their fields from.
using LabelValues = QHash<QString, QString>;

// Paints one label of a layout with QPainter, in points from the painter's origin: the same
// path for the PDF page sent to a printer, the bitmap of a socket printer and the preview.
class LabelRenderer {
public:
    // folder: where the layout's relative image files are.
    LabelRenderer(LabelLayout layout, QString folder);

    const LabelLayout &layout() const { return m_layout; }

    // Paints every object in the layout's order. An object that cannot be painted (a barcode
    // whose data its symbology cannot encode, an image that cannot be read) is left out and
    // named in the result; the rest of the label is painted.
    QStringList paint(QPainter &painter, const LabelValues &values) const;

private:
    std::optional<QString> paintObject(QPainter &painter, const LabelObject &object,
                                       const LabelValues &values,
                                       std::optional<quint32> shadow) const;
    std::optional<QString> paintBarcode(QPainter &painter, const LabelObject &object,
                                        const LabelValues &values,
                                        std::optional<quint32> shadow) const;
    std::optional<QString> paintImage(QPainter &painter, const LabelObject &object,
                                      const LabelValues &values,
                                      std::optional<quint32> shadow) const;
    QString imageFile(const LabelObject &object, const LabelValues &values) const;

    LabelLayout m_layout;
    QString m_folder;
};
