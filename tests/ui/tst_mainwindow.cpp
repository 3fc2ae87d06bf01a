#include "AppSettings.h"
#include "MainWindow.h"
#include "PrintControls.h"
#include "Twips.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMetaEnum>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

using C = PrintControls::CheckBox;
using T = PrintControls::TextBox;

namespace {

int &fieldOf(AppSettings &settings, const QString &name) {
    if (name == u"cadPrint")
        return settings.cadPrint;
    if (name == u"winCadPrint")
        return settings.winCadPrint;
    if (name == u"cadPrintRest")
        return settings.cadPrintRest;
    return settings.printRaw;
}

// A point on the box's indicator, where a left click toggles it.
QPoint indicator(const QCheckBox *box) {
    return QPoint(6, box->height() / 2);
}

// A window whose tray icon the test decides on; the offscreen platform has no tray.
class TrayWindow : public MainWindow {
public:
    TrayWindow(PrintControls &controls, AppSettings &settings, bool tray)
        : MainWindow(controls, settings)
        , m_tray(tray) {}

protected:
    bool trayIconShown() const override { return m_tray; }

private:
    bool m_tray;
};

} // namespace

class TstMainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void threeStatePress_data();
    void threeStatePress();
    void threeStateIgnoresKeyboardToggle();
    void controlCaptions_data();
    void controlCaptions();
    void valueControls_data();
    void valueControls();
    void menuEntries();
    void commands_data();
    void commands();
    void editModeMenuShowsMode();
    void typing_data();
    void typing();
    void tabStops_data();
    void tabStops();
    void printerListLocked_data();
    void printerListLocked();
    void checkBoxesUsable_data();
    void checkBoxesUsable();
    void valuesShowInWidgets();
    void typingDoesNotEcho();
    void printerText_data();
    void printerText();
    void twoStateBoxWithGreyedValue();
    void historyToggle_data();
    void historyToggle();
    void historyKeyRelease();
    void resizeRule_data();
    void resizeRule();
    void refreshLoadsLog();
    void refreshWithoutHistoryHides();
    void refreshClearedDoesNothing();
    void timer1_data();
    void timer1();
    void restartTimer1();
    void showFromTray();
    void systemCloseAsksForExit();
    void closeDuringExitGoesThrough();

private:
    template <typename W> W *find(const QString &name) const {
        W *widget = m_window->findChild<W *>(name);
        if (!widget)
            qWarning("no control %s", qPrintable(name));
        return widget;
    }
    QCheckBox *box(C which) const { return find<QCheckBox>(PrintControls::name(which)); }
    QPlainTextEdit *history() const { return find<QPlainTextEdit>(QStringLiteral("rtfComm")); }
    void writeLog(const QByteArray &bytes);

    QTemporaryDir m_dir;
    AppSettings m_settings;
    std::unique_ptr<PrintControls> m_controls;
    std::unique_ptr<MainWindow> m_window;
};

