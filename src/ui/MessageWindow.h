#pragma once

#include <QMainWindow>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// frmMsgBox, the window that shows one operator message: date, time, text, a counter line
// when more messages wait, and the buttons OK, Cancel and Help; the menu entry "&Delete"
// drops every waiting message. It only shows and reports: what the operator's choices do to
// the queue is decided by its owner, which also keeps the state that outlives the window.
class MessageWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MessageWindow(QWidget *parent = nullptr);

    // Fills the fields; the caption names the area the message comes from.
    void setMessage(const QString &datum, const QString &uhrzeit, const QString &meldetext,
                    const QString &bereich);
    void setHelpVisible(bool visible);
    void setCounterText(const QString &text);
    // The traffic light: "Green", "Yellow" or "Red".
    void setTrafficLight(const QString &key);
    QString trafficLight() const { return m_light; }
    // The OK button's flash colour.
    void setOkColour(const QColor &colour);
    // Shows the window as an ordinary one, never above everything, and without taking the
    // focus from what the operator is doing.
    void showNotTopmost();

Q_SIGNALS:
    void okClicked();
    void cancelClicked();
    void helpClicked();
    void deleteChosen();
    // Esc, or a close from the window manager: the message stays where it was.
    void dismissed();
    void activated();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *createMessageArea();
    QWidget *createBottomPanel();
    QPushButton *addButton(QHBoxLayout *row, const QString &name, const QString &caption,
                           void (MessageWindow::*signal)());
    void fitMessageText();

    QWidget *m_area = nullptr;
    QLineEdit *m_datum = nullptr;
    QLineEdit *m_uhrzeit = nullptr;
    QPlainTextEdit *m_text = nullptr;
    QLabel *m_count = nullptr;
    QPushButton *m_ok = nullptr;
    QPushButton *m_help = nullptr;
    QString m_light;
};
