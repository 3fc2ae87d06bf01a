#include "PlcPropertiesWindow.h"
#include "SimulatedPlc.h"

#include <QTableWidget>
#include <QTest>

using namespace Qt::StringLiterals;

// The PLC link's properties window: it lists what the link reports, follows changes while it
// is open, stops following when closed, and never blocks the station behind it.
class TstPlcPropertiesWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void followsTheLinkWhileOpen();
    void aLinkThatIsGoneLeavesAnEmptyTable();
};

namespace {
QString cell(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QString();
}
} // namespace

void TstPlcPropertiesWindow::followsTheLinkWhileOpen()
{
    SimulatedPlc plc;
    plc.setNetId(u"plc7"_s);
    PlcPropertiesWindow window;
    window.showPlcProperties(plc);
    QVERIFY(window.isVisible());
    QVERIFY(!window.isModal());
    QCOMPARE(window.table()->rowCount(), 3);
    QCOMPARE(cell(window.table(), 0, 0), u"Net id"_s);
    QCOMPARE(cell(window.table(), 0, 1), u"plc7"_s);

    plc.setNetId(u"plc8"_s);
    QTRY_COMPARE(cell(window.table(), 0, 1), u"plc8"_s);

    window.reject();
    QVERIFY(!window.isVisible());
    plc.setNetId(u"plc9"_s);
    QTest::qWait(3 * PlcPropertiesWindow::kRefreshMs);
    QCOMPARE(cell(window.table(), 0, 1), u"plc8"_s);
}

void TstPlcPropertiesWindow::aLinkThatIsGoneLeavesAnEmptyTable()
{
    PlcPropertiesWindow window;
    {
        SimulatedPlc plc;
        window.showPlcProperties(plc);
        QCOMPARE(window.table()->rowCount(), 3);
    }
    window.refresh();
    QCOMPARE(window.table()->rowCount(), 0);
}

QTEST_MAIN(TstPlcPropertiesWindow)
#include "tst_plcpropertieswindow.moc"