void TstMainWindow::init() {
    m_settings = AppSettings{};
    m_controls = std::make_unique<PrintControls>();
    m_window = std::make_unique<MainWindow>(*m_controls, m_settings);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TstMainWindow::cleanup() {
    m_window.reset();
    m_controls.reset();
}

void TstMainWindow::writeLog(const QByteArray &bytes) {
    const QString path = m_dir.filePath(QStringLiteral("EtikorComm-Line1-.dat"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
    m_controls->commLogFile = path;
}

void TstMainWindow::threeStatePress_data() {
    QTest::addColumn<C>("which");
    QTest::addColumn<QString>("field");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<bool>("release");
    QTest::addColumn<bool>("editMode");

    QTest::newRow("RAW, presses, edit off")
        << C::chkPrintRAW << QStringLiteral("printRaw") << Qt::LeftButton << false << false;
    QTest::newRow("RAW, clicks, edit off")
        << C::chkPrintRAW << QStringLiteral("printRaw") << Qt::LeftButton << true << false;
    QTest::newRow("RAW, clicks, edit on")
        << C::chkPrintRAW << QStringLiteral("printRaw") << Qt::LeftButton << true << true;
    QTest::newRow("RAW, right button")
        << C::chkPrintRAW << QStringLiteral("printRaw") << Qt::RightButton << true << false;
    QTest::newRow("CAD print, middle button")
        << C::chkCADPrint << QStringLiteral("cadPrint") << Qt::MiddleButton << true << false;
    QTest::newRow("CAD win print, clicks")
        << C::chkWinPrint << QStringLiteral("winCadPrint") << Qt::LeftButton << true << true;
    QTest::newRow("remnant label, right presses")
        << C::chkCadRest << QStringLiteral("cadPrintRest") << Qt::RightButton << false << false;
}

void TstMainWindow::threeStatePress() {
    QFETCH(C, which);
    QFETCH(QString, field);
    QFETCH(Qt::MouseButton, button);
    QFETCH(bool, release);
    QFETCH(bool, editMode);
    m_controls->setEditMode(editMode);
    QCheckBox *check = box(which);
    QVERIFY(check);

    const int values[] = {1, 2, 0};
    const Qt::CheckState shown[] = {Qt::Checked, Qt::PartiallyChecked, Qt::Unchecked};
    for (int i = 0; i < 3; ++i) {
        QTest::mousePress(check, button, {}, indicator(check));
        if (release)
            QTest::mouseRelease(check, button, {}, indicator(check));
        QCOMPARE(m_controls->check(which), values[i]);
        QCOMPARE(fieldOf(m_settings, field), values[i]);
        QCOMPARE(check->checkState(), shown[i]);
    }
}

void TstMainWindow::threeStateIgnoresKeyboardToggle() {
    QCheckBox *check = box(C::chkPrintRAW);
    QTest::mouseClick(check, Qt::LeftButton, {}, indicator(check));
    QCOMPARE(m_settings.printRaw, 1);
    // Space clicks without a mouse press: the box shows the field again, not a toggle.
    QTest::keyClick(check, Qt::Key_Space);
    QCOMPARE(m_settings.printRaw, 1);
    QCOMPARE(m_controls->check(C::chkPrintRAW), 1);
    QCOMPARE(check->checkState(), Qt::Checked);
    // A value set by the station shows as it is.
    m_controls->setCheck(C::chkPrintRAW, 2);
    QCOMPARE(check->checkState(), Qt::PartiallyChecked);
}

void TstMainWindow::controlCaptions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("buddy");
    const auto row = [](const char *name, const QString &caption, const char *buddy = "") {
        QTest::newRow(name) << QString::fromLatin1(name) << caption << QString::fromLatin1(buddy);
    };
    row("lblPath", QStringLiteral("Druck-Datenbank Path:"), "txtServer");
    row("cmdConnection", QStringLiteral("..."));
    row("lblNetid", QStringLiteral("Tessel NetId:"), "txtNetId");
    row("lblPort", QStringLiteral("Port:"), "txtPort");
    row("lblModulname", QStringLiteral("Modulname:"), "txtModulname");
    row("chkModulname", QStringLiteral("bAbl Structure On/Off"));
    row("chkLabelshop", QStringLiteral("Labelshop"));
    row("lblLabelshopPath", QStringLiteral("Labelshop Path:"), "txtLabelshopPath");
    row("chkCADPrint", QStringLiteral("CAD Print"));
    row("chkWinPrint", QStringLiteral("CAD Win Print"));
    row("chkCadRest", QStringLiteral("Print Restlabel"));
    row("chkFit", QStringLiteral("CAD Print to Fit"));
    row("chkPaperOrientation", QStringLiteral("Portrait / Landscape"));
    row("chkDialog", QStringLiteral("Druckdialog"));
    row("lblEtkPath", QStringLiteral("CAD Picture Path:"), "txtEtkPath");
    row("lblCADExtension", QStringLiteral("CAD Extension:"), "txtCADExtension");
    row("lblDelDelay", QStringLiteral("Autom. Löschen (Tage):"), "txtDeleteDelay");
    row("chkCommand", QStringLiteral("Command-Line"));
    row("lblCommand", QStringLiteral("Command-Line"), "txtCommand");
    row("chkPrintRAW", QStringLiteral("Print RAW Data"));
    row("chkAddCrLf", QStringLiteral("RAW add CrLf"));
    row("chkPrefix", QStringLiteral("Prefix On/Off    Prefixdaten:"));
    row("chkSonderzeichen", QStringLiteral("$ Sonderz. Ein/Aus"));
    row("chkUTF8", QStringLiteral("UTF8 Codierung On/Off"));
    row("chkChina", QStringLiteral("China Codierung On/Off"));
    row("lblCodierung", QStringLiteral("Codierung:"), "txtCodierung");
    row("chkWriteDruck", QStringLiteral("Write Printdata"));
    row("lblPrinter", QStringLiteral("Select Printer:"), "cboPrinter");
    row("lblPrinterDevice", QStringLiteral("Aktiv. Printer:"));
    row("cmdSave", QStringLiteral("Save"));
    row("cmdLoad", QStringLiteral("Load"));
    row("chkHistory", QStringLiteral("History"));
    row("chkRefresh", QStringLiteral("Refresh"));
}

void TstMainWindow::controlCaptions() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, buddy);
    QCOMPARE(m_window->objectName(), QStringLiteral("frmPrint"));
    QWidget *control = find<QWidget>(name);
    QVERIFY(control);
    if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        QCOMPARE(button->text(), caption);
    } else {
        auto *label = qobject_cast<QLabel *>(control);
        QVERIFY(label);
        QCOMPARE(label->text(), caption);
        QCOMPARE(label->buddy() ? label->buddy()->objectName() : QString(), buddy);
    }
}

