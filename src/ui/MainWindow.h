#pragma once

#include "AppSettings.h"
#include "HistoryView.h"
#include "LogTail.h"
#include "PrintControls.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QImage;
class QMenu;
class QPlainTextEdit;
class QSystemTrayIcon;
class QTimer;
class SettingsPanel;

// frmPrint, the station's main window: the settings controls (mirrored with PrintControls),
// the "&File" menu, the communication history box rtfComm below the settings, and Timer1,
// which sends a minimised window to the tray. It knows nothing of the station object: every
// command leaves as a signal that the program wires to the station.
class MainWindow : public QMainWindow, public HistoryView {
    Q_OBJECT
public:
    MainWindow(PrintControls &controls, AppSettings &settings, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The height the history toggle sizes the window from; taken at the end of the load
    // sequence.
    void rememberSavedHeight();
    int savedHeight() const { return m_savedHeight; }

    // Lays out the history box: equal side margins, its lower edge 20 twips above the
    // window's. Runs on every resize and after the history toggle.
    void resizeLayout();

    // The history box as the communication log drives it: show the log file's content, load
    // it hidden (start-up), hide the box. Only what was appended since the last read is read.
    std::optional<QString> showLog(const QString &path) override;
    void loadLog(const QString &path) override;
    void hideHistory() override;
    // Refreshes the box from the log file named by commLogFile.
    void reloadHistory();

    // Disable, interval 1000 ms, enable: the minimise check runs again after one second.
    void restartTimer1();
    // Brings the hidden or minimised window up: not modal, normal state, in front, focused.
    void showFromTray();
    // The server manager's "Start": the window stays on top of the others and shows where it
    // was without taking the keyboard from the operator's current program, in normal state,
    // the database box focused inside it; the minimise check runs again after one second.
    void serverStart();
    // The tray icon the minimise check hands the window to; none: the window stays
    // minimised in the task bar, so the operator can always reach it.
    void setTrayIcon(QSystemTrayIcon *icon);

    // Shows the last label printed, scaled into the preview beside the status lines; its tool
    // tip says when.
    void showLabelPreview(const QImage &label);

    // The shutdown sequence's last step: closes the window for good. A close from anywhere
    // else (the window manager, the desktop logging out) only asks for the shutdown.
    void unload();

Q_SIGNALS:
    void saveRequested();
    void saveAsRequested();
    void loadRequested();
    void editModeToggleRequested();
    void plcPropertiesRequested();
    void reconnectRequested();
    void testPrintRequested();
    void connectionChooserRequested();
    void exitRequested();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Whether a minimised window may leave the task bar: only when a tray icon shows.
    virtual bool trayIconShown() const;

private:
    void createMenu();
    QAction *addMenuEntry(QMenu *menu, const QString &name, const QString &caption,
                          void (MainWindow::*signal)());
    void createHistoryBox();
    void placeInitially();
    void fitPanelWidth();
    void connectButtons();
    void onCheckChanged(PrintControls::CheckBox box);
    void historyToggle();
    void refreshClick();
    void timer1Tick();
    std::optional<QString> readLog(const QString &path);

    PrintControls &m_controls;
    SettingsPanel *m_panel = nullptr;
    QPlainTextEdit *m_history = nullptr;
    LogTail m_logTail;
    QAction *m_editModus = nullptr;
    QTimer *m_timer1 = nullptr;
    QPointer<QSystemTrayIcon> m_trayIcon;
    int m_savedHeight = 0;
    bool m_unloading = false;
};
