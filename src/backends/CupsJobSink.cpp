#include "CupsJobSink.h"

#include <cups/cups.h>

using namespace Qt::StringLiterals;

namespace {

// The number a file operation gives for a device I/O error (see Failure::fromFile).
constexpr qint32 kDeviceError = 57;

Failure cupsFailure()
{
    return {kDeviceError, u"printRawData"_s, QString::fromUtf8(cupsLastErrorString()), {}, 0};
}

} // namespace

std::unique_ptr<CupsJobSink> CupsJobSink::open(const QString &printerName, const char *format)
{
    if (printerName.isEmpty())
        return nullptr;
    // The printer list shows an instance as "queue/instance".
    const qsizetype slash = printerName.indexOf(u'/');
    const QByteArray name = printerName.left(slash).toUtf8();
    const QByteArray instance = slash < 0 ? QByteArray() : printerName.mid(slash + 1).toUtf8();
    cups_dest_t *dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(),
                                         instance.isEmpty() ? nullptr : instance.constData());
    if (!dest)
        return nullptr;
    return std::unique_ptr<CupsJobSink>(new CupsJobSink(dest, format));
}

CupsJobSink::CupsJobSink(cups_dest_t *dest, const char *format)
    : m_dest(dest)
    , m_format(format)
{
}

CupsJobSink::~CupsJobSink()
{
    cupsFreeDests(1, m_dest);
}

// One job with one document in one write; a job that fails halfway is cancelled, so that the
// device never receives part of it.
Failure CupsJobSink::send(const QByteArray &bytes, const QString &documentName)
{
    const QByteArray title = documentName.toUtf8();
    const int jobId = cupsCreateJob(CUPS_HTTP_DEFAULT, m_dest->name, title.constData(),
                                    m_dest->num_options, m_dest->options);
    if (jobId == 0)
        return cupsFailure();
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, m_dest->name, jobId, title.constData(), m_format, 1) !=
        HTTP_STATUS_CONTINUE)
        return cancel(jobId);
    if (cupsWriteRequestData(CUPS_HTTP_DEFAULT, bytes.constData(),
                             static_cast<size_t>(bytes.size())) != HTTP_STATUS_CONTINUE)
        return cancel(jobId);
    if (cupsFinishDocument(CUPS_HTTP_DEFAULT, m_dest->name) > IPP_STATUS_OK_EVENTS_COMPLETE)
        return cancel(jobId);
    return {};
}

// The failure that made the job useless, not the cancel's own outcome.
Failure CupsJobSink::cancel(int jobId) const
{
    const Failure failure = cupsFailure();
    cupsCancelJob2(CUPS_HTTP_DEFAULT, m_dest->name, jobId, 0);
    return failure;
}

QString CupsJobSink::option(const char *name) const
{
    return QString::fromUtf8(cupsGetOption(name, m_dest->num_options, m_dest->options));
}
