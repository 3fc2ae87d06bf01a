#include "AppEventLog.h"
#include "FakePrompt.h"
#include "HelpLauncher.h"
#include "MessageDisplay.h"
#include "MessageQueue.h"
#include "MessageWindow.h"
#include "PrintControls.h"
#include "SyslogSocket.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace Qt::StringLiterals;

namespace {
const QString kCounterTwo = u"*********     !!    2 Messages     !!     *********"_s;
}

// Receives what the desktop would open, through Qt's own handler registration.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url); }
};

class TstMessageWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void showsOldestFirst();
    void operatorActions_data();
    void operatorActions();
    void trim_data();
    void trim();
    void counterLine_data();
    void counterLine();
    void attentionCycle();
    void standardBox_data();
    void standardBox();
    void realStandardBox();
    void help_data();
    void help();
    void resizeFillsArea();

private:
    void add(const QString &text, const QString &helpFile = {}, int helpContext = 0)
    {
        // A help context only travels with a pending failure.
        const Failure failure{helpContext ? 5 : 0, {}, {}, helpFile, helpContext};
        m_queue->addMessage(1, text, u"Area"_s, 0, false, helpFile, failure);
    }
    MessageWindow *window() const { return m_display->window(); }
    template <typename W> W *child(const char *name) const
    {
        return window()->findChild<W *>(QString::fromLatin1(name));
    }
    QString shownText() const { return child<QPlainTextEdit>("txtMsgText")->toPlainText(); }
    QString counter() const { return child<QLabel>("lblMsgCount")->text(); }

    QTemporaryDir m_dir;
    PrintControls m_controls;
    UrlCatcher m_catcher;
    std::unique_ptr<SyslogSocket> m_syslog;
    std::unique_ptr<AppEventLog> m_eventLog;
    std::unique_ptr<MessageQueue> m_queue;
    FakePrompt m_prompt;
    qint64 m_now = 0;
    QList<LogDaten> m_boxed; // records the injected standard box was shown with
    bool m_boxAnswer = true;
    std::unique_ptr<MessageDisplay> m_display;
};

void TstMessageWindow::init()
{
    // A socket that does not exist: system-log writes fail quietly.
    m_syslog = std::make_unique<SyslogSocket>(u"Etikor"_s, m_dir.filePath(u"no-log"_s));
    m_eventLog = std::make_unique<AppEventLog>(*m_syslog, m_controls);
    m_queue = std::make_unique<MessageQueue>(*m_eventLog);
    m_prompt.messages.clear();
    m_catcher.urls.clear();
    QDesktopServices::setUrlHandler(u"file"_s, &m_catcher, "open");
    m_now = 1000;
    m_boxed.clear();
    m_display = std::make_unique<MessageDisplay>(
        *m_queue, m_prompt, m_dir.path(), [this] { return m_now; },
        [this](const LogDaten &r) {
            m_boxed.append(r);
            return m_boxAnswer;
        });
}

void TstMessageWindow::cleanup()
{
    m_display.reset();
    QDesktopServices::unsetUrlHandler(u"file"_s);
}

void TstMessageWindow::showsOldestFirst()
{
    add(u"first"_s);
    add(u"second"_s);
    m_display->feeder().tick();
    QVERIFY(window() && window()->isVisible() && !window()->isActiveWindow());
    QVERIFY(m_display->attentionRunning());
    QCOMPARE(shownText(), u"first"_s);
    QCOMPARE(window()->windowTitle(), u"Area"_s);
    QCOMPARE(child<QLineEdit>("txtMeldedatum")->text(), m_queue->msgQueue().first().datum);
    QCOMPARE(child<QLineEdit>("txtMeldezeitpunkt")->text(), m_queue->msgQueue().first().uhrzeit);
    QCOMPARE(window()->trafficLight(), u"Green"_s);
    QVERIFY(!window()->windowIcon().isNull());

    m_display->feeder().tick(); // the window is busy: nothing changes
    QCOMPARE(shownText(), u"first"_s);
    // The default help file is not installed here.
    child<QPushButton>("cmdHelp")->click();
    QCOMPARE(m_prompt.messages, QStringList{u"File not found <OrvaneAppl.chm>"_s});
    QCOMPARE(m_queue->size(), 2);
}

void TstMessageWindow::operatorActions_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<int>("nextInterval");
    const QStringList both{u"first"_s, u"second"_s};
    QTest::newRow("OK") << u"cmdOK"_s << QStringList{u"second"_s} << 300;
    QTest::newRow("Cancel") << u"cmdCancel"_s << both << 10000;
    QTest::newRow("Esc") << u"Esc"_s << both << 300;
    QTest::newRow("window closed") << u"close"_s << both << 300;
    QTest::newRow("Delete") << u"mnuDelete"_s << QStringList() << 300;
}

