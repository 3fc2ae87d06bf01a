#include "PrintServices.h"

#include "AppSettings.h"
#include "CommLink.h"
#include "GlabelsProgram.h"
#include "LabelImage.h"
#include "OptionStore.h"
#include "PlcConnection.h"
#include "PrintControls.h"
#include "PrintvarsQuery.h"
#include "StationImageBuilder.h"

using namespace Qt::StringLiterals;

namespace {
// Registry option "FailedJobToPLC" in the area "RAW": 1 makes a failed RAW job answer the PLC
// with its code. A station always left RAW jobs to the printer, so it is off unless set.
bool answerFailedRaw(OptionStore &options)
{
    return options.getOption(u"FailedJobToPLC"_s, u"RAW"_s).trimmed() == u"1"_s;
}

// Registry option "Resolution(dpi)" in the area "Label": the dots per inch of a socket://
// label printer, which gets its labels as bitmaps.
int labelDpi(OptionStore &options)
{
    bool ok = false;
    const int dpi = options.getOption(u"Resolution(dpi)"_s, u"Label"_s).trimmed().toInt(&ok);
    return ok && dpi >= 72 && dpi <= 1200 ? dpi : LabelPrinter::kDefaultDpi;
}
} // namespace

PrintServices::PrintServices(Parts parts)
    : m_connection(parts.connection)
    , m_raw(parts.settings, parts.controls, m_request, parts.log, parts.prompt)
    , m_command(parts.settings, parts.controls, parts.log)
    , m_labelPrinter(parts.settings, labelDpi(parts.options))
    , m_label({parts.settings, parts.controls, parts.log, m_request,
               [this](QString &) -> std::unique_ptr<LabelProgram> {
                   return std::make_unique<GlabelsProgram>(
                       [this](const LabelRenderer &renderer, const LabelValues &values) {
                           return m_labelPrinter.print(renderer, values);
                       });
               },
               [&settings = parts.settings, &controls = parts.controls](const QString &lot,
                                                                        qint32 part) {
                   return PrintvarsQuery::read(controls.serverPath, settings.baseDir, lot, part);
               },
               parts.cleanLabelImages})
    , m_cad({parts.settings, parts.controls, parts.log, m_request,
             [this](QString &) -> std::unique_ptr<DrawingViewer> {
                 return std::make_unique<StationDrawingViewer>(m_drawingSetupDialog);
             },
             [&settings = parts.settings](QString &) -> std::unique_ptr<ImageBuilder> {
                 return std::make_unique<StationImageBuilder>(settings);
             },
             parts.cleanCadImages, parts.programFolder})
    , m_dataServices{parts.settings, parts.controls, m_request, parts.log, parts.plc, m_raw}
    , m_druckdaten(m_dataServices)
    , m_query(m_dataServices)
    , m_lookup(m_dataServices, m_druckdaten, m_query)
    , m_cycle({parts.settings, parts.controls, m_request, parts.log, m_raw, m_command,
               [this](const QString &losName, qint32 teileNr, CommLink *link) {
                   return m_lookup.lookupPrint(losName, teileNr, link);
               },
               answerFailedRaw(parts.options)})
    , m_testPrint({parts.settings, m_request, parts.prompt, m_command,
                   [this](const QString &losName, qint32 teileNr, CommLink *link) {
                       return m_lookup.lookupPrint(losName, teileNr, link);
                   }})
{
    m_lookup.setLabelPrint([this](const QString &losName, qint32 teileNr, bool close) {
        return m_label.labelPrint(losName, teileNr, close);
    });
    m_lookup.setCadPrint(
        [this](const QString &losName, qint32 teileNr, bool close, qint16 resteKennung) {
            return m_cad.printCad(losName, teileNr, close, resteKennung);
        });
    m_connection.setRequestHandler([this](CommLink &record) {
        m_cycle.readProd(record);
        return !m_cycle.answerPending();
    });
}

void PrintServices::restartBackends(bool close)
{
    m_label.labelPrint({}, 0, close);
    m_cad.printCad({}, 0, close, 0);
}

void PrintServices::setLabelPreview(std::function<void(const QImage &label)> show)
{
    constexpr double kScreenDpi = 96;
    m_labelPrinter.setPrinted(
        [show = std::move(show)](const LabelRenderer &renderer, const LabelValues &values) {
            show(LabelImage::render(renderer, values, kScreenDpi));
        });
}

// A request that arrives after this is gone finds no handler and stays raised.
PrintServices::~PrintServices()
{
    m_connection.setRequestHandler({});
}
