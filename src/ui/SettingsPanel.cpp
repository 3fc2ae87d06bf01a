#include "SettingsPanel.h"

#include "ControlTexts.h"
#include "LockableComboBox.h"
#include "ThreeState.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
using T = PrintControls::TextBox;
using C = PrintControls::CheckBox;
using L = PrintControls::Label;
} // namespace

SettingsPanel::SettingsPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("settingsPanel"));
    createControls();

    auto *grid = new QGridLayout(this);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    arrangeConnection(grid);
    arrangeBackends(grid);
    arrangeRawAndText(grid);
    arrangePrinterAndStatus(grid);
}

void SettingsPanel::createControls()
{
    for (int i = 0; i < PrintControls::kTextBoxes; ++i) {
        const auto box = T(i);
        m_text[size_t(i)] = new QLineEdit(this);
        m_text[size_t(i)]->setObjectName(PrintControls::name(box));
        m_textCaption[size_t(i)] = captionFor(box);
    }
    for (int i = 0; i < PrintControls::kCheckBoxes; ++i) {
        const auto box = C(i);
        auto *check = new QCheckBox(ControlTexts::caption(box), this);
        check->setObjectName(PrintControls::name(box));
        check->setTristate(ThreeState::isThreeState(box));
        m_check[size_t(i)] = check;
    }
    for (int i = 0; i < PrintControls::kLabels; ++i) {
        auto *status = namedLabel(PrintControls::name(L(i)), QString());
        // A long failure text must not widen the window; it wraps at the window's edge. The
        // status line keeps room for a failure of several lines (a shell error has three), so
        // that the rows above never move when one comes; the whole text is its tool tip.
        const int lines = L(i) == L::lblError ? kStatusLines : 1;
        status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        status->setFixedHeight(lines * status->fontMetrics().lineSpacing());
        status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        status->setWordWrap(lines > 1);
        status->setTextFormat(Qt::PlainText);
        status->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_label[size_t(i)] = status;
    }
    m_printer = new LockableComboBox(this);
    m_printer->setObjectName(QStringLiteral("cboPrinter"));
    m_printerCaption = namedLabel(QStringLiteral("lblPrinter"), QStringLiteral("Select Printer:"));
    m_printerCaption->setBuddy(m_printer);
    m_printerDeviceCaption =
        namedLabel(QStringLiteral("lblPrinterDevice"), QStringLiteral("Aktiv. Printer:"));
    m_preview = namedLabel(QStringLiteral("picLabel"), QString());
    m_preview->setFixedSize(kPreviewSize);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setFrameShape(QFrame::StyledPanel);
    m_connection = namedButton(QStringLiteral("cmdConnection"), QStringLiteral("..."));
    m_save = namedButton(QStringLiteral("cmdSave"), QStringLiteral("Save"));
    m_load = namedButton(QStringLiteral("cmdLoad"), QStringLiteral("Load"));
}

QLabel *SettingsPanel::captionFor(PrintControls::TextBox box)
{
    const ControlTexts::BoxLabel caption = ControlTexts::label(box);
    if (caption.name.isEmpty())
        return nullptr;
    QLabel *label = namedLabel(caption.name, caption.caption);
    label->setBuddy(textBox(box));
    return label;
}

QLabel *SettingsPanel::namedLabel(const QString &name, const QString &text)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(name);
    return label;
}

