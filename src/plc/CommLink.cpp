#include "CommLink.h"

#include "PlcLink.h"

CommLink::CommLink(PlcLink &link, quint64 userTag)
    : m_link(link)
    , m_userTag(userTag)
{
}

CommLink::~CommLink()
{
    terminate();
}

void CommLink::terminate()
{
    if (hConnectAnfordVar != 0) {
        m_link.deleteNotification(hConnectAnfordVar);
        hConnectAnfordVar = 0;
    }
    qint32 *const handles[] = {&hLosName,   &hRAW,       &hCmdLine,       &hTeileNr,
                               &hAnfordVar, &hAnfordErr, &hAnfordErrText, &hRestKenn,
                               &hRestLen,   &hRestProf,  &hRestColor,     &hEtkTyp};
    for (qint32 *handle : handles) {
        if (*handle != 0) {
            m_link.releaseHandle(*handle);
            *handle = 0;
        }
    }
}
