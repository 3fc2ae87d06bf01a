#pragma once

#include "RawJobSink.h"

#include <QString>
#include <memory>

// A printer addressed as socket://host[:port], written to directly over TCP (the AppSocket or
// "JetDirect" protocol most label printers and coders speak; port 9100 when none is given).
// The same form as a CUPS queue's device URI, so a name copied from there works here too.
//
// A job has reached the printer only when the printer says so by closing the connection: the
// station sends the job, shuts its sending side and waits for the printer's close, as CUPS'
// socket backend does. A printer that resets the connection, refuses it or does not close in
// time (10 s, or the seconds of "?timeout=<s>") has failed the job. A printer that never
// closes on its own can be named with "?waiteof=false" (as in CUPS), and its jobs end once
// they are sent.
class SocketJobSink : public RawJobSink {
public:
    static constexpr quint16 kDefaultPort = 9100;
    // Connecting and every write must make progress within this time.
    static constexpr int kTimeoutMs = 5000;
    // How long the printer may take to confirm the end of a job by closing, unless the URI
    // says otherwise.
    static constexpr int kEndOfJobTimeoutMs = 10000;

    // True when printerName is meant as a socket URI (scheme "socket", any case).
    static bool isSocketUri(const QString &printerName);
    // The sink for a socket URI; nullptr when it names no host or no valid port.
    static std::unique_ptr<SocketJobSink> open(const QString &printerName);

    Failure send(const QByteArray &bytes, const QString &documentName) override;

private:
    SocketJobSink(QString host, quint16 port, int endOfJobTimeoutMs);

    QString m_host;
    quint16 m_port;
    // 0: the job ends once it is sent.
    int m_endOfJobTimeoutMs;
};
