#include "PlcLink.h"

#include "PlcStatus.h"

void PlcLink::readMany(PlcItems &items)
{
    for (PlcItem &item : items) {
        switch (item.kind) {
        case QMetaType::Bool: {
            bool value = false;
            item.status = readBool(item.handle, item.byteCount, value);
            item.value = value;
            break;
        }
        case QMetaType::Short: {
            qint16 value = 0;
            item.status = readInt(item.handle, item.byteCount, value);
            item.value = QVariant::fromValue(value);
            break;
        }
        case QMetaType::Int: {
            qint32 value = 0;
            item.status = readLong(item.handle, item.byteCount, value);
            item.value = value;
            break;
        }
        case QMetaType::QString: {
            QString value;
            item.status = readString(item.handle, item.byteCount, value);
            item.value = value;
            break;
        }
        default:
            item.status = PlcStatus::BadInvalidArgument;
        }
        if (item.status != PlcStatus::Good)
            item.value.clear();
    }
}

void PlcLink::writeMany(PlcItems &items)
{
    for (PlcItem &item : items) {
        switch (item.kind) {
        case QMetaType::Bool:
            item.status = writeBool(item.handle, item.byteCount, item.value.toBool());
            break;
        case QMetaType::Short:
            item.status = writeInt(item.handle, item.byteCount, item.value.value<qint16>());
            break;
        case QMetaType::Int:
            item.status = writeLong(item.handle, item.byteCount, item.value.toInt());
            break;
        case QMetaType::Double:
            item.status = writeLReal(item.handle, item.byteCount, item.value.toDouble());
            break;
        case QMetaType::QString:
            item.status = writeString(item.handle, item.byteCount, item.value.toString());
            break;
        default:
            item.status = PlcStatus::BadInvalidArgument;
        }
    }
}
