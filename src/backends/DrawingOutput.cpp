#include "DrawingOutput.h"

#include "CupsJobSink.h"
#include "Drawing.h"
#include "DrawingPage.h"

#include <QRegularExpression>
#include <cups/cups.h>

using namespace Qt::StringLiterals;

namespace DrawingOutput {

// PWG media names carry their size: "iso_a4_210x297mm", "na_letter_8.5x11in".
QPageSize media(const QString &printer)
{
    const QByteArray name = printer.section(u'/', 0, 0).toUtf8();
    const QByteArray instance = printer.section(u'/', 1).toUtf8();
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(),
                                         instance.isEmpty() ? nullptr : instance.constData());
    QString value;
    if (dest) {
        value = QString::fromUtf8(cupsGetOption("media", dest->num_options, dest->options));
        cupsFreeDests(1, dest);
    }
    static const QRegularExpression size(uR"(_([0-9.]+)x([0-9.]+)(mm|in)$)"_s);
    const QRegularExpressionMatch m = size.match(value);
    if (!m.hasMatch())
        return QPageSize(QPageSize::A4);
    const QSizeF dimensions(m.captured(1).toDouble(), m.captured(2).toDouble());
    return QPageSize(dimensions, m.captured(3) == u"in" ? QPageSize::Inch : QPageSize::Millimeter,
                     value);
}

Failure print(const Drawing &drawing, const QString &printer, const Settings &settings,
              const QString &title)
{
    const std::unique_ptr<CupsJobSink> sink = CupsJobSink::open(printer, CupsJobSink::kPdf);
    if (!sink)
        return {1, u"Drawing"_s, u"printer "_s + printer + u" is not known to CUPS"_s, {}, 0};
    DrawingPage::Options options;
    options.page = media(printer);
    options.landscape = settings.paperOrientation == 2;
    options.fit = settings.fit;
    options.title = title;
    return sink->send(DrawingPage::pdf(drawing, options), title);
}

} // namespace DrawingOutput
