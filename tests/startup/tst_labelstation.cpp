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

// A station with the test cupsd's queue EtikorLabel, whose device is a port of this test, and
// the simulated PLC of module Etk1; its outputs are set before start().
struct Station {
    QTemporaryDir dir;
    QTcpServer device;
    AppSettings settings;
    PrintControls controls;
    SimulatedPlc plc;
    RecordingLog log;
    FakePrompt prompt;
    NoOptions options;
    QStringList cleaned;
    std::unique_ptr<PlcConnection> connection;
    std::unique_ptr<PrintServices> printing;

    Station()
    {
        settings.outputCount = 1;
        settings.printerName = u"EtikorLabel"_s;
        settings.ablOnOff = false;
        controls.modulName = u"Etk1"_s;
        controls.setCaption(PrintControls::Label::lblDefPrinter, u"EtikorLabel"_s);
        for (const auto &[name, type] : {std::pair{u"anford"_s, QMetaType::Bool},
                                         {u"anfordErr"_s, QMetaType::Int},
                                         {u"anfordErrText"_s, QMetaType::QString},
                                         {u"LosName"_s, QMetaType::QString},
                                         {u"TeileNr"_s, QMetaType::Int},
                                         {u"ResteLaenge"_s, QMetaType::Int}})
            plc.define(kP + name, QMetaType(type), 255);
    }

    bool start()
    {
        const QString server = qEnvironmentVariable("CUPS_SERVER");
        if (!device.listen(QHostAddress::LocalHost, server.section(u':', -1).toUShort() + 2))
            return false;
        connection = std::make_unique<PlcConnection>(plc, controls, settings, log);
        printing.reset(new PrintServices({settings, controls, log, prompt, plc, *connection,
                                          options, [this] { cleaned << u"labels"_s; },
                                          [this] { cleaned << u"drawings"_s; }, dir.path()}));
        printing->restartBackends(false); // the configuration's load starts the outputs
        connection->connectPlc();
        return true;
    }

    // Raises a lot request and waits for the PLC's answer.
    void request(const QString &lot, int part)
    {
        plc.setValue(kP + u"LosName"_s, lot);
        plc.setValue(kP + u"TeileNr"_s, part);
        plc.setValue(kP + u"anford"_s, true);
        QTRY_COMPARE_WITH_TIMEOUT(plc.value(kP + u"anford"_s).toBool(), false, 20000);
    }

    // The next job the queue sent to its device.
    QByteArray job()
    {
        if (!device.waitForNewConnection(20000))
            return {};
        std::unique_ptr<QTcpSocket> socket(device.nextPendingConnection());
        QByteArray bytes;
        while (socket->waitForReadyRead(5000))
            bytes += socket->readAll();
        return bytes;
    }
};

} // namespace

// A station served whole: the PLC raises a lot request, the lookup calls the output, and the
// PLC is answered 0 once the job arrived at the test cupsd's queue. The configuration's restart
// and the shutdown's close reach the outputs.
class TstLabelStation : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Printvars from SQLite, the label a PDF page of the label's size.
    void lotRequestPrintsALabel()
    {
        Station s;
        const QString labels = qEnvironmentVariable("ETIKOR_TESTDATA") + u"/labels/"_s;
        QVERIFY(QDir(s.dir.path()).mkpath(u"Layout"_s));
        QVERIFY(QFile::copy(labels + u"part-label.glabels"_s,
                            s.dir.filePath(u"Layout/labelshop.lab"_s)));
        QVERIFY(QFile::copy(labels + u"pump.png"_s, s.dir.filePath(u"pump.png"_s)));
        const QString db = s.dir.filePath(u"druck.db"_s);
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
        s.settings.labelshop = 1;
        s.settings.labelshopPath = s.dir.path();
        s.controls.serverPath = db;
        QVERIFY2(s.start(), "the test cupsd's label device port is taken");
        QCOMPARE(s.cleaned, QStringList{u"labels"_s});

        s.request(u"L2024-117"_s, 7);
        QCOMPARE(s.plc.value(kP + u"anfordErr"_s).toInt(), 0);
        QCOMPARE(s.controls.caption(PrintControls::Label::lblError), QString());
        QCOMPARE(s.printing->request().labelsPrinted, qint16(1));
        const QByteArray pdf = s.job();
        QVERIFY2(pdf.startsWith("%PDF"), pdf.left(30).constData());
        QVERIFY(pdf.contains("/MediaBox [0 0 198.000000 85.000000]")); // 70 x 30 mm

        s.printing->restartBackends(true); // the shutdown ends it; no restart, nothing cleaned
        QCOMPARE(s.cleaned.size(), 1);
    }

    // A CAD export found by lot and part prints on landscape A4; a lot without one prints the
    // remnant label generated from the request's remnant data.
    void lotRequestPrintsADrawing()
    {
        Station s;
        QVERIFY(QDir(s.dir.path()).mkpath(u"img/L1"_s));
        QVERIFY(QFile::copy(qEnvironmentVariable("ETIKOR_TEST_SOURCE") +
                                u"/../data/drawings/part-drawing.wmf"_s,
                            s.dir.filePath(u"img/L1/7.wmf"_s)));
        s.settings.cadPrint = 1;
        s.settings.cadPrintRest = 1;
        s.settings.cadPath = s.dir.filePath(u"img"_s);
        s.settings.paperOrientation = 2;
        QVERIFY2(s.start(), "the test cupsd's label device port is taken");
        QCOMPARE(s.cleaned, QStringList{u"drawings"_s});

        s.request(u"L1"_s, 7);
        QCOMPARE(s.plc.value(kP + u"anfordErr"_s).toInt(), 0);
        QByteArray pdf = s.job();
        QVERIFY2(pdf.startsWith("%PDF"), pdf.left(30).constData());
        QVERIFY2(pdf.contains("/MediaBox [0 0 842"), pdf.left(600).constData()); // landscape A4
        // The other formats CAD systems export take the same way; a PDF goes as it is.
        for (const QString &extension : {u".emf"_s, u".svg"_s, u".png"_s, u".pdf"_s}) {
            QVERIFY(QFile::copy(qEnvironmentVariable("ETIKOR_TEST_SOURCE") +
                                    u"/../data/drawings/part-drawing"_s + extension,
                                s.dir.filePath(u"img/L1/7"_s + extension)));
            s.settings.cadExtension = extension;
            s.request(u"L1"_s, 7);
            QCOMPARE(s.plc.value(kP + u"anfordErr"_s).toInt(), 0);
            pdf = s.job();
            QVERIFY2(pdf.contains(extension == u".pdf" ? "MediaBox [ 0 0 283.464567"
                                                       : "/MediaBox [0 0 842"),
                     qPrintable(extension));
        }
        s.settings.cadExtension = u".wmf"_s;

        s.plc.setValue(kP + u"ResteLaenge"_s, 1200);
        s.request(u"L2"_s, 7);
        QCOMPARE(s.plc.value(kP + u"anfordErr"_s).toInt(), 0);
        QVERIFY(QFile::exists(s.dir.filePath(u"RestETK.emf"_s)));
        QVERIFY(s.job().startsWith("%PDF"));
        QCOMPARE(s.printing->request().labelsPrinted, qint16(1)); // counted per request
    }
};

QTEST_MAIN(TstLabelStation)
#include "tst_labelstation.moc"