void TstMainWindow::valueControls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("className");
    const QMetaEnum texts = QMetaEnum::fromType<T>();
    for (int i = 0; i < texts.keyCount(); ++i)
        QTest::newRow(texts.key(i)) << QString::fromLatin1(texts.key(i)) << QByteArray("QLineEdit");
    for (const char *label : {"lblChina", "lblDefPrinter", "lblError", "lblLastComm"})
        QTest::newRow(label) << QString::fromLatin1(label) << QByteArray("QLabel");
    QTest::newRow("cboPrinter") << QStringLiteral("cboPrinter") << QByteArray("QComboBox");
    QTest::newRow("rtfComm") << QStringLiteral("rtfComm") << QByteArray("QPlainTextEdit");
}

void TstMainWindow::valueControls() {
    QFETCH(QString, name);
    QFETCH(QByteArray, className);
    QWidget *control = find<QWidget>(name);
    QVERIFY(control);
    QVERIFY(control->inherits(className.constData()));
}

void TstMainWindow::menuEntries() {
    auto *file = find<QMenu>(QStringLiteral("mnuFile"));
    QVERIFY(file);
    QCOMPARE(file->title(), QStringLiteral("&File"));
    QStringList names;
    QStringList captions;
    for (QAction *action : file->actions()) {
        names << action->objectName();
        captions << action->text();
    }
    QCOMPARE(names, QStringList({QStringLiteral("mnuSave"), QStringLiteral("mnuSaveAs"),
                                 QStringLiteral("mnuLoad"), QStringLiteral("mnuEditModus"),
                                 QStringLiteral("mnuTesselProp"), QStringLiteral("mnuReConnect"),
                                 QStringLiteral("mnuTestdruck"), QStringLiteral("mnu_exit")}));
    QCOMPARE(captions, QStringList({QStringLiteral("&Save"), QStringLiteral("Save &As"),
                                    QStringLiteral("&Load"), QStringLiteral("E&dit On/Off"),
                                    QStringLiteral("&TesselOCX Properties"),
                                    QStringLiteral("&Tessel-Connect"), QStringLiteral("Testdruck"),
                                    QStringLiteral("E&xit")}));
    QVERIFY(file->actions().at(3)->isCheckable());
}

void TstMainWindow::commands_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("signal");
    QTest::newRow("mnuSave") << QStringLiteral("mnuSave") << QByteArray("saveRequested()");
    QTest::newRow("cmdSave") << QStringLiteral("cmdSave") << QByteArray("saveRequested()");
    QTest::newRow("mnuSaveAs") << QStringLiteral("mnuSaveAs") << QByteArray("saveAsRequested()");
    QTest::newRow("mnuLoad") << QStringLiteral("mnuLoad") << QByteArray("loadRequested()");
    QTest::newRow("cmdLoad") << QStringLiteral("cmdLoad") << QByteArray("loadRequested()");
    QTest::newRow("mnuEditModus") << QStringLiteral("mnuEditModus")
                                  << QByteArray("editModeToggleRequested()");
    QTest::newRow("mnuTesselProp")
        << QStringLiteral("mnuTesselProp") << QByteArray("plcPropertiesRequested()");
    QTest::newRow("mnuReConnect") << QStringLiteral("mnuReConnect")
                                  << QByteArray("reconnectRequested()");
    QTest::newRow("mnuTestdruck") << QStringLiteral("mnuTestdruck")
                                  << QByteArray("testPrintRequested()");
    QTest::newRow("cmdConnection")
        << QStringLiteral("cmdConnection") << QByteArray("connectionChooserRequested()");
    QTest::newRow("mnu_exit") << QStringLiteral("mnu_exit") << QByteArray("exitRequested()");
}

