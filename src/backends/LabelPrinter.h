#pragma once

#include "Failure.h"
#include "LabelRenderer.h"

#include <QByteArray>
#include <functional>

class QImage;
struct AppSettings;

// Where the station's labels go: its active printer (Printername). A CUPS queue gets the label
// as a PDF page of the label's size, which the queue's driver (a label printer's ZPL or EPL
// driver, say) turns into printer language. A socket:// printer has no driver in between: it
// gets a ZPL graphic label, rendered at the printer's resolution.
class LabelPrinter {
public:
    static constexpr int kDefaultDpi = 203;

    // Told of every label that reached its printer (the desktop shows it).
    using Printed = std::function<void(const LabelRenderer &renderer, const LabelValues &values)>;

    LabelPrinter(const AppSettings &settings, int socketDpi = kDefaultDpi);
    void setPrinted(Printed printed) { m_printed = std::move(printed); }

    // Renders and sends one label. A label with an object that cannot be painted (a barcode
    // whose data its symbology refuses) is not sent: its failure says why.
    Failure print(const LabelRenderer &renderer, const LabelValues &values) const;

    // A bitmap as a ZPL label: one ^GFA graphic field, black where the bitmap is dark.
    static QByteArray zpl(const QImage &label);

private:
    const AppSettings &m_settings;
    int m_dpi;
    Printed m_printed;
};
