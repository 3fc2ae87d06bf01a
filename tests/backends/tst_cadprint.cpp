#include "AppSettings.h"
#include "CadPrint.h"
#include "PrintControls.h"
#include "PrintRequest.h"
#include "RecordingLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// What the fakes did, in order: "load <file>", "print <file> on <printer>", "build <file>",
// "builder print <file> on <printer>", and the viewer's settings as "set ...".
struct Trace {
    QStringList calls;
    int viewersCreated = 0;
    int viewersAlive = 0;
};

class FakeViewer : public DrawingViewer {
public:
    FakeViewer(Trace &trace, QString failLoad, QString failPrint)
        : m_trace(trace)
        , m_failLoad(std::move(failLoad))
        , m_failPrint(std::move(failPrint))
    {
        ++m_trace.viewersCreated;
        ++m_trace.viewersAlive;
    }
    ~FakeViewer() override { --m_trace.viewersAlive; }

    Failure loadFile(const QString &path) override
    {
        m_file = QFileInfo(path).fileName();
        m_trace.calls << u"load "_s + m_file;
        return fail(m_failLoad);
    }
    int printerCount() const override { return 3; }
    QString printer(int index) const override
    {
        return QStringList{u"A"_s, u"P"_s, u"C"_s}.value(index);
    }
    void setPrinterIndex(int index) override { m_index = index; }
    int printerIndex() const override { return m_index; }
    void setBorderWidth(int width) override { set(u"border"_s, width); }
    void setPaperOrientation(int orientation) override { set(u"orientation"_s, orientation); }
    void setPrintScale(int scale) override { set(u"scale"_s, scale); }
    void setPrintViewArea(bool viewArea) override { set(u"viewArea"_s, viewArea); }
    void setShowPrinterSetupDialog(bool show) override { set(u"dialog"_s, show); }
    QPointF center() const override { return {50, 25}; }
    void scaleImage(bool on, double percent, double x, double y) override
    {
        m_trace.calls << u"scaleImage %1 %2 %3 %4"_s.arg(on).arg(percent).arg(x).arg(y);
    }
    Failure printImage() override
    {
        m_trace.calls << u"print "_s + m_file + u" on "_s + printer(m_index);
        return fail(m_failPrint);
    }

private:
    void set(const QString &what, int value)
    {
        m_trace.calls << u"set %1 %2"_s.arg(what).arg(value);
    }
    static Failure fail(const QString &why)
    {
        return why.isEmpty() ? Failure() : Failure{7, u"Viewer"_s, why, {}, 0};
    }

    Trace &m_trace;
    QString m_failLoad;
    QString m_failPrint;
    QString m_file;
    int m_index = 0;
};

class FakeBuilder : public ImageBuilder {
public:
    FakeBuilder(Trace &trace, Printed answer)
        : m_trace(trace)
        , m_answer(std::move(answer))
    {
    }
    Failure genRestImage(const QString &path, const QStringList &values) override
    {
        m_trace.calls << u"build "_s + QFileInfo(path).fileName() + u' ' + values.join(u'|');
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        return {};
    }
    Printed printImage(const QString &path, const QString &printer) override
    {
        m_trace.calls << u"builder print "_s + QFileInfo(path).fileName() + u" on "_s + printer;
        return m_answer;
    }

private:
    Trace &m_trace;
    Printed m_answer;
};

// A station with the image folder "img" and the program folder "prog" in a temporary folder,
// the active printer "P", and the fakes as its components.
struct Station {
    QTemporaryDir dir;
    AppSettings settings;
    PrintControls controls;
    RecordingLog log;
    PrintRequest request;
    Trace trace;
    QString failLoad, failPrint;
    bool viewerFails = false, builderMissing = false;
    ImageBuilder::Printed builderAnswer;
    int cleanups = 0;
    CadPrint cad{{settings, controls, log, request,
                  [this](QString &why) -> std::unique_ptr<DrawingViewer> {
                      if (viewerFails) {
                          why = u"no viewer"_s;
                          return nullptr;
                      }
                      return std::make_unique<FakeViewer>(trace, failLoad, failPrint);
                  },
                  [this](QString &why) -> std::unique_ptr<ImageBuilder> {
                      if (builderMissing) {
                          why = u"no builder"_s;
                          return nullptr;
                      }
                      return std::make_unique<FakeBuilder>(trace, builderAnswer);
                  },
                  [this] { ++cleanups; }, dir.filePath(u"prog"_s)}};

    Station()
    {
        QDir(dir.path()).mkpath(u"img/L1"_s);
        QDir(dir.path()).mkpath(u"prog"_s);
        settings.cadPath = QDir::toNativeSeparators(dir.filePath(u"img"_s)).replace(u'/', u'\\');
        settings.cadPrint = 1;
        settings.outputCount = 1;
        controls.setCaption(PrintControls::Label::lblDefPrinter, u"P"_s);
    }
    void touch(const QString &relative)
    {
        QFile(dir.filePath(relative)).open(QIODevice::WriteOnly);
    }
    QString error() const { return controls.caption(PrintControls::Label::lblError); }
};

} // namespace

