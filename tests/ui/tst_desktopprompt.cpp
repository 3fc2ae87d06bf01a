#include "DesktopPrompt.h"
#include "ModalAnswer.h"

#include <QAbstractButton>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

class TstDesktopPrompt : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void message_data();
    void message();
    void saveFileName_data();
    void saveFileName();
    void input_data();
    void input();
};

void TstDesktopPrompt::initTestCase() {
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Line1 Etikor"));
}

void TstDesktopPrompt::message_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("okCancel");
    QTest::addColumn<bool>("systemModal");
    QTest::addColumn<QString>("press"); // "ok", "cancel" or "escape"
    QTest::addColumn<QString>("shownTitle");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<bool>("answerOk");

    const QString app = QStringLiteral("Line1 Etikor");
    const QString own = QStringLiteral("Pfad");
    QTest::newRow("ok box, default title")
        << QString() << false << false << QStringLiteral("ok") << app << 1 << true;
    QTest::newRow("ok box, escape is ok")
        << own << false << false << QStringLiteral("escape") << own << 1 << true;
    QTest::newRow("ok/cancel, ok")
        << own << true << false << QStringLiteral("ok") << own << 2 << true;
    QTest::newRow("ok/cancel, cancel")
        << QString() << true << true << QStringLiteral("cancel") << app << 2 << false;
    QTest::newRow("ok/cancel, escape")
        << own << true << true << QStringLiteral("escape") << own << 2 << false;
}

void TstDesktopPrompt::message() {
    QFETCH(QString, title);
    QFETCH(bool, okCancel);
    QFETCH(bool, systemModal);
    QFETCH(QString, press);
    QFETCH(QString, shownTitle);
    QFETCH(int, buttons);
    QFETCH(bool, answerOk);

    QString seenText;
    QString seenTitle;
    int seenButtons = 0;
    Qt::WindowModality seenModality = Qt::NonModal;
    bool onTop = false;
    ModalAnswer answer([&](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        seenText = box->text();
        seenTitle = box->windowTitle();
        seenButtons = int(box->buttons().size());
        seenModality = box->windowModality();
        onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        if (press == u"escape")
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(press == u"ok" ? QMessageBox::Ok : QMessageBox::Cancel)->click();
    });

    DesktopPrompt prompt;
    const Prompt::Answer result =
        prompt.message(QStringLiteral("Pfad nicht gefunden"), title,
                       okCancel ? Prompt::Buttons::OkCancel : Prompt::Buttons::Ok, systemModal);
    QVERIFY(answer.answered());
    QCOMPARE(result == Prompt::Answer::Ok, answerOk);
    QCOMPARE(seenText, QStringLiteral("Pfad nicht gefunden"));
    QCOMPARE(seenTitle, shownTitle);
    QCOMPARE(seenButtons, buttons);
    QCOMPARE(onTop, systemModal);
    if (systemModal)
        QCOMPARE(seenModality, Qt::ApplicationModal);
}

void TstDesktopPrompt::saveFileName_data() {
    QTest::addColumn<bool>("accept");
    QTest::newRow("chosen") << true;
    QTest::newRow("cancelled") << false;
}

void TstDesktopPrompt::saveFileName() {
    QFETCH(bool, accept);
    QTemporaryDir dir;
    const QString preset = dir.filePath(QStringLiteral("Etikor.dcnf"));
    const QString chosen = dir.filePath(QStringLiteral("Line2.dcnf"));
    QString seenFilter;
    QStringList seenSelection;
    ModalAnswer answer([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        seenFilter = dialog->nameFilters().join(QStringLiteral(";;"));
        seenSelection = dialog->selectedFiles();
        if (accept) {
            dialog->selectFile(chosen);
            // accept() is public on QDialog; QFileDialog's own checks still run.
            static_cast<QDialog *>(dialog)->accept();
        } else {
            dialog->reject();
        }
    });

    DesktopPrompt prompt;
    const QString result = prompt.saveFileName(preset);
    QVERIFY(answer.answered());
    QCOMPARE(result, accept ? chosen : preset);
    QCOMPARE(seenFilter, QStringLiteral("Etikor configuration (*.dcnf *.DCNF);;All files (*)"));
    QCOMPARE(seenSelection, QStringList{preset});
}

void TstDesktopPrompt::input_data() {
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("typed");
    QTest::newRow("accepted as preset") << true << QString();
    QTest::newRow("accepted with text") << true << QStringLiteral("-2");
    QTest::newRow("cancelled") << false << QStringLiteral("-2");
}

void TstDesktopPrompt::input() {
    QFETCH(bool, accept);
    QFETCH(QString, typed);
    QString seenLabel;
    QString seenTitle;
    ModalAnswer answer([&](QWidget *modal) {
        auto *dialog = qobject_cast<QInputDialog *>(modal);
        QVERIFY(dialog);
        seenLabel = dialog->labelText();
        seenTitle = dialog->windowTitle();
        auto *edit = dialog->findChild<QLineEdit *>();
        QVERIFY(edit);
        edit->end(false);
        QTest::keyClicks(edit, typed);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    });

    DesktopPrompt prompt;
    const std::optional<QString> result = prompt.input(
        QStringLiteral("Modulname:"), QStringLiteral("Etikor"), QStringLiteral("Line1"));
    QVERIFY(answer.answered());
    QCOMPARE(seenLabel, QStringLiteral("Modulname:"));
    QCOMPARE(seenTitle, QStringLiteral("Etikor"));
    QCOMPARE(result.has_value(), accept);
    if (accept)
        QCOMPARE(*result, QStringLiteral("Line1") + typed);
}

QTEST_MAIN(TstDesktopPrompt)
#include "tst_desktopprompt.moc"
