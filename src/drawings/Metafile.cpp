#include "Metafile.h"

#include <QRegularExpression>
#include <QtEndian>
#include <cstdio>
#include <cstdlib>
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>

using namespace Qt::StringLiterals;

namespace Metafile {

namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7u;
constexpr quint32 kEmfHeader = 1;
constexpr quint32 kEmfSignature = 0x464D4520u; // " EMF"
// libwmf's SVG device writes pixels; this is the resolution they are counted at.
constexpr double kWmfDpi = 96.0;

quint32 u32(const QByteArray &bytes, qsizetype at)
{
    return at + 4 <= bytes.size() ? qFromLittleEndian<quint32>(bytes.constData() + at) : 0;
}

qint32 i32(const QByteArray &bytes, qsizetype at)
{
    return qint32(u32(bytes, at));
}

// Puts the drawing's own coordinates into a viewBox and its physical size into width and
// height, so that the SVG renderer maps one onto the other.
QByteArray withSize(QByteArray svg, double widthMm, double heightMm)
{
    static const QRegularExpression root(uR"(<svg\b[^>]*>)"_s);
    static const QRegularExpression width(uR"(\swidth="([0-9.]+)[a-z]*")"_s);
    static const QRegularExpression height(uR"(\sheight="([0-9.]+)[a-z]*")"_s);
    QString text = QString::fromUtf8(svg);
    const QRegularExpressionMatch element = root.match(text);
    if (!element.hasMatch())
        return svg;
    QString tag = element.captured();
    const auto w = width.match(tag);
    const auto h = height.match(tag);
    if (!w.hasMatch() || !h.hasMatch() || tag.contains(u"viewBox"_s))
        return svg;
    const QString box = u" viewBox=\"0 0 %1 %2\""_s.arg(w.captured(1), h.captured(1));
    tag.replace(w.capturedStart(), w.capturedLength(), u" width=\"%1mm\""_s.arg(widthMm));
    const auto h2 = height.match(tag);
    tag.replace(h2.capturedStart(), h2.capturedLength(), u" height=\"%1mm\""_s.arg(heightMm) + box);
    text.replace(element.capturedStart(), element.capturedLength(), tag);
    return text.toUtf8();
}

} // namespace

Kind kindOf(const QByteArray &bytes)
{
    if (u32(bytes, 0) == kPlaceableKey)
        return Kind::Wmf;
    if (u32(bytes, 0) == kEmfHeader && u32(bytes, 40) == kEmfSignature)
        return Kind::Emf;
    // A WMF without the placeable header: type 1 (memory) or 2 (disk), header of 9 words.
    if (bytes.size() >= 18 && (bytes[0] == 1 || bytes[0] == 2) && bytes[1] == 0 && bytes[2] == 9 &&
        bytes[3] == 0)
        return Kind::Wmf;
    return Kind::None;
}

QByteArray wmfToSvg(const QByteArray &bytes, QString &error)
{
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    wmfAPI *api = nullptr;
    const unsigned long flags =
        WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        error = u"the WMF reader cannot be started"_s;
        if (api)
            wmf_api_destroy(api);
        return {};
    }
    QByteArray copy = bytes; // libwmf reads from memory it may not own
    wmfD_Rect bbox{};
    unsigned int width = 0, height = 0;
    QByteArray svg;
    if (wmf_mem_open(api, reinterpret_cast<unsigned char *>(copy.data()), long(copy.size())) !=
            wmf_E_None ||
        wmf_scan(api, 0, &bbox) != wmf_E_None ||
        wmf_display_size(api, &width, &height, kWmfDpi, kWmfDpi) != wmf_E_None || width == 0 ||
        height == 0) {
        error = u"it is not a Windows metafile libwmf can read"_s;
    } else {
        wmf_svg_t *device = WMF_SVG_GetData(api);
        device->out = wmf_stream_create(api, nullptr);
        device->Description = const_cast<char *>("drawing");
        device->bbox = bbox;
        device->width = width;
        device->height = height;
        if (wmf_play(api, 0, &bbox) != wmf_E_None) {
            error = u"libwmf cannot draw it"_s;
        }
        char *text = nullptr;
        unsigned long length = 0;
        wmf_stream_destroy(api, device->out, &text, &length);
        // The text is libwmf's own memory, freed with the API below. A WMF knows no
        // transparency, yet libwmf's SVG gives brushes half opacity: they are drawn solid.
        if (error.isEmpty() && text)
            svg = withSize(QByteArray(text, qsizetype(length)).replace("fill-opacity:0.5;", ""),
                           width * 25.4 / kWmfDpi, height * 25.4 / kWmfDpi);
        wmf_mem_close(api);
    }
    wmf_api_destroy(api);
    return svg;
}

// The EMF header's frame is the picture's size in hundredths of a millimetre.
QByteArray emfToSvg(const QByteArray &bytes, QString &error)
{
    const double widthMm = (i32(bytes, 32) - i32(bytes, 24)) / 100.0;
    const double heightMm = (i32(bytes, 36) - i32(bytes, 28)) / 100.0;
    generatorOptions options{};
    options.nameSpace = const_cast<char *>("");
    options.emfplus = true;
    options.svgDelimiter = true;
    QByteArray copy = bytes;
    char *out = nullptr;
    size_t length = 0;
    const int ok = emf2svg(copy.data(), size_t(copy.size()), &out, &length, &options);
    QByteArray svg = ok && out ? QByteArray(out, qsizetype(length)) : QByteArray();
    std::free(out);
    if (svg.isEmpty()) {
        error = u"it is not an enhanced metafile libemf2svg can read"_s;
        return {};
    }
    if (widthMm <= 0 || heightMm <= 0)
        return svg;
    return withSize(svg, widthMm, heightMm);
}

} // namespace Metafile
