#pragma once

#include <QString>
#include <optional>

// A gLabels barcode style as zint draws it. gLabels names its barcodes by backend and style
// ("gnu-barcode"/"Code128", "libqrencode"/"IEC18004", gLabels 4's ""/"code39" or
// "qrencode"/"qrcode", "zint"/"QR"); the station draws them all with zint, so only the
// symbology matters, whatever backend the designer's gLabels used.
struct BarcodeStyle {
    int symbology = 0;   // zint's BARCODE_…
    bool matrix = false; // a 2D symbol, drawn square; 1D barcodes stretch to their box

    // The style for a gLabels style name; nothing for one zint has no symbology for.
    static std::optional<BarcodeStyle> find(const QString &style);
};
