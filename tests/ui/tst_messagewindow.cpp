#include "AppEventLog.h"
#include "FakePrompt.h"
#include "MessageDisplay.h"
#include "MessageQueue.h"
#include "PrintControls.h"
#include "SyslogSocket.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <memory>
#include <tuple>

using namespace Qt::StringLiterals;

class TstMessageWindow : public QObject {
    Q_OBJECT
public:
    TstMessageWindow() { QDesktopServices::setUrlHandler(u"file"_s, this, "open"); }
    ~TstMessageWindow() override { QDesktopServices::unsetUrlHandler(u"file"_s); }

public Q_SLOTS:
    // What the desktop would open arrives here, through Qt's own handler registration.
    void open(const QUrl &url) { m_opened.append(url.toLocalFile()); }

private Q_SLOTS:
    void init()
    {
        m_queue.clear();
        m_prompt.messages.clear();
        m_opened.clear();
        m_now = 1000;
        m_display = std::make_unique<MessageDisplay>(
            m_queue, m_prompt, m_dir.path(), [this] { return m_now; },
            [this](const LogDaten &) { return m_boxAnswer; });
    }

    void closing_data()
    {
        QTest::addColumn<int>("queued");           // messages "1", "2", …
        QTest::addColumn<QString>("action");       // a control, Esc, close, or the attention tick
        QTest::addColumn<QList<int>>("intervals"); // of the feeder's next ticks
        QTest::addColumn<QString>("next");         // shown after them
        QTest::newRow("OK") << 2 << u"cmdOK"_s << QList{300} << u"2"_s;
        QTest::newRow("Cancel pauses once") << 2 << u"cmdCancel"_s << QList{10000, 300} << u"1"_s;
        QTest::newRow("Esc") << 2 << u"Esc"_s << QList{300} << u"1"_s;
        QTest::newRow("closed by the desktop") << 2 << u"close"_s << QList{300} << u"1"_s;
        QTest::newRow("Delete") << 2 << u"mnuDelete"_s << QList{300} << QString();
        QTest::newRow("20 stay") << 20 << u"tick"_s << QList<int>() << u"1"_s;
        QTest::newRow("21 trimmed") << 21 << u"tick"_s << QList{300} << u"2"_s;
        QTest::newRow("25 trimmed") << 25 << u"tick"_s << QList{300} << u"6"_s;
    }
    void closing()
    {
        QFETCH(int, queued);
        QFETCH(QString, action);
        QFETCH(QList<int>, intervals);
        for (int i = 1; i <= queued; ++i)
            add(QString::number(i));
        feeder().tick();
        MessageWindow *const shown = window();
        feeder().tick(); // the window is busy: the others wait
        QVERIFY(window() == shown && shown->isVisible());
        QCOMPARE(shownText(), u"1"_s);
        QCOMPARE(window()->windowTitle(), u"Area"_s);
        child<QPushButton>(u"cmdHelp"_s)->click(); // the default help file is not installed here
        QCOMPARE(m_prompt.messages, QStringList{u"File not found <OrvaneAppl.chm>"_s});
        if (action == u"tick"_s)
            m_display->attentionTick();
        else if (action == u"Esc"_s) // from the text box, where the operator's keys go
            QTest::keyClick(child<QPlainTextEdit>(u"txtMsgText"_s), Qt::Key_Escape);
        else if (action == u"close"_s)
            window()->close();
        else if (auto *button = child<QPushButton>(action))
            button->click();
        else
            child<QAction>(action)->trigger();
        QCOMPARE(m_display->attentionRunning(), window() != nullptr);
        for (int interval : intervals) {
            QVERIFY(!window());
            feeder().tick();
            QCOMPARE(feeder().interval(), interval);
        }
        QTEST(window() ? shownText() : QString(), "next");
    }

    void attentionCycle()
    {
        const QColor own, red(255, 0, 0), yellow(255, 255, 0), green(0, 255, 0); // own: steady
        // Shown at 1000; ignored for over 10 s at 11001 and 21002, when it takes the focus.
        const std::tuple<qint64, QString, QColor> ticks[] = {
            {2000, u"Green"_s, own},  {3000, u"Yellow"_s, own},     {4000, u"Red"_s, own},
            {11000, u"Green"_s, own}, {11001, u"Yellow"_s, own},    {12000, u"Red"_s, green},
            {13000, u"Green"_s, red}, {14000, u"Yellow"_s, yellow}, {21001, u"Red"_s, green},
            {21002, u"Green"_s, red}};
        const QString counter = u"*********     !!    2 Messages     !!     *********"_s;
        add(u"first"_s);
        add(u"second"_s);
        feeder().tick();
        QWidget elsewhere; // where the operator is working
        elsewhere.show();
        QApplication::processEvents();
        feeder().setPause(true);
        auto *ok = child<QPushButton>(u"cmdOK"_s);
        auto *count = child<QLabel>(u"lblMsgCount"_s);
        QCOMPARE(count->text(), counter);
        const QColor initial = ok->palette().color(QPalette::Button);
        auto *datum = child<QLineEdit>(u"txtMeldedatum"_s);
        const QRect datumAt = datum->geometry();
        QVERIFY(datum->width() > datum->fontMetrics().horizontalAdvance(datum->text()));
        for (const auto &[now, light, colour] : ticks) {
            m_now = now;
            m_display->attentionTick();
            QApplication::processEvents(); // delivers any activation
            QCOMPARE(window()->isActiveWindow(), now == 11001 || now == 21002);
            elsewhere.activateWindow(); // and the operator goes back to work
            QCOMPARE(window()->trafficLight(), light);
            QCOMPARE(m_display->blinkOk(), now > 11000);
            QCOMPARE(ok->palette().color(QPalette::Button), colour.isValid() ? colour : initial);
            QCOMPARE(count->text(), light == u"Green"_s ? QString() : counter); // blinks with it
            QCOMPARE(datum->geometry(), datumAt); // and moves nothing when it does
        }
        QVERIFY(!feeder().paused()); // taking the focus ends a pause, as any activation does
        // OK flashes for the next message too, in the running rhythm; alone, it has no counter.
        ok->click();
        feeder().tick();
        m_display->attentionTick();
        QCOMPARE(child<QPushButton>(u"cmdOK"_s)->palette().color(QPalette::Button), yellow);
        QCOMPARE(child<QLabel>(u"lblMsgCount"_s)->text(), QString());
    }

