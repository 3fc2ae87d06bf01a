#pragma once

#include "AppSettings.h"
#include "DruckdatenTransfer.h"
#include "PrintControls.h"
#include "PrintDataServices.h"
#include "PrintLookup.h"
#include "PrintRequest.h"
#include "QueryTransfer.h"
#include "RawOutput.h"
#include "RecordingLog.h"
#include "RegionalFormat.h"
#include "SimulatedPlc.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// Records what the transfers send to the RAW printer, in order with the print-file jobs.
class RecordingRaw : public RawOutput {
public:
    QStringList jobs;
    qint32 fileResult = 1;

    qint32 printRawData(const QString &data) override
    {
        jobs.append(u"data "_s + data);
        return 0;
    }
    QString applyPrefix(const QString &prefix, const QString &data) const override
    {
        return prefix + data;
    }
    qint32 printRawFile(const QString &losName, qint32 teileNr) override
    {
        jobs.append(u"file %1 %2"_s.arg(losName).arg(teileNr));
        return fileResult;
    }
};

// One station over a real SQLite file: the table Druckdaten with a lot "L1" of part 7, the
// simulated PLC with the print-data variable of module "Etk1", and one output switched on.
struct PrintDataStation {
    QTemporaryDir dir;
    QString file = dir.filePath(u"druck.db"_s);
    SimulatedPlc plc;
    PrintControls controls;
    AppSettings settings;
    PrintRequest request;
    RecordingLog log;
    RecordingRaw raw;
    PrintDataServices services{settings, controls, request, log, plc, raw};
    DruckdatenTransfer druckdaten{services};
    QueryTransfer query{services};
    PrintLookup lookup{services, druckdaten, query};

    explicit PrintDataStation(const QString &table =
                                  u"LosName VARCHAR(40), TeileNr INTEGER, "
                                  u"Etikettendaten TEXT, Tintendruckdaten MEMO"_s)
    {
        execute({u"CREATE TABLE Druckdaten ("_s + table + u')',
                 u"INSERT INTO Druckdaten (LosName, TeileNr) VALUES ('L1', 7)"_s});
        controls.serverPath = file;
        controls.modulName = u"Etk1"_s;
        settings.ablOnOff = false;
        settings.writePrintData = 1;
        settings.outputCount = 1;
        request.LosName = u"L1"_s;
        request.TeileNr = 7;
        plc.define(u"Etk1.print.Druckdaten"_s, QMetaType(QMetaType::QString));
    }

    // Runs statements on the database file through a connection of the test's own.
    void execute(const QStringList &statements) const
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"fixture"_s);
            db.setDatabaseName(file);
            QVERIFY(db.open());
            for (const QString &statement : statements) {
                QSqlQuery q(db);
                QVERIFY2(q.exec(statement), qPrintable(q.lastError().text()));
            }
        }
        QSqlDatabase::removeDatabase(u"fixture"_s);
    }

    QString error() const { return controls.caption(PrintControls::Label::lblError); }
    // The label shows a text containing message, stamped with today's date.
    bool shows(const QString &message) const
    {
        const QString text = error();
        return text.startsWith(RegionalFormat::shortDate(QDate::currentDate()) + u' ') &&
               text.contains(message);
    }
};
