#include "ControlMirror.h"

#include "LockableComboBox.h"
#include "SettingsPanel.h"
#include "ThreeState.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {
using T = PrintControls::TextBox;
using C = PrintControls::CheckBox;
using L = PrintControls::Label;

Qt::CheckState stateOf(int value)
{
    switch (value) {
    case 1:
        return Qt::Checked;
    case 2:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

int valueOf(Qt::CheckState state)
{
    switch (state) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}
} // namespace

ControlMirror::ControlMirror(PrintControls &controls, AppSettings &settings, SettingsPanel &panel,
                             QPlainTextEdit &history, QObject *parent)
    : QObject(parent)
    , m_controls(controls)
    , m_settings(settings)
    , m_panel(panel)
    , m_history(history)
{
    showAll();
    connectValues();
    connectWidgets();
}

void ControlMirror::connectValues()
{
    connect(&m_controls, &PrintControls::textChanged, this, &ControlMirror::showText);
    connect(&m_controls, &PrintControls::checkChanged, this, &ControlMirror::showCheck);
    connect(&m_controls, &PrintControls::captionChanged, this, &ControlMirror::showCaption);
    connect(&m_controls, &PrintControls::printersChanged, this, &ControlMirror::showPrinters);
    connect(&m_controls, &PrintControls::printerTextChanged, this, &ControlMirror::showPrinterText);
    connect(&m_controls, &PrintControls::editModeChanged, this, &ControlMirror::applyEditMode);
}

void ControlMirror::connectWidgets()
{
    for (int i = 0; i < PrintControls::kTextBoxes; ++i) {
        const auto box = T(i);
        connect(m_panel.textBox(box), &QLineEdit::textEdited, this,
                [this, box](const QString &text) { m_controls.setText(box, text); });
    }
    for (int i = 0; i < PrintControls::kCheckBoxes; ++i) {
        const auto box = C(i);
        QCheckBox *check = m_panel.checkBox(box);
        connect(check, &QCheckBox::clicked, this, [this, box] { takeClick(box); });
        if (ThreeState::isThreeState(box))
            check->installEventFilter(this);
    }
    connect(m_panel.printerBox(), &QComboBox::editTextChanged, this,
            &ControlMirror::takePrinterText);
}

void ControlMirror::showAll()
{
    for (int i = 0; i < PrintControls::kTextBoxes; ++i)
        showText(T(i));
    for (int i = 0; i < PrintControls::kCheckBoxes; ++i)
        showCheck(C(i));
    for (int i = 0; i < PrintControls::kLabels; ++i)
        showCaption(L(i));
    showPrinters();
    applyEditMode(m_controls.editMode());
}

void ControlMirror::showText(PrintControls::TextBox box)
{
    QLineEdit *edit = m_panel.textBox(box);
    const QString value = m_controls.text(box);
    if (edit->text() != value)
        edit->setText(value);
    // A long value (a command line, a connection string) is seen whole in the tool tip.
    edit->setToolTip(value);
}

void ControlMirror::showCheck(PrintControls::CheckBox box)
{
    QCheckBox *check = m_panel.checkBox(box);
    const int value = m_controls.check(box);
    // A two-state box may still be handed the greyed value; it shows it, and the operator's
    // next click makes it an ordinary two-state box again.
    if (!ThreeState::isThreeState(box))
        check->setTristate(value == 2);
    check->setCheckState(stateOf(value));
}

void ControlMirror::showCaption(PrintControls::Label label)
{
    // The back-ends end their lines with CR LF, as the log does; a label breaks at LF alone.
    QString text = m_controls.caption(label);
    text.replace(u"\r\n"_s, u"\n"_s);
    QLabel *shown = m_panel.label(label);
    shown->setText(text);
    shown->setToolTip(text);
}

void ControlMirror::showPrinters()
{
    LockableComboBox *list = m_panel.printerBox();
    m_fillingPrinters = true;
    list->clear();
    list->addItems(m_controls.printers());
    m_fillingPrinters = false;
    showPrinterText();
}

void ControlMirror::showPrinterText()
{
    LockableComboBox *list = m_panel.printerBox();
    const QString text = m_controls.printerText();
    if (list->currentText() == text && list->currentIndex() == m_controls.printerListIndex())
        return;
    m_fillingPrinters = true;
    // The entry the text names is selected; a name missing from the list stays as text.
    list->setCurrentIndex(m_controls.printerListIndex());
    list->setEditText(text);
    m_fillingPrinters = false;
}

void ControlMirror::takePrinterText(const QString &text)
{
    if (!m_fillingPrinters)
        m_controls.setPrinterText(text);
}

void ControlMirror::takeClick(PrintControls::CheckBox box)
{
    // A three-state box's value moved on the mouse press; its click only shows the value
    // again, so the box never keeps its own two-state toggle (a Space key press included).
    if (!ThreeState::isThreeState(box))
        m_controls.setCheck(box, valueOf(m_panel.checkBox(box)->checkState()));
    showCheck(box);
}

bool ControlMirror::eventFilter(QObject *watched, QEvent *event)
{
    // Any button advances the value; a quick second press arrives as a double click and
    // counts as a press too.
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (press) {
        for (int i = 0; i < PrintControls::kCheckBoxes; ++i) {
            const auto box = C(i);
            if (watched == m_panel.checkBox(box) && ThreeState::isThreeState(box))
                ThreeState::press(box, m_settings, m_controls);
        }
    }
    return QObject::eventFilter(watched, event);
}

void ControlMirror::applyEditMode(bool on)
{
    // Off: fields read-only and no Tab stops; a click still focuses, so text can be copied.
    const Qt::FocusPolicy focus = on ? Qt::StrongFocus : Qt::ClickFocus;
    for (int i = 0; i < PrintControls::kTextBoxes; ++i) {
        m_panel.textBox(T(i))->setReadOnly(!on);
        m_panel.textBox(T(i))->setFocusPolicy(focus);
    }
    for (int i = 0; i < PrintControls::kCheckBoxes; ++i)
        m_panel.checkBox(C(i))->setFocusPolicy(focus);
    m_panel.printerBox()->setLocked(!on);
    m_panel.printerBox()->setFocusPolicy(focus);
    m_panel.printerBox()->lineEdit()->setFocusPolicy(focus);
    m_history.setReadOnly(!on);
    m_history.setFocusPolicy(focus);
    for (QPushButton *button :
         {m_panel.saveButton(), m_panel.loadButton(), m_panel.connectionButton()})
        button->setFocusPolicy(focus);
}