    void standardBox_data()
    {
        QTest::addColumn<QString>("helpFile");
        QTest::addColumn<int>("helpContext");
        QTest::addColumn<QString>("answer"); // the standard box's; none: the window shows it
        QTest::newRow("hlp without context: window") << u"a.hlp"_s << 0 << QString();
        QTest::newRow("chm with context: window") << u"a.chm"_s << 4 << QString();
        QTest::newRow("hlp, OK takes it") << u"c:\\help\\a.Hlp"_s << 4 << u"OK"_s;
        QTest::newRow("HLP, Cancel pauses") << u"A.HLP"_s << 9 << u"Cancel"_s;
    }
    void standardBox()
    {
        QFETCH(QString, helpFile);
        QFETCH(int, helpContext);
        QFETCH(QString, answer);
        m_boxAnswer = answer == u"OK"_s;
        // A help context only travels with a pending failure.
        m_queue.addMessage(1, u"text"_s, u"Area"_s, 0, false, {},
                           {5, {}, {}, helpFile, helpContext});
        feeder().tick();
        QCOMPARE(window() && window()->isVisible(), answer.isEmpty());
        QCOMPARE(m_queue.isEmpty(), m_boxAnswer);
        feeder().tick();
        QCOMPARE(feeder().interval(), answer == u"Cancel"_s ? 10000 : 300);
    }

    void help_data()
    {
        QTest::addColumn<QString>("msgHelpFile");
        QTest::addColumn<QString>("opened"); // relative to the application folder; empty: none
        QTest::addColumn<QString>("reported");
        QTest::newRow("no help file") << QString() << QString() << u"No help available !"_s;
        QTest::newRow("topic split off") << u"guide.pdf#42"_s << u"guide.pdf"_s << QString();
        QTest::newRow("old help") << u"old.hlp#3"_s << u"old.hlp"_s << QString();
        QTest::newRow("old help missing, not reported") << u"gone.HLP"_s << QString() << QString();
        QTest::newRow("text file left alone") << u"manual.txt"_s << QString() << QString();
        QTest::newRow("web page left alone") << u"index.html"_s << QString() << QString();
        QTest::newRow("missing file")
            << u"gone.chm#1"_s << QString() << u"File not found <gone.chm>"_s;
        QTest::newRow("missing folder (\\)")
            << u"nowhere\\x.chm"_s << QString() << u"Path not found"_s;
    }
    void help()
    {
        QFETCH(QString, msgHelpFile);
        QFETCH(QString, opened);
        QFETCH(QString, reported);
        for (const char *name : {"manual.txt", "guide.pdf", "old.hlp"})
            QVERIFY(QFile(m_dir.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly));
        HelpLauncher(m_prompt, m_dir.path()).help(msgHelpFile);
        QCOMPARE(m_prompt.messages, reported.isEmpty() ? QStringList() : QStringList{reported});
        QCOMPARE(m_opened, opened.isEmpty() ? QStringList() : QStringList{m_dir.filePath(opened)});
    }

private:
    void add(const QString &text) { m_queue.addMessage(1, text, u"Area"_s, 0, false, {}); }
    MessageFeeder &feeder() { return m_display->feeder(); }
    MessageWindow *window() const { return m_display->window(); }
    template <typename W> W *child(const QString &n) const { return window()->findChild<W *>(n); }
    QString shownText() const { return child<QPlainTextEdit>(u"txtMsgText"_s)->toPlainText(); }

    QTemporaryDir m_dir;
    PrintControls m_controls;
    // A socket that does not exist: system-log writes fail quietly.
    SyslogSocket m_syslog{u"Etikor"_s, m_dir.filePath(u"no-log"_s)};
    AppEventLog m_eventLog{m_syslog, m_controls};
    MessageQueue m_queue{m_eventLog};
    FakePrompt m_prompt;
    QStringList m_opened;
    qint64 m_now = 0;
    bool m_boxAnswer = false; // what the injected standard box answers
    std::unique_ptr<MessageDisplay> m_display;
};

QTEST_MAIN(TstMessageWindow)
#include "tst_messagewindow.moc"
