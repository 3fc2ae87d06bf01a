#pragma once

#include <QString>
#include <QtGlobal>

// Result codes of the PLC link. Every link operation answers with a 32-bit code, 0 meaning
// success; the link speaks OPC UA, so the other codes are OPC UA status codes with the
// numbers of the standard's status code table, seen as signed 32-bit integers because that
// is how the station stores and prints result codes (a Bad code is negative).
namespace PlcStatus {

constexpr qint32 code(quint32 status)
{
    return static_cast<qint32>(status);
}

constexpr qint32 Good = 0;
// The node (variable name) does not exist in the server's address space.
constexpr qint32 BadNodeIdUnknown = code(0x80340000u);
// The value is not of the variable's data type.
constexpr qint32 BadTypeMismatch = code(0x80740000u);
// The value is outside the variable's range (a text longer than its maximum length).
constexpr qint32 BadOutOfRange = code(0x803C0000u);
// An argument of the call is wrong: an unknown handle, a byte count that does not fit.
constexpr qint32 BadInvalidArgument = code(0x80AB0000u);
// No session with the server. (Not BadNotConnected, 0x808A0000, which means a variable
// whose value source was never configured.)
constexpr qint32 BadServerNotConnected = code(0x800D0000u);
// The server did not answer in time.
constexpr qint32 BadTimeout = code(0x800A0000u);

// The status's name as the standard writes it ("BadTimeout"), for messages to an engineer.
QString name(qint32 code);

// A failure of the connection rather than the server's answer to the call: the call never
// reached the PLC, or reached it and its answer was lost. What it asked for may have been
// done or not.
bool isLinkFailure(qint32 code);

} // namespace PlcStatus
