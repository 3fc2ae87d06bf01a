#include "MessageWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

namespace {
// Distance of the message text from the edges of the area above the bottom panel.
constexpr int kTextOffset = 8;
constexpr QSize kInitialSize(480, 260);

QLineEdit *readOnlyField(QWidget *parent, const QString &name)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    return field;
}

// The width of a box that shows sample whole: the text, the box's own margins (two pixels a
// side, and two more to spare) and the frame its style draws.
int fieldWidth(const QLineEdit *field, const QString &sample)
{
    QStyleOptionFrame option;
    option.initFrom(field);
    option.lineWidth = field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
    const QFontMetrics metrics = field->fontMetrics();
    const QSize text(metrics.horizontalAdvance(sample) + 8, metrics.height());
    return field->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, field).width();
}

QIcon lightIcon(const QString &key)
{
    return QIcon(QStringLiteral(":/etikor/icons/light-%1.png").arg(key.toLower()));
}
} // namespace

MessageWindow::MessageWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMsgBox"));
    setWindowTitle(QStringLiteral("Message"));
    // A message must not steal the keyboard from the operator's work; it takes the focus
    // only when it has been ignored for a while.
    setAttribute(Qt::WA_ShowWithoutActivating);
    QAction *erase = menuBar()->addAction(QStringLiteral("&Delete"));
    erase->setObjectName(QStringLiteral("mnuDelete"));
    connect(erase, &QAction::triggered, this, &MessageWindow::deleteChosen);

    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(createMessageArea(), 1);
    layout->addWidget(createBottomPanel());
    setCentralWidget(central);
    setTrafficLight(QStringLiteral("Green"));
    resize(kInitialSize);
}

QWidget *MessageWindow::createMessageArea()
{
    m_area = new QWidget(this);
    m_area->setObjectName(QStringLiteral("msgArea"));
    m_text = new QPlainTextEdit(m_area);
    m_text->setObjectName(QStringLiteral("txtMsgText"));
    m_text->setReadOnly(true);
    m_text->move(kTextOffset, kTextOffset);
    // The text is placed by hand, so it follows the area's size rather than a layout's.
    m_area->installEventFilter(this);
    return m_area;
}

QWidget *MessageWindow::createBottomPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("picBottom"));
    auto *rows = new QVBoxLayout(panel);

    auto *info = new QHBoxLayout;
    m_datum = readOnlyField(panel, QStringLiteral("txtMeldedatum"));
    m_uhrzeit = readOnlyField(panel, QStringLiteral("txtMeldezeitpunkt"));
    m_count = new QLabel(panel);
    m_count->setObjectName(QStringLiteral("lblMsgCount"));
    // The counter blinks: its text comes and goes every few seconds, and must not move the
    // date and time boxes when it does. They are as wide as their longest value.
    m_count->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    for (QLineEdit *field : {m_datum, m_uhrzeit})
        field->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_datum->setFixedWidth(fieldWidth(m_datum, QStringLiteral("00.00.0000")));
    m_uhrzeit->setFixedWidth(fieldWidth(m_uhrzeit, QStringLiteral("00:00:00")));
    info->addWidget(m_datum);
    info->addWidget(m_uhrzeit);
    info->addWidget(m_count, 1);
    rows->addLayout(info);

    auto *buttons = new QHBoxLayout;
    rows->addLayout(buttons); // first, so the buttons get the panel as their parent
    buttons->addStretch(1);
    m_ok = addButton(buttons, QStringLiteral("cmdOK"), QStringLiteral("&OK"),
                     &MessageWindow::okClicked);
    addButton(buttons, QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"),
              &MessageWindow::cancelClicked);
    m_help = addButton(buttons, QStringLiteral("cmdHelp"), QStringLiteral("&Help"),
                       &MessageWindow::helpClicked);
    m_ok->setDefault(true);
    return panel;
}

QPushButton *MessageWindow::addButton(QHBoxLayout *row, const QString &name, const QString &caption,
                                      void (MessageWindow::*signal)())
{
    auto *button = new QPushButton(caption);
    row->addWidget(button);
    button->setObjectName(name);
    connect(button, &QPushButton::clicked, this, signal);
    return button;
}

void MessageWindow::setMessage(const QString &datum, const QString &uhrzeit,
                               const QString &meldetext, const QString &bereich)
{
    m_datum->setText(datum);
    m_uhrzeit->setText(uhrzeit);
    m_text->setPlainText(meldetext);
    setWindowTitle(bereich);
}

void MessageWindow::setHelpVisible(bool visible)
{
    m_help->setVisible(visible);
}

void MessageWindow::setCounterText(const QString &text)
{
    m_count->setText(text);
}

void MessageWindow::setTrafficLight(const QString &key)
{
    m_light = key;
    setWindowIcon(lightIcon(key));
}

void MessageWindow::setOkColour(const QColor &colour)
{
    QPalette palette = m_ok->palette();
    palette.setColor(QPalette::Button, colour);
    m_ok->setPalette(palette);
    m_ok->setAutoFillBackground(true);
}

void MessageWindow::showNotTopmost()
{
    // Changing the flag re-creates the native window; only do it when it is really set.
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        setWindowFlag(Qt::WindowStaysOnTopHint, false);
    show();
}

void MessageWindow::fitMessageText()
{
    const QPoint offset = m_text->pos();
    m_text->resize(m_area->width() - 2 * offset.x(), m_area->height() - 2 * offset.y());
}

bool MessageWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_area && event->type() == QEvent::Resize)
        fitMessageText();
    return QMainWindow::eventFilter(watched, event);
}

void MessageWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        Q_EMIT dismissed();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void MessageWindow::closeEvent(QCloseEvent *event)
{
    // The owner discards the window; closing it here too would report the close twice.
    event->ignore();
    Q_EMIT dismissed();
}

void MessageWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Q_EMIT activated();
    QMainWindow::changeEvent(event);
}