QPushButton *SettingsPanel::namedButton(const QString &name, const QString &text)
{
    auto *button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

void SettingsPanel::arrangeConnection(QGridLayout *grid)
{
    const auto caption = [this](T box) {
        return m_textCaption[size_t(box)];
    };
    grid->addWidget(caption(T::txtServer), 0, 0);
    grid->addWidget(textBox(T::txtServer), 0, 1, 1, 2);
    grid->addWidget(m_connection, 0, 3, Qt::AlignLeft);
    grid->addWidget(caption(T::txtNetId), 1, 0);
    grid->addWidget(textBox(T::txtNetId), 1, 1);
    grid->addWidget(caption(T::txtPort), 1, 2);
    grid->addWidget(textBox(T::txtPort), 1, 3);
    grid->addWidget(caption(T::txtModulname), 2, 0);
    grid->addWidget(textBox(T::txtModulname), 2, 1);
    grid->addWidget(checkBox(C::chkModulname), 2, 2, 1, 2);
}

void SettingsPanel::arrangeBackends(QGridLayout *grid)
{
    const auto caption = [this](T box) {
        return m_textCaption[size_t(box)];
    };
    grid->addWidget(caption(T::txtLabelshopPath), 3, 0);
    grid->addWidget(textBox(T::txtLabelshopPath), 3, 1);
    grid->addWidget(checkBox(C::chkLabelshop), 3, 2, 1, 2);
    grid->addWidget(checkBox(C::chkCADPrint), 4, 0);
    grid->addWidget(checkBox(C::chkWinPrint), 4, 1);
    grid->addWidget(checkBox(C::chkCadRest), 4, 2);
    grid->addWidget(checkBox(C::chkFit), 4, 3);
    grid->addWidget(checkBox(C::chkPaperOrientation), 5, 0);
    grid->addWidget(checkBox(C::chkDialog), 5, 1);
    grid->addWidget(caption(T::txtEtkPath), 6, 0);
    grid->addWidget(textBox(T::txtEtkPath), 6, 1);
    grid->addWidget(caption(T::txtCADExtension), 6, 2);
    grid->addWidget(textBox(T::txtCADExtension), 6, 3);
    grid->addWidget(caption(T::txtDeleteDelay), 7, 0);
    grid->addWidget(textBox(T::txtDeleteDelay), 7, 1);
    grid->addWidget(caption(T::txtCommand), 8, 0);
    grid->addWidget(textBox(T::txtCommand), 8, 1, 1, 2);
    grid->addWidget(checkBox(C::chkCommand), 8, 3);
}

void SettingsPanel::arrangeRawAndText(QGridLayout *grid)
{
    grid->addWidget(checkBox(C::chkPrintRAW), 9, 0);
    grid->addWidget(checkBox(C::chkAddCrLf), 9, 1);
    grid->addWidget(checkBox(C::chkWriteDruck), 9, 2);
    grid->addWidget(checkBox(C::chkPrefix), 10, 0);
    grid->addWidget(textBox(T::txtPrefix), 10, 1);
    grid->addWidget(checkBox(C::chkSonderzeichen), 10, 2, 1, 2);
    grid->addWidget(checkBox(C::chkUTF8), 11, 0);
    grid->addWidget(checkBox(C::chkChina), 11, 1);
    grid->addWidget(label(L::lblChina), 11, 2, 1, 2);
    grid->addWidget(m_textCaption[size_t(T::txtCodierung)], 12, 0);
    grid->addWidget(textBox(T::txtCodierung), 12, 1);
}

void SettingsPanel::arrangePrinterAndStatus(QGridLayout *grid)
{
    grid->addWidget(m_printerCaption, 13, 0);
    grid->addWidget(m_printer, 13, 1);
    grid->addWidget(m_printerDeviceCaption, 13, 2);
    grid->addWidget(label(L::lblDefPrinter), 13, 3);
    grid->addWidget(m_save, 14, 0);
    grid->addWidget(m_load, 14, 1, Qt::AlignLeft);
    grid->addWidget(checkBox(C::chkHistory), 14, 2);
    grid->addWidget(checkBox(C::chkRefresh), 14, 3);
    grid->addWidget(label(L::lblError), 15, 0, 1, 4);
    grid->addWidget(label(L::lblLastComm), 16, 0, 1, 4);
    grid->addWidget(m_preview, 13, 4, 4, 1, Qt::AlignTop | Qt::AlignRight);
}