void TstMainWindow::commands() {
    QFETCH(QString, name);
    QFETCH(QByteArray, signal);
    const QList<QByteArray> all = {"saveRequested()",          "saveAsRequested()",
                                   "loadRequested()",          "editModeToggleRequested()",
                                   "plcPropertiesRequested()", "reconnectRequested()",
                                   "testPrintRequested()",     "connectionChooserRequested()",
                                   "exitRequested()"};
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const QByteArray &s : all)
        spies.push_back(std::make_unique<QSignalSpy>(m_window.get(), ("2" + s).constData()));

    if (auto *action = m_window->findChild<QAction *>(name))
        action->trigger();
    else if (auto *button = find<QPushButton>(name))
        QTest::mouseClick(button, Qt::LeftButton);
    else
        QFAIL("no such command");

    for (int i = 0; i < all.size(); ++i)
        QCOMPARE(spies[size_t(i)]->count(), all[i] == signal ? 1 : 0);
}

void TstMainWindow::editModeMenuShowsMode() {
    auto *entry = m_window->findChild<QAction *>(QStringLiteral("mnuEditModus"));
    QVERIFY(entry);
    QVERIFY(!entry->isChecked());
    // The request alone changes nothing: the mark follows the mode, not the click.
    entry->trigger();
    QVERIFY(!entry->isChecked());
    m_controls->setEditMode(true);
    QVERIFY(entry->isChecked());
    entry->trigger();
    QVERIFY(entry->isChecked());
    m_controls->setEditMode(false);
    QVERIFY(!entry->isChecked());
}

void TstMainWindow::typing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("editMode");
    QTest::addColumn<QString>("expected");
    QTest::newRow("module name, edit off")
        << QStringLiteral("txtModulname") << false << QStringLiteral("Line1");
    QTest::newRow("module name, edit on")
        << QStringLiteral("txtModulname") << true << QStringLiteral("Line1-7b");
    QTest::newRow("server path, edit off")
        << QStringLiteral("txtServer") << false << QStringLiteral("Line1");
    QTest::newRow("prefix, edit on")
        << QStringLiteral("txtPrefix") << true << QStringLiteral("Line1-7b");
    QTest::newRow("printer, edit off")
        << QStringLiteral("cboPrinter") << false << QStringLiteral("Line1");
    QTest::newRow("printer, edit on")
        << QStringLiteral("cboPrinter") << true << QStringLiteral("Line1-7b");
}

void TstMainWindow::typing() {
    QFETCH(QString, name);
    QFETCH(bool, editMode);
    QFETCH(QString, expected);
    const bool printer = name == u"cboPrinter";
    bool known = true;
    const auto box = T(QMetaEnum::fromType<T>().keyToValue(name.toLatin1().constData(), &known));
    const auto value = [&] {
        return printer ? m_controls->printerText() : m_controls->text(box);
    };
    if (printer)
        m_controls->setPrinterText(QStringLiteral("Line1"));
    else
        m_controls->setText(box, QStringLiteral("Line1"));
    m_controls->setEditMode(editMode);

    QLineEdit *edit = printer ? find<QComboBox>(name)->lineEdit() : find<QLineEdit>(name);
    QVERIFY(edit);
    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, QStringLiteral("-7b"));
    QCOMPARE(value(), expected);
    QCOMPARE(edit->text(), expected);
}

void TstMainWindow::tabStops_data() {
    QTest::addColumn<bool>("editMode");
    QTest::newRow("edit off") << false;
    QTest::newRow("edit on") << true;
}