class TestCadPrint : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fileName_data()
    {
        QTest::addColumn<int>("form");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name");
        QTest::newRow("form 1, type 0") << 1 << 0 << u"D:\\prod\\Images\\L4711\\12.wmf"_s;
        QTest::newRow("form 1, type 2") << 1 << 2 << u"D:\\prod\\Images\\L4711\\12#2.wmf"_s;
        QTest::newRow("form 2, type 0") << 2 << 0 << u"D:\\prod\\Images\\L4711#12.wmf"_s;
        QTest::newRow("form 2, type 2") << 2 << 2 << u"D:\\prod\\Images\\L4711#12#2.wmf"_s;
    }
    void fileName()
    {
        QFETCH(int, form);
        QFETCH(int, type);
        QTEST(CadPrint::fileName(u"D:\\prod\\Images"_s, form, u"L4711"_s, 12, type, u".wmf"_s),
              "name");
    }

    // Which file prints through which component, the fallbacks, the results and messages.
    void printCad_data()
    {
        QTest::addColumn<QString>("setup"); // key=value;... of the station
        QTest::addColumn<QString>("files"); // files present, "|"-separated
        QTest::addColumn<qint32>("result");
        QTest::addColumn<QString>("printed"); // the last print call; empty: none
        QTest::addColumn<QString>("message"); // what the status line ends with
        QTest::addColumn<int>("logged");      // 0 nothing, 1 with message box, 2 without

        const QString rest = u"rest=1;length=1200;flag=1"_s;
        // clang-format off
        QTest::newRow("form 1 through the viewer")     << u""_s << u"img/L1/7.wmf"_s << 0 << u"print 7.wmf on P"_s << QString() << 0;
        QTest::newRow("form 2, label type 3")          << u"cad=2;type=3"_s << u"img/L1#7#3.wmf"_s << 0 << u"print L1#7#3.wmf on P"_s << QString() << 0;
        QTest::newRow("Windows print: its form")       << u"cad=0;win=2"_s << u"img/L1#7.wmf"_s << 0 << u"builder print L1#7.wmf on P"_s << QString() << 0;
        QTest::newRow("both modes: builder prints")    << u"win=1"_s << u"img/L1/7.wmf"_s << 0 << u"builder print 7.wmf on P"_s << QString() << 0;
        QTest::newRow("missing, one output")           << u""_s << QString() << 1 << QString() << u" File : %img/L1/7.wmf not found!"_s << 1;
        QTest::newRow("missing, two outputs")          << u"outputs=2"_s << QString() << 1 << QString() << QString() << 0;
        QTest::newRow("generated remnant label")       << rest << QString() << 0 << u"print RestETK.emf on P"_s << QString() << 0;
        QTest::newRow("no length: the fixed image")    << u"rest=1;flag=2"_s << u"prog/waste.wmf"_s << 0 << u"print waste.wmf on P"_s << QString() << 0;
        QTest::newRow("fixed image missing")           << u"rest=1;flag=0"_s << QString() << 1 << QString() << u" File : %prog/label.wmf not found!"_s << 1;
        QTest::newRow("flag 3: the request's path")    << u"rest=1;flag=3"_s << QString() << 1 << QString() << u" File : %img/L1/7.wmf not found!"_s << 1;
        QTest::newRow("remnant off")                   << u"length=1200"_s << u"prog/label.wmf"_s << 1 << QString() << u"7.wmf not found!"_s << 1;
        QTest::newRow("builder's error text")          << u"win=1;text=out of paper"_s << u"img/L1/7.wmf"_s << 5 << u"builder print 7.wmf on P"_s
                                                       << u"Return Error printing 7.wmf Printer: P !  \r\nout of paper"_s << 2;
        QTest::newRow("builder's error text and code") << u"win=1;text=jam;code=17"_s << u"img/L1/7.wmf"_s << 17 << u"builder print 7.wmf on P"_s << u"jam"_s << 2;
        QTest::newRow("builder call failed")           << u"win=1;fails=gone"_s << u"img/L1/7.wmf"_s << 6 << u"builder print 7.wmf on P"_s
                                                       << u" Error printing 7.wmf Printer: P !  \r\ngone"_s << 2;
        QTest::newRow("builder call failed, code")     << u"win=1;fails=gone;code=9"_s << u"img/L1/7.wmf"_s << 9 << u"builder print 7.wmf on P"_s << u"gone"_s << 2;
        QTest::newRow("no builder: the viewer prints") << u"win=1;nobuilder=1"_s << u"img/L1/7.wmf"_s << 0 << u"print 7.wmf on P"_s
                                                       << u" Error printing 7.wmf Printerobject not found !  \r\n"_s << 2;
        QTest::newRow("viewer cannot load")            << u"load=bad file"_s << u"img/L1/7.wmf"_s << 3 << QString()
                                                       << u" Error printing 7.wmf Printer:  !  \r\nbad file"_s << 1;
        QTest::newRow("viewer cannot print")           << u"print=offline"_s << u"img/L1/7.wmf"_s << 3 << u"print 7.wmf on P"_s
                                                       << u" Error printing 7.wmf Printer: P !  \r\noffline"_s << 1;
        QTest::newRow("a lot name leaving the folder") << u"lot=../L1"_s << u"img/L1/7.wmf|L1/7.wmf"_s << 1 << QString() << u"not found!"_s << 1;
        // clang-format on
    }
    void printCad()
    {
        QFETCH(QString, setup);
        QFETCH(QString, files);
        QFETCH(QString, message);
        QFETCH(int, logged);
        Station s;
        QHash<QString, QString> v;
        for (const QString &pair : setup.split(u';', Qt::SkipEmptyParts))
            v.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        s.settings.cadPrint = v.value(u"cad"_s, u"1"_s).toInt();
        s.settings.winCadPrint = v.value(u"win"_s).toInt();
        s.settings.cadPrintRest = v.value(u"rest"_s).toInt();
        s.settings.outputCount = v.value(u"outputs"_s, u"1"_s).toInt();
        s.request.EtikettenType = qint16(v.value(u"type"_s).toInt());
        s.request.ResteLaenge = v.value(u"length"_s).toInt();
        s.request.ResteProfil = u"P-40"_s;
        s.request.ResteColor = u"RAL 9016"_s;
        s.builderAnswer = {v.value(u"code"_s).toInt(), v.value(u"text"_s),
                           v.contains(u"fails"_s) ? Failure{5, u"B"_s, v.value(u"fails"_s), {}, 0}
                                                  : Failure()};
        s.builderMissing = v.contains(u"nobuilder"_s);
        s.failLoad = v.value(u"load"_s);
        s.failPrint = v.value(u"print"_s);
        for (const QString &file : files.split(u'|', Qt::SkipEmptyParts))
            s.touch(file);
        s.request.labelsPrinted = 4;

        const qint32 result = s.cad.printCad(v.value(u"lot"_s, u"L1"_s), 7, false,
                                             qint16(v.value(u"flag"_s).toInt()));
        QTEST(result, "result");
        QStringList prints = s.trace.calls.filter(QRegularExpression(u"^(builder )?print "_s));
        QTEST(prints.value(prints.size() - 1), "printed");
        QCOMPARE(s.request.labelsPrinted, result == 0 ? 5 : 4);
        message.replace(u'%', QDir::cleanPath(s.dir.path()) + u'/');
        QVERIFY2(message.isEmpty() ? s.error().isEmpty() : s.error().endsWith(message),
                 qPrintable(s.error()));
        // Only the component's own complaints are logged; the missing builder is told at start.
        const auto entries = s.log.entries.last(logged ? 1 : 0);
        QCOMPARE(s.log.entries.isEmpty(), logged == 0 && !s.builderMissing);
        if (logged)
            QCOMPARE(entries.first().msgBox, logged == 1 || v.contains(u"nobuilder"_s));
        if (v.contains(u"length"_s) && v.value(u"rest"_s) == u"1"_s)
            QVERIFY(s.trace.calls.contains(u"build RestETK.emf 1200|P-40|RAL 9016|"_s));
    }

    // The viewer prints on the active printer with the station's settings.
    void viewerSettings()
    {
        Station s;
        s.touch(u"img/L1/7.wmf"_s);
        s.settings.paperOrientation = 2;
        s.settings.printToFit = 1;
        s.controls.setCheck(PrintControls::CheckBox::chkDialog, 1);
        QCOMPARE(s.cad.printCad(u"L1"_s, 7, false, 0), 0);
        QCOMPARE(s.trace.calls,
                 QStringList({u"load 7.wmf"_s, u"set border 0"_s, u"set orientation 2"_s,
                              u"set scale 2"_s, u"set viewArea 0"_s, u"set dialog 1"_s,
                              u"scaleImage 1 220 50 25"_s, u"print 7.wmf on P"_s}));
    }

    // Creation, restart, the retry after a failed creation, and the end.
    void lifecycle()
    {
        Station s;
        s.touch(u"img/L1/7.wmf"_s);
        s.viewerFails = true;
        QCOMPARE(s.cad.printCad(u"L1"_s, 7, false, 0), 1);
        QVERIFY(s.error().endsWith(u" Can't create CADVIEW !  no viewer"_s));
        s.viewerFails = false;
        QCOMPARE(s.cad.printCad(u"L1"_s, 7, false, 0), 0); // tried again
        QCOMPARE(s.cleanups, 2);
        QCOMPARE(s.cad.printCad(QString(), 0, false, 0), 1); // the configuration's restart
        QCOMPARE(s.trace.viewersCreated, 2);
        QCOMPARE(s.cleanups, 3);
        s.settings.winCadPrint = 1;
        s.builderMissing = true;
        QCOMPARE(s.cad.printCad(QString(), 0, false, 0), 1);
        QVERIFY(s.error().endsWith(u" Can't create Bildwerk !  no builder"_s));
        QVERIFY(s.cad.isOpen());
        QCOMPARE(s.cad.printCad(u"L1"_s, 7, true, 0), 0); // the shutdown
        QCOMPARE(s.trace.viewersAlive, 0);
        QVERIFY(!s.cad.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestCadPrint)
#include "tst_cadprint.moc"
