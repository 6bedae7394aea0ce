#include "printeditserver.h"

#include "nichtverfuegbar.h"

namespace {
const char* const kServer = "Druckserver";
}

int TPrintEditServer::Druckauftrag_Beginnen(const QString&)
{
    qel_NichtVerfuegbar(kServer, "Druckauftrag_Beginnen");
}

void TPrintEditServer::Druckdaten_Schreiben(const TMOLA_PrintEditServer_Record&)
{
    qel_NichtVerfuegbar(kServer, "Druckdaten_Schreiben");
}

void TPrintEditServer::Druckauftrag_Beenden(const QString&, int)
{
    qel_NichtVerfuegbar(kServer, "Druckauftrag_Beenden");
}

TDBFFiles_4_Crystal TPrintEditServer::Druck_Kennung()
{
    qel_NichtVerfuegbar(kServer, "Druck_Kennung");
}

std::vector<TMOLA_PrintEditServer_Record> TPrintEditServer::Druckdaten_Lesen(int)
{
    qel_NichtVerfuegbar(kServer, "Druckdaten_Lesen");
}
