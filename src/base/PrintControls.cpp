#include "PrintControls.h"

#include <QMetaEnum>

PrintControls::PrintControls(QObject *parent)
    : QObject(parent)
{
}

void PrintControls::setText(TextBox box, const QString &value)
{
    if (m_text[idx(box)] == value)
        return;
    m_text[idx(box)] = value;
    Q_EMIT textChanged(box);
}

bool PrintControls::setCheck(CheckBox box, int value)
{
    if (value < 0 || value > 2)
        return false;
    if (m_check[idx(box)] != value) {
        m_check[idx(box)] = value;
        Q_EMIT checkChanged(box);
    }
    return true;
}

void PrintControls::setCaption(Label label, const QString &value)
{
    if (m_caption[idx(label)] == value)
        return;
    m_caption[idx(label)] = value;
    Q_EMIT captionChanged(label);
}

void PrintControls::setPrinters(const QStringList &names)
{
    m_printers = names;
    Q_EMIT printersChanged();
}

void PrintControls::setPrinterText(const QString &text)
{
    if (m_printerText == text)
        return;
    m_printerText = text;
    Q_EMIT printerTextChanged();
}

void PrintControls::setEditMode(bool on)
{
    if (m_editMode == on)
        return;
    m_editMode = on;
    Q_EMIT editModeChanged(on);
}

QString PrintControls::name(TextBox box)
{
    return QString::fromLatin1(QMetaEnum::fromType<TextBox>().valueToKey(int(box)));
}

QString PrintControls::name(CheckBox box)
{
    return QString::fromLatin1(QMetaEnum::fromType<CheckBox>().valueToKey(int(box)));
}

QString PrintControls::name(Label label)
{
    return QString::fromLatin1(QMetaEnum::fromType<Label>().valueToKey(int(label)));
}
