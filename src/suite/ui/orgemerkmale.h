// Organisation attributes of the suite (logo name, contact person of a branch or client).
#pragma once

#include "suite/core/servers/interfaces.h"

class TQEL_OrgeMerkmaleDM {
public:
    TQEL_OrgeMerkmaleDM();
    ~TQEL_OrgeMerkmaleDM();
    // Fills m; an unknown organisation leaves it cleared and returns false.
    bool OrgeMerkmale_Lesen(const TIntPair& mandant, const TIntPair& orgeNr, TQEL_OrgeMerkmale& m);

private:
    IQEL_SystemServerRef m_server;
};
