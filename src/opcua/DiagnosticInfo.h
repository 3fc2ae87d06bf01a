#pragma once

#include <QString>
#include <memory>
#include <optional>

class UaDecoder;
class UaEncoder;

// Vendor diagnostics of a result (OPC 10000-6, 5.2.2.12): a mask byte, then the fields it
// names in the order SymbolicId, NamespaceUri, Locale, LocalizedText (Int32 indexes into
// the response's string table, -1 for none), AdditionalInfo, InnerStatusCode and an inner
// DiagnosticInfo.
struct DiagnosticInfo {
    enum Mask : quint8 {
        HasSymbolicId = 0x01,
        HasNamespaceUri = 0x02,
        HasLocalizedText = 0x04,
        HasLocale = 0x08,
        HasAdditionalInfo = 0x10,
        HasInnerStatusCode = 0x20,
        HasInnerDiagnosticInfo = 0x40,
    };

    qint32 symbolicId = -1;
    qint32 namespaceUri = -1;
    qint32 locale = -1;
    qint32 localizedText = -1;
    QString additionalInfo;
    std::optional<quint32> innerStatusCode;
    std::shared_ptr<const DiagnosticInfo> inner;

    // Compares inner diagnostics by value.
    bool operator==(const DiagnosticInfo &other) const;

    static void encode(UaEncoder &encoder, const DiagnosticInfo &value);
    // Mask bit 0x80 is a BadDecodingError. Each inner level counts as one level of nesting.
    static DiagnosticInfo decode(UaDecoder &decoder);
};
