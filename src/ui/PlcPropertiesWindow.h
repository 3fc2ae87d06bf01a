#pragma once

#include "PlcPropertiesView.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

class QTableWidget;

// The PLC link's properties as the operator sees them from "&TesselOCX Properties": one line
// per property, followed live while the window is open, so that a connection coming back or
// a keep-alive counter moving can be watched. The window is not modal; the station goes on
// serving requests behind it.
class PlcPropertiesWindow : public QDialog, public PlcPropertiesView {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 500;

    explicit PlcPropertiesWindow(QWidget *parent = nullptr);

    void showPlcProperties(PlcLink &link) override;
    // Reads the link's properties into the table now.
    void refresh();
    QTableWidget *table() const { return m_table; }

protected:
    void hideEvent(QHideEvent *event) override;

private:
    QTableWidget *m_table;
    QTimer m_refreshTimer;
    QPointer<PlcLink> m_link;
};
