#pragma once

#include "StationHooks.h"

#include <QStringList>

// Notes every step the station hands to another subsystem, in order.
class RecordingHooks : public StationHooks {
public:
    QStringList calls;

    bool checkDiskSpace(bool report) override
    {
        calls << QStringLiteral("checkDiskSpace(%1)").arg(report);
        return true;
    }
    void prepareCommLog(const QString &file) override
    {
        calls << QStringLiteral("prepareCommLog ") + file;
    }
    void logFailure(const QString &text) override { calls << QStringLiteral("logFailure ") + text; }
    void setPlcNetId(const QString &id) override { calls << QStringLiteral("netId ") + id; }
    void setPlcPort(const QString &port) override { calls << QStringLiteral("port ") + port; }
    void connectPlc() override { calls << QStringLiteral("connectPlc"); }
    void terminateLinks() override { calls << QStringLiteral("terminateLinks"); }
    void closePlcLink() override { calls << QStringLiteral("closePlcLink"); }
    void prepareDatabase(const QString &p) override
    {
        calls << QStringLiteral("prepareDatabase ") + p;
    }
    void restartBackends(bool close) override
    {
        calls << QStringLiteral("restartBackends(%1)").arg(close);
    }
    void cleanCadImages() override { calls << QStringLiteral("cleanCadImages"); }
    void dropMessageQueue() override { calls << QStringLiteral("dropMessageQueue"); }
};
