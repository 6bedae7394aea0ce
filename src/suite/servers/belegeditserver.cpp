#include "belegeditserver.h"

#include "nichtverfuegbar.h"

namespace {
const char* const kServer = "Belegserver";
}

bool TBelegEditServer::Beleg_Laden(const TIntPair&, int16_t)
{
    qel_NichtVerfuegbar(kServer, "Beleg_Laden");
}

const TBelegDaten& TBelegEditServer::Beleg_Daten()
{
    qel_NichtVerfuegbar(kServer, "Beleg_Daten");
}
