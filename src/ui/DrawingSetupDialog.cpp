#include "DrawingSetupDialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QRadioButton>

using namespace Qt::StringLiterals;

DrawingSetupDialog::DrawingSetupDialog(const QStringList &printers, const QString &printer,
                                       int orientation, QWidget *parent)
    : QDialog(parent)
    , m_printers(new QComboBox(this))
    , m_orientation(new QButtonGroup(this))
{
    setWindowTitle(tr("Print drawing"));
    m_printers->setObjectName(u"cboDrawingPrinter"_s);
    m_printers->addItems(printers);
    m_printers->setCurrentIndex(std::max(0, int(printers.indexOf(printer))));
    auto *portrait = new QRadioButton(tr("Portrait"), this);
    portrait->setObjectName(u"optPortrait"_s);
    auto *landscape = new QRadioButton(tr("Landscape"), this);
    landscape->setObjectName(u"optLandscape"_s);
    m_orientation->addButton(portrait, 1);
    m_orientation->addButton(landscape, 2);
    (orientation == 2 ? landscape : portrait)->setChecked(true);
    auto *orientations = new QHBoxLayout;
    orientations->addWidget(portrait);
    orientations->addWidget(landscape);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto *form = new QFormLayout(this);
    form->addRow(tr("Printer:"), m_printers);
    form->addRow(tr("Orientation:"), orientations);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString DrawingSetupDialog::printer() const
{
    return m_printers->currentText();
}

int DrawingSetupDialog::orientation() const
{
    return m_orientation->checkedId();
}

bool DrawingSetupDialog::ask(const QStringList &printers, QString &printer, int &orientation,
                             QWidget *parent)
{
    DrawingSetupDialog dialog(printers, printer, orientation, parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    printer = dialog.printer();
    orientation = dialog.orientation();
    return true;
}
