#include "PortConnection.h"

#include "PortControl.h"

ConnectOutcome toggleConnection(PortControl &port, int listIndex, QString &commPortText)
{
    commPortText = QString::number(listIndex + 1);
    if (!port.setCommPort(commPortText.toInt()))
        return ConnectOutcome::Failed;
    if (port.portOpen())
        return port.setPortOpen(false) ? ConnectOutcome::Closed : ConnectOutcome::Failed;
    return port.setPortOpen(true) ? ConnectOutcome::Opened : ConnectOutcome::Failed;
}
