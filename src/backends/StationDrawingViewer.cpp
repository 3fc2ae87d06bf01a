#include "StationDrawingViewer.h"

#include "Drawing.h"
#include "PrinterList.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

StationDrawingViewer::StationDrawingViewer(SetupDialog setupDialog)
    : m_setupDialog(std::move(setupDialog))
    , m_printers(PrinterList::destinations())
{
    m_printerIndex = std::max(0, int(m_printers.indexOf(PrinterList::defaultDestination())));
}

StationDrawingViewer::~StationDrawingViewer() = default;

Failure StationDrawingViewer::loadFile(const QString &path)
{
    Failure failure;
    m_drawing = Drawing::load(path, failure);
    m_title = QFileInfo(path).fileName();
    return failure;
}

void StationDrawingViewer::setPrinterIndex(int index)
{
    if (index >= 0 && index < m_printers.size())
        m_printerIndex = index;
}

// The centre of the drawing in its own millimetres.
QPointF StationDrawingViewer::center() const
{
    return m_drawing ? QPointF(m_drawing->sizeMm().width() / 2, m_drawing->sizeMm().height() / 2)
                     : QPointF();
}

Failure StationDrawingViewer::printImage()
{
    if (!m_drawing)
        return {1, u"Drawing"_s, u"no drawing is loaded"_s, {}, 0};
    QString queue = printer(m_printerIndex);
    DrawingOutput::Settings settings = m_settings;
    if (m_showSetup && m_setupDialog && !m_setupDialog(queue, settings.paperOrientation))
        return {32755, u"Drawing"_s, u"Cancel was selected."_s, {}, 0};
    if (queue.isEmpty())
        return {1, u"Drawing"_s, u"the system has no printer"_s, {}, 0};
    return DrawingOutput::print(*m_drawing, queue, settings, m_title);
}
