#include "AppSettings.h"
#include "GlabelsProgram.h"
#include "LabelPrint.h"
#include "PrintControls.h"
#include "PrintRequest.h"
#include "RecordingLog.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using O = Printvars::Outcome;

namespace {
// A label program that notes every call. Layouts it can open: "labelshop.lab" and
// "type2.lab" in Layout; each has the text object Artikel and the image object Logo.
struct FakeProgram : LabelProgram {
    struct Object : LabelDocObject {
        Object(QStringList &log, QString objectName, int type)
            : calls(log)
            , name(std::move(objectName))
            , kind(type)
        {
        }
        int type() const override { return kind; }
        void setFileName(const QString &p) override { calls << u"file "_s + name + u'=' + p; }
        void setValue(const QString &t) override { calls << u"value "_s + name + u'=' + t; }
        QStringList &calls;
        QString name;
        int kind;
    };
    struct Document : LabelDocument {
        Document(QStringList &log, Failure printFailure)
            : calls(log)
            , failure(std::move(printFailure))
        {
        }
        void closeAll() override { calls << u"closeAll"_s; }
        LabelDocObject *docObject(const QString &name) override
        {
            return name == u"Artikel"_s ? &artikel : name == u"Logo"_s ? &logo : nullptr;
        }
        Failure printLabel(int count) override
        {
            calls << u"printLabel %1"_s.arg(count);
            return failure;
        }
        void formFeed() override { calls << u"formFeed"_s; }
        QStringList &calls;
        Failure failure;
        Object artikel{calls, u"Artikel"_s, 0};
        Object logo{calls, u"Logo"_s, LabelDocObject::kImage};
    };

    explicit FakeProgram(QStringList &log, Failure printFailure = {})
        : calls(log)
        , failure(std::move(printFailure))
    {
    }
    std::unique_ptr<LabelDocument> open(const QString &path, QString &description) override
    {
        calls << u"open "_s + QFileInfo(path).fileName();
        if (!path.endsWith(u"/Layout/labelshop.lab"_s) && !path.endsWith(u"/Layout/type2.lab"_s)) {
            description = u"no such layout"_s;
            return nullptr;
        }
        return std::make_unique<Document>(calls, failure);
    }
    void quit() override { calls << u"quit"_s; }
    QStringList &calls;
    Failure failure;
};

// A station with the label output on, its label folder holding Images/logo.bmp.
struct Station {
    QTemporaryDir dir;
    AppSettings settings;
    PrintControls controls;
    RecordingLog log;
    PrintRequest request;
    QStringList calls;
    Printvars printvars{O::Found, {}, {}, {}};
    Failure printFailure;
    bool programStarts = true;
    LabelPrint output{{settings, controls, log, request,
                       [this](QString &why) -> std::unique_ptr<LabelProgram> {
                           calls << u"start"_s;
                           if (!programStarts)
                               why = u"no label program"_s;
                           return programStarts ? std::make_unique<FakeProgram>(calls, printFailure)
                                                : nullptr;
                       },
                       [this](const QString &lot, qint32 part) {
                           calls << u"read %1 %2"_s.arg(lot).arg(part);
                           return printvars;
                       },
                       [this] {
                           calls << u"clean"_s;
                       }}};

    Station()
    {
        settings.labelshop = 1;
        settings.labelshopPath = dir.path();
        settings.outputCount = 1;
        controls.serverPath = u"/data/druck.db"_s;
        QDir(dir.path()).mkpath(u"Images"_s);
        QFile logo(dir.filePath(u"Images/logo.bmp"_s));
        logo.open(QIODevice::WriteOnly);
    }
    QString error() const
    {
        // Without the time stamp, which ends at the first blank after the time.
        const QString text = controls.caption(PrintControls::Label::lblError);
        return text.mid(text.indexOf(u':') + 6).trimmed();
    }
};
} // namespace

