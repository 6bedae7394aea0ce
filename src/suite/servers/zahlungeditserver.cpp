#include "zahlungeditserver.h"

#include "nichtverfuegbar.h"

namespace {
const char* const kServer = "Zahlungsserver";
}

bool TZahlungEditServer::OffenePosten_Abfragen(const TIntPair&, const TIntPair&, TDateTime, TDateTime, int, TDateTime, TDateTime, const QVector<TSRVTyp>&, int, int)
{
    qel_NichtVerfuegbar(kServer, "OffenePosten_Abfragen");
}

TVRList* TZahlungEditServer::OffenePosten_Liste()
{
    qel_NichtVerfuegbar(kServer, "OffenePosten_Liste");
}

int TZahlungEditServer::Spalte_Gep()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Gep");
}

int TZahlungEditServer::Spalte_Belegnummer()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Belegnummer");
}

int TZahlungEditServer::Spalte_Datum()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Datum");
}

int TZahlungEditServer::Spalte_Haben()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Haben");
}

int TZahlungEditServer::Spalte_Soll()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Soll");
}

int TZahlungEditServer::Spalte_Saldo()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Saldo");
}

int TZahlungEditServer::Spalte_Zahlungsziel()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Zahlungsziel");
}

int TZahlungEditServer::Spalte_Kommentar()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Kommentar");
}

int TZahlungEditServer::Spalte_Mahnstufe()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Mahnstufe");
}

int TZahlungEditServer::Spalte_GepNr()
{
    qel_NichtVerfuegbar(kServer, "Spalte_GepNr");
}

int TZahlungEditServer::Spalte_RechnerNummer()
{
    qel_NichtVerfuegbar(kServer, "Spalte_RechnerNummer");
}

int TZahlungEditServer::Spalte_TransNummer()
{
    qel_NichtVerfuegbar(kServer, "Spalte_TransNummer");
}

int TZahlungEditServer::Spalte_LfdNummer()
{
    qel_NichtVerfuegbar(kServer, "Spalte_LfdNummer");
}

int TZahlungEditServer::Spalte_Verdeckt_01()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_01");
}

int TZahlungEditServer::Spalte_Verdeckt_02()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_02");
}

int TZahlungEditServer::Spalte_Verdeckt_03()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_03");
}

int TZahlungEditServer::Spalte_Verdeckt_04()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_04");
}

int TZahlungEditServer::Spalte_Verdeckt_05()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_05");
}

int TZahlungEditServer::Spalte_Verdeckt_06()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_06");
}

int TZahlungEditServer::Spalte_Verdeckt_07()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_07");
}

int TZahlungEditServer::Spalte_Verdeckt_08()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_08");
}

int TZahlungEditServer::Spalte_Verdeckt_09()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_09");
}

int TZahlungEditServer::Spalte_Verdeckt_10()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_10");
}

int TZahlungEditServer::Spalte_Verdeckt_11()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_11");
}

int TZahlungEditServer::Spalte_Verdeckt_12()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_12");
}

int TZahlungEditServer::Spalte_Verdeckt_13()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_13");
}

int TZahlungEditServer::Spalte_Verdeckt_14()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_14");
}

int TZahlungEditServer::Spalte_Verdeckt_15()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_15");
}

int TZahlungEditServer::Spalte_Verdeckt_16()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_16");
}

int TZahlungEditServer::Spalte_Verdeckt_17()
{
    qel_NichtVerfuegbar(kServer, "Spalte_Verdeckt_17");
}
