#include "MainWindow.h"

#include "ControlMirror.h"
#include "SettingsPanel.h"
#include "Twips.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTextCursor>
#include <QTimer>

namespace {
using C = PrintControls::CheckBox;

constexpr int kMargin = 8;
constexpr int kMinimumWidth = 640;
constexpr int kHistoryHeight = 240;
constexpr int kFirstTick = 1000;
constexpr int kLaterTicks = 60000;
// Window height added to the box's height and the saved height when the history shows.
constexpr int kHistoryExtraTwips = 800;
// Gap between the box's lower edge and the window's.
constexpr int kBottomGapTwips = 20;

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64})
        icon.addFile(QStringLiteral(":/etikor/icons/etikor-%1.png").arg(size), QSize(size, size));
    return icon;
}
} // namespace

MainWindow::MainWindow(PrintControls &controls, AppSettings &settings, QWidget *parent)
    : QMainWindow(parent)
    , m_controls(controls)
{
    setObjectName(QStringLiteral("frmPrint"));
    setWindowIcon(appIcon());
    setCentralWidget(new QWidget(this));
    m_panel = new SettingsPanel(centralWidget());
    createHistoryBox();
    createMenu();
    // Owned by the window; it lives as long as the widgets it binds.
    new ControlMirror(controls, settings, *m_panel, *m_history, this);
    connectButtons();
    connect(&m_controls, &PrintControls::checkChanged, this, &MainWindow::onCheckChanged);
    connect(&m_controls, &PrintControls::editModeChanged, m_editModus, &QAction::setChecked);
    m_editModus->setChecked(m_controls.editMode());
    m_panel->checkBox(C::chkHistory)->installEventFilter(this);
    placeInitially();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    connect(m_timer1, &QTimer::timeout, this, &MainWindow::timer1Tick);
    m_timer1->start(kFirstTick);
}

MainWindow::~MainWindow() = default;

void MainWindow::createMenu()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    addMenuEntry(file, QStringLiteral("mnuSave"), QStringLiteral("&Save"),
                 &MainWindow::saveRequested);
    addMenuEntry(file, QStringLiteral("mnuSaveAs"), QStringLiteral("Save &As"),
                 &MainWindow::saveAsRequested);
    addMenuEntry(file, QStringLiteral("mnuLoad"), QStringLiteral("&Load"),
                 &MainWindow::loadRequested);
    m_editModus = addMenuEntry(file, QStringLiteral("mnuEditModus"), QStringLiteral("E&dit On/Off"),
                               &MainWindow::editModeToggleRequested);
    m_editModus->setCheckable(true);
    // The check mark shows the mode, not the menu's own toggle: it is put back before the
    // request leaves, and the mode change sets it.
    connect(m_editModus, &QAction::triggered, this,
            [this] { m_editModus->setChecked(m_controls.editMode()); });
    addMenuEntry(file, QStringLiteral("mnuTesselProp"), QStringLiteral("&TesselOCX Properties"),
                 &MainWindow::plcPropertiesRequested);
    addMenuEntry(file, QStringLiteral("mnuReConnect"), QStringLiteral("&Tessel-Connect"),
                 &MainWindow::reconnectRequested);
    addMenuEntry(file, QStringLiteral("mnuTestdruck"), QStringLiteral("Testdruck"),
                 &MainWindow::testPrintRequested);
    addMenuEntry(file, QStringLiteral("mnu_exit"), QStringLiteral("E&xit"),
                 &MainWindow::exitRequested);
}

QAction *MainWindow::addMenuEntry(QMenu *menu, const QString &name, const QString &caption,
                                  void (MainWindow::*signal)())
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, signal);
    return action;
}

void MainWindow::createHistoryBox()
{
    // A direct child of the window, not of the central widget: its offsets are then window
    // coordinates, which the height rules are written in, whether or not the window has been
    // laid out yet.
    m_history = new QPlainTextEdit(this);
    m_history->setObjectName(QStringLiteral("rtfComm"));
    m_history->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_history->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_history->hide();
}

void MainWindow::connectButtons()
{
    connect(m_panel->saveButton(), &QPushButton::clicked, this, &MainWindow::saveRequested);
    connect(m_panel->loadButton(), &QPushButton::clicked, this, &MainWindow::loadRequested);
    connect(m_panel->connectionButton(), &QPushButton::clicked, this,
            &MainWindow::connectionChooserRequested);
}

void MainWindow::placeInitially()
{
    const QSize panel = m_panel->sizeHint();
    const int width = qMax(panel.width(), kMinimumWidth);
    const int height = menuBar()->sizeHint().height() + panel.height() + kMargin;
    m_panel->setGeometry(0, 0, width, panel.height());
    // The box sits just below the window's lower edge while hidden. Its top is chosen so that
    // showing it (saved height + box height + 800 twips) leaves exactly its own height
    // between its top and the 20-twip bottom gap: toggling the history keeps the box's size.
    const int top = height + twipsToPixels(kHistoryExtraTwips) - twipsToPixels(kBottomGapTwips);
    m_history->setGeometry(kMargin, top, width - 2 * kMargin, kHistoryHeight);
    resize(width, height);
    m_savedHeight = height;
    // Smaller, the settings would be cut off with no way to reach them.
    setMinimumSize(m_panel->minimumSizeHint().width(), height);
}

