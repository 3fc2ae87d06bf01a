#include "DiagnosticInfo.h"

#include "StatusCodes.h"
#include "UaDecoder.h"
#include "UaEncoder.h"

namespace {
constexpr quint8 kUnknownBit = 0x80;

quint8 maskOf(const DiagnosticInfo &d)
{
    quint8 mask = 0;
    if (d.symbolicId != -1)
        mask |= DiagnosticInfo::HasSymbolicId;
    if (d.namespaceUri != -1)
        mask |= DiagnosticInfo::HasNamespaceUri;
    if (d.locale != -1)
        mask |= DiagnosticInfo::HasLocale;
    if (d.localizedText != -1)
        mask |= DiagnosticInfo::HasLocalizedText;
    if (!d.additionalInfo.isNull())
        mask |= DiagnosticInfo::HasAdditionalInfo;
    if (d.innerStatusCode)
        mask |= DiagnosticInfo::HasInnerStatusCode;
    if (d.inner)
        mask |= DiagnosticInfo::HasInnerDiagnosticInfo;
    return mask;
}
} // namespace

bool DiagnosticInfo::operator==(const DiagnosticInfo &other) const
{
    const bool innerEqual =
        (!inner && !other.inner) || (inner && other.inner && *inner == *other.inner);
    return innerEqual && symbolicId == other.symbolicId && namespaceUri == other.namespaceUri &&
           locale == other.locale && localizedText == other.localizedText &&
           additionalInfo == other.additionalInfo && innerStatusCode == other.innerStatusCode;
}

void DiagnosticInfo::encode(UaEncoder &encoder, const DiagnosticInfo &value)
{
    const quint8 mask = maskOf(value);
    encoder.writeByte(mask);
    if (mask & HasSymbolicId)
        encoder.writeInt32(value.symbolicId);
    if (mask & HasNamespaceUri)
        encoder.writeInt32(value.namespaceUri);
    if (mask & HasLocale)
        encoder.writeInt32(value.locale);
    if (mask & HasLocalizedText)
        encoder.writeInt32(value.localizedText);
    if (mask & HasAdditionalInfo)
        encoder.writeString(value.additionalInfo);
    if (mask & HasInnerStatusCode)
        encoder.writeStatusCode(*value.innerStatusCode);
    if (mask & HasInnerDiagnosticInfo)
        encode(encoder, *value.inner);
}

DiagnosticInfo DiagnosticInfo::decode(UaDecoder &decoder)
{
    const UaDecoder::Nesting level(decoder);
    DiagnosticInfo value;
    const quint8 mask = decoder.readByte();
    if (mask & kUnknownBit)
        decoder.fail(UaStatus::BadDecodingError);
    if (mask & HasSymbolicId)
        value.symbolicId = decoder.readInt32();
    if (mask & HasNamespaceUri)
        value.namespaceUri = decoder.readInt32();
    if (mask & HasLocale)
        value.locale = decoder.readInt32();
    if (mask & HasLocalizedText)
        value.localizedText = decoder.readInt32();
    if (mask & HasAdditionalInfo)
        value.additionalInfo = decoder.readString();
    if (mask & HasInnerStatusCode)
        value.innerStatusCode = decoder.readStatusCode();
    if ((mask & HasInnerDiagnosticInfo) && decoder.ok())
        value.inner = std::make_shared<const DiagnosticInfo>(decode(decoder));
    return decoder.ok() ? value : DiagnosticInfo();
}
