#pragma once

#include <QDialog>

class QButtonGroup;
class QComboBox;

// The printer set-up before a drawing prints, when the operator ticked "Druckdialog": the
// printer and the paper orientation for this print. Cancel skips the print.
class DrawingSetupDialog : public QDialog {
    Q_OBJECT
public:
    DrawingSetupDialog(const QStringList &printers, const QString &printer, int orientation,
                       QWidget *parent = nullptr);

    QString printer() const;
    // 1 portrait, 2 landscape.
    int orientation() const;

    // Shows the dialog; true, with printer and orientation as chosen, when the operator
    // confirmed.
    static bool ask(const QStringList &printers, QString &printer, int &orientation,
                    QWidget *parent);

private:
    QComboBox *m_printers;
    QButtonGroup *m_orientation;
};
