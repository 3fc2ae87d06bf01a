#include "RemnantLabel.h"

#include <QFile>
#include <QSaveFile>
#include <QTemporaryFile>
#include <vector>
// libEMF's Windows declarations come last: they define macros Qt's headers must not see.
#include <emf.h>

using namespace Qt::StringLiterals;

namespace RemnantLabel {

namespace {

static_assert(sizeof(WCHAR) == sizeof(char16_t), "libEMF's wide text is UTF-16");

Failure failed(const QString &why)
{
    return {75, u"genrestimage"_s, why, {}, 0};
}

// Draws in libEMF's device units, whose size its reference device tells.
class Canvas {
public:
    explicit Canvas(HDC dc)
        : m_dc(dc)
        , m_perMm(double(GetDeviceCaps(dc, HORZRES)) / GetDeviceCaps(dc, HORZSIZE))
    {
    }
    int at(double mm) const { return int(mm * m_perMm + 0.5); }

    void frame(double inset, double width)
    {
        HPEN pen = CreatePen(PS_SOLID, at(width), RGB(0, 0, 0));
        HGDIOBJ old = SelectObject(m_dc, pen);
        SelectObject(m_dc, GetStockObject(NULL_BRUSH));
        Rectangle(m_dc, at(inset), at(inset), at(kWidthMm - inset), at(kHeightMm - inset));
        SelectObject(m_dc, old);
        DeleteObject(pen);
    }

    void text(double x, double y, double heightMm, bool bold, const QString &line)
    {
        HFONT font = CreateFontA(-at(heightMm), 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0,
                                 ANSI_CHARSET, 0, 0, 0, 0, "DejaVu Sans");
        HGDIOBJ old = SelectObject(m_dc, font);
        SetBkMode(m_dc, TRANSPARENT);
        std::vector<WCHAR> wide(line.utf16(), line.utf16() + line.size());
        ExtTextOutW(m_dc, at(x), at(y), 0, nullptr, wide.data(), UINT(wide.size()), nullptr);
        SelectObject(m_dc, old);
        DeleteObject(font);
    }

private:
    HDC m_dc;
    double m_perMm;
};

} // namespace

QStringList lines(const QStringList &values)
{
    return {u"REST"_s, u"Länge: %1 mm"_s.arg(values.value(0)), u"Profil: %1"_s.arg(values.value(1)),
            u"Farbe: %1"_s.arg(values.value(2))};
}

Failure write(const QString &path, const QStringList &values)
{
    // libEMF writes to a file of its own choosing; it becomes the label only when complete.
    QTemporaryFile partial(path + u".XXXXXX"_s);
    if (!partial.open())
        return failed(u"cannot write beside "_s + path + u": "_s + partial.errorString());
    partial.close();
    const RECT frame{0, 0, LONG(kWidthMm * 100), LONG(kHeightMm * 100)}; // hundredths of a mm
    HDC dc = CreateEnhMetaFileA(0, QFile::encodeName(partial.fileName()).constData(), &frame,
                                "Etikor\0Remnant label\0");
    if (!dc)
        return failed(u"the metafile cannot be started"_s);
    Canvas canvas(dc);
    canvas.frame(1.0, 0.5);
    const QStringList text = lines(values);
    // Text positions are the tops of the lines: a title of 8 mm, then lines of 5.5 mm.
    canvas.text(5, 3, 8, true, text.at(0));
    for (int i = 1; i < text.size(); ++i)
        canvas.text(5, 6.5 + 7.5 * i, 5.5, false, text.at(i));
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
    QFile::remove(path);
    if (!QFile::rename(partial.fileName(), path))
        return failed(u"cannot write "_s + path);
    partial.setAutoRemove(false);
    return {};
}

} // namespace RemnantLabel
