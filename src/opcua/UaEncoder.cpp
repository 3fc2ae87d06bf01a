#include "UaEncoder.h"

#include <QtEndian>
#include <bit>

namespace {
template <typename T> void appendLittleEndian(QByteArray &out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}
} // namespace

void UaEncoder::writeBoolean(bool value)
{
    m_data.append(char(value ? 1 : 0));
}

void UaEncoder::writeSByte(qint8 value)
{
    m_data.append(char(value));
}

void UaEncoder::writeByte(quint8 value)
{
    m_data.append(char(value));
}

void UaEncoder::writeInt16(qint16 value)
{
    appendLittleEndian(m_data, value);
}

void UaEncoder::writeUInt16(quint16 value)
{
    appendLittleEndian(m_data, value);
}

void UaEncoder::writeInt32(qint32 value)
{
    appendLittleEndian(m_data, value);
}

void UaEncoder::writeUInt32(quint32 value)
{
    appendLittleEndian(m_data, value);
}

void UaEncoder::writeInt64(qint64 value)
{
    appendLittleEndian(m_data, value);
}

void UaEncoder::writeUInt64(quint64 value)
{
    appendLittleEndian(m_data, value);
}

void UaEncoder::writeFloat(float value)
{
    // IEEE 754 single precision, its bit pattern little-endian.
    appendLittleEndian(m_data, std::bit_cast<quint32>(value));
}

void UaEncoder::writeDouble(double value)
{
    appendLittleEndian(m_data, std::bit_cast<quint64>(value));
}

void UaEncoder::writeString(const QString &value)
{
    if (value.isNull()) {
        writeInt32(-1);
        return;
    }
    const QByteArray utf8 = value.toUtf8();
    writeInt32(qint32(utf8.size()));
    m_data.append(utf8);
}

void UaEncoder::writeDateTime(UaDateTime value)
{
    writeInt64(value.ticks);
}

void UaEncoder::writeGuid(const QUuid &value)
{
    // Data1, Data2 and Data3 as integers, Data4 as its eight bytes in order.
    writeUInt32(value.data1);
    writeUInt16(value.data2);
    writeUInt16(value.data3);
    m_data.append(reinterpret_cast<const char *>(value.data4), sizeof(value.data4));
}

void UaEncoder::writeByteString(const QByteArray &value)
{
    if (value.isNull()) {
        writeInt32(-1);
        return;
    }
    writeInt32(qint32(value.size()));
    m_data.append(value);
}

void UaEncoder::writeStatusCode(quint32 value)
{
    writeUInt32(value);
}

void UaEncoder::writeBytes(QByteArrayView bytes)
{
    m_data.append(bytes);
}
