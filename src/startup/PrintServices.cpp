#include "PrintServices.h"

#include "CommLink.h"
#include "OptionStore.h"
#include "PlcConnection.h"

using namespace Qt::StringLiterals;

namespace {
// Registry option "FailedJobToPLC" in the area "RAW": 1 makes a failed RAW job answer the PLC
// with its code. A station always left RAW jobs to the printer, so it is off unless set.
bool answerFailedRaw(OptionStore &options)
{
    return options.getOption(u"FailedJobToPLC"_s, u"RAW"_s).trimmed() == u"1"_s;
}
} // namespace

PrintServices::PrintServices(Parts parts)
    : m_connection(parts.connection)
    , m_raw(parts.settings, parts.controls, m_request, parts.log, parts.prompt)
    , m_command(parts.settings, parts.controls, parts.log)
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
    m_connection.setRequestHandler([this](CommLink &record) {
        m_cycle.readProd(record);
        return !m_cycle.answerPending();
    });
}

// A request that arrives after this is gone finds no handler and stays raised.
PrintServices::~PrintServices()
{
    m_connection.setRequestHandler({});
}
