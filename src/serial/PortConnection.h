#pragma once

#include <QString>

class PortControl;

enum class ConnectOutcome { Opened, Closed, Failed };

// One click of the connect button: opens the port picked in the list when it
// is closed, closes it when it is open. listIndex -1 (nothing picked) names
// port 0, which fails. commPortText receives the port number on every click.
ConnectOutcome toggleConnection(PortControl &port, int listIndex, QString &commPortText);
