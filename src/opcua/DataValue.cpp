#include "DataValue.h"

#include "UaDecoder.h"
#include "UaEncoder.h"

namespace {
constexpr quint8 kKnownBits = DataValue::HasValue | DataValue::HasStatus |
                              DataValue::HasSourceTimestamp | DataValue::HasServerTimestamp |
                              DataValue::HasSourcePicoseconds | DataValue::HasServerPicoseconds;

quint8 maskOf(const DataValue &v)
{
    quint8 mask = 0;
    if (!v.value.isNull())
        mask |= DataValue::HasValue;
    if (v.status != UaStatus::Good)
        mask |= DataValue::HasStatus;
    if (!v.sourceTimestamp.isNull())
        mask |= DataValue::HasSourceTimestamp;
    if (v.sourcePicoseconds != 0)
        mask |= DataValue::HasSourcePicoseconds;
    if (!v.serverTimestamp.isNull())
        mask |= DataValue::HasServerTimestamp;
    if (v.serverPicoseconds != 0)
        mask |= DataValue::HasServerPicoseconds;
    return mask;
}
} // namespace

void DataValue::encode(UaEncoder &encoder, const DataValue &value)
{
    const quint8 mask = maskOf(value);
    encoder.writeByte(mask);
    if (mask & HasValue)
        Variant::encode(encoder, value.value);
    if (mask & HasStatus)
        encoder.writeStatusCode(value.status);
    if (mask & HasSourceTimestamp)
        encoder.writeDateTime(value.sourceTimestamp);
    if (mask & HasSourcePicoseconds)
        encoder.writeUInt16(value.sourcePicoseconds);
    if (mask & HasServerTimestamp)
        encoder.writeDateTime(value.serverTimestamp);
    if (mask & HasServerPicoseconds)
        encoder.writeUInt16(value.serverPicoseconds);
}

DataValue DataValue::decode(UaDecoder &decoder)
{
    const UaDecoder::Nesting level(decoder);
    DataValue value;
    const quint8 mask = decoder.readByte();
    if (mask & ~kKnownBits)
        decoder.fail(UaStatus::BadDecodingError);
    if (mask & HasValue)
        value.value = Variant::decode(decoder);
    if (mask & HasStatus)
        value.status = decoder.readStatusCode();
    if (mask & HasSourceTimestamp)
        value.sourceTimestamp = decoder.readDateTime();
    if (mask & HasSourcePicoseconds)
        value.sourcePicoseconds = decoder.readUInt16();
    if (mask & HasServerTimestamp)
        value.serverTimestamp = decoder.readDateTime();
    if (mask & HasServerPicoseconds)
        value.serverPicoseconds = decoder.readUInt16();
    return decoder.ok() ? value : DataValue();
}
