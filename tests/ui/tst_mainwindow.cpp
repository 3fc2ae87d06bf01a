#include "AppSettings.h"
#include "MainWindow.h"
#include "PrintControls.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace Qt::StringLiterals;
using C = PrintControls::CheckBox;
Q_DECLARE_METATYPE(int AppSettings::*) // the settings field a three-state box drives

// The offscreen platform has no notification area; each test decides whether an icon shows.
struct TrayWindow : MainWindow {
    using MainWindow::MainWindow;
    bool trayIconShown() const override { return tray; }
    bool tray = false;
};

class TstMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init()
    {
        m_window.reset(); // a fresh window and fresh values for every test
        m_settings = AppSettings{};
        m_controls = std::make_unique<PrintControls>();
        m_window = std::make_unique<TrayWindow>(*m_controls, m_settings);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void captions_data()
    {
        QTest::addColumn<QString>("row"); // name|caption|buddy, the control a label names
        const QStringList others(
            {u"lblPath|Druck-Datenbank Path:|txtServer"_s, u"lblNetid|Tessel NetId:|txtNetId"_s,
             u"lblPort|Port:|txtPort"_s, u"lblModulname|Modulname:|txtModulname"_s,
             u"lblLabelshopPath|Labelshop Path:|txtLabelshopPath"_s,
             u"lblEtkPath|CAD Picture Path:|txtEtkPath"_s,
             u"lblCADExtension|CAD Extension:|txtCADExtension"_s,
             u"lblDelDelay|Autom. Löschen (Tage):|txtDeleteDelay"_s,
             u"lblCommand|Command-Line|txtCommand"_s, u"lblCodierung|Codierung:|txtCodierung"_s,
             u"lblPrinter|Select Printer:|cboPrinter"_s, u"lblPrinterDevice|Aktiv. Printer:"_s,
             u"cmdConnection|..."_s, u"cmdSave|Save"_s, u"cmdLoad|Load"_s});
        const QStringList boxes(
            {u"chkModulname|bAbl Structure On/Off"_s, u"chkLabelshop|Labelshop"_s,
             u"chkCADPrint|CAD Print"_s, u"chkWinPrint|CAD Win Print"_s,
             u"chkCadRest|Print Restlabel"_s, u"chkFit|CAD Print to Fit"_s,
             u"chkPaperOrientation|Portrait / Landscape"_s, u"chkDialog|Druckdialog"_s,
             u"chkCommand|Command-Line"_s, u"chkPrintRAW|Print RAW Data"_s,
             u"chkAddCrLf|RAW add CrLf"_s, u"chkPrefix|Prefix On/Off    Prefixdaten:"_s,
             u"chkSonderzeichen|$ Sonderz. Ein/Aus"_s, u"chkUTF8|UTF8 Codierung On/Off"_s,
             u"chkChina|China Codierung On/Off"_s, u"chkWriteDruck|Write Printdata"_s,
             u"chkHistory|History"_s, u"chkRefresh|Refresh"_s});
        for (const QString &row : others + boxes)
            QTest::newRow(qPrintable(row.section(u'|', 0, 0))) << row;
    }
    void captions()
    {
        QFETCH(QString, row);
        const QStringList cells = row.split(u'|');
        QObject *control = m_window->findChild<QObject *>(cells[0]);
        QVERIFY(control);
        QCOMPARE(control->property("text").toString(), cells[1]);
        if (auto *label = qobject_cast<QLabel *>(control))
            QCOMPARE(label->buddy() ? label->buddy()->objectName() : QString(), cells.value(2));
    }

    void fileMenu()
    {
        QStringList entries{child<QMenu>(u"mnuFile"_s)->title()};
        for (const QAction *entry : child<QMenu>(u"mnuFile"_s)->actions())
            entries << entry->objectName() + u' ' + entry->text();
        QCOMPARE(entries, QStringList({u"&File"_s, u"mnuSave &Save"_s, u"mnuSaveAs Save &As"_s,
                                       u"mnuLoad &Load"_s, u"mnuEditModus E&dit On/Off"_s,
                                       u"mnuTesselProp &TesselOCX Properties"_s,
                                       u"mnuReConnect &Tessel-Connect"_s,
                                       u"mnuTestdruck Testdruck"_s, u"mnu_exit E&xit"_s}));
    }

    void editMode_data()
    {
        QTest::addColumn<bool>("editMode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("printer"); // after an arrow key on the printer list
        QTest::newRow("edit off") << false << u"Line1"_s << u"Zebra"_s;
        QTest::newRow("edit on") << true << u"Line1-7b"_s << u"Kyocera"_s;
    }
    void editMode()
    {
        QFETCH(bool, editMode);
        QFETCH(QString, typed);
        QFETCH(QString, printer);
        m_controls->setText(PrintControls::TextBox::txtModulname, u"Line1"_s);
        m_controls->setCaption(PrintControls::Label::lblError, u"Drucker offline"_s);
        m_controls->setPrinters({u"Zebra"_s, u"Kyocera"_s});
        m_controls->setPrinterText(u"Zebra"_s);
        m_controls->setEditMode(editMode);
        QCOMPARE(child<QAction>(u"mnuEditModus"_s)->isChecked(), editMode);
        QCOMPARE(child<QLabel>(u"lblError"_s)->text(), u"Drucker offline"_s);
        QTest::keyClicks(child<QWidget>(u"txtModulname"_s), u"-7b"_s);
        QCOMPARE(m_controls->text(PrintControls::TextBox::txtModulname), typed);
        QTest::keyClick(child<QWidget>(u"cboPrinter"_s), Qt::Key_Down);
        QCOMPARE(m_controls->printerText(), printer);
        // Check boxes stay usable either way: the operator switches features without edit mode.
        click(C::chkUTF8);
        QCOMPARE(m_controls->check(C::chkUTF8), 1);
        // Tab reaches every control, and the printer list's text field, only in edit mode.
        QStringList tabStops;
        for (QWidget *widget : m_window->findChildren<QWidget *>())
            if (widget->window() == m_window.get() && (widget->focusPolicy() & Qt::TabFocus))
                tabStops << widget->objectName();
        const int all = editMode ? PrintControls::kTextBoxes + PrintControls::kCheckBoxes + 6 : 0;
        QVERIFY2(tabStops.size() == all, qPrintable(tabStops.join(u' ')));
    }

    void threeState_data()
    {
        QTest::addColumn<C>("which");
        QTest::addColumn<int AppSettings::*>("field");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("RAW") << C::chkPrintRAW << &AppSettings::printRaw << Qt::LeftButton;
        QTest::newRow("CAD") << C::chkCADPrint << &AppSettings::cadPrint << Qt::RightButton;
        QTest::newRow("CAD win") << C::chkWinPrint << &AppSettings::winCadPrint << Qt::LeftButton;
        QTest::newRow("CAD rest") << C::chkCadRest << &AppSettings::cadPrintRest << Qt::RightButton;
    }
    void threeState()
    {
        QFETCH(C, which);
        QFETCH(int AppSettings::*, field);
        QFETCH(Qt::MouseButton, button);
        const Qt::CheckState shown[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
        for (int value : {1, 2, 0}) {
            click(which, button);
            QCOMPARE(m_settings.*field, value);
            QCOMPARE(box(which)->checkState(), shown[value]);
        }
    }

    void historyBox()
    {
        QTemporaryFile log;
        QVERIFY(log.open() && log.write("Los:L\xc4\x31\r\r\nfertig\r\r\n") > 0 && log.flush());
        m_controls->commLogFile = log.fileName();
        auto *history = child<QPlainTextEdit>(u"rtfComm"_s);
        m_window->resize(m_window->width(), 420);
        m_window->rememberSavedHeight();
        m_window->resize(m_window->width(), 400); // the saved height counts, not the current one
        const int boxHeight = history->height();
        QVERIFY(history->isHidden());
        click(C::chkHistory);
        QVERIFY(history->isVisible());
        QCOMPARE(m_window->height(), boxHeight + 420 + 53); // 800 twips
        // Refresh loads the log, written in the station's ANSI code page.
        click(C::chkRefresh);
        QCOMPARE(history->toPlainText(), u"Los:LÄ1\nfertig\n"_s);
        m_window->resize(m_window->width(), 1100); // unticking ignores the operator's resize
        click(C::chkHistory);
        QVERIFY(history->isHidden());
        QCOMPARE(m_window->height(), 420);
    }

    void resizeRule_data()
    {
        QTest::addColumn<int>("belowTop"); // window height minus the box's top
        QTest::addColumn<bool>("fits");    // more than the 20-twip gap below the box's top
        QTest::newRow("one pixel of box") << 2 << true;
        QTest::newRow("no room below the gap") << 1 << false;
    }
    void resizeRule()
    {
        QFETCH(int, belowTop);
        QFETCH(bool, fits);
        auto *history = child<QPlainTextEdit>(u"rtfComm"_s);
        const QRect before = history->geometry();
        m_window->resize(m_window->width() + 90, before.top() + belowTop);
        // Equal side margins; the lower edge 20 twips, 1 pixel, above the window's.
        QCOMPARE(m_window->width() - history->geometry().right() - 1, before.left());
        QCOMPARE(history->height(), fits ? belowTop - 1 : before.height());
    }

    void timer1_data()
    {
        QTest::addColumn<bool>("minimised");
        QTest::addColumn<bool>("tray");
        QTest::newRow("minimised: to the tray") << true << true;
        QTest::newRow("minimised, no tray: stays in the task bar") << true << false;
        QTest::newRow("normal") << false << true;
    }
    void timer1()
    {
        QFETCH(bool, minimised);
        QFETCH(bool, tray);
        auto *timer = child<QTimer>(u"Timer1"_s);
        m_window->tray = tray;
        if (minimised)
            m_window->showMinimized();
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        QCOMPARE(m_window->isVisible(), !(minimised && tray));
        QCOMPARE(m_window->isMinimized(), minimised && !tray); // in the tray in normal state
        QCOMPARE(timer->interval(), minimised ? 60000 : 1000); // once a minute after a minimise
        QVERIFY(timer->isActive());
    }

private:
    template <typename W> W *child(const QString &n) const { return m_window->findChild<W *>(n); }
    QCheckBox *box(C which) const { return child<QCheckBox>(PrintControls::name(which)); }
    void click(C which, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(box(which), button, {}, QPoint(6, box(which)->height() / 2));
    }
    AppSettings m_settings;
    std::unique_ptr<PrintControls> m_controls;
    std::unique_ptr<TrayWindow> m_window;
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
