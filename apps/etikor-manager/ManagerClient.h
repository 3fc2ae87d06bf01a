#pragma once

#include <QStringList>
#include <QVariantMap>

// One station registered with the manager, as it handed itself over.
struct ManagerClient {
    QString busName; // the connection it called from; its callback lives there
    QString clientName;
    QStringList captions;
    QStringList methods;
    QString callbackPath;
    QVariantMap properties;
};
