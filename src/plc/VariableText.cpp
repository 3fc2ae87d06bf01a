#include "VariableText.h"

#include "PlcLink.h"
#include "PlcStatus.h"

qint32 variableText(PlcLink &link, const QString &name)
{
    qint32 namespaceIndex = 0;
    qint32 size = 0;
    QString typeName;
    qint32 dataTypeId = 0;
    qint32 accessLevel = 0;
    if (link.getVariableInfo(name, namespaceIndex, size, typeName, dataTypeId, accessLevel) !=
        PlcStatus::Good)
        return 0;
    return size - 1;
}
