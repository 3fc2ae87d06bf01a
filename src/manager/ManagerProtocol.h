#pragma once

#include <QStringList>

// The names both ends of the server-manager link agree on: the manager's bus name, object and
// interface, and the callback a station hands it.
namespace ManagerProtocol {
inline const QString kService = QStringLiteral("projDienstwart.clsServerConnect");
inline const QString kPath = QStringLiteral("/projDienstwart/clsServerConnect");
inline const QString kCallbackClass = QStringLiteral("projEtikor.clsCallBack");
inline const QString kCallbackPath = QStringLiteral("/projEtikor/clsCallBack");
inline const QString kClientClass = QStringLiteral("ClientClass");
inline const QString kClientPath = QStringLiteral("ClientPath");
inline const QStringList kCaptions = {QStringLiteral("Start"), QStringLiteral("Stop"),
                                      QStringLiteral("Restart")};
inline const QStringList kMethods = {QStringLiteral("serverStart"), QStringLiteral("serverStop"),
                                     QStringLiteral("serverRestart")};
// How long a station waits for the manager before it takes a call as failed: a manager that
// hangs must not keep a station from serving its PLC.
constexpr int kCallTimeoutMs = 5000;
} // namespace ManagerProtocol
