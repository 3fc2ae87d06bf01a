#pragma once

#include "UaDateTime.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QUuid>
#include <utility>

// Appends the OPC UA Binary encoding of built-in values to a byte array (OPC 10000-6, 5.2.2):
// integers and floating-point numbers little-endian, Strings and ByteStrings with an Int32
// length in front and -1 for null. Structured values (NodeId, Variant, DataValue, ...) encode
// themselves through the static encode() of their own class.
class UaEncoder {
public:
    UaEncoder() = default;

    const QByteArray &data() const { return m_data; }
    QByteArray take() { return std::exchange(m_data, {}); }
    qsizetype size() const { return m_data.size(); }

    void writeBoolean(bool value);
    void writeSByte(qint8 value);
    void writeByte(quint8 value);
    void writeInt16(qint16 value);
    void writeUInt16(quint16 value);
    void writeInt32(qint32 value);
    void writeUInt32(quint32 value);
    void writeInt64(qint64 value);
    void writeUInt64(quint64 value);
    void writeFloat(float value);
    void writeDouble(double value);
    // UTF-8 bytes after their count; a null QString is the null String (-1).
    void writeString(const QString &value);
    void writeDateTime(UaDateTime value);
    void writeGuid(const QUuid &value);
    // A null QByteArray is the null ByteString (-1).
    void writeByteString(const QByteArray &value);
    void writeStatusCode(quint32 value);
    // Raw bytes without a length, for headers and bodies encoded elsewhere.
    void writeBytes(QByteArrayView bytes);

private:
    QByteArray m_data;
};
