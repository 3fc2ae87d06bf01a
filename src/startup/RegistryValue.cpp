#include "RegistryValue.h"

#include "Ansi.h"

#include <QtEndian>

bool RegistryValue::isExpandable(const QString &text)
{
    const qsizetype first = text.indexOf(u'%');
    return first >= 0 && text.indexOf(u'%', first + 2) >= 0;
}

RegistryValue RegistryValue::fromText(const QString &text)
{
    QByteArray bytes = Ansi::encode(text);
    bytes.append('\0');
    return {isExpandable(text) ? ExpandSz : Sz, bytes};
}

RegistryValue RegistryValue::fromDword(qint32 value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return {Dword, bytes};
}

QString RegistryValue::text() const
{
    return Ansi::decode(data.isEmpty() ? data : data.chopped(1));
}

qint32 RegistryValue::dword() const
{
    QByteArray bytes = data.left(4);
    bytes.append(4 - bytes.size(), '\0');
    return qFromLittleEndian<qint32>(bytes.constData());
}