void TstMessageWindow::operatorActions()
{
    QFETCH(QString, action);
    QFETCH(QStringList, left);
    QFETCH(int, nextInterval);
    add(u"first"_s);
    add(u"second"_s);
    m_display->feeder().tick();
    if (action == u"Esc"_s) {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(child<QPlainTextEdit>("txtMsgText"), &esc);
        QVERIFY(esc.isAccepted());
    } else if (action == u"close"_s) {
        window()->close();
    } else if (action == u"mnuDelete"_s) {
        child<QAction>("mnuDelete")->trigger();
    } else {
        QTest::mouseClick(child<QPushButton>(action.toLatin1().constData()), Qt::LeftButton);
    }
    QVERIFY(!window() && !m_display->attentionRunning());
    QStringList texts;
    for (const LogDaten &r : m_queue->msgQueue())
        texts.append(r.meldetext);
    QCOMPARE(texts, left);

    m_display->feeder().tick();
    QCOMPARE(m_display->feeder().interval(), nextInterval);
    if (nextInterval != 300) { // the pause shows nothing, then the feeder runs as before
        QVERIFY(!window());
        m_display->feeder().tick();
        QCOMPARE(m_display->feeder().interval(), 300);
    }
    QCOMPARE(window() != nullptr, !left.isEmpty());
    if (window())
        QCOMPARE(shownText(), left.first());
}

void TstMessageWindow::trim_data()
{
    QTest::addColumn<int>("queued");
    QTest::addColumn<bool>("closed");
    QTest::newRow("20 kept") << 20 << false;
    QTest::newRow("21") << 21 << true;
    QTest::newRow("25") << 25 << true;
}

void TstMessageWindow::trim()
{
    QFETCH(int, queued);
    QFETCH(bool, closed);
    for (int i = 1; i <= queued; ++i)
        add(QString::number(i));
    m_display->feeder().tick();
    m_display->attentionTick();
    QCOMPARE(m_queue->size(), 20);
    QCOMPARE(window() == nullptr, closed);
    m_display->feeder().tick();
    QCOMPARE(shownText(), QString::number(queued - 19));
}

void TstMessageWindow::counterLine_data()
{
    QTest::addColumn<int>("queued");
    QTest::addColumn<QStringList>("lines"); // on display, then after each of three ticks
    QTest::newRow("one") << 1 << QStringList{{}, {}, {}, {}};
    QTest::newRow("two") << 2 << QStringList{kCounterTwo, {}, kCounterTwo, kCounterTwo};
}

void TstMessageWindow::counterLine()
{
    QFETCH(int, queued);
    QFETCH(QStringList, lines);
    for (int i = 0; i < queued; ++i)
        add(u"m"_s);
    m_display->feeder().tick();
    QStringList seen{counter()};
    for (int i = 0; i < 3; ++i) {
        m_display->attentionTick();
        seen.append(counter());
    }
    QCOMPARE(seen, lines);
}

void TstMessageWindow::attentionCycle()
{
    const QColor own, red(255, 0, 0), yellow(255, 255, 0), green(0, 255, 0);
    struct Tick {
        qint64 now;
        const char16_t *light;
        bool blinkOk;
        QColor ok; // invalid: the button keeps its own colour
    };
    // Shown at 1000; ignored for more than 10 s after 11000.
    const Tick ticks[] = {{2000, u"Green", false, own},  {3000, u"Yellow", false, own},
                          {4000, u"Red", false, own},    {11000, u"Green", false, own},
                          {11001, u"Yellow", true, own}, {12000, u"Red", true, green},
                          {13000, u"Green", true, red},  {14000, u"Yellow", true, yellow}};
    add(u"m"_s);
    m_display->feeder().tick();
    m_display->feeder().setPause(true);
    auto *ok = child<QPushButton>("cmdOK");
    const QColor initial = ok->palette().color(QPalette::Button);
    for (const Tick &t : ticks) {
        m_now = t.now;
        m_display->attentionTick();
        QCOMPARE(window()->trafficLight(), QString::fromUtf16(t.light));
        QCOMPARE(m_display->blinkOk(), t.blinkOk);
        QCOMPARE(ok->palette().color(QPalette::Button), t.ok.isValid() ? t.ok : initial);
    }
    QTRY_VERIFY(window()->isActiveWindow()); // took the focus when ignored
    QVERIFY(!m_display->feeder().paused());  // which ends a pause, as any activation does

    // OK keeps flashing for the next message, in the running rhythm.
    ok->click();
    add(u"next"_s);
    m_display->feeder().tick();
    m_display->attentionTick();
    QCOMPARE(window()->trafficLight(), u"Red"_s);
    QCOMPARE(child<QPushButton>("cmdOK")->palette().color(QPalette::Button), green);
}

