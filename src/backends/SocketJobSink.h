#pragma once

#include "RawJobSink.h"

#include <QString>
#include <memory>

// A printer addressed as socket://host[:port], written to directly over TCP (the AppSocket or
// "JetDirect" protocol most label printers and coders speak; port 9100 when none is given).
// The same form as a CUPS queue's device URI, so a name copied from there works here too.
class SocketJobSink : public RawJobSink {
public:
    static constexpr quint16 kDefaultPort = 9100;
    // Connecting and every write must make progress within this time.
    static constexpr int kTimeoutMs = 5000;

    // True when printerName is meant as a socket URI (scheme "socket", any case).
    static bool isSocketUri(const QString &printerName);
    // The sink for a socket URI; nullptr when it names no host or no valid port.
    static std::unique_ptr<SocketJobSink> open(const QString &printerName);

    Failure send(const QByteArray &bytes, const QString &documentName) override;

private:
    SocketJobSink(QString host, quint16 port);

    QString m_host;
    quint16 m_port;
};
