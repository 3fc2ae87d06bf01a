#include "AppSettings.h"
#include "MainWindow.h"
#include "PrintControls.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using C = PrintControls::CheckBox;
using T = PrintControls::TextBox;

class TstMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();

    void threeState_data();
    void threeState();
    void captions_data();
    void captions();
    void editMode_data();
    void editMode();
    void historyHeight();
    void resizeRule_data();
    void resizeRule();
    void refreshReadsAnsiLog();
    void timer1_data();
    void timer1();

private:
    QCheckBox *box(C which) const
    {
        return m_window->findChild<QCheckBox *>(PrintControls::name(which));
    }
    // A left or right click on the box's indicator.
    void click(C which, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(box(which), button, {}, QPoint(6, box(which)->height() / 2));
    }
    QPlainTextEdit *history() const
    {
        return m_window->findChild<QPlainTextEdit *>(QStringLiteral("rtfComm"));
    }

    AppSettings m_settings;
    std::unique_ptr<PrintControls> m_controls;
    std::unique_ptr<MainWindow> m_window;
};

void TstMainWindow::init()
{
    m_window.reset(); // a fresh window and fresh values for every test
    m_settings = AppSettings{};
    m_controls = std::make_unique<PrintControls>();
    m_window = std::make_unique<MainWindow>(*m_controls, m_settings);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TstMainWindow::threeState_data()
{
    QTest::addColumn<C>("which");
    QTest::addColumn<int>("field"); // index into the four settings fields below
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("RAW, left") << C::chkPrintRAW << 0 << Qt::LeftButton;
    QTest::newRow("CAD print, right") << C::chkCADPrint << 1 << Qt::RightButton;
    QTest::newRow("CAD win print, left") << C::chkWinPrint << 2 << Qt::LeftButton;
    QTest::newRow("remnant label, right") << C::chkCadRest << 3 << Qt::RightButton;
}

void TstMainWindow::threeState()
{
    QFETCH(C, which);
    QFETCH(int, field);
    QFETCH(Qt::MouseButton, button);
    const int values[] = {1, 2, 0};
    const Qt::CheckState shown[] = {Qt::Checked, Qt::PartiallyChecked, Qt::Unchecked};
    for (int i = 0; i < 3; ++i) {
        click(which, button);
        const int fields[] = {m_settings.printRaw, m_settings.cadPrint, m_settings.winCadPrint,
                              m_settings.cadPrintRest};
        QCOMPARE(m_controls->check(which), values[i]);
        QCOMPARE(fields[field], values[i]);
        QCOMPARE(box(which)->checkState(), shown[i]);
    }
}

void TstMainWindow::captions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("buddy");
    QTest::addColumn<int>("position"); // in the File menu; -1: a window control
    const auto row = [](const char *name, QStringView caption, const char *buddy = "") {
        QTest::newRow(name) << QString::fromLatin1(name) << caption.toString()
                            << QString::fromLatin1(buddy) << -1;
    };
    int position = 0;
    const auto entry = [&position](const char *name, QStringView caption) {
        QTest::newRow(name) << QString::fromLatin1(name) << caption.toString() << QString()
                            << position++;
    };
    row("lblPath", u"Druck-Datenbank Path:", "txtServer");
    row("cmdConnection", u"...");
    row("lblNetid", u"Tessel NetId:", "txtNetId");
    row("lblPort", u"Port:", "txtPort");
    row("lblModulname", u"Modulname:", "txtModulname");
    row("chkModulname", u"bAbl Structure On/Off");
    row("chkLabelshop", u"Labelshop");
    row("lblLabelshopPath", u"Labelshop Path:", "txtLabelshopPath");
    row("chkCADPrint", u"CAD Print");
    row("chkWinPrint", u"CAD Win Print");
    row("chkCadRest", u"Print Restlabel");
    row("chkFit", u"CAD Print to Fit");
    row("chkPaperOrientation", u"Portrait / Landscape");
    row("chkDialog", u"Druckdialog");
    row("lblEtkPath", u"CAD Picture Path:", "txtEtkPath");
    row("lblCADExtension", u"CAD Extension:", "txtCADExtension");
    row("lblDelDelay", u"Autom. Löschen (Tage):", "txtDeleteDelay");
    row("chkCommand", u"Command-Line");
    row("lblCommand", u"Command-Line", "txtCommand");
    row("chkPrintRAW", u"Print RAW Data");
    row("chkAddCrLf", u"RAW add CrLf");
    row("chkPrefix", u"Prefix On/Off    Prefixdaten:");
    row("chkSonderzeichen", u"$ Sonderz. Ein/Aus");
    row("chkUTF8", u"UTF8 Codierung On/Off");
    row("chkChina", u"China Codierung On/Off");
    row("lblCodierung", u"Codierung:", "txtCodierung");
    row("chkWriteDruck", u"Write Printdata");
    row("lblPrinter", u"Select Printer:", "cboPrinter");
    row("lblPrinterDevice", u"Aktiv. Printer:");
    row("cmdSave", u"Save");
    row("cmdLoad", u"Load");
    row("chkHistory", u"History");
    row("chkRefresh", u"Refresh");
    row("mnuFile", u"&File");
    entry("mnuSave", u"&Save");
    entry("mnuSaveAs", u"Save &As");
    entry("mnuLoad", u"&Load");
    entry("mnuEditModus", u"E&dit On/Off");
    entry("mnuTesselProp", u"&TesselOCX Properties");
    entry("mnuReConnect", u"&Tessel-Connect");
    entry("mnuTestdruck", u"Testdruck");
    entry("mnu_exit", u"E&xit");
}

