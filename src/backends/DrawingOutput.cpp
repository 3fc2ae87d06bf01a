#include "DrawingOutput.h"

#include "CupsJobSink.h"
#include "Drawing.h"
#include "DrawingPage.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace DrawingOutput {

// PWG media names carry their size.
QPageSize media(const QString &value)
{
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
    options.page = media(sink->option("media")); // the queue's default paper
    options.landscape = settings.paperOrientation == 2;
    options.fit = settings.fit;
    options.title = title;
    return sink->send(DrawingPage::pdf(drawing, options), title);
}

} // namespace DrawingOutput
