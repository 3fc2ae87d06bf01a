#include "DesktopPrompt.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>

DesktopPrompt::DesktopPrompt(QWidget *parent)
    : m_parent(parent)
{
}

Prompt::Answer DesktopPrompt::message(const QString &text, const QString &title, Buttons buttons,
                                      bool systemModal)
{
    QMessageBox box(m_parent);
    box.setObjectName(QStringLiteral("promptMessage"));
    box.setText(text);
    const QString fallback =
        m_title.isEmpty() ? QGuiApplication::applicationDisplayName() : m_title;
    box.setWindowTitle(title.isEmpty() ? fallback : title);
    box.setIcon(QMessageBox::NoIcon);
    if (buttons == Buttons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    // The desktop has no system-modal boxes; application-modal and above every other window
    // is as close as it gets: nothing else of the station can be used until it is answered.
    box.setWindowModality(systemModal ? Qt::ApplicationModal : Qt::WindowModal);
    if (systemModal)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    return box.exec() == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

QString DesktopPrompt::saveFileName(const QString &preset)
{
    const QString chosen = QFileDialog::getSaveFileName(
        m_parent, QString(), preset,
        QStringLiteral("Etikor configuration (*.dcnf *.DCNF);;All files (*)"));
    return chosen.isEmpty() ? preset : chosen;
}

std::optional<QString> DesktopPrompt::input(const QString &prompt, const QString &title,
                                            const QString &defaultText)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}
