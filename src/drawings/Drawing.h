#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QImage>
#include <QSizeF>
#include <memory>

class QPainter;
class QRectF;
class QSvgRenderer;

// One drawing file, loaded: a vector drawing (WMF, EMF, SVG; metafiles through SVG), a
// bitmap (PNG, JPEG, BMP) or a PDF, told apart by their content, not their names. It knows
// its physical size and paints itself into a rectangle of any painter, so the page, a preview
// and a test all draw it the same way. A PDF is not painted: it goes to the printer as it is.
class Drawing {
public:
    enum class Format { Wmf, Emf, Svg, Image, Pdf };

    // The drawing in the file; nullptr, and failure says why, when it cannot be read.
    static std::unique_ptr<Drawing> load(const QString &path, Failure &failure);
    static std::unique_ptr<Drawing> fromBytes(const QByteArray &bytes, Failure &failure);
    ~Drawing();

    Format format() const { return m_format; }
    // Width and height in millimetres as the file states them (bitmaps: at their resolution,
    // 96 dpi when they state none).
    QSizeF sizeMm() const { return m_sizeMm; }
    const QByteArray &pdf() const { return m_pdf; }
    // Paints the whole drawing stretched to target (callers keep its proportions).
    void paint(QPainter &painter, const QRectF &target) const;

private:
    Drawing() = default;
    bool loadSvg(const QByteArray &svg);

    Format m_format = Format::Svg;
    QSizeF m_sizeMm;
    std::unique_ptr<QSvgRenderer> m_svg;
    QImage m_image;
    QByteArray m_pdf;
};
