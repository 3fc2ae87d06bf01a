#include "AppSettings.h"
#include "ConnectionDialog.h"
#include "DatabaseConnection.h"
#include "DesktopPrompt.h"
#include "DrawingSetupDialog.h"
#include "MainWindow.h"
#include "PlcPropertiesWindow.h"
#include "PrintControls.h"
#include "SimulatedPlc.h"
#include "TrayManagerLink.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTableWidget>
#include <QTemporaryDir>
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

// The main window and what it brings up: tray icon, Save As, PLC properties, connection dialog.
class TstMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QApplication::setApplicationDisplayName(u"Etikor Station 3"_s);
        QVERIFY(m_dir.isValid());
        m_database = m_dir.filePath(u"druck.db"_s); // an empty file is an empty database
        QVERIFY(QFile(m_database).open(QIODevice::WriteOnly));
    }

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
        m_controls->setText(PrintControls::TextBox::txtModulname, u"Line1"_s);
        m_controls->setCaption(PrintControls::Label::lblError, u"Drucker offline"_s);
        m_controls->setPrinters({u"Zebra"_s, u"Kyocera"_s});
        m_controls->setPrinterText(u"Zebra"_s);
        m_controls->setEditMode(editMode);
        QCOMPARE(child<QAction>(u"mnuEditModus"_s)->isChecked(), editMode);
        QCOMPARE(child<QLabel>(u"lblError"_s)->text(), u"Drucker offline"_s);
        QTest::keyClicks(child<QWidget>(u"txtModulname"_s), u"-7b"_s);
        QTEST(m_controls->text(PrintControls::TextBox::txtModulname), "typed");
        QTest::keyClick(child<QWidget>(u"cboPrinter"_s), Qt::Key_Down);
        QTEST(m_controls->printerText(), "printer");
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
        const int saved = m_window->minimumHeight() + 20;
        m_window->resize(m_window->width(), saved);
        m_window->rememberSavedHeight();
        m_window->resize(m_window->width(), saved - 20); // the saved height counts, not the current
        QCOMPARE(m_window->height(), saved - 20);
        const int boxHeight = history->height();
        QVERIFY(history->isHidden());
        click(C::chkHistory);
        QVERIFY(history->isVisible());
        QCOMPARE(m_window->height(), boxHeight + saved + 53); // 800 twips
        // Refresh loads the log, written in the station's ANSI code page.
        click(C::chkRefresh);
        QCOMPARE(history->toPlainText(), u"Los:LÄ1\nfertig\n"_s);
        m_window->resize(m_window->width(), 1100); // unticking ignores the operator's resize
        click(C::chkHistory);
        QVERIFY(history->isHidden());
        QCOMPARE(m_window->height(), saved);
    }

    // The history box keeps equal side margins and its lower edge 20 twips, 1 pixel, above the
    // window's; it keeps its height while no pixel of it fits above that gap.
    void resizeRule()
    {
        auto *history = child<QPlainTextEdit>(u"rtfComm"_s);
        const QRect before = history->geometry();
        for (const int belowTop : {1, 2}) { // window height minus the box's top
            m_window->resize(m_window->width() + 90, before.top() + belowTop);
            QCOMPARE(m_window->width() - history->geometry().right() - 1, before.left());
            QCOMPARE(history->height(), belowTop == 2 ? 1 : before.height());
        }
    }

    // A failure of three lines shows whole in the status line without moving the rows above;
    // long values show whole as tool tips; the window cannot shrink so far that a control is
    // cut off.
    void statusLineAndTips()
    {
        auto *error = child<QLabel>(u"lblError"_s);
        auto *save = child<QPushButton>(u"cmdSave"_s);
        const QRect saveBefore = save->geometry();
        const QString text = u"06.12.2026 10:00:00 Command-Line: druck.sh L1\r\n Shell-Error 2"
                             u"\r\nNo such file or directory"_s;
        m_controls->setCaption(PrintControls::Label::lblError, text);
        const QString shown = QString(text).replace(u"\r\n"_s, u"\n"_s);
        QCOMPARE(error->text(), shown);
        QCOMPARE(error->toolTip(), shown);
        QVERIFY(error->height() >= 3 * error->fontMetrics().lineSpacing());
        QCOMPARE(save->geometry(), saveBefore);
        const QString command(300, u'x');
        m_controls->setText(PrintControls::TextBox::txtCommand, command);
        QCOMPARE(child<QLineEdit>(u"txtCommand"_s)->toolTip(), command);

        // The last label printed shows beside the status lines, scaled into its box.
        QImage label(560, 240, QImage::Format_RGB32);
        label.fill(Qt::black);
        m_window->showLabelPreview(label);
        const auto *preview = child<QLabel>(u"picLabel"_s);
        QCOMPARE(preview->pixmap().size(),
                 label.size().scaled(preview->size(), Qt::KeepAspectRatio));
        QVERIFY(preview->toolTip().startsWith(u"Last label printed, "_s));

        m_window->resize(100, 100);
        const QRect inside = m_window->rect();
        for (const QWidget *w : m_window->centralWidget()->findChildren<QWidget *>()) {
            const QRect at(w->mapTo(m_window.get(), QPoint()), w->size());
            QVERIFY2(!w->isVisible() || inside.contains(at), qPrintable(w->objectName()));
        }
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
        QCoreApplication::processEvents(); // a minimise goes to the tray at once
        QCOMPARE(m_window->isVisible(), !(minimised && tray));
        QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
        QCOMPARE(m_window->isVisible(), !(minimised && tray));
        QCOMPARE(timer->interval(), minimised ? 60000 : 1000); // once a minute after a minimise
        QVERIFY(timer->isActive());
        m_window->showFromTray();
        QVERIFY(m_window->isVisible() && !m_window->isMinimized());
    }

    // The tray icon's tip is a 64-character record, its text closed by a NUL and padded, or cut
    // at 64 with the NUL; a left click on the icon, and only that, brings the hidden window up.
    void trayIcon_data()
    {
        const QString text = u"  Etikor (Übertragung der Druckerdaten)"_s;
        const QString fits(63 - text.size(), u'M'); // the text and its NUL fill the record
        QTest::addColumn<QString>("modulName");
        QTest::addColumn<QString>("tip");
        QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
        QTest::addColumn<bool>("shown");
        QTest::newRow("left click")
            << u"Line1"_s << u"Line1"_s + text << QSystemTrayIcon::Trigger << true;
        QTest::newRow("exactly 63, double click")
            << fits << fits + text << QSystemTrayIcon::DoubleClick << false;
        QTest::newRow("NUL lost, context menu")
            << fits + u'X' << fits + u'X' + text << QSystemTrayIcon::Context << false;
        QTest::newRow("cut at 64, middle click")
            << fits + u"XY"_s << fits + u"XY"_s + text.chopped(1) << QSystemTrayIcon::MiddleClick
            << false;
    }
    void trayIcon()
    {
        QFETCH(QString, modulName);
        QFETCH(QSystemTrayIcon::ActivationReason, reason);
        TrayManagerLink link(*m_window);
        QCOMPARE(link.registerWithManager(modulName), int(ManagerLink::TrayIcon));
        QVERIFY(link.trayIcon());
        QTEST(link.trayIcon()->toolTip(), "tip");
        QCOMPARE(TrayManagerLink::trayTipRecord(modulName).size(), 64);
        m_window->hide();
        Q_EMIT link.trayIcon()->activated(reason);
        QTEST(m_window->isVisible(), "shown");
    }

    // The server manager's Start: a hidden or minimised window comes up in normal state, on
    // top, without taking the keyboard, the database box focused; Timer1 checks again in 1 s.
    void serverStart()
    {
        auto *timer = child<QTimer>(u"Timer1"_s);
        m_window->tray = true;
        m_window->showMinimized();
        QCoreApplication::processEvents();
        QVERIFY(!m_window->isVisible());
        timer->start(60000);
        m_window->serverStart();
        QVERIFY(m_window->isVisible() && !m_window->isMinimized());
        QVERIFY(m_window->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(m_window->focusWidget(), child<QWidget>(u"txtServer"_s));
        QCOMPARE(timer->interval(), 1000);
        QVERIFY(timer->isActive());
    }

    // Save As: the operator picks another file in the dialog, then cancels; the preset stands.
    void cancelledSaveKeepsPreset()
    {
        const QString preset = m_dir.filePath(u"Etikor.dcnf"_s);
        QStringList offered; // answered from inside the dialog's own loop, as the operator would
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            poll.stop();
            offered = dialog->selectedFiles();
            dialog->selectFile(m_dir.filePath(u"Line2.dcnf"_s));
            dialog->reject();
        });
        poll.start(10);
        QCOMPARE(DesktopPrompt().saveFileName(preset), preset);
        QCOMPARE(offered, QStringList{preset});
    }

    // The PLC link's properties follow the link while the window is open, and no longer once
    // it is closed; the window never blocks the station behind it.
    void plcProperties()
    {
        auto plc = std::make_unique<SimulatedPlc>();
        plc->setNetId(u"plc7"_s);
        PlcPropertiesWindow window;
        window.showPlcProperties(*plc);
        QVERIFY(window.isVisible());
        QVERIFY(!window.isModal());
        QCOMPARE(window.table()->rowCount(), 3);
        QCOMPARE(window.table()->item(0, 0)->text(), u"Net id"_s);
        QCOMPARE(window.table()->item(0, 1)->text(), u"plc7"_s);
        plc->setNetId(u"plc8"_s);
        QTRY_COMPARE(window.table()->item(0, 1)->text(), u"plc8"_s);
        window.reject();
        QVERIFY(!window.isVisible());
        plc->setNetId(u"plc9"_s);
        QTest::qWait(3 * PlcPropertiesWindow::kRefreshMs);
        QCOMPARE(window.table()->item(0, 1)->text(), u"plc8"_s);
        plc.reset(); // a link that is gone leaves an empty table
        window.refresh();
        QCOMPARE(window.table()->rowCount(), 0);
    }

    // The connection dialog behind "...": a connection string shown in the fields and built
    // back from them, and the edit algorithm with the operator's answer and the open that decides.
    void connectionFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("engine");
        QTest::addColumn<QString>("fields"); // objectName=value|objectName=value
        QTest::addColumn<QString>("built");  // empty: the text itself
        const auto row = [](const char *name, const QString &text, int engine,
                            const QString &fields, const QString &built = {}) {
            QTest::newRow(name) << text << engine << fields << (built.isEmpty() ? text : built);
        };
        using D = ConnectionDialog;
        row("plain path", u"/data/druck.db"_s, D::SqliteFile, u"txtFile=/data/druck.db|txtExtra="_s,
            u"Provider=SQLite;Data Source=/data/druck.db"_s);
        row("jet keeps its provider", jet(u"C:\\D\\x.mdb"_s), D::SqliteFile,
            u"txtFile=C:\\D\\x.mdb|txtExtra=Persist Security Info=False"_s);
        row("quoted file", u"Provider=SQLite;Data Source=\"/a;b/x\"\"y.db\""_s, D::SqliteFile,
            u"txtFile=/a;b/x\"y.db"_s);
        row("postgres",
            u" provider=postgresql; host = db1 ;Port=5433;Database=d;User ID=u;Password=\"p;w\""_s,
            D::PostgreSql,
            u"txtHost=db1|txtPort=5433|txtDatabase=d|txtUser=u|txtPassword=p;w|txtExtra="_s,
            u"Provider=PostgreSQL;Host=db1;Port=5433;Database=d;User ID=u;Password=\"p;w\""_s);
        row("postgres other keys",
            u"Provider=PostgreSQL;Server=db2;UID=u;sslmode=require;Data Source=db3"_s,
            D::PostgreSql, u"txtHost=db2|txtUser=u|txtExtra=sslmode=require;Data Source=db3"_s,
            u"Provider=PostgreSQL;Host=db2;User ID=u;sslmode=require;Data Source=db3"_s);
        row("odbc driver", u"Driver={SQLite3};Database=/x.db"_s, D::Odbc,
            u"cboDriver=SQLite3|txtExtra=Database=/x.db"_s);
        row("odbc dsn", u"DSN=Druck;UID=me"_s, D::Odbc,
            u"cboDsn=Druck|cboDriver=|txtExtra=UID=me"_s);
        row("other provider", u"Provider=Oracle;Data Source=x"_s, D::ConnectionText,
            u"txtConnectionString=Provider=Oracle;Data Source=x"_s);
        row("empty", QString(), D::SqliteFile, u"txtFile="_s);
    }
    void connectionFields()
    {
        QFETCH(QString, text);
        QFETCH(int, engine);
        QFETCH(QString, fields);
        ConnectionDialog dialog;
        dialog.setConnectionString(text);
        QCOMPARE(int(dialog.engine()), engine);
        QCOMPARE(dialog.findChild<QComboBox *>(u"cboEngine"_s)->currentIndex(), engine);
        for (const QString &entry : fields.split(u'|'))
            QCOMPARE(field(dialog, entry.section(u'=', 0, 0)), entry.section(u'=', 1));
        QTEST(dialog.connectionString(), "built");
    }

    void connectionTextEngine()
    {
        ConnectionDialog dialog;
        dialog.setConnectionString(u"Provider=PostgreSQL;Host=db1;Database=druck"_s);
        setField(dialog, u"txtHost"_s, u"db2"_s);
        dialog.setEngine(ConnectionDialog::ConnectionText);
        QCOMPARE(field(dialog, u"txtConnectionString"_s),
                 u"Provider=PostgreSQL;Host=db2;Database=druck"_s);
        setField(dialog, u"txtConnectionString"_s, u"Provider=PostgreSQL;Host=db9;Port=1"_s);
        dialog.setEngine(ConnectionDialog::PostgreSql);
        QCOMPARE(field(dialog, u"txtHost"_s), u"db9"_s);
        QCOMPARE(field(dialog, u"txtDatabase"_s), QString());
        QCOMPARE(dialog.connectionString(), u"Provider=PostgreSQL;Host=db9;Port=1"_s);
    }

    // The operator's part: which field to set to what, then OK or Cancel.
    void editConnectionString_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("file"); // empty: left as it is
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("failureShown");
        const QString real = jet(m_database), old = u"/old.db"_s, none = u"/nowhere/x.db"_s;
        // As Windows stations write it, in the station's folder.
        const QString portable = jet(u"~apppath~\\druck.db"_s);
        QTest::newRow("ok with a real file")
            << old << m_database << true << u"Provider=SQLite;Data Source="_s + m_database << false;
        QTest::newRow("ok unchanged keeps jet") << real << QString() << true << real << false;
        QTest::newRow("ok keeps ~apppath~") << portable << QString() << true << portable << false;
        QTest::newRow("missing file") << old << none << true << old << true;
        QTest::newRow("cancel") << real << none << false << real << false;
        QTest::newRow("ok empty") << old << u" "_s << true << QString() << false;
    }
    void editConnectionString()
    {
        QFETCH(QString, given);
        QFETCH(QString, file);
        QFETCH(bool, accept);
        QFETCH(bool, failureShown);
        QStringList shown;
        const auto operate = [&](ConnectionDialog &dialog) {
            if (!file.isEmpty())
                setField(dialog, u"txtFile"_s, file.trimmed());
            return accept ? QDialog::Accepted : QDialog::Rejected;
        };
        const auto message = [&](const QString &text, const QString &title) {
            shown << title << text;
        };
        const ConnectionDialog::Station station{m_dir.path(), u"Linie3 Etikor"_s};
        QTEST(ConnectionDialog::editConnectionString(given, station, nullptr, operate, message),
              "expected");
        // Titled as the station's other messages, not with the program's name.
        const QStringList failure = {station.title,
                                     u"Connection Failed  Provider=SQLite;Data Source="_s + file};
        QCOMPARE(shown, failureShown ? failure : QStringList());
    }

    void connectionTest()
    {
        ConnectionDialog dialog;
        auto *result = dialog.findChild<QLabel *>(u"lblTestResult"_s);
        auto *test = dialog.findChild<QPushButton *>(u"cmdTest"_s);
        dialog.setStationFolder(m_dir.path());
        const QString access =
            qEnvironmentVariable("ETIKOR_TESTDATA") + u"/access/druckdaten.mdb"_s;
        for (const QString &text : {m_database, jet(u"~apppath~\\druck.db"_s), jet(access)}) {
            dialog.setConnectionString(text);
            test->click();
            QVERIFY2(result->text().startsWith(u"The connection succeeded. "_s),
                     qPrintable(result->text()));
        }
        QVERIFY(
            result->text().endsWith(u"Tables: Druckdaten. Stored queries: ServerDruckdaten."_s));
        // An Access file chosen on the file page is named as Windows stations named it.
        dialog.setConnectionString(m_database);
        dialog.findChild<QLineEdit *>(u"txtFile"_s)->setText(u"~apppath~\\druck.accdb"_s);
        QCOMPARE(dialog.connectionString(),
                 u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=~apppath~\\druck.accdb"_s);
        const QString missing = u"Provider=SQLite;Data Source=/nowhere/x.db"_s;
        dialog.setConnectionString(missing);
        test->click();
        const DatabaseConnection expected(missing);
        QVERIFY(!expected.failure().description.isEmpty());
        QCOMPARE(result->text(), expected.failure().description);
    }

    // The set-up before a drawing prints: it starts on the station's printer and orientation
    // and gives back what the operator chose.
    void drawingSetupDialog()
    {
        DrawingSetupDialog dialog({u"A"_s, u"B"_s, u"C"_s}, u"B"_s, 0);
        QCOMPARE(dialog.printer(), u"B"_s);
        QCOMPARE(dialog.orientation(), 1);
        dialog.findChild<QComboBox *>(u"cboDrawingPrinter"_s)->setCurrentIndex(2);
        dialog.findChild<QRadioButton *>(u"optLandscape"_s)->click();
        QCOMPARE(dialog.printer(), u"C"_s);
        QCOMPARE(dialog.orientation(), 2);
    }

    void cmdConnectionText()
    {
        QCOMPARE(ConnectionDialog::cmdConnectionText(u"D:\\x.mdb"_s), jet(u"D:\\x.mdb"_s));
        for (const QString &kept :
             {QString(), u"  pROVIDER=SQLite;Data Source=x"_s, u"DSN=Druck"_s})
            QCOMPARE(ConnectionDialog::cmdConnectionText(kept), kept);
    }

private:
    template <typename W> W *child(const QString &n) const { return m_window->findChild<W *>(n); }
    QCheckBox *box(C which) const { return child<QCheckBox>(PrintControls::name(which)); }
    void click(C which, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(box(which), button, {}, QPoint(6, box(which)->height() / 2));
    }
    static QString jet(const QString &file)
    {
        return u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source="_s + file +
               u";Persist Security Info=False"_s;
    }
    static QString field(const ConnectionDialog &dialog, const QString &name)
    {
        if (const auto *edit = dialog.findChild<QLineEdit *>(name))
            return edit->text();
        const auto *combo = dialog.findChild<QComboBox *>(name);
        return combo ? combo->currentText() : u"<no widget %1>"_s.arg(name);
    }
    static void setField(ConnectionDialog &dialog, const QString &name, const QString &value)
    {
        auto *edit = dialog.findChild<QLineEdit *>(name);
        QVERIFY2(edit, qPrintable(name));
        edit->setText(value);
    }

    QTemporaryDir m_dir;
    QString m_database;
    AppSettings m_settings;
    std::unique_ptr<PrintControls> m_controls;
    std::unique_ptr<TrayWindow> m_window;
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