void TstMainWindow::captions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, buddy);
    QFETCH(int, position);
    QObject *control = m_window->findChild<QObject *>(name);
    QVERIFY(control);
    QCOMPARE(control->property(control->inherits("QMenu") ? "title" : "text").toString(), caption);
    if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->buddy() ? label->buddy()->objectName() : QString(), buddy);
    if (position >= 0) {
        const auto entries = m_window->findChild<QMenu *>(QStringLiteral("mnuFile"))->actions();
        QCOMPARE(entries.size(), 8);
        QCOMPARE(entries.indexOf(qobject_cast<QAction *>(control)), position);
    }
}

void TstMainWindow::editMode_data()
{
    QTest::addColumn<bool>("editMode");
    QTest::addColumn<QString>("typed");
    QTest::newRow("edit off") << false << QStringLiteral("Line1");
    QTest::newRow("edit on") << true << QStringLiteral("Line1-7b");
}

void TstMainWindow::editMode()
{
    QFETCH(bool, editMode);
    QFETCH(QString, typed);
    m_controls->setText(T::txtModulname, QStringLiteral("Line1"));
    m_controls->setEditMode(editMode);
    auto *edit = m_window->findChild<QLineEdit *>(QStringLiteral("txtModulname"));
    QCOMPARE(edit->text(), QStringLiteral("Line1"));
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, QStringLiteral("-7b"));
    QCOMPARE(m_controls->text(T::txtModulname), typed);
    QCOMPARE(edit->text(), typed);

    // Check boxes stay usable either way: the operator switches features without edit mode.
    click(C::chkUTF8);
    QCOMPARE(m_controls->check(C::chkUTF8), 1);

    int controls = 0;
    for (QWidget *widget : m_window->findChildren<QWidget *>()) {
        const QString name = widget->objectName();
        if (!name.startsWith(u"txt") && !name.startsWith(u"chk") && !name.startsWith(u"cbo") &&
            !name.startsWith(u"cmd") && name != u"rtfComm")
            continue;
        ++controls;
        QVERIFY2(bool(widget->focusPolicy() & Qt::TabFocus) == editMode, qPrintable(name));
    }
    // Text boxes, check boxes, the printer list, three buttons and the history box.
    QCOMPARE(controls, PrintControls::kTextBoxes + PrintControls::kCheckBoxes + 1 + 3 + 1);
}

void TstMainWindow::historyHeight()
{
    m_window->resize(m_window->width(), 420);
    m_window->rememberSavedHeight();
    const int boxHeight = history()->height();
    QVERIFY(history()->isHidden());

    click(C::chkHistory);
    QVERIFY(history()->isVisible());
    QCOMPARE(m_window->height(), boxHeight + 420 + 53); // 800 twips

    // Unticking goes back to the saved height, whatever the operator did meanwhile.
    m_window->resize(m_window->width(), 1100);
    click(C::chkHistory);
    QVERIFY(history()->isHidden());
    QCOMPARE(m_window->height(), 420);
}

void TstMainWindow::resizeRule_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("belowTop"); // window height minus the box's top
    QTest::addColumn<bool>("fits");
    QTest::newRow("tall") << 800 << 400 << true;
    QTest::newRow("one pixel of box") << 700 << 2 << true;
    QTest::newRow("box top below the window") << 900 << -60 << false;
}

void TstMainWindow::resizeRule()
{
    QFETCH(int, width);
    QFETCH(int, belowTop);
    QFETCH(bool, fits);
    QPlainTextEdit *box = history();
    const int left = box->x();
    const int top = box->y();
    const int oldHeight = box->height();
    QVERIFY(left > 0);

    m_window->resize(width, top + belowTop);
    QCOMPARE(m_window->size(), QSize(width, top + belowTop));
    QCOMPARE(box->x(), left);
    QCOMPARE(m_window->width() - (box->x() + box->width()), left);
    QCOMPARE(box->y(), top);
    if (fits)
        QCOMPARE(m_window->height() - (box->y() + box->height()), 1); // 20 twips
    else
        QCOMPARE(box->height(), oldHeight);
}

void TstMainWindow::refreshReadsAnsiLog()
{
    QTemporaryDir dir;
    QFile log(dir.filePath(QStringLiteral("EtikorComm-Line1-.dat")));
    QVERIFY(log.open(QIODevice::WriteOnly));
    log.write("04.12.2026 15:48:23,07 Los:L\xc4\x31\r\r\n04.12.2026 15:48:24,11 fertig\r\r\n");
    log.close();
    m_controls->commLogFile = log.fileName();
    m_controls->setCheck(C::chkHistory, 1);
    QVERIFY(history()->toPlainText().isEmpty());

    click(C::chkRefresh);
    QCOMPARE(m_controls->check(C::chkRefresh), 1);
    QCOMPARE(history()->toPlainText(),
             QStringLiteral("04.12.2026 15:48:23,07 Los:LÄ1\n04.12.2026 15:48:24,11 fertig\n"));
}

void TstMainWindow::timer1_data()
{
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<int>("interval");
    QTest::newRow("minimised: check again in a minute") << true << 60000;
    QTest::newRow("normal: keep checking every second") << false << 1000;
}

void TstMainWindow::timer1()
{
    QFETCH(bool, minimised);
    QFETCH(int, interval);
    auto *timer = m_window->findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 1000);
    if (minimised)
        m_window->showMinimized();
    QSignalSpy ticks(timer, &QTimer::timeout);
    QVERIFY(ticks.wait(5000));
    QCOMPARE(timer->interval(), interval);
    QVERIFY(timer->isActive());
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
