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
    void registerAddsIcon();
    void leftClickShowsWindow_data();
    void leftClickShowsWindow();
    void removeTrayIcon();
    void windowIcon();
};

void TstTrayManagerLink::trayTip_data() {
    const QString text = QStringLiteral("  Etikor (Übertragung der Druckerdaten)");
    QTest::addColumn<QString>("modulName");
    QTest::addColumn<QString>("tip");
    QTest::newRow("normal") << QStringLiteral("Line1")
                            << QStringLiteral("Line1  Etikor (Übertragung der Druckerdaten)");
    QTest::newRow("empty") << QString() << text;
    const QString fits = QString(63 - text.size(), QLatin1Char('M'));
    QTest::newRow("exactly 63") << fits << fits + text;
    QTest::newRow("one over") << fits + QLatin1Char('X')
                              << fits + QLatin1Char('X') + text.chopped(1);
    QTest::newRow("name alone too long")
        << QStringLiteral("Z").repeated(70) << QStringLiteral("Z").repeated(63);
}

void TstTrayManagerLink::trayTip() {
    QFETCH(QString, modulName);
    QFETCH(QString, tip);
    QCOMPARE(TrayManagerLink::trayTip(modulName), tip);
    QVERIFY(TrayManagerLink::trayTip(modulName).size() <= 63);
}

void TstTrayManagerLink::registerAddsIcon() {
    PrintControls controls;
    AppSettings settings;
    MainWindow window(controls, settings);
    TrayManagerLink link(window);
    QVERIFY(!link.trayIcon());
    QCOMPARE(link.registerWithManager(QStringLiteral("Line1")), int(ManagerLink::TrayIcon));
    QSystemTrayIcon *icon = link.trayIcon();
    QVERIFY(icon);
    QCOMPARE(icon->toolTip(), QStringLiteral("Line1  Etikor (Übertragung der Druckerdaten)"));
    QCOMPARE(icon->icon().cacheKey(), window.windowIcon().cacheKey());
    // An empty module name gets the icon as well.
    QCOMPARE(link.registerWithManager(QString()), int(ManagerLink::TrayIcon));
    QVERIFY(link.trayIcon());
    QCOMPARE(window.findChildren<QSystemTrayIcon *>().size(), 1);
}

void TstTrayManagerLink::leftClickShowsWindow_data() {
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<bool>("shown");
    QTest::newRow("left click") << QSystemTrayIcon::Trigger << true;
    QTest::newRow("double click") << QSystemTrayIcon::DoubleClick << false;
    QTest::newRow("context menu") << QSystemTrayIcon::Context << false;
    QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << false;
}

void TstTrayManagerLink::leftClickShowsWindow() {
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(bool, shown);
    PrintControls controls;
    AppSettings settings;
    MainWindow window(controls, settings);
    TrayManagerLink link(window);
    link.registerWithManager(QStringLiteral("Line1"));
    QVERIFY(!window.isVisible());
    Q_EMIT link.trayIcon()->activated(reason);
    QCOMPARE(window.isVisible(), shown);
    QVERIFY(!window.isMinimized());
}

void TstTrayManagerLink::removeTrayIcon() {
    PrintControls controls;
    AppSettings settings;
    MainWindow window(controls, settings);
    TrayManagerLink link(window);
    link.removeTrayIcon(); // nothing added yet: harmless
    link.registerWithManager(QStringLiteral("Line1"));
    link.removeTrayIcon();
    QVERIFY(!link.trayIcon());
    QVERIFY(window.findChildren<QSystemTrayIcon *>().isEmpty());
    link.removeTrayIcon();
}

void TstTrayManagerLink::windowIcon() {
    PrintControls controls;
    AppSettings settings;
    MainWindow window(controls, settings);
    const QIcon icon = window.windowIcon();
    QVERIFY(!icon.isNull());
    QCOMPARE(icon.availableSizes().size(), 4);
    QVERIFY(!icon.pixmap(32, 32).isNull());
}

QTEST_MAIN(TstTrayManagerLink)
#include "tst_traymanagerlink.moc"
