#include "DesktopPrompt.h"

#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TstDesktopPrompt : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cancelledSaveKeepsPreset();
};

void TstDesktopPrompt::cancelledSaveKeepsPreset()
{
    QTemporaryDir dir;
    const QString preset = dir.filePath(QStringLiteral("Etikor.dcnf"));
    // Answers the dialog from inside its own event loop, as the operator would: picks another
    // file, then changes their mind.
    bool answered = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll.stop();
        answered = true;
        QCOMPARE(dialog->selectedFiles(), QStringList{preset});
        dialog->selectFile(dir.filePath(QStringLiteral("Line2.dcnf")));
        dialog->reject();
    });
    poll.start(10);
    QCOMPARE(DesktopPrompt().saveFileName(preset), preset);
    QVERIFY(answered);
}

QTEST_MAIN(TstDesktopPrompt)
#include "tst_desktopprompt.moc"
