#include "AppSettings.h"
#include "FakePrompt.h"
#include "OptionStore.h"
#include "PlcConnection.h"
#include "PrintControls.h"
#include "PrintServices.h"
#include "RecordingLog.h"
#include "SimulatedPlc.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
struct NoOptions : OptionStore {
    QString getOption(const QString &, const QString &) override { return {}; }
    void setOption(const QString &, const QString &, const QString &) override {}
};

const QString kP = u"Etk1.Print."_s;
} // namespace

// A label station served whole: the PLC raises a lot request, the lookup calls the label
// output, Printvars come from SQLite, the label arrives at the test cupsd's label queue as a
// PDF page of the label's size, and the PLC is answered 0. The configuration's restart and
// the shutdown's close reach the label output.
class TstLabelStation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lotRequestPrintsALabel()
    {
        QTemporaryDir dir;
        const QString labels = qEnvironmentVariable("ETIKOR_TESTDATA") + u"/labels/"_s;
        QVERIFY(QDir(dir.path()).mkpath(u"Layout"_s));
        QVERIFY(
            QFile::copy(labels + u"part-label.glabels"_s, dir.filePath(u"Layout/labelshop.lab"_s)));
        QVERIFY(QFile::copy(labels + u"pump.png"_s, dir.filePath(u"pump.png"_s)));
        const QString db = dir.filePath(u"druck.db"_s);
        {
            QSqlDatabase sql = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"fixture"_s);
            sql.setDatabaseName(db);
            QVERIFY(sql.open());
            QSqlQuery q(sql);
            QVERIFY(q.exec(u"CREATE TABLE Druckdaten (LosName TEXT, TeileNr INTEGER, "
                           u"Printvars TEXT)"_s));
            QVERIFY(q.exec(u"INSERT INTO Druckdaten VALUES ('L2024-117', 7, '<Label>"
                           u"<PartNo>P-1001</PartNo><Lot>L2024-117</Lot><Photo>pump.png</Photo>"
                           u"</Label>')"_s));
        }
        QSqlDatabase::removeDatabase(u"fixture"_s);

        QTcpServer device; // where the test cupsd's queue EtikorLabel sends
        const QString server = qEnvironmentVariable("CUPS_SERVER");
        QVERIFY(device.listen(QHostAddress::LocalHost, server.section(u':', -1).toUShort() + 2));

        AppSettings settings;
        settings.labelshop = 1;
        settings.labelshopPath = dir.path();
        settings.outputCount = 1;
        settings.printerName = u"EtikorLabel"_s;
        settings.ablOnOff = false;
        PrintControls controls;
        controls.modulName = u"Etk1"_s;
        controls.serverPath = db;
        SimulatedPlc plc;
        for (const auto &[name, type] : {std::pair{u"anford"_s, QMetaType::Bool},
                                         {u"anfordErr"_s, QMetaType::Int},
                                         {u"anfordErrText"_s, QMetaType::QString},
                                         {u"LosName"_s, QMetaType::QString},
                                         {u"TeileNr"_s, QMetaType::Int}})
            QVERIFY(plc.define(kP + name, QMetaType(type), 255));
        RecordingLog log;
        FakePrompt prompt;
        NoOptions options;
        PlcConnection connection(plc, controls, settings, log);
        QStringList cleaned;
        PrintServices printing({settings,
                                controls,
                                log,
                                prompt,
                                plc,
                                connection,
                                options,
                                [&cleaned] { cleaned << u"clean"_s; },
                                {},
                                {}});

        printing.restartBackends(false); // the configuration's load starts the label program
        QCOMPARE(cleaned.size(), 1);
        connection.connectPlc();
        plc.setValue(kP + u"LosName"_s, u"L2024-117"_s);
        plc.setValue(kP + u"TeileNr"_s, 7);
        plc.setValue(kP + u"anford"_s, true);
        QTRY_COMPARE_WITH_TIMEOUT(plc.value(kP + u"anford"_s).toBool(), false, 20000);
        QCOMPARE(plc.value(kP + u"anfordErr"_s).toInt(), 0);
        QCOMPARE(controls.caption(PrintControls::Label::lblError), QString());
        QCOMPARE(printing.request().labelsPrinted, qint16(1));

        QVERIFY(device.waitForNewConnection(20000));
        std::unique_ptr<QTcpSocket> socket(device.nextPendingConnection());
        QByteArray pdf;
        while (socket->waitForReadyRead(5000))
            pdf += socket->readAll();
        QVERIFY2(pdf.startsWith("%PDF"), pdf.left(30).constData());
        QVERIFY(pdf.contains("/MediaBox [0 0 198.000000 85.000000]")); // 70 x 30 mm

        printing.restartBackends(true); // the shutdown ends it; no restart, nothing cleaned
        QCOMPARE(cleaned.size(), 1);
    }
};

QTEST_MAIN(TstLabelStation)
#include "tst_labelstation.moc"
