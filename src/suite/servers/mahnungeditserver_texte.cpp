#include "mahnungeditserver.h"

#include "nichtverfuegbar.h"

namespace {
const char* const kServer = "Mahnungsserver";
}

bool TMahnungEditServer::Textbausteine_Abfragen()
{
    qel_NichtVerfuegbar(kServer, "Textbausteine_Abfragen");
}

TVRList* TMahnungEditServer::Textbausteine_Liste()
{
    qel_NichtVerfuegbar(kServer, "Textbausteine_Liste");
}

int TMahnungEditServer::Spalte_TB_Kurztext()
{
    qel_NichtVerfuegbar(kServer, "Spalte_TB_Kurztext");
}

int TMahnungEditServer::Spalte_TB_ID()
{
    qel_NichtVerfuegbar(kServer, "Spalte_TB_ID");
}

int TMahnungEditServer::Spalte_TB_Text()
{
    qel_NichtVerfuegbar(kServer, "Spalte_TB_Text");
}

bool TMahnungEditServer::Textbaustein_Anlegen(const QString&, const QString&)
{
    qel_NichtVerfuegbar(kServer, "Textbaustein_Anlegen");
}

bool TMahnungEditServer::Textbaustein_Aendern(const TIntPair&, const QString&, const QString&)
{
    qel_NichtVerfuegbar(kServer, "Textbaustein_Aendern");
}

bool TMahnungEditServer::Textbaustein_Entfernen(const TIntPair&)
{
    qel_NichtVerfuegbar(kServer, "Textbaustein_Entfernen");
}
