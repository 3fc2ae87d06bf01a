#include "BarcodeStyle.h"

#include <QHash>
#include <zint.h>

std::optional<BarcodeStyle> BarcodeStyle::find(const QString &style)
{
    // Style names of gLabels 3 and 4 and of their backends, in lower case.
    static const QHash<QString, BarcodeStyle> kStyles = {
        {QStringLiteral("code128"), {BARCODE_CODE128, false}},
        {QStringLiteral("code128b"), {BARCODE_CODE128B, false}},
        {QStringLiteral("code128c"), {BARCODE_CODE128, false}},
        {QStringLiteral("code39"), {BARCODE_CODE39, false}},
        {QStringLiteral("code39ext"), {BARCODE_EXCODE39, false}},
        {QStringLiteral("code93"), {BARCODE_CODE93, false}},
        {QStringLiteral("i25"), {BARCODE_C25INTER, false}},
        {QStringLiteral("i2of5"), {BARCODE_C25INTER, false}},
        {QStringLiteral("ean"), {BARCODE_EANX, false}},
        {QStringLiteral("ean13"), {BARCODE_EANX, false}},
        {QStringLiteral("ean-13"), {BARCODE_EANX, false}},
        {QStringLiteral("ean8"), {BARCODE_EANX, false}},
        {QStringLiteral("ean-8"), {BARCODE_EANX, false}},
        {QStringLiteral("upc"), {BARCODE_UPCA, false}},
        {QStringLiteral("upc-a"), {BARCODE_UPCA, false}},
        {QStringLiteral("upc-e"), {BARCODE_UPCE, false}},
        {QStringLiteral("isbn"), {BARCODE_ISBNX, false}},
        {QStringLiteral("postnet"), {BARCODE_POSTNET, false}},
        {QStringLiteral("onecode"), {BARCODE_USPS_IMAIL, false}},
        {QStringLiteral("iec18004"), {BARCODE_QRCODE, true}},
        {QStringLiteral("qrcode"), {BARCODE_QRCODE, true}},
        {QStringLiteral("qr"), {BARCODE_QRCODE, true}},
        {QStringLiteral("iec16022"), {BARCODE_DATAMATRIX, true}},
        {QStringLiteral("datamatrix"), {BARCODE_DATAMATRIX, true}},
        {QStringLiteral("dm"), {BARCODE_DATAMATRIX, true}},
        {QStringLiteral("pdf417"), {BARCODE_PDF417, false}},
        {QStringLiteral("pdf"), {BARCODE_PDF417, false}},
    };
    const auto found = kStyles.constFind(style.toLower());
    if (found == kStyles.cend())
        return std::nullopt;
    return *found;
}