void TstMainWindow::tabStops() {
    QFETCH(bool, editMode);
    m_controls->setEditMode(editMode);
    int controls = 0;
    for (QWidget *widget : m_window->findChildren<QWidget *>()) {
        const QString name = widget->objectName();
        const bool control = name.startsWith(u"txt") || name.startsWith(u"chk") ||
                             name.startsWith(u"cbo") || name.startsWith(u"cmd") ||
                             name == u"rtfComm";
        if (!control)
            continue;
        ++controls;
        QVERIFY2(bool(widget->focusPolicy() & Qt::TabFocus) == editMode, qPrintable(name));
        if (auto *edit = qobject_cast<QLineEdit *>(widget))
            QCOMPARE(edit->isReadOnly(), !editMode);
    }
    QCOMPARE(controls, PrintControls::kTextBoxes + PrintControls::kCheckBoxes + 1 + 3 + 1);
    QCOMPARE(history()->isReadOnly(), !editMode);
}

void TstMainWindow::printerListLocked_data() {
    QTest::addColumn<bool>("editMode");
    QTest::addColumn<QString>("expected");
    QTest::newRow("edit off") << false << QStringLiteral("Office");
    QTest::newRow("edit on") << true << QStringLiteral("Labels");
}

void TstMainWindow::printerListLocked() {
    QFETCH(bool, editMode);
    QFETCH(QString, expected);
    m_controls->setPrinters({QStringLiteral("Office"), QStringLiteral("Labels")});
    m_controls->setPrinterText(QStringLiteral("Office"));
    m_controls->setEditMode(editMode);
    auto *list = find<QComboBox>(QStringLiteral("cboPrinter"));
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(m_controls->printerText(), expected);
    QCOMPARE(list->currentText(), expected);
}

void TstMainWindow::checkBoxesUsable_data() {
    tabStops_data();
}

void TstMainWindow::checkBoxesUsable() {
    QFETCH(bool, editMode);
    m_controls->setEditMode(editMode);
    for (C which : {C::chkUTF8, C::chkLabelshop, C::chkDialog}) {
        QCheckBox *check = box(which);
        QTest::mouseClick(check, Qt::LeftButton, {}, indicator(check));
        QCOMPARE(m_controls->check(which), 1);
        QCOMPARE(check->checkState(), Qt::Checked);
        QTest::mouseClick(check, Qt::LeftButton, {}, indicator(check));
        QCOMPARE(m_controls->check(which), 0);
    }
}

void TstMainWindow::valuesShowInWidgets() {
    m_controls->setText(T::txtNetId, QStringLiteral("192.168.1.20.1.1"));
    QCOMPARE(find<QLineEdit>(QStringLiteral("txtNetId"))->text(),
             QStringLiteral("192.168.1.20.1.1"));
    m_controls->setCheck(C::chkChina, 1);
    QCOMPARE(box(C::chkChina)->checkState(), Qt::Checked);
    m_controls->setCaption(PrintControls::Label::lblError, QStringLiteral("<b>03.12.2026</b>"));
    // Shown as the text it is, never as markup.
    auto *error = find<QLabel>(QStringLiteral("lblError"));
    QCOMPARE(error->text(), QStringLiteral("<b>03.12.2026</b>"));
    QCOMPARE(error->textFormat(), Qt::PlainText);
    m_controls->setCaption(PrintControls::Label::lblDefPrinter, QStringLiteral("Zebra"));
    QCOMPARE(find<QLabel>(QStringLiteral("lblDefPrinter"))->text(), QStringLiteral("Zebra"));
}

void TstMainWindow::typingDoesNotEcho() {
    m_controls->setEditMode(true);
    QSignalSpy changes(m_controls.get(), &PrintControls::textChanged);
    auto *port = find<QLineEdit>(QStringLiteral("txtPort"));
    QTest::keyClicks(port, QStringLiteral("851"));
    QCOMPARE(changes.count(), 3);
    QCOMPARE(m_controls->text(T::txtPort), QStringLiteral("851"));
    QCOMPARE(port->cursorPosition(), 3);
}

void TstMainWindow::printerText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("index");
    QTest::newRow("listed") << QStringLiteral("Labels") << 1;
    QTest::newRow("not listed") << QStringLiteral("Zebra ZT410") << -1;
    QTest::newRow("empty") << QString() << -1;
}

