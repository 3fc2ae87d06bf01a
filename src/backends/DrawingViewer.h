#pragma once

#include "Failure.h"

#include <QPointF>
#include <QString>
#include <functional>
#include <memory>

// The drawing viewer's call table as the CAD output uses it (LoadFile, Printer(i),
// PrinterIndex, BorderWidth, PaperOrientation, PrintScale, PrintViewArea, the set-up dialog,
// Center, ScaleImage, PrintImage). Its printers are the system's, in the order the printer
// list shows them.
class DrawingViewer {
public:
    enum PrintScale { ActualSize = 0, FitToPage = 2 };

    virtual ~DrawingViewer() = default;
    virtual Failure loadFile(const QString &path) = 0;
    virtual int printerCount() const = 0;
    virtual QString printer(int index) const = 0;
    virtual void setPrinterIndex(int index) = 0;
    virtual int printerIndex() const = 0;
    virtual void setBorderWidth(int width) = 0;
    // 1 portrait, 2 landscape; 0 leaves the printer's own.
    virtual void setPaperOrientation(int orientation) = 0;
    virtual void setPrintScale(int scale) = 0;
    virtual void setPrintViewArea(bool viewArea) = 0;
    virtual void setShowPrinterSetupDialog(bool show) = 0;
    virtual QPointF center() const = 0;
    virtual void scaleImage(bool on, double percent, double x, double y) = 0;
    virtual Failure printImage() = 0;
};

// Creates the viewer; nullptr, and description says why, when it cannot be created.
using DrawingViewerFactory = std::function<std::unique_ptr<DrawingViewer>(QString &description)>;
