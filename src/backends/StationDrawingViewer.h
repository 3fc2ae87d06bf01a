#pragma once

#include "DrawingOutput.h"
#include "DrawingViewer.h"

#include <QStringList>
#include <memory>

class Drawing;

// The station's own drawing viewer: loads WMF, EMF, SVG, PDF and bitmaps (Drawing) and prints
// the whole drawing as a PDF page through CUPS, at its own size or fitted to the page. Its
// printers are the CUPS destinations as the printer list shows them; it starts on the default
// one. The whole drawing is printed, so the border, the view area and ScaleImage change
// nothing; the set-up dialog is the desktop's to show: without one, it prints straight away.
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
    // The page shows the drawing alone: no border, never a view area; a zoom changes no page.
    void setBorderWidth(int) override {}
    void setPaperOrientation(int orientation) override
    {
        m_settings.paperOrientation = orientation;
    }
    void setPrintScale(int scale) override { m_settings.fit = scale == FitToPage; }
    void setPrintViewArea(bool) override {}
    void setShowPrinterSetupDialog(bool show) override { m_showSetup = show; }
    QPointF center() const override;
    void scaleImage(bool, double, double, double) override {}
    Failure printImage() override;

private:
    SetupDialog m_setupDialog;
    QStringList m_printers;
    int m_printerIndex = 0;
    bool m_showSetup = false;
    DrawingOutput::Settings m_settings;
    std::unique_ptr<Drawing> m_drawing;
    QString m_title;
};