void TstMainWindow::printerText() {
    QFETCH(QString, text);
    QFETCH(int, index);
    m_controls->setPrinterText(QStringLiteral("Office"));
    m_controls->setPrinters({QStringLiteral("Office"), QStringLiteral("Labels")});
    auto *list = find<QComboBox>(QStringLiteral("cboPrinter"));
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->currentIndex(), 0);
    m_controls->setPrinterText(text);
    QCOMPARE(list->currentText(), text);
    QCOMPARE(list->currentIndex(), index);
    // Refilling the list keeps the chosen text and does not pass itself off as a choice.
    m_controls->setPrinters({QStringLiteral("Labels"), QStringLiteral("Office")});
    QCOMPARE(m_controls->printerText(), text);
    QCOMPARE(list->currentText(), text);
}

void TstMainWindow::twoStateBoxWithGreyedValue() {
    QCheckBox *fit = box(C::chkFit);
    m_controls->setCheck(C::chkFit, 2);
    QCOMPARE(fit->checkState(), Qt::PartiallyChecked);
    QTest::mouseClick(fit, Qt::LeftButton, {}, indicator(fit));
    QCOMPARE(m_controls->check(C::chkFit), 1);
    QCOMPARE(fit->checkState(), Qt::Checked);
    QTest::mouseClick(fit, Qt::LeftButton, {}, indicator(fit));
    QCOMPARE(m_controls->check(C::chkFit), 0);
    QTest::mouseClick(fit, Qt::LeftButton, {}, indicator(fit));
    QCOMPARE(m_controls->check(C::chkFit), 1);
}

void TstMainWindow::historyToggle_data() {
    QTest::addColumn<int>("operatorHeight");
    QTest::newRow("left as it is") << 0;
    QTest::newRow("operator made it taller") << 1100;
    QTest::newRow("operator made it smaller") << 250;
}

void TstMainWindow::historyToggle() {
    QFETCH(int, operatorHeight);
    m_window->resize(m_window->width(), 420);
    m_window->rememberSavedHeight();
    QCOMPARE(m_window->savedHeight(), 420);
    const int boxHeight = history()->height();
    QVERIFY(history()->isHidden());

    QCheckBox *check = box(C::chkHistory);
    QTest::mouseClick(check, Qt::LeftButton, {}, indicator(check));
    QCOMPARE(m_controls->check(C::chkHistory), 1);
    QVERIFY(history()->isVisible());
    QCOMPARE(m_window->height(), boxHeight + 420 + twipsToPixels(800));

    if (operatorHeight > 0)
        m_window->resize(m_window->width(), operatorHeight);
    QTest::mouseClick(check, Qt::LeftButton, {}, indicator(check));
    QCOMPARE(m_controls->check(C::chkHistory), 0);
    QVERIFY(history()->isHidden());
    QCOMPARE(m_window->height(), 420);
}

void TstMainWindow::historyKeyRelease() {
    m_window->rememberSavedHeight();
    const int saved = m_window->savedHeight();
    m_controls->setCheck(C::chkHistory, 1);
    QVERIFY(history()->isVisible());
    m_window->resize(m_window->width(), saved + 10);
    const int boxHeight = history()->height();
    QTest::keyRelease(box(C::chkHistory), Qt::Key_Control);
    QCOMPARE(m_window->height(), boxHeight + saved + twipsToPixels(800));
}

void TstMainWindow::resizeRule_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("belowTop"); // window height minus the box's top
    QTest::addColumn<bool>("fits");
    QTest::newRow("tall") << 800 << 400 << true;
    QTest::newRow("wide") << 1300 << 120 << true;
    QTest::newRow("one pixel of box") << 700 << 2 << true;
    QTest::newRow("only the gap") << 700 << 1 << false;
    QTest::newRow("box top below the window") << 900 << -60 << false;
}

void TstMainWindow::resizeRule() {
    QFETCH(int, width);
    QFETCH(int, belowTop);
    QFETCH(bool, fits);
    QPlainTextEdit *box = history();
    const int left = box->x();
    const int top = box->y();
    QVERIFY(left > 0);
    const int oldHeight = box->height();

    m_window->resize(width, top + belowTop);
    QCOMPARE(m_window->size(), QSize(width, top + belowTop));
    QCOMPARE(box->x(), left);
    QCOMPARE(m_window->width() - (box->x() + box->width()), left);
    QCOMPARE(box->y(), top);
    if (fits)
        QCOMPARE(m_window->height() - (box->y() + box->height()), twipsToPixels(20));
    else
        QCOMPARE(box->height(), oldHeight);
}

