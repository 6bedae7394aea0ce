#include "beleghelper.h"

IQEL_BelegEditServer* TBelegHelper::BelegEditServerExtern2_GoC()
{
    if (!m_server)
        Glob_WWSServerFactoryClass().BelegEditServer_Holen(m_server);
    return m_server.get();
}

void TBelegHelper::Freigeben() { Glob_WWSServerFactoryClass().BelegEditServer_Freigeben(m_server); }

TBelegHelper& GBelegHelper()
{
    static TBelegHelper helper;
    return helper;
}
