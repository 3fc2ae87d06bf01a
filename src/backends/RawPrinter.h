#pragma once

#include "RawOutput.h"

#include <QString>
#include <memory>
#include <optional>

class LogWriter;
class PrintControls;
class Prompt;
class RawJobSink;
struct AppSettings;
struct PrintRequest;

// The RAW output: sends a text's bytes unchanged to the active printer (settings.printerName),
// so that the printer's own command language reaches the device without a driver. The printer
// is a CUPS destination or a socket://host:port URI. Also reads the request's print file for
// PrintRAW mode 2 and owns the prefix rule that the print-data transfers use as well.
class RawPrinter : public RawOutput {
public:
    RawPrinter(const AppSettings &settings, PrintControls &controls, PrintRequest &request,
               LogWriter &log, Prompt &prompt);

    qint32 printRawData(const QString &data) override;
    QString applyPrefix(const QString &prefix, const QString &data) const override;
    qint32 printRawFile(const QString &losName, qint32 teileNr) override;

    // The request's print file: cadPath/lot/part[#label type]extension.
    QString printFileName(const QString &losName, qint32 teileNr) const;
    // The whole file in the system ANSI code page; "" after a failure, which is reported.
    QString readPrintFile(const QString &fileName);
    // The whole file decoded with charset (NULs become blanks). A charset that is not known
    // is reported and the file is read in the system ANSI code page instead.
    QString readPrintFileCharset(const QString &fileName, const QString &charset);

private:
    std::unique_ptr<RawJobSink> openPrinter() const;
    std::optional<QByteArray> readFile(const QString &fileName);
    QString fileMessage(const QString &literal, const QString &fileName,
                        const QString &description) const;
    void report(const QString &text);

    const AppSettings &m_settings;
    PrintControls &m_controls;
    PrintRequest &m_request;
    LogWriter &m_log;
    Prompt &m_prompt;
};
