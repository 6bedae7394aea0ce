// Access to the suite's documents for modules that only read them.
#pragma once

#include "interfaces.h"

class TBelegHelper {
public:
    // The shared document server, created on first use; later calls give the same server, so a
    // document loaded through one call is the one the next call's Beleg_Daten returns.
    IQEL_BelegEditServer* BelegEditServerExtern2_GoC();
    void Freigeben();

private:
    IQEL_BelegEditServerRef m_server;
};

TBelegHelper& GBelegHelper();
