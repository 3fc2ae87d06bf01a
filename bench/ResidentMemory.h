#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// The process's resident memory in kB as the kernel reports it (VmRSS); -1 when unknown.
inline long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}
