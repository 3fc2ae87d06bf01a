#pragma once

#include "Failure.h"

#include <QByteArray>
#include <QString>

// Where a RAW job's bytes go: a CUPS queue or a printer's own socket. A sink exists only for a
// printer that was recognised; sending opens, writes and closes within the one call, and a
// failure leaves nothing open.
class RawJobSink {
public:
    virtual ~RawJobSink() = default;
    // Hands bytes over unchanged as one document named documentName.
    virtual Failure send(const QByteArray &bytes, const QString &documentName) = 0;
};
