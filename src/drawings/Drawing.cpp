#include "Drawing.h"

#include "Metafile.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kCssDpi = 96.0;

Failure unreadable(const QString &why)
{
    return {1, u"Drawing"_s, why, {}, 0};
}

// An SVG length in millimetres; user units and px count at 96 per inch.
double lengthMm(const QString &value)
{
    static const QRegularExpression length(uR"(^\s*([0-9.]+)\s*(mm|cm|in|pt|pc|px)?\s*$)"_s);
    const QRegularExpressionMatch m = length.match(value);
    if (!m.hasMatch())
        return 0;
    const double number = m.captured(1).toDouble();
    const QString unit = m.captured(2);
    if (unit == u"mm")
        return number;
    if (unit == u"cm")
        return number * 10;
    if (unit == u"in")
        return number * kMmPerInch;
    if (unit == u"pt")
        return number * kMmPerInch / 72;
    if (unit == u"pc")
        return number * kMmPerInch / 6;
    return number * kMmPerInch / kCssDpi;
}

QSizeF svgSizeMm(const QByteArray &svg, const QSvgRenderer &renderer)
{
    static const QRegularExpression root(uR"(<svg\b[^>]*>)"_s);
    static const QRegularExpression width(uR"re(\swidth\s*=\s*"([^"]*)")re"_s);
    static const QRegularExpression height(uR"re(\sheight\s*=\s*"([^"]*)")re"_s);
    const QString tag = root.match(QString::fromUtf8(svg)).captured();
    const double w = lengthMm(width.match(tag).captured(1));
    const double h = lengthMm(height.match(tag).captured(1));
    if (w > 0 && h > 0)
        return {w, h};
    const QRectF box = renderer.viewBoxF();
    return box.size() * (kMmPerInch / kCssDpi);
}

} // namespace

Drawing::~Drawing() = default;

std::unique_ptr<Drawing> Drawing::load(const QString &path, Failure &failure)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        failure = Failure::fromFile(file, u"Drawing"_s);
        return {};
    }
    return fromBytes(file.readAll(), failure);
}

std::unique_ptr<Drawing> Drawing::fromBytes(const QByteArray &bytes, Failure &failure)
{
    failure = {};
    std::unique_ptr<Drawing> drawing(new Drawing);
    QString error;
    switch (Metafile::kindOf(bytes)) {
    case Metafile::Kind::Wmf:
        drawing->m_format = Format::Wmf;
        if (!drawing->loadSvg(Metafile::wmfToSvg(bytes, error)))
            failure = unreadable(u"WMF: "_s + error);
        return failure.pending() ? nullptr : std::move(drawing);
    case Metafile::Kind::Emf:
        drawing->m_format = Format::Emf;
        if (!drawing->loadSvg(Metafile::emfToSvg(bytes, error)))
            failure = unreadable(u"EMF: "_s + error);
        return failure.pending() ? nullptr : std::move(drawing);
    case Metafile::Kind::None:
        break;
    }
    if (bytes.startsWith("%PDF-")) {
        drawing->m_format = Format::Pdf;
        drawing->m_pdf = bytes;
        return drawing;
    }
    const QByteArray head = bytes.left(512).trimmed();
    if (head.startsWith("<svg") || (head.startsWith("<?xml") && bytes.contains("<svg"))) {
        drawing->m_format = Format::Svg;
        if (!drawing->loadSvg(bytes))
            failure = unreadable(u"SVG: it cannot be read"_s);
        return failure.pending() ? nullptr : std::move(drawing);
    }
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    drawing->m_image = reader.read();
    if (drawing->m_image.isNull()) {
        failure =
            unreadable(u"not a drawing or image this station reads: "_s + reader.errorString());
        return {};
    }
    drawing->m_format = Format::Image;
    const QImage &image = drawing->m_image;
    const double dotsPerMm =
        image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() / 1000.0 : kCssDpi / kMmPerInch;
    drawing->m_sizeMm = QSizeF(image.width(), image.height()) / dotsPerMm;
    return drawing;
}

bool Drawing::loadSvg(const QByteArray &svg)
{
    if (svg.isEmpty())
        return false;
    m_svg = std::make_unique<QSvgRenderer>(svg);
    if (!m_svg->isValid())
        return false;
    m_sizeMm = svgSizeMm(svg, *m_svg);
    return m_sizeMm.width() > 0 && m_sizeMm.height() > 0;
}

void Drawing::paint(QPainter &painter, const QRectF &target) const
{
    if (m_svg) {
        m_svg->render(&painter, target);
    } else if (!m_image.isNull()) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_image);
        painter.restore();
    }
}
