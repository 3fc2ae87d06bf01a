#include "Failure.h"

#include <QFileDevice>

Failure Failure::fromFile(const QFileDevice &file, const QString &source)
{
    // The numbers a plant's PLC programs and operators know from the file system errors of
    // the Windows stations.
    qint32 number = 75; // path/file access error
    switch (file.error()) {
    case QFileDevice::NoError:
        return {};
    case QFileDevice::PermissionsError:
        number = 70; // permission denied
        break;
    case QFileDevice::ResourceError:
        number = 61; // disk full
        break;
    case QFileDevice::ReadError:
    case QFileDevice::WriteError:
        number = 57; // device I/O error
        break;
    default:
        break;
    }
    return {number, source, file.errorString(), {}, 0};
}
