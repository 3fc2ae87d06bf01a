#pragma once

#include "PrintControls.h"

#include <QWidget>
#include <array>

class LockableComboBox;
class QCheckBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// The settings area of the main window: every operator control with its caption, each
// widget named after its control so the station's texts and tests find it by that name.
// It only builds and arranges the widgets; ControlMirror binds them to PrintControls.
class SettingsPanel : public QWidget {
    Q_OBJECT
public:
    // Lines of text the status line lblError shows.
    static constexpr int kStatusLines = 3;
    static constexpr QSize kPreviewSize{160, 80};

    explicit SettingsPanel(QWidget *parent = nullptr);

    QLineEdit *textBox(PrintControls::TextBox box) const { return m_text[size_t(box)]; }
    QCheckBox *checkBox(PrintControls::CheckBox box) const { return m_check[size_t(box)]; }
    QLabel *label(PrintControls::Label label) const { return m_label[size_t(label)]; }
    // The last label printed, small, beside the printer and the status lines.
    QLabel *labelPreview() const { return m_preview; }
    LockableComboBox *printerBox() const { return m_printer; }
    QPushButton *saveButton() const { return m_save; }
    QPushButton *loadButton() const { return m_load; }
    QPushButton *connectionButton() const { return m_connection; }

private:
    void createControls();
    QLabel *captionFor(PrintControls::TextBox box);
    QLabel *namedLabel(const QString &name, const QString &text);
    QPushButton *namedButton(const QString &name, const QString &text);
    void arrangeConnection(QGridLayout *grid);
    void arrangeBackends(QGridLayout *grid);
    void arrangeRawAndText(QGridLayout *grid);
    void arrangePrinterAndStatus(QGridLayout *grid);

    std::array<QLineEdit *, PrintControls::kTextBoxes> m_text{};
    std::array<QCheckBox *, PrintControls::kCheckBoxes> m_check{};
    std::array<QLabel *, PrintControls::kLabels> m_label{};
    std::array<QLabel *, PrintControls::kTextBoxes> m_textCaption{};
    LockableComboBox *m_printer = nullptr;
    QLabel *m_printerCaption = nullptr;
    QLabel *m_printerDeviceCaption = nullptr;
    QLabel *m_preview = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_load = nullptr;
    QPushButton *m_connection = nullptr;
};