void TstMessageWindow::standardBox_data()
{
    QTest::addColumn<QString>("helpFile");
    QTest::addColumn<int>("helpContext");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("boxed");
    QTest::addColumn<int>("left");
    QTest::newRow("default help: window") << QString() << 0 << true << false << 1;
    QTest::newRow("hlp without context: window") << u"a.hlp"_s << 0 << true << false << 1;
    QTest::newRow("chm with context: window") << u"a.chm"_s << 4 << true << false << 1;
    QTest::newRow("hlp, OK") << u"c:\\help\\a.Hlp"_s << 4 << true << true << 0;
    QTest::newRow("HLP, Cancel pauses") << u"A.HLP"_s << 9 << false << true << 1;
}

void TstMessageWindow::standardBox()
{
    QFETCH(QString, helpFile);
    QFETCH(int, helpContext);
    QFETCH(bool, answer);
    QFETCH(bool, boxed);
    QFETCH(int, left);
    m_boxAnswer = answer;
    add(u"text"_s, helpFile, helpContext);
    m_display->feeder().tick();
    QCOMPARE(m_boxed.size(), boxed ? 1 : 0);
    QCOMPARE(window() && window()->isVisible(), !boxed);
    QCOMPARE(m_queue->size(), left);
    m_display->feeder().tick();
    QCOMPARE(m_display->feeder().interval(), answer ? 300 : 10000);
}

void TstMessageWindow::realStandardBox()
{
    QFile help(m_dir.filePath(u"old.hlp"_s));
    QVERIFY(help.open(QIODevice::WriteOnly));
    MessageDisplay display(*m_queue, m_prompt, m_dir.path());
    add(u"text"_s, u"old.hlp"_s, 7);
    // Answers from inside the box's own loop: Help, which leaves the box up, then Cancel.
    QStringList seen;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        seen.append(box->windowTitle() + u'|' + box->text());
        box->button(seen.size() == 1 ? QMessageBox::Help : QMessageBox::Cancel)->click();
    });
    poll.start(10);
    display.feeder().tick();
    QCOMPARE(seen, QStringList(2, u"Area|text"_s));
    QCOMPARE(m_catcher.urls, QList<QUrl>{QUrl::fromLocalFile(help.fileName())});
    QCOMPARE(m_queue->size(), 1);
    display.feeder().tick();
    QCOMPARE(display.feeder().interval(), 10000);
}

void TstMessageWindow::help_data()
{
    QTest::addColumn<QString>("msgHelpFile");
    QTest::addColumn<QString>("opened"); // relative to the application folder; empty: none
    QTest::addColumn<QString>("reported");
    QTest::newRow("no help file") << QString() << QString() << u"No help available !"_s;
    QTest::newRow("topic split off") << u"manual.chm#42"_s << u"manual.chm"_s << QString();
    QTest::newRow("Windows separator") << u"docs\\guide.pdf"_s << u"docs/guide.pdf"_s << QString();
    QTest::newRow("old help") << u"old.hlp#3"_s << u"old.hlp"_s << QString();
    QTest::newRow("old help missing, not reported") << u"gone.HLP"_s << QString() << QString();
    QTest::newRow("text file left alone") << u"manual.txt"_s << QString() << QString();
    QTest::newRow("web page left alone") << u"docs/index.html"_s << QString() << QString();
    QTest::newRow("missing file") << u"gone.chm#1"_s << QString() << u"File not found <gone.chm>"_s;
    QTest::newRow("missing folder") << u"nowhere/x.chm"_s << QString() << u"Path not found"_s;
}

void TstMessageWindow::help()
{
    QFETCH(QString, msgHelpFile);
    QFETCH(QString, opened);
    QFETCH(QString, reported);
    QDir(m_dir.path()).mkpath(u"docs"_s);
    for (const char *name :
         {"manual.chm", "manual.txt", "docs/guide.pdf", "docs/index.html", "old.hlp"}) {
        QFile file(m_dir.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    HelpLauncher(m_prompt, m_dir.path()).help(msgHelpFile);
    QCOMPARE(m_prompt.messages, reported.isEmpty() ? QStringList() : QStringList{reported});
    const QList<QUrl> expected{QUrl::fromLocalFile(m_dir.filePath(opened))};
    QCOMPARE(m_catcher.urls, opened.isEmpty() ? QList<QUrl>() : expected);
}

void TstMessageWindow::resizeFillsArea()
{
    add(u"m"_s);
    m_display->feeder().tick();
    auto *text = child<QPlainTextEdit>("txtMsgText");
    window()->resize(700, 500);
    QApplication::processEvents();
    const QSize area = text->parentWidget()->size();
    QVERIFY(area.width() > 600);
    QCOMPARE(text->size(), area - QSize(2 * text->x(), 2 * text->y()));
}

QTEST_MAIN(TstMessageWindow)
#include "tst_messagewindow.moc"
