#pragma once

#include <QString>

class UaDecoder;
class UaEncoder;

// A text with its locale (OPC 10000-6, 5.2.2.14): a mask byte (0x01 locale present, 0x02 text
// present), then the present fields in that order. A null QString is an absent field.
struct LocalizedText {
    QString locale;
    QString text;

    bool operator==(const LocalizedText &other) const = default;

    static void encode(UaEncoder &encoder, const LocalizedText &value);
    // A mask with other bits set is a BadDecodingError.
    static LocalizedText decode(UaDecoder &decoder);
};
