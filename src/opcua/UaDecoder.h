#pragma once

#include "UaDateTime.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QUuid>

// What a decoder accepts from the wire. Every length is checked against these and against
// the bytes that are left before anything is allocated.
struct DecodeLimits {
    qint32 maxStringLength = 2 * 1024 * 1024;
    qint32 maxByteStringLength = 2 * 1024 * 1024;
    qint32 maxArrayLength = 65536;
    // Levels of Variant, DataValue, DiagnosticInfo and ExtensionObject inside each other.
    // OPC 10000-6, 5.1.5 asks decoders to support at least 100.
    int maxNestingDepth = 100;
    // The memory one message may take once decoded: this many bytes for each byte of it, and
    // this many at least. A null Variant is one byte on the wire and a hundred in memory, so
    // without a budget a few megabytes of them would take gigabytes.
    qint64 memoryPerByte = 16;
    qint64 memoryFloor = 1024 * 1024;
};

// Reads OPC UA Binary values from a byte range that outlives it (OPC 10000-6, 5.2.2),
// bounds-checked. The first problem sets a Bad status that stays: every later read returns
// the type's default and moves nothing, so a caller may read a whole structure and check
// status() once.
//   BadDecodingError           read past the end, a negative length other than -1, a length
//                              larger than the bytes left, a value the encoding forbids
//   BadEncodingLimitsExceeded  a length or nesting depth above the limits, or more memory
//                              than the message's budget (see DecodeLimits)
class UaDecoder {
public:
    explicit UaDecoder(QByteArrayView data, const DecodeLimits &limits = {});

    quint32 status() const { return m_status; }
    bool ok() const { return m_status == 0; }
    // Sets status unless an earlier problem was set.
    void fail(quint32 status);

    const DecodeLimits &limits() const { return m_limits; }
    // Counts bytes of memory the decoded values will take against the message's budget;
    // false (and the decoder failed) once it is spent. Strings, byte strings, structured
    // values and array slots are counted by the decoder and the types themselves, before
    // they allocate.
    bool charge(qint64 bytes);
    qsizetype position() const { return m_position; }
    qsizetype remaining() const { return m_data.size() - m_position; }
    bool atEnd() const { return remaining() == 0; }

    bool readBoolean();
    qint8 readSByte();
    quint8 readByte();
    qint16 readInt16();
    quint16 readUInt16();
    qint32 readInt32();
    quint32 readUInt32();
    qint64 readInt64();
    quint64 readUInt64();
    float readFloat();
    double readDouble();
    // -1 gives a null QString, 0 an empty one.
    QString readString();
    // Like readString(), but with the caller's own limit (for example 4096 bytes of a reason).
    QString readString(qint32 maxLength);
    UaDateTime readDateTime();
    QUuid readGuid();
    // -1 gives a null QByteArray, 0 an empty one.
    QByteArray readByteString();
    quint32 readStatusCode();
    // The element count of an array that follows. -1 (null) gives 0. Each element takes at
    // least minElementSize bytes, so a count the remaining bytes cannot hold fails at once.
    // A caller that keeps the elements names what each takes in memory (elementMemory), and
    // the whole array is charged against the budget before the first element is read.
    qint32 readArrayLength(qsizetype minElementSize = 1, qsizetype elementMemory = 0);
    // count raw bytes, a view into the decoded data.
    QByteArrayView readBytes(qsizetype count);

    // One level of nesting for as long as it lives; past maxNestingDepth the decoder fails.
    // Each level is one structured value, counted against the memory budget.
    class Nesting {
    public:
        explicit Nesting(UaDecoder &decoder);
        ~Nesting();
        Nesting(const Nesting &) = delete;
        Nesting &operator=(const Nesting &) = delete;

    private:
        UaDecoder &m_decoder;
    };

private:
    // The length of a String or ByteString: -1 for null, else a checked count.
    qint32 readLength(qint32 maxLength);

    QByteArrayView m_data;
    DecodeLimits m_limits;
    qsizetype m_position = 0;
    int m_depth = 0;
    qint64 m_budget = 0;
    quint32 m_status = 0;
};
