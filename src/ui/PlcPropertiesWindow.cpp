#include "PlcPropertiesWindow.h"

#include "PlcLink.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

PlcPropertiesWindow::PlcPropertiesWindow(QWidget *parent)
    : QDialog(parent)
    , m_table(new QTableWidget(0, 2, this))
{
    setWindowTitle(tr("PLC link properties"));
    setModal(false);
    m_table->setObjectName(QStringLiteral("tblProperties"));
    m_table->setHorizontalHeaderLabels({tr("Property"), tr("Value")});
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(520, 460);
    m_refreshTimer.setInterval(kRefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &PlcPropertiesWindow::refresh);
}

void PlcPropertiesWindow::showPlcProperties(PlcLink &link)
{
    m_link = &link;
    refresh();
    m_table->resizeColumnToContents(0);
    show();
    raise();
    activateWindow();
    m_refreshTimer.start();
}

void PlcPropertiesWindow::refresh()
{
    const PlcLinkProperties properties = m_link ? m_link->properties() : PlcLinkProperties();
    m_table->setRowCount(int(properties.size()));
    for (int row = 0; row < int(properties.size()); ++row) {
        const PlcLinkProperty &property = properties.at(row);
        for (int column = 0; column < 2; ++column) {
            const QString text = column == 0 ? property.name : property.value;
            QTableWidgetItem *item = m_table->item(row, column);
            if (!item)
                m_table->setItem(row, column, new QTableWidgetItem(text));
            else if (item->text() != text)
                item->setText(text);
        }
    }
}

void PlcPropertiesWindow::hideEvent(QHideEvent *event)
{
    m_refreshTimer.stop();
    QDialog::hideEvent(event);
}