void TstMainWindow::refreshLoadsLog() {
    writeLog("04.12.2026 15:48:23,07 Anforderung Los:L\xc4\x31\r\r\n"
             "04.12.2026 15:48:24,11 fertig\r\r\n");
    m_controls->setCheck(C::chkHistory, 1);
    QVERIFY(history()->toPlainText().isEmpty());
    QTest::mouseClick(box(C::chkRefresh), Qt::LeftButton, {}, indicator(box(C::chkRefresh)));
    QCOMPARE(m_controls->check(C::chkRefresh), 1);
    QVERIFY(history()->isVisible());
    QCOMPARE(history()->toPlainText(), QStringLiteral("04.12.2026 15:48:23,07 Anforderung Los:LÄ1\n"
                                                      "04.12.2026 15:48:24,11 fertig\n"));
}

void TstMainWindow::refreshWithoutHistoryHides() {
    writeLog("line\r\r\n");
    m_window->showHistory(QStringLiteral("earlier"));
    QVERIFY(history()->isVisible());
    m_controls->setCheck(C::chkRefresh, 1);
    QVERIFY(history()->isHidden());
    QCOMPARE(history()->toPlainText(), QStringLiteral("earlier"));
}

void TstMainWindow::refreshClearedDoesNothing() {
    writeLog("first\r\r\n");
    m_controls->setCheck(C::chkHistory, 1);
    m_controls->setCheck(C::chkRefresh, 1);
    QCOMPARE(history()->toPlainText(), QStringLiteral("first\n"));
    writeLog("second\r\r\n");
    m_controls->setCheck(C::chkRefresh, 0);
    QVERIFY(history()->isVisible());
    QCOMPARE(history()->toPlainText(), QStringLiteral("first\n"));
}

void TstMainWindow::timer1_data() {
    QTest::addColumn<bool>("minimised");
    QTest::addColumn<bool>("tray");
    QTest::addColumn<bool>("visibleAfter");
    QTest::addColumn<bool>("minimisedAfter");
    QTest::addColumn<int>("interval");
    QTest::newRow("minimised, tray") << true << true << false << false << 60000;
    QTest::newRow("minimised, no tray") << true << false << true << true << 60000;
    QTest::newRow("normal, tray") << false << true << true << false << 1000;
}

void TstMainWindow::timer1() {
    QFETCH(bool, minimised);
    QFETCH(bool, tray);
    QFETCH(bool, visibleAfter);
    QFETCH(bool, minimisedAfter);
    QFETCH(int, interval);
    PrintControls controls;
    AppSettings settings;
    TrayWindow window(controls, settings, tray);
    auto *timer = window.findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer);
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(timer->isActive());
    if (minimised)
        window.showMinimized();
    else
        window.show();
    QSignalSpy ticks(timer, &QTimer::timeout);
    QVERIFY(ticks.wait(5000));
    QCOMPARE(window.isVisible(), visibleAfter);
    QCOMPARE(window.isMinimized(), minimisedAfter);
    QCOMPARE(timer->interval(), interval);
    QVERIFY(timer->isActive());
}

void TstMainWindow::restartTimer1() {
    auto *timer = m_window->findChild<QTimer *>(QStringLiteral("Timer1"));
    m_window->showMinimized();
    QSignalSpy ticks(timer, &QTimer::timeout);
    QVERIFY(ticks.wait(5000));
    QCOMPARE(timer->interval(), 60000);
    m_window->restartTimer1();
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->remainingTime() <= 1000, true);
}

void TstMainWindow::showFromTray() {
    m_window->hide();
    m_window->showFromTray();
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_window->isMinimized());
    m_window->showMinimized();
    QVERIFY(m_window->isMinimized());
    m_window->showFromTray();
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_window->isMinimized());
}

void TstMainWindow::systemCloseAsksForExit() {
    QSignalSpy exit(m_window.get(), &MainWindow::exitRequested);
    QVERIFY(!m_window->close());
    QCOMPARE(exit.count(), 1);
    QVERIFY(m_window->isVisible());
    // The shutdown sequence's own close goes through without asking again.
    m_window->unload();
    QCOMPARE(exit.count(), 1);
    QVERIFY(!m_window->isVisible());
}

void TstMainWindow::closeDuringExitGoesThrough() {
    connect(m_window.get(), &MainWindow::exitRequested, m_window.get(), &MainWindow::unload);
    QVERIFY(m_window->close());
    QVERIFY(!m_window->isVisible());
}

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
