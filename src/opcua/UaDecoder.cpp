#include "UaDecoder.h"

#include "StatusCodes.h"

#include <QtEndian>
#include <bit>

namespace {
// A fixed-size little-endian value, or T() once the decoder has failed.
template <typename T> T readFixed(UaDecoder &decoder)
{
    const QByteArrayView bytes = decoder.readBytes(sizeof(T));
    return bytes.size() == qsizetype(sizeof(T)) ? qFromLittleEndian<T>(bytes.data()) : T();
}
} // namespace

namespace {
// What a structured value (Variant, DataValue, DiagnosticInfo, ExtensionObject) is counted
// in memory, its own object and the bookkeeping around it, whatever it holds.
constexpr qint64 kStructureBytes = 128;
// What one heap block of a string, byte string or kept array costs beside its data: Qt's
// header and the allocator's own. A one-character string is five bytes on the wire and some
// fifty in memory.
constexpr qint64 kBlockBytes = 48;
} // namespace

UaDecoder::UaDecoder(QByteArrayView data, const DecodeLimits &limits)
    : m_data(data)
    , m_limits(limits)
    , m_budget(qMax(limits.memoryFloor, qint64(data.size()) * limits.memoryPerByte))
{
}

bool UaDecoder::charge(qint64 bytes)
{
    if (!ok())
        return false;
    m_budget -= bytes;
    if (m_budget < 0)
        fail(UaStatus::BadEncodingLimitsExceeded);
    return ok();
}

void UaDecoder::fail(quint32 status)
{
    if (m_status == 0)
        m_status = status;
}

qint8 UaDecoder::readSByte()
{
    return readFixed<qint8>(*this);
}

quint8 UaDecoder::readByte()
{
    return readFixed<quint8>(*this);
}

qint16 UaDecoder::readInt16()
{
    return readFixed<qint16>(*this);
}

quint16 UaDecoder::readUInt16()
{
    return readFixed<quint16>(*this);
}

qint32 UaDecoder::readInt32()
{
    return readFixed<qint32>(*this);
}

quint32 UaDecoder::readUInt32()
{
    return readFixed<quint32>(*this);
}

qint64 UaDecoder::readInt64()
{
    return readFixed<qint64>(*this);
}

quint64 UaDecoder::readUInt64()
{
    return readFixed<quint64>(*this);
}

bool UaDecoder::readBoolean()
{
    // Any byte other than 0 is true (OPC 10000-6, 5.2.2.1).
    return readByte() != 0;
}

float UaDecoder::readFloat()
{
    return std::bit_cast<float>(readUInt32());
}

double UaDecoder::readDouble()
{
    return std::bit_cast<double>(readUInt64());
}

qint32 UaDecoder::readLength(qint32 maxLength)
{
    const qint32 length = readInt32();
    if (!ok() || length == -1)
        return -1;
    // A length beyond the bytes left fails in readBytes(), before anything is copied.
    if (length < -1)
        fail(UaStatus::BadDecodingError);
    else if (length > maxLength)
        fail(UaStatus::BadEncodingLimitsExceeded);
    return ok() ? length : -1;
}

QString UaDecoder::readString()
{
    return readString(m_limits.maxStringLength);
}

QString UaDecoder::readString(qint32 maxLength)
{
    const qint32 length = readLength(qMin(maxLength, m_limits.maxStringLength));
    if (length < 0)
        return {};
    if (length == 0)
        return QStringLiteral("");
    if (!charge(qint64(length) * 2 + kBlockBytes))
        return {};
    return QString::fromUtf8(readBytes(length));
}

UaDateTime UaDecoder::readDateTime()
{
    return {readInt64()};
}

QUuid UaDecoder::readGuid()
{
    const quint32 data1 = readUInt32();
    const quint16 data2 = readUInt16();
    const quint16 data3 = readUInt16();
    const QByteArrayView data4 = readBytes(8);
    if (!ok())
        return {};
    const auto b = [&data4](int i) {
        return uchar(data4[i]);
    };
    return QUuid(data1, data2, data3, b(0), b(1), b(2), b(3), b(4), b(5), b(6), b(7));
}

QByteArray UaDecoder::readByteString()
{
    const qint32 length = readLength(m_limits.maxByteStringLength);
    if (length < 0)
        return {};
    if (length == 0)
        return QByteArray("", 0);
    if (!charge(qint64(length) + kBlockBytes))
        return {};
    return readBytes(length).toByteArray();
}

quint32 UaDecoder::readStatusCode()
{
    return readUInt32();
}

qint32 UaDecoder::readArrayLength(qsizetype minElementSize, qsizetype elementMemory)
{
    const qint32 length = readInt32();
    if (!ok() || length == -1)
        return 0;
    if (length < -1)
        fail(UaStatus::BadDecodingError);
    else if (length > m_limits.maxArrayLength)
        fail(UaStatus::BadEncodingLimitsExceeded);
    else if (qint64(length) * qMax<qsizetype>(minElementSize, 1) > remaining())
        fail(UaStatus::BadDecodingError);
    else if (elementMemory > 0 && length > 0)
        charge(qint64(length) * elementMemory + kBlockBytes);
    return ok() ? length : 0;
}

QByteArrayView UaDecoder::readBytes(qsizetype count)
{
    if (!ok())
        return {};
    if (count < 0 || count > remaining()) {
        fail(UaStatus::BadDecodingError);
        return {};
    }
    const QByteArrayView bytes = m_data.sliced(m_position, count);
    m_position += count;
    return bytes;
}

UaDecoder::Nesting::Nesting(UaDecoder &decoder)
    : m_decoder(decoder)
{
    if (++m_decoder.m_depth > m_decoder.m_limits.maxNestingDepth)
        m_decoder.fail(UaStatus::BadEncodingLimitsExceeded);
    m_decoder.charge(kStructureBytes);
}

UaDecoder::Nesting::~Nesting()
{
    --m_decoder.m_depth;
}
