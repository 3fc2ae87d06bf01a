#include "RawPrinter.h"

#include "Ansi.h"
#include "AppSettings.h"
#include "CharsetDecoder.h"
#include "CupsJobSink.h"
#include "LogWriter.h"
#include "PrintControls.h"
#include "PrintRequest.h"
#include "Prompt.h"
#include "RegionalFormat.h"
#include "SocketJobSink.h"
#include "TextEncoding.h"
#include "TickCount.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

// The name the job carries in the printer queue.
const QString kDocumentName = u"projEtikor"_s;
// Ends every job, so that the device prints what it has received.
constexpr char16_t kFormFeed = 12;

QString now()
{
    return RegionalFormat::dateTime(QDateTime::currentDateTime());
}

} // namespace

RawPrinter::RawPrinter(const AppSettings &settings, PrintControls &controls, PrintRequest &request,
                       LogWriter &log, Prompt &prompt)
    : m_settings(settings)
    , m_controls(controls)
    , m_request(request)
    , m_log(log)
    , m_prompt(prompt)
{
}

qint32 RawPrinter::printRawData(const QString &data)
{
    const qint64 start = TickCount::tickCount();
    const std::unique_ptr<RawJobSink> printer = openPrinter();
    if (!printer) {
        m_prompt.message(u"The Printer Name you typed wasn't recognized :"_s +
                         m_settings.printerName);
        return 0;
    }
    const QString jobText = applyPrefix(m_settings.prefix, data) + QChar(kFormFeed);
    // Ordinary text goes out in the system ANSI code page, a byte text as its exact bytes.
    const Failure failure = printer->send(TextEncoding::bytesOf(jobText), kDocumentName);
    if (failure.pending()) {
        m_log.writeLog(failure.description + u"\r\n"_s + jobText, false, true);
        m_request.rawJobResult = 1;
        m_request.rawJobFailure = failure.description;
        return 1;
    }
    if (m_controls.check(PrintControls::CheckBox::chkHistory) >= 1)
        m_log.writeLog(jobText, false, true);
    m_request.rawPrintMs = TickCount::ticksSince(start);
    return 0;
}

std::unique_ptr<RawJobSink> RawPrinter::openPrinter() const
{
    if (SocketJobSink::isSocketUri(m_settings.printerName))
        return SocketJobSink::open(m_settings.printerName);
    return CupsJobSink::open(m_settings.printerName);
}

// "#" form: "#f1#f2..." fills the placeholders #~1~#, #~2~#, ... of the data (field 0 is the
// empty text before the leading "#"); an empty field leaves its placeholder. Any other prefix
// goes in front of the data.
QString RawPrinter::applyPrefix(const QString &prefix, const QString &data) const
{
    if (m_settings.prefixOnOff < 1)
        return data;
    if (!prefix.startsWith(u'#'))
        return prefix + data;
    const QStringList fields = prefix.split(u'#');
    QString text = data;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (!fields.at(i).isEmpty())
            text.replace(u"#~"_s + QString::number(i) + u"~#"_s, fields.at(i));
    }
    return text;
}

qint32 RawPrinter::printRawFile(const QString &losName, qint32 teileNr)
{
    if (losName.isEmpty() || teileNr == 0)
        return 1;
    const QString fileName = printFileName(losName, teileNr);
    // A normal file: a regular one that is not hidden. Directories, devices and pipes are not
    // print files, and reading a pipe could wait forever.
    const QFileInfo info(fileName);
    if (!info.isFile() || info.isHidden()) {
        report(now() + u" Error Printfile:"_s + fileName + u" not found! Printer: "_s +
               m_settings.printerName + u" !  "_s);
        return 2;
    }
    qint32 result = 1;
    const QString text = m_settings.codierung.isEmpty()
                             ? readPrintFile(fileName)
                             : readPrintFileCharset(fileName, m_settings.codierung);
    // Sent all the same: the printer gets the prefix and the form feed.
    if (text.isEmpty()) {
        report(now() + u" Error no Printdata:"_s + fileName + u" not found! Printer: "_s +
               m_settings.printerName + u" !  "_s);
        result = 2;
    }
    if (printRawData(text) > 0)
        result = 2;
    return result;
}

// cadPath is already a path this system opens ("/" separators).
QString RawPrinter::printFileName(const QString &losName, qint32 teileNr) const
{
    QString name = m_settings.cadPath + u'/' + losName + u'/' + QString::number(teileNr);
    if (m_request.EtikettenType != 0)
        name += u'#' + QString::number(m_request.EtikettenType);
    return name + m_settings.cadExtension;
}

QString RawPrinter::readPrintFile(const QString &fileName)
{
    const std::optional<QByteArray> bytes = readFile(fileName);
    return bytes ? Ansi::decode(*bytes) : QString();
}

QString RawPrinter::readPrintFileCharset(const QString &fileName, const QString &charset)
{
    const CharsetDecoder decoder(charset.isEmpty() ? u"WINDOWS-1252"_s : charset);
    if (!decoder.isValid())
        report(fileMessage(u" Error set CharSet File:"_s, fileName, decoder.errorString()));
    const std::optional<QByteArray> bytes = readFile(fileName);
    if (!bytes)
        return {};
    QString problem;
    QString text = decoder.isValid() ? decoder.decode(*bytes, problem) : Ansi::decode(*bytes);
    // Printers and PLC strings end a text at a NUL; UTF-16 files of some tools pad with them.
    text.replace(QChar(0), u' ');
    if (!problem.isEmpty())
        report(fileMessage(u" Error open File:"_s, fileName, problem));
    return text;
}

// The whole file; nothing after a failure, which is reported.
std::optional<QByteArray> RawPrinter::readFile(const QString &fileName)
{
    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly)) {
        QByteArray bytes = file.readAll();
        if (file.error() == QFileDevice::NoError)
            return bytes;
    }
    report(fileMessage(u" Error open File:"_s, fileName, file.errorString()));
    return std::nullopt;
}

// Timestamp, literal, file, printer, then the description on a line of its own.
QString RawPrinter::fileMessage(const QString &literal, const QString &fileName,
                                const QString &description) const
{
    return now() + literal + fileName + u"   Printer: "_s + m_settings.printerName + u" !  "_s +
           u"\r\n"_s + description;
}

void RawPrinter::report(const QString &text)
{
    m_controls.setCaption(PrintControls::Label::lblError, text);
    m_log.writeLog(text, false, true);
}
