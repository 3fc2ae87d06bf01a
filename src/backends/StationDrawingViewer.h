#pragma once

#include "DrawingOutput.h"
#include "DrawingViewer.h"

#include <QStringList>
#include <memory>

class Drawing;

// The station's own drawing viewer: loads WMF, EMF, SVG, PDF and bitmaps (Drawing) and prints
// the whole drawing as a PDF page through CUPS, at its own size or fitted to the page. Its
// printers are the CUPS destinations as the printer list shows them; it starts on the default
// one. The border stays off, ScaleImage only changes what a screen would show (the whole
// drawing is printed, never a view area), and the set-up dialog is the desktop's to show:
// without one, it prints straight away.
class StationDrawingViewer : public DrawingViewer {
public:
    // setupDialog: asks the operator before a print (printer and orientation may change);
    // false cancels the print. Empty in the service.
    using SetupDialog = std::function<bool(QString &printer, int &orientation)>;

    explicit StationDrawingViewer(SetupDialog setupDialog = {});
    ~StationDrawingViewer() override;

    Failure loadFile(const QString &path) override;
    int printerCount() const override { return int(m_printers.size()); }
    QString printer(int index) const override { return m_printers.value(index); }
    void setPrinterIndex(int index) override;
    int printerIndex() const override { return m_printerIndex; }
    void setBorderWidth(int width) override { m_borderWidth = width; }
    void setPaperOrientation(int orientation) override
    {
        m_settings.paperOrientation = orientation;
    }
    void setPrintScale(int scale) override { m_settings.fit = scale == FitToPage; }
    void setPrintViewArea(bool viewArea) override { m_viewArea = viewArea; }
    void setShowPrinterSetupDialog(bool show) override { m_showSetup = show; }
    QPointF center() const override;
    void scaleImage(bool on, double percent, double x, double y) override;
    Failure printImage() override;

private:
    SetupDialog m_setupDialog;
    QStringList m_printers;
    int m_printerIndex = 0;
    int m_borderWidth = 0;
    bool m_viewArea = false;
    bool m_showSetup = false;
    double m_zoom = 100;
    DrawingOutput::Settings m_settings;
    std::unique_ptr<Drawing> m_drawing;
    QString m_title;
};
