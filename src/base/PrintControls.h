#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <array>

// The values of the main window's controls that the station's procedures read and write.
// The desktop window mirrors this object both ways; the service runs it without a window.
// Every change emits a signal, so the mirror never polls.
class PrintControls : public QObject {
    Q_OBJECT
public:
    enum class TextBox {
        txtServer,
        txtNetId,
        txtPort,
        txtModulname,
        txtLabelshopPath,
        txtDeleteDelay,
        txtEtkPath,
        txtCADExtension,
        txtCommand,
        txtPrefix,
        txtCodierung,
    };
    Q_ENUM(TextBox)
    static constexpr int kTextBoxes = 11;

    enum class CheckBox {
        chkModulname,
        chkLabelshop,
        chkCADPrint,
        chkWinPrint,
        chkCadRest,
        chkFit,
        chkPaperOrientation,
        chkDialog,
        chkCommand,
        chkPrintRAW,
        chkAddCrLf,
        chkPrefix,
        chkSonderzeichen,
        chkUTF8,
        chkChina,
        chkWriteDruck,
        chkHistory,
        chkRefresh,
    };
    Q_ENUM(CheckBox)
    static constexpr int kCheckBoxes = 18;

    enum class Label { lblChina, lblDefPrinter, lblError, lblLastComm };
    Q_ENUM(Label)
    static constexpr int kLabels = 4;

    explicit PrintControls(QObject *parent = nullptr);

    QString text(TextBox box) const { return m_text[idx(box)]; }
    void setText(TextBox box, const QString &value);

    // 0 empty, 1 ticked, 2 greyed. A check box shows nothing else: a value outside 0..2 is
    // refused (false) and the box keeps its state.
    int check(CheckBox box) const { return m_check[idx(box)]; }
    bool setCheck(CheckBox box, int value);

    QString caption(Label label) const { return m_caption[idx(label)]; }
    void setCaption(Label label, const QString &value);

    // The printer list: its entries, its text, and the entry the text selects (-1: none).
    QStringList printers() const { return m_printers; }
    void setPrinters(const QStringList &names);
    QString printerText() const { return m_printerText; }
    void setPrinterText(const QString &text);
    int printerListIndex() const { return m_printers.indexOf(m_printerText); }

    // Edit mode: text boxes and the printer list accept input only while it is on.
    bool editMode() const { return m_editMode; }
    void setEditMode(bool on);

    // Window members that are not controls but belong with them.
    QString serverPath;
    QString modulName;
    QString commLogFile;
    bool steuerzeichenNull = false;

    static QString name(TextBox box);
    static QString name(CheckBox box);
    static QString name(Label label);

Q_SIGNALS:
    void textChanged(PrintControls::TextBox box);
    void checkChanged(PrintControls::CheckBox box);
    void captionChanged(PrintControls::Label label);
    void printersChanged();
    void printerTextChanged();
    void editModeChanged(bool on);

private:
    template <typename E> static constexpr size_t idx(E e) { return static_cast<size_t>(e); }

    std::array<QString, kTextBoxes> m_text;
    std::array<int, kCheckBoxes> m_check{};
    std::array<QString, kLabels> m_caption;
    QStringList m_printers;
    QString m_printerText;
    bool m_editMode = false;
};
