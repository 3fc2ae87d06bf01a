#include "RequestReads.h"

#include "CommLink.h"
#include "PlcLink.h"
#include "PlcStatus.h"
#include "VariableText.h"

namespace {
// The remnant texts have no length variable of their own.
constexpr int kRemnantTextBytes = 80;
} // namespace

RequestReads::RequestReads(const CommLink &link, bool commandLine)
{
    m_at.fill(-1);
    add(Flag, link.hAnfordVar, 2, QMetaType::Bool);
    add(LosName, link.hLosName, link.lLosName * 2, QMetaType::QString);
    if (link.hRAW != 0)
        add(Raw, link.hRAW, link.lRAW * 2, QMetaType::QString);
    if (commandLine) {
        if (link.hCmdLine != 0)
            add(CmdLine, link.hCmdLine, link.lCmdLine * 2, QMetaType::QString);
        return;
    }
    add(TeileNr, link.hTeileNr, 4, QMetaType::Int);
    if (link.hRestKenn != 0)
        add(RestKenn, link.hRestKenn, 2, QMetaType::Short);
    if (link.hRestLen != 0)
        add(RestLen, link.hRestLen, 4, QMetaType::Int);
    if (link.hRestProf != 0)
        add(RestProf, link.hRestProf, kRemnantTextBytes, QMetaType::QString);
    if (link.hRestColor != 0)
        add(RestColor, link.hRestColor, kRemnantTextBytes, QMetaType::QString);
    if (link.hEtkTyp != 0)
        add(EtkTyp, link.hEtkTyp, 2, QMetaType::Short);
}

void RequestReads::add(Role role, qint32 handle, int byteCount, QMetaType::Type kind)
{
    m_at[role] = m_items.size();
    m_items.append(PlcItem::of(handle, byteCount, kind));
}

void RequestReads::read(PlcLink &plc)
{
    plc.readMany(m_items);
}

qint32 RequestReads::status(Role role) const
{
    return m_at[role] < 0 ? PlcStatus::BadInvalidArgument : m_items.at(m_at[role]).status;
}

bool RequestReads::flag() const
{
    return status(Flag) == PlcStatus::Good && m_items.at(m_at[Flag]).value.toBool();
}

qint32 RequestReads::take(Role role, QString &target) const
{
    const qint32 code = status(role);
    if (code == PlcStatus::Good)
        target = untilNul(m_items.at(m_at[role]).value.toString());
    return code;
}

qint32 RequestReads::take(Role role, qint32 &target) const
{
    const qint32 code = status(role);
    if (code == PlcStatus::Good)
        target = m_items.at(m_at[role]).value.toInt();
    return code;
}

qint32 RequestReads::take(Role role, qint16 &target) const
{
    const qint32 code = status(role);
    if (code == PlcStatus::Good)
        target = m_items.at(m_at[role]).value.value<qint16>();
    return code;
}
