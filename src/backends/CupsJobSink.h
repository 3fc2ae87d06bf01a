#pragma once

#include "RawJobSink.h"

#include <QString>
#include <memory>

typedef struct cups_dest_s cups_dest_t;

// A CUPS destination ("queue" or "queue/instance") receiving jobs of one document format:
// raw jobs pass to the device unfiltered, as a Windows spooler's RAW datatype does; a PDF
// label goes through the queue's driver. The instance's options (copies and the like) go
// with every job.
class CupsJobSink : public RawJobSink {
public:
    static constexpr const char *kRaw = "application/vnd.cups-raw";
    static constexpr const char *kPdf = "application/pdf";

    // The sink for a destination CUPS knows; nullptr when it knows none of that name (or the
    // server cannot be reached, which a station cannot tell apart either).
    static std::unique_ptr<CupsJobSink> open(const QString &printerName, const char *format = kRaw);
    ~CupsJobSink() override;
    CupsJobSink(const CupsJobSink &) = delete;
    CupsJobSink &operator=(const CupsJobSink &) = delete;

    Failure send(const QByteArray &bytes, const QString &documentName) override;
    // One of the destination's default options ("media", say); empty when it has none.
    QString option(const char *name) const;

private:
    CupsJobSink(cups_dest_t *dest, const char *format);
    Failure cancel(int jobId) const;

    cups_dest_t *m_dest;
    const char *m_format;
};
