#include "PrintLookup.h"

#include "AppSettings.h"
#include "DruckdatenTransfer.h"
#include "PrintRequest.h"
#include "QueryTransfer.h"
#include "RawOutput.h"
#include "RegionalFormat.h"

#include <QDateTime>

using namespace Qt::StringLiterals;

PrintLookup::PrintLookup(const PrintDataServices &services, DruckdatenTransfer &druckdaten,
                         QueryTransfer &query)
    : m_services(services)
    , m_report(services.controls, services.log)
    , m_druckdaten(druckdaten)
    , m_query(query)
{
}

QString PrintLookup::storedQueryName()
{
    return u"ServerDruckdaten"_s;
}

QString PrintLookup::defaultQueryText()
{
    return u"Select * from Druckdaten"_s;
}

QString PrintLookup::storedQueryText()
{
    return u"SELECT Druckdaten.LosName, Druckdaten.TeileNr, Druckdaten.Etikettendaten, "
           u"Druckdaten.Tintendruckdaten FROM Druckdaten;"_s;
}

void PrintLookup::Results::add(qint32 result)
{
    last = result;
    if (firstError == 0)
        firstError = result;
}

qint32 PrintLookup::lookupPrint(QString losName, qint32 teileNr, const CommLink *link)
{
    m_services.request.labelsPrinted = 0;
    if (losName.isEmpty() || teileNr <= 0)
        return 0;
    const AppSettings &settings = m_services.settings;
    Results results;
    if ((settings.cadPrint != 0 || settings.winCadPrint != 0) && m_cadPrint)
        results.add(m_cadPrint(losName, teileNr, false, m_services.request.ResteKennung));
    if (settings.labelshop != 0 && m_labelPrint)
        results.add(m_labelPrint(losName, teileNr, false));
    if (settings.printRaw == 2)
        results.add(m_services.raw.printRawFile(losName, teileNr));
    if (settings.writePrintData != 0 || settings.printRaw == 1)
        results.add(databaseStep(losName, teileNr, link));
    return combine(results, losName, teileNr);
}

// Label types 1 to 5 transfer one column of Druckdaten; any other type runs the stored query.
// The part number and the lot name are bound to the statement; messages show it with them
// written in, as the stations always did.
qint32 PrintLookup::databaseStep(const QString &losName, qint32 teileNr, const CommLink *link)
{
    const SqlStatement filter(u"Druckdaten.teileNr=? and Druckdaten.LosName=?"_s,
                              {teileNr, losName},
                              u"Druckdaten.teileNr="_s + QString::number(teileNr) +
                                  u" and Druckdaten.LosName='"_s + losName + u"';"_s);
    static const QStringList columns{u"Etikettendaten"_s, u"Tintendruckdaten"_s, u"Druckdaten1"_s,
                                     u"Druckdaten2"_s, u"Druckdaten3"_s};
    const int type = m_services.request.EtikettenType;
    if (type < 1 || type > 5)
        return m_query.writeQuery(storedQueryName(), filter.after(u" where "_s), link);
    const QString &column = columns.at(type - 1);
    return m_druckdaten.writeDruckdaten(
        filter.after(u"SELECT Druckdaten.LosName, Druckdaten.TeileNr, Druckdaten."_s + column +
                     u" FROM Druckdaten where "_s),
        column);
}

// With one output the result is that output's. With several they are alternatives: one
// printed label is success, none means no print data were found, more than one is reported.
qint32 PrintLookup::combine(const Results &results, const QString &losName, qint32 teileNr)
{
    if (m_services.settings.outputCount <= 1)
        return results.last;
    const qint16 printed = m_services.request.labelsPrinted;
    if (printed == 1)
        return 0;
    const QString lot = u"  <"_s + losName + u"> <"_s + QString::number(teileNr) + u'>';
    if (printed > 1)
        m_report.log(RegionalFormat::dateTime(QDateTime::currentDateTime()) + u"   "_s +
                     QString::number(printed) + u"Label's printed !"_s + lot);
    else
        m_report.report(u"No Printdata found !"_s + lot, false);
    return results.firstError != 0 ? results.firstError : 1;
}
