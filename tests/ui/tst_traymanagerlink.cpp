#include "AppSettings.h"
#include "MainWindow.h"
#include "PrintControls.h"
#include "TrayManagerLink.h"

#include <QSystemTrayIcon>
#include <QTest>

class TstTrayManagerLink : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void trayTip_data();
    void trayTip();
    void leftClickShowsWindow_data();
    void leftClickShowsWindow();
};

void TstTrayManagerLink::trayTip_data()
{
    const QString text = QStringLiteral("  Etikor (Übertragung der Druckerdaten)");
    const QString fits = QString(63 - text.size(), QLatin1Char('M'));
    QTest::addColumn<QString>("modulName");
    QTest::addColumn<QString>("tip");
    QTest::newRow("normal") << QStringLiteral("Line1") << QStringLiteral("Line1") + text;
    QTest::newRow("exactly 63") << fits << fits + text;
    QTest::newRow("one over") << fits + u'X' << fits + u'X' + text.chopped(1);
}

void TstTrayManagerLink::trayTip()
{
    QFETCH(QString, modulName);
    QFETCH(QString, tip);
    QCOMPARE(TrayManagerLink::trayTip(modulName), tip);
}

void TstTrayManagerLink::leftClickShowsWindow_data()
{
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<bool>("shown");
    QTest::newRow("left click") << QSystemTrayIcon::Trigger << true;
    QTest::newRow("double click") << QSystemTrayIcon::DoubleClick << false;
    QTest::newRow("context menu") << QSystemTrayIcon::Context << false;
}

void TstTrayManagerLink::leftClickShowsWindow()
{
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(bool, shown);
    PrintControls controls;
    AppSettings settings;
    MainWindow window(controls, settings);
    TrayManagerLink link(window);
    QCOMPARE(link.registerWithManager(QStringLiteral("Line1")), int(ManagerLink::TrayIcon));
    QVERIFY(link.trayIcon());
    QVERIFY(!window.isVisible());
    Q_EMIT link.trayIcon()->activated(reason);
    QCOMPARE(window.isVisible(), shown);
}

QTEST_MAIN(TstTrayManagerLink)
#include "tst_traymanagerlink.moc"
