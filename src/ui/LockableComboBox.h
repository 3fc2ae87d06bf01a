#pragma once

#include <QComboBox>

// An editable drop-down list that can be locked like a text box: while locked its text can
// be neither typed over nor changed by picking an entry (popup, arrow keys, wheel), but it
// stays readable and selectable for copying. The printer list needs this: outside edit mode
// the operator must not change the printer, yet its text may name a printer missing from
// the list.
class LockableComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit LockableComboBox(QWidget *parent = nullptr);

    bool isLocked() const { return m_locked; }
    void setLocked(bool locked);

    void showPopup() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    bool m_locked = false;
};
