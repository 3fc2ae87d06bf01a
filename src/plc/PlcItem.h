#pragma once

#include <QList>
#include <QMetaType>
#include <QVariant>

// One variable of a batched read or write: what the single operation takes (the handle, the
// byte count and the kind of value) and what it gives back (the value read, and the code
// the single operation would have answered). Kinds are the single operations' value types:
// Bool, Short (16-bit integer), Int (32-bit), Double (a real, written only) and QString.
struct PlcItem {
    qint32 handle = 0;
    int byteCount = 0;
    QMetaType::Type kind = QMetaType::Bool;
    QVariant value;
    qint32 status = 0;

    static PlcItem of(qint32 handle, int byteCount, QMetaType::Type kind, QVariant value = {})
    {
        return {handle, byteCount, kind, std::move(value), 0};
    }
};

using PlcItems = QList<PlcItem>;
