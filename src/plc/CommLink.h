#pragma once

#include <QString>

class PlcLink;

// One link record: the variable handles of one print station and the text lengths of its
// text variables. A handle of 0 means the variable is not available. The record releases
// its handles through the link it was made with, once by terminate() and again, finding
// nothing left, when it is destroyed; the link must outlive it.
class CommLink {
public:
    CommLink(PlcLink &link, quint64 userTag);
    ~CommLink();
    CommLink(const CommLink &) = delete;
    CommLink &operator=(const CommLink &) = delete;

    // The number that names this record in the request flag's notifications.
    quint64 userTag() const { return m_userTag; }
    PlcLink &link() const { return m_link; }

    // Deletes the notification, then releases every handle still held, in a fixed order,
    // setting each to 0. Results are ignored: a handle the link no longer knows is gone.
    void terminate();

    QString anfordVar; // full name of the request flag
    qint32 hConnectAnfordVar = 0;
    qint32 hAnfordErr = 0;
    qint32 hAnfordErrText = 0;
    qint32 lAnfordErrText = 0; // text length of the result text, 0 when not known
    qint32 hAnfordVar = 0;
    qint32 hLosName = 0;
    qint32 lLosName = 0;
    qint32 hTeileNr = 0;
    qint32 hRestKenn = 0;
    qint32 hRestLen = 0;
    qint32 hRestProf = 0;
    qint32 hRestColor = 0;
    qint32 hEtkTyp = 0;
    qint32 hRAW = 0;
    qint32 lRAW = 0;
    qint32 hCmdLine = 0;
    qint32 lCmdLine = 0;

private:
    PlcLink &m_link;
    quint64 m_userTag;
};
