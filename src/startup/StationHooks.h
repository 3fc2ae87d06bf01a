#pragma once

#include <QString>

// The steps of the load and shutdown sequences that belong to other subsystems: disk watch,
// communication log, PLC link, print-data database and the label/CAD back-ends. The station
// calls them in their fixed order through this interface; each subsystem supplies its part
// as it is built. A step whose subsystem is not part of this build does nothing.
class StationHooks {
public:
    virtual ~StationHooks() = default;

    // Disk-space check; report: queue a message when space is short. True when space is
    // sufficient or could not be checked.
    virtual bool checkDiskSpace(bool report)
    {
        (void)report;
        return true;
    }
    // The communication log after the module name is known: file name, rollover, pruning,
    // history box. The station has locked the text fields before this runs.
    virtual void prepareCommLog(const QString &commLogFile) { (void)commLogFile; }
    // Logs a failure met before the communication log existed (its text is shown in
    // lblError already), with a message for the operator.
    virtual void logFailure(const QString &text) { (void)text; }
    // The PLC link's address, set once before the first connect.
    virtual void setPlcNetId(const QString &netId) { (void)netId; }
    virtual void setPlcPort(const QString &port) { (void)port; }
    // (Re)builds the PLC link record and serves a pending request.
    virtual void connectPlc() {}
    // Shows the PLC link's own properties dialog.
    virtual void showPlcProperties() {}
    // Releases the link records' handles and drops them.
    virtual void terminateLinks() {}
    // Closes the PLC link control.
    virtual void closePlcLink() {}
    // Prepares the print-data database named by serverPath.
    virtual void prepareDatabase(const QString &serverPath) { (void)serverPath; }
    // Label program and CAD back-end: restart (close false) or end (close true) the external
    // programs they drive.
    virtual void restartBackends(bool close) { (void)close; }
    // Deletes old CAD images (configuration load with PrintRAW 2).
    virtual void cleanCadImages() {}
    // Drops the operator message queue.
    virtual void dropMessageQueue() {}
};
