#include "dokumentserver.h"

#include "nichtverfuegbar.h"

namespace {
const char* const kServer = "Anhangserver";
}

void TDokumentServer::Dokumente_Uebernehmen(const TDocListe&)
{
    qel_NichtVerfuegbar(kServer, "Dokumente_Uebernehmen");
}

bool TDokumentServer::Dokumente_Speichern()
{
    qel_NichtVerfuegbar(kServer, "Dokumente_Speichern");
}

TDocListe TDokumentServer::Dokumente_Lesen(const TIntPair&, bool)
{
    qel_NichtVerfuegbar(kServer, "Dokumente_Lesen");
}
