#include "mahnungeditserver.h"

#include "nichtverfuegbar.h"

namespace {
const char* const kServer = "Mahnungsserver";
}

bool TMahnungEditServer::Mahnungen_Abfragen(const TIntPair&, int, TDateTime, TDateTime)
{
    qel_NichtVerfuegbar(kServer, "Mahnungen_Abfragen");
}

bool TMahnungEditServer::Mahnung_Suchen_Belegnummer(const TIntPair&, int, int, int)
{
    qel_NichtVerfuegbar(kServer, "Mahnung_Suchen_Belegnummer");
}

TVRList* TMahnungEditServer::Mahnungen_Liste()
{
    qel_NichtVerfuegbar(kServer, "Mahnungen_Liste");
}

int TMahnungEditServer::Spalte_M_GepName()
{
    qel_NichtVerfuegbar(kServer, "Spalte_M_GepName");
}

int TMahnungEditServer::Spalte_Mahnungsdatum()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Mahnungsdatum");
}

int TMahnungEditServer::Spalte_MahnungsText()
{
    qel_NichtVerfuegbar(kServer, "Spalte_MahnungsText");
}

int TMahnungEditServer::Spalte_M_Belegnummer()
{
    qel_NichtVerfuegbar(kServer, "Spalte_M_Belegnummer");
}

int TMahnungEditServer::Spalte_M_Zusatz()
{
    qel_NichtVerfuegbar(kServer, "Spalte_M_Zusatz");
}

int TMahnungEditServer::Spalte_MahnungsID()
{
    qel_NichtVerfuegbar(kServer, "Spalte_MahnungsID");
}

int TMahnungEditServer::Spalte_M_GepNr()
{
    qel_NichtVerfuegbar(kServer, "Spalte_M_GepNr");
}

int TMahnungEditServer::Spalte_M_OrgeNr()
{
    qel_NichtVerfuegbar(kServer, "Spalte_M_OrgeNr");
}

int TMahnungEditServer::Spalte_Beruecksichtigt()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Beruecksichtigt");
}

int TMahnungEditServer::Spalte_M_LfdNr()
{
    qel_NichtVerfuegbar(kServer, "Spalte_M_LfdNr");
}

int TMahnungEditServer::Spalte_M_WirtschaftsJahr()
{
    qel_NichtVerfuegbar(kServer, "Spalte_M_WirtschaftsJahr");
}

int TMahnungEditServer::Spalte_M_RNr()
{
    qel_NichtVerfuegbar(kServer, "Spalte_M_RNr");
}

bool TMahnungEditServer::Mahnung_Abfragen(const TIntPair&)
{
    qel_NichtVerfuegbar(kServer, "Mahnung_Abfragen");
}

TVRList* TMahnungEditServer::Positionen_Liste()
{
    qel_NichtVerfuegbar(kServer, "Positionen_Liste");
}

int TMahnungEditServer::PosSpalte_BelegNr()
{
    qel_NichtVerfuegbar(kServer, "PosSpalte_BelegNr");
}

int TMahnungEditServer::PosSpalte_Datum()
{
    qel_NichtVerfuegbar(kServer, "PosSpalte_Datum");
}

int TMahnungEditServer::PosSpalte_Zahlbarbis()
{
    qel_NichtVerfuegbar(kServer, "PosSpalte_Zahlbarbis");
}

int TMahnungEditServer::PosSpalte_Saldo()
{
    qel_NichtVerfuegbar(kServer, "PosSpalte_Saldo");
}

int TMahnungEditServer::PosSpalte_Mahnstufe()
{
    qel_NichtVerfuegbar(kServer, "PosSpalte_Mahnstufe");
}

int TMahnungEditServer::PosSpalte_Mahngebuehren()
{
    qel_NichtVerfuegbar(kServer, "PosSpalte_Mahngebuehren");
}

int TMahnungEditServer::PosSpalte_Verzugszins()
{
    qel_NichtVerfuegbar(kServer, "PosSpalte_Verzugszins");
}