class TstLabelPrint : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every way a lot request ends, as the status line and the log say it. %F: the label
    // folder.
    void requests_data()
    {
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("printvars");
        QTest::addColumn<int>("outputs");
        QTest::addColumn<bool>("printFails");
        QTest::addColumn<int>("result");
        QTest::addColumn<QStringList>("calls"); // after the start and the record's read
        QTest::addColumn<QString>("error");     // the status line without its time stamp
        QTest::addColumn<bool>("msgBox");
        QTest::addColumn<int>("reports"); // log entries: one for each failure
        const QString job = u"  Job:L1  Bar:7"_s;
        const QString both = u"<Label><Artikel>4711-A</Artikel><Logo>Images\\logo.bmp</Logo>"
                             u"</Label>"_s;
        const QStringList printed{u"printLabel 1"_s, u"formFeed"_s};
        const int found = int(O::Found), none = int(O::NoRecord);
        const QStringList art{u"value Artikel=x"_s},
            both4711{u"value Artikel=4711-A"_s, u"file Logo=%F/Images/logo.bmp"_s};
        const QString noFields = u"No Fields converted !"_s + job,
                      noData = u"No Printdata found !  <L1> <7>"_s;
        // clang-format off
        QTest::newRow("text and image") << found << both << 1 << false << 0 << both4711 + printed << QString() << false << 0;
        QTest::newRow("an object the layout lacks: printed all the same") << found << u"<L><Artikel>x</Artikel><Preis>1</Preis></L>"_s << 1 << false << 0 << art + printed << u"Fields <Preis> not found !"_s + job << true << 1;
        QTest::newRow("an image missing: printed all the same") << found << u"<L><Logo>Images\\none.bmp</Logo><Artikel>x</Artikel></L>"_s << 1 << false << 0 << art + printed << u"Image <%F/Images/none.bmp> not found !"_s + job << true << 1;
        QTest::newRow("an image outside the label folder") << found << u"<L><Logo>..\\..\\etc\\passwd</Logo></L>"_s << 1 << false << 1 << QStringList() << noFields << true << 2;
        QTest::newRow("only a layout") << found << u"<L><Layout>Layout\\type2.lab</Layout></L>"_s << 1 << false << 1 << QStringList{u"open type2.lab"_s} << noFields << true << 1;
        QTest::newRow("a declaration first: no fields") << found << u"<?xml version=\"1.0\"?><L><Artikel>x</Artikel></L>"_s << 1 << false << 1 << QStringList() << noFields << true << 1;
        QTest::newRow("not XML") << found << u"<L><Artikel>x</L>"_s << 1 << false << 1 << QStringList() << u"Opening and ending tag mismatch."_s << true << 1;
        QTest::newRow("a layout that cannot be opened") << found << u"<L><Layout>Layout\\gone.lab</Layout><Artikel>x</Artikel></L>"_s << 1 << false << 1 << QStringList{u"open gone.lab"_s} << u"Can't open Labelshop !  \r\n%F/Layout/gone.lab\r\nno such layout"_s << true << 1;
        QTest::newRow("a layout outside the label folder") << found << u"<L><Layout>..\\x.lab</Layout></L>"_s << 1 << false << 1 << QStringList() << u"Can't open Labelshop !  \r\n..\\x.lab\r\nthe layout ..\\x.lab lies outside the label folder %F"_s << true << 1;
        QTest::newRow("the printer fails") << found << both << 1 << true << 1 << both4711 + QStringList{u"printLabel 1"_s} << u"Print label: offline"_s + job << true << 1;
        QTest::newRow("no record, one output") << none << QString() << 1 << false << 1 << QStringList() << noData << false << 1;
        QTest::newRow("no record, two outputs: no word") << none << QString() << 2 << false << 1 << QStringList() << QString() << false << 0;
        QTest::newRow("Printvars empty") << int(O::Empty) << QString() << 1 << false << 1 << QStringList() << u"Field Printvars empty !  <L1> <7>"_s << true << 1;
        QTest::newRow("no database") << int(O::DatabaseMissing) << QString() << 1 << false << 1 << QStringList() << u"Database not found: /data/druck.db"_s << true << 1;
        QTest::newRow("the query fails: then no record") << int(O::QueryFailed) << QString() << 1 << false << 1 << QStringList() << noData << false << 2;
        // clang-format on
    }
    void requests()
    {
        QFETCH(int, outcome);
        QFETCH(QString, printvars);
        QFETCH(int, outputs);
        QFETCH(bool, printFails);
        QFETCH(QStringList, calls);
        QFETCH(QString, error);
        QFETCH(bool, msgBox);
        Station st;
        st.settings.outputCount = outputs;
        st.printvars = {O(outcome), printvars, u"SELECT x"_s, u"locked"_s};
        if (printFails)
            st.printFailure = {1, u"Label"_s, u"offline"_s, {}, 0};
        QTEST(st.output.labelPrint(u"L1"_s, 7, false), "result");
        calls.replaceInStrings(u"%F"_s, st.dir.path());
        error.replace(u"%F"_s, st.dir.path());
        const QStringList start{u"clean"_s, u"start"_s, u"open labelshop.lab"_s, u"read L1 7"_s};
        QCOMPARE(st.calls, start + calls);
        QCOMPARE(st.error(), error);
        QCOMPARE(st.request.labelsPrinted,
                 qint16(QTest::currentDataTag() == QByteArray("text and image") ||
                        calls.contains(u"formFeed"_s)));
        // Each failure is logged as the status line shows it; the query's own failure comes
        // first.
        QTEST(int(st.log.entries.size()), "reports");
        if (O(outcome) == O::QueryFailed)
            QVERIFY(st.log.entries.first().str.endsWith(u" OpenRecordset:SELECT x\r\nlocked"_s));
        if (!error.isEmpty()) {
            QCOMPARE(st.log.entries.last().str,
                     st.controls.caption(PrintControls::Label::lblError));
            QCOMPARE(st.log.entries.last().msgBox, msgBox);
            QVERIFY(!st.log.entries.last().timeStamp);
        }
    }

    // The program's life: started by the first call (the configuration's restart call with an
    // empty lot reads no record), a layout opened once while requests keep it, ended by the
    // close call and whenever the output is switched off.
    void lifecycle()
    {
        Station st;
        QCOMPARE(st.output.labelPrint({}, 0, false), 1);
        QCOMPARE(st.calls, (QStringList{u"clean"_s, u"start"_s, u"open labelshop.lab"_s}));
        st.calls.clear();
        st.printvars.text = u"<L><Layout>Layout\\type2.lab</Layout><Artikel>a</Artikel></L>"_s;
        QCOMPARE(st.output.labelPrint(u"L1"_s, 7, false), 0);
        QCOMPARE(st.output.labelPrint(u"L2"_s, 7, false), 0);
        st.printvars.text = u"<L><Artikel>b</Artikel></L>"_s; // back to the default layout
        QCOMPARE(st.output.labelPrint(u"L3"_s, 7, false), 0);
        QCOMPARE(st.calls.filter(u"open"_s),
                 (QStringList{u"open type2.lab"_s, u"open labelshop.lab"_s}));
        QCOMPARE(st.request.labelsPrinted, qint16(3));
        st.calls.clear();
        QCOMPARE(st.output.labelPrint(u"L4"_s, 7, true), 0);
        QCOMPARE(st.calls, (QStringList{u"closeAll"_s, u"quit"_s}));
        QVERIFY(!st.output.isOpen());
        st.calls.clear();
        st.settings.labelshop = 0; // switched off: ended, nothing started
        QCOMPARE(st.output.labelPrint(u"L5"_s, 7, false), 0);
        QCOMPARE(st.calls, QStringList());

        Station broken;
        broken.programStarts = false;
        QCOMPARE(broken.output.labelPrint(u"L1"_s, 7, false), 1);
        QCOMPARE(broken.error(), u"Can't create Labelshop !  no label program"_s);
        QVERIFY(!broken.calls.contains(u"read L1 7"_s));
    }

    // The station's own label program on a layout gLabels saved: an object is found by the
    // field it shows (a field only mixed texts use too), the photo is an image object, and a
    // printed label carries every value set so far as one record.
    void glabelsProgram()
    {
        QList<LabelValues> printed;
        GlabelsProgram program([&printed](const LabelRenderer &, const LabelValues &values) {
            printed << values;
            return Failure{};
        });
        const QString labels = qEnvironmentVariable("ETIKOR_TESTDATA") + u"/labels/"_s;
        QString why;
        QVERIFY(!program.open(labels + u"parts.csv"_s, why));
        QCOMPARE(why, labels + u"parts.csv: not a gLabels layout"_s);
        const auto doc = program.open(labels + u"part-label.glabels"_s, why);
        QVERIFY2(doc, qPrintable(why));
        QVERIFY(!doc->docObject(u"Preis"_s));
        for (const QString &field : {u"PartNo"_s, u"Description"_s, u"Lot"_s})
            QCOMPARE(doc->docObject(field)->type(), 0);
        QCOMPARE(doc->docObject(u"Photo"_s)->type(), LabelDocObject::kImage);
        doc->docObject(u"PartNo"_s)->setValue(u"P-2002"_s);
        doc->docObject(u"Photo"_s)->setFileName(labels + u"valve.png"_s);
        QVERIFY(!doc->printLabel(1).pending());
        doc->docObject(u"Lot"_s)->setValue(u"L2024-118"_s);
        QVERIFY(!doc->printLabel(1).pending());
        QCOMPARE(printed.size(), 2);
        QCOMPARE(printed.last(), (LabelValues{{u"PartNo"_s, u"P-2002"_s},
                                              {u"Photo"_s, labels + u"valve.png"_s},
                                              {u"Lot"_s, u"L2024-118"_s}}));
    }
};

QTEST_MAIN(TstLabelPrint)
#include "tst_labelprint.moc"
