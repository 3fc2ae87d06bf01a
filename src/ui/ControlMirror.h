#pragma once

#include "AppSettings.h"
#include "PrintControls.h"

#include <QObject>

class QPlainTextEdit;
class SettingsPanel;

// Binds the settings widgets to PrintControls in both directions. A change of a value shows
// in its widget; an operator's edit becomes the value. Only operator edits travel back
// (textEdited, clicked), and a widget is set only when it differs, so neither side echoes.
// Also applies edit mode (locks and tab stops) and runs the three-state boxes.
class ControlMirror : public QObject {
    Q_OBJECT
public:
    ControlMirror(PrintControls &controls, AppSettings &settings, SettingsPanel &panel,
                  QPlainTextEdit &history, QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectValues();
    void connectWidgets();
    void showAll();
    void showText(PrintControls::TextBox box);
    void showCheck(PrintControls::CheckBox box);
    void showCaption(PrintControls::Label label);
    void showPrinters();
    void showPrinterText();
    void applyEditMode(bool on);
    void takeClick(PrintControls::CheckBox box);
    void takePrinterText(const QString &text);

    PrintControls &m_controls;
    AppSettings &m_settings;
    SettingsPanel &m_panel;
    QPlainTextEdit &m_history;
    // Set while the printer list is refilled from the values, so the list's own change
    // signals are not taken for the operator's choice.
    bool m_fillingPrinters = false;
};
