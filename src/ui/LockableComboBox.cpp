#include "LockableComboBox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

LockableComboBox::LockableComboBox(QWidget *parent)
    : QComboBox(parent)
{
    setEditable(true);
    // Enter must not add the typed name to the list: the list holds the system's printers.
    setInsertPolicy(QComboBox::NoInsert);
}

void LockableComboBox::setLocked(bool locked)
{
    m_locked = locked;
    lineEdit()->setReadOnly(locked);
}

void LockableComboBox::showPopup()
{
    if (m_locked)
        return;
    QComboBox::showPopup();
}

void LockableComboBox::keyPressEvent(QKeyEvent *event)
{
    // The keys that step through the entries; everything else reaches the read-only line
    // edit, which still allows moving, selecting and copying.
    const bool stepsEntries = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down ||
                              event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown;
    if (m_locked && stepsEntries) {
        event->ignore();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void LockableComboBox::wheelEvent(QWheelEvent *event)
{
    if (m_locked) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}
