#include "orgemerkmale.h"

TQEL_OrgeMerkmaleDM::TQEL_OrgeMerkmaleDM() { Glob_WWSServerFactoryClass().SystemServer_Holen(m_server); }

TQEL_OrgeMerkmaleDM::~TQEL_OrgeMerkmaleDM() { Glob_WWSServerFactoryClass().SystemServer_Freigeben(m_server); }

bool TQEL_OrgeMerkmaleDM::OrgeMerkmale_Lesen(const TIntPair& mandant, const TIntPair& orgeNr, TQEL_OrgeMerkmale& m)
{
    m = TQEL_OrgeMerkmale();
    return m_server->OrgeMerkmale_Lesen(mandant, orgeNr, m);
}
