#pragma once

#include "PlcItem.h"

#include <QString>
#include <array>

class CommLink;
class PlcLink;

// The variables a request is read from, fetched from the PLC in one exchange: the flag, the
// lot name and raw text, then the command text for a station that prints by command line,
// or the part number and the lot's optional values. Each value keeps the code of its own
// read, so the cycle decides exactly as it would on single reads; a value it would not have
// read is simply not taken.
class RequestReads {
public:
    enum Role {
        Flag,
        LosName,
        Raw,
        CmdLine,
        TeileNr,
        RestKenn,
        RestLen,
        RestProf,
        RestColor,
        EtkTyp,
        RoleCount
    };

    RequestReads(const CommLink &link, bool commandLine);
    void read(PlcLink &plc);

    qint32 status(Role role) const;
    bool flag() const;
    // The value into target when its read succeeded (a text up to its first NUL); the code.
    qint32 take(Role role, QString &target) const;
    qint32 take(Role role, qint32 &target) const;
    qint32 take(Role role, qint16 &target) const;

private:
    void add(Role role, qint32 handle, int byteCount, QMetaType::Type kind);

    PlcItems m_items;
    std::array<qsizetype, RoleCount> m_at{};
};