void MainWindow::rememberSavedHeight()
{
    m_savedHeight = height();
}

void MainWindow::resizeLayout()
{
    QRect box = m_history->geometry();
    const int sideWidth = width() - 2 * box.left();
    // A window narrower than both margins is a value the box cannot take; it keeps its width.
    if (sideWidth > 0)
        box.setWidth(sideWidth);
    const int gap = twipsToPixels(kBottomGapTwips);
    if (box.top() + gap < height())
        box.setHeight(height() - box.top() - gap);
    m_history->setGeometry(box);
}

void MainWindow::fitPanelWidth()
{
    m_panel->resize(qMax(centralWidget()->width(), m_panel->minimumSizeHint().width()),
                    m_panel->height());
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    fitPanelWidth();
    resizeLayout();
}

void MainWindow::onCheckChanged(PrintControls::CheckBox box)
{
    // The boxes' click handlers: a click changes the value, and a value set by the station
    // has the same effect as the operator's click.
    if (box == C::chkHistory)
        historyToggle();
    else if (box == C::chkRefresh)
        refreshClick();
}

void MainWindow::historyToggle()
{
    if (m_controls.check(C::chkHistory) >= 1) {
        m_history->show();
        resize(width(), m_history->height() + m_savedHeight + twipsToPixels(kHistoryExtraTwips));
    } else {
        m_history->hide();
        resize(width(), m_savedHeight);
    }
    resizeLayout();
}

void MainWindow::refreshClick()
{
    const bool refresh = m_controls.check(C::chkRefresh) >= 1;
    if (!refresh)
        return;
    if (m_controls.check(C::chkHistory) >= 1) {
        m_history->show();
        reloadHistory();
    } else {
        m_history->hide();
    }
}

std::optional<QString> MainWindow::readLog(const QString &path)
{
    LogTail::Update update;
    if (auto failed = m_logTail.read(path, update))
        return failed;
    // Log records end in CR CR LF; the box shows one line per record.
    update.text.remove(QLatin1Char('\r'));
    if (update.whole) {
        m_history->setPlainText(update.text);
    } else if (!update.text.isEmpty()) {
        QTextCursor end(m_history->document());
        end.movePosition(QTextCursor::End);
        end.insertText(update.text);
    }
    return std::nullopt;
}

std::optional<QString> MainWindow::showLog(const QString &path)
{
    m_history->show();
    return readLog(path);
}

void MainWindow::loadLog(const QString &path)
{
    m_logTail.reset();
    if (readLog(path))
        m_history->clear();
}

void MainWindow::hideHistory()
{
    m_history->hide();
}

void MainWindow::reloadHistory()
{
    // A file that cannot be read leaves the box as it was.
    if (!m_controls.commLogFile.isEmpty())
        (void)readLog(m_controls.commLogFile);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    const bool historyKeyUp = watched == m_panel->checkBox(C::chkHistory) &&
                              event->type() == QEvent::KeyRelease &&
                              !static_cast<QKeyEvent *>(event)->isAutoRepeat();
    if (historyKeyUp)
        historyToggle();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::timer1Tick()
{
    if (!isMinimized())
        return;
    // Without a tray icon the task bar is the operator's only way back to the window.
    // The window keeps its minimised state while it is hidden: on X11, clearing it maps the
    // window again, which then stands on the screen undrawn, as the widget believes itself
    // hidden. showFromTray() brings it back in normal state.
    if (trayIconShown())
        hide();
    m_timer1->setInterval(kLaterTicks);
}

void MainWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // A minimise goes to the tray at once rather than at the next tick, which may be a minute
    // away; after the window manager has finished iconifying it.
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        QTimer::singleShot(0, this, &MainWindow::timer1Tick);
}

bool MainWindow::trayIconShown() const
{
    return m_trayIcon && m_trayIcon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void MainWindow::restartTimer1()
{
    m_timer1->stop();
    m_timer1->setInterval(kFirstTick);
    m_timer1->start();
}

void MainWindow::showFromTray()
{
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::serverStart()
{
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    setAttribute(Qt::WA_ShowWithoutActivating, true);
    show();
    setAttribute(Qt::WA_ShowWithoutActivating, false);
    raise();
    if (auto *server = findChild<QWidget *>(QStringLiteral("txtServer")))
        server->setFocus();
    setWindowState(Qt::WindowNoState);
    restartTimer1();
}

void MainWindow::setTrayIcon(QSystemTrayIcon *icon)
{
    m_trayIcon = icon;
}

void MainWindow::showLabelPreview(const QImage &label)
{
    QLabel *preview = m_panel->labelPreview();
    preview->setPixmap(QPixmap::fromImage(
        label.scaled(preview->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    preview->setToolTip(
        tr("Last label printed, %1").arg(QDateTime::currentDateTime().toString(Qt::ISODate)));
}

void MainWindow::unload()
{
    m_unloading = true;
    close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_unloading) {
        QMainWindow::closeEvent(event);
        return;
    }
    // Closed by the system or the title bar: that is an exit like the menu's, so the
    // station runs its shutdown sequence, which ends with unload(). When it does so at once,
    // inside this signal, the close goes through; otherwise it waits for unload().
    Q_EMIT exitRequested();
    if (m_unloading)
        event->accept();
    else
        event->ignore();
}
