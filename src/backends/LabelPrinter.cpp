#include "LabelPrinter.h"

#include "AppSettings.h"
#include "CupsJobSink.h"
#include "LabelImage.h"
#include "LabelPdf.h"
#include "SocketJobSink.h"

#include <QImage>

using namespace Qt::StringLiterals;

namespace {
// The number a device I/O error has, as the RAW output reports it.
constexpr qint32 kDeviceError = 57;

Failure labelFailure(const QString &description)
{
    return {kDeviceError, u"labelPrint"_s, description, {}, 0};
}
} // namespace

LabelPrinter::LabelPrinter(const AppSettings &settings, int socketDpi)
    : m_settings(settings)
    , m_dpi(socketDpi > 0 ? socketDpi : kDefaultDpi)
{
}

Failure LabelPrinter::print(const LabelRenderer &renderer, const LabelValues &values) const
{
    const QString &name = m_settings.printerName;
    if (name.isEmpty())
        return labelFailure(u"no printer is chosen for the labels"_s);
    // The printer first: a label for a printer nobody knows is not worth rendering.
    const bool socket = SocketJobSink::isSocketUri(name);
    const std::unique_ptr<RawJobSink> sink =
        socket ? std::unique_ptr<RawJobSink>(SocketJobSink::open(name))
               : std::unique_ptr<RawJobSink>(CupsJobSink::open(name, CupsJobSink::kPdf));
    if (!sink)
        return labelFailure(u"the printer "_s + name + u" is not known"_s);
    QStringList problems;
    const QByteArray job = socket ? zpl(LabelImage::render(renderer, values, m_dpi, &problems))
                                  : LabelPdf::render(renderer, values, &problems);
    if (!problems.isEmpty())
        return labelFailure(problems.join(u"; "_s));
    const Failure sent = sink->send(job, u"Label"_s);
    if (!sent.pending() && m_printed)
        m_printed(renderer, values);
    return sent;
}

QByteArray LabelPrinter::zpl(const QImage &label)
{
    const QImage gray = label.convertToFormat(QImage::Format_Grayscale8);
    const int rowBytes = (gray.width() + 7) / 8;
    QByteArray bits(qsizetype(rowBytes) * gray.height(), '\0');
    for (int y = 0; y < gray.height(); ++y) {
        const uchar *row = gray.constScanLine(y);
        for (int x = 0; x < gray.width(); ++x) {
            if (row[x] < 128)
                bits[qsizetype(y) * rowBytes + x / 8] |= char(0x80 >> (x % 8));
        }
    }
    const QByteArray total = QByteArray::number(bits.size());
    return "^XA^PW" + QByteArray::number(gray.width()) + "^LL" + QByteArray::number(gray.height()) +
           "^FO0,0^GFA," + total + ',' + total + ',' + QByteArray::number(rowBytes) + ',' +
           bits.toHex().toUpper() + "^FS^XZ\r\n";
}
