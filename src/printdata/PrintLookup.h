#pragma once

#include "PrintDataReport.h"
#include "PrintDataServices.h"

#include <QString>
#include <functional>

class CommLink;
class DruckdatenTransfer;
class QueryTransfer;

// The dispatcher of a lot request: runs the outputs the station has switched on (CAD print,
// label program, RAW print file, and the database step the label type chooses) and combines
// their results into the one result the PLC receives.
class PrintLookup {
public:
    // The CAD print: lot, part number, close flag, remnant flag. The label program: lot, part
    // number, close flag. Both answer with their result code and count the labels they
    // printed in the request.
    using CadPrint = std::function<qint32(const QString &, qint32, bool, qint16)>;
    using LabelPrint = std::function<qint32(const QString &, qint32, bool)>;

    PrintLookup(const PrintDataServices &services, DruckdatenTransfer &druckdaten,
                QueryTransfer &query);

    // An output that is not set is skipped even when the settings switch it on.
    void setCadPrint(CadPrint print) { m_cadPrint = std::move(print); }
    void setLabelPrint(LabelPrint print) { m_labelPrint = std::move(print); }

    // link: the request's link record, none for a test print. The lot name is taken as a
    // copy, because the query transfer may overwrite the request's own while this runs.
    qint32 lookupPrint(QString losName, qint32 teileNr, const CommLink *link);

    // The name and statement of the stored query of label type 0.
    static QString storedQueryName();
    static QString storedQueryText();
    // What a lot request of label type 0 runs when the database has no stored query.
    static QString defaultQueryText();

private:
    struct Results {
        qint32 firstError = 0;
        qint32 last = 0;
        void add(qint32 result);
    };

    qint32 databaseStep(const QString &losName, qint32 teileNr, const CommLink *link);
    qint32 combine(const Results &results, const QString &losName, qint32 teileNr);

    PrintDataServices m_services;
    PrintDataReport m_report;
    DruckdatenTransfer &m_druckdaten;
    QueryTransfer &m_query;
    CadPrint m_cadPrint;
    LabelPrint m_labelPrint;
};
