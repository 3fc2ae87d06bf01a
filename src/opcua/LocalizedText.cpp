#include "LocalizedText.h"

#include "StatusCodes.h"
#include "UaDecoder.h"
#include "UaEncoder.h"

namespace {
constexpr quint8 kLocalePresent = 0x01;
constexpr quint8 kTextPresent = 0x02;
} // namespace

void LocalizedText::encode(UaEncoder &encoder, const LocalizedText &value)
{
    const quint8 mask =
        (value.locale.isNull() ? 0 : kLocalePresent) | (value.text.isNull() ? 0 : kTextPresent);
    encoder.writeByte(mask);
    if (mask & kLocalePresent)
        encoder.writeString(value.locale);
    if (mask & kTextPresent)
        encoder.writeString(value.text);
}

LocalizedText LocalizedText::decode(UaDecoder &decoder)
{
    LocalizedText value;
    const quint8 mask = decoder.readByte();
    if (mask & ~(kLocalePresent | kTextPresent)) {
        decoder.fail(UaStatus::BadDecodingError);
        return value;
    }
    if (mask & kLocalePresent)
        value.locale = decoder.readString();
    if (mask & kTextPresent)
        value.text = decoder.readString();
    return value;
}
