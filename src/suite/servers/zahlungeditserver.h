// The payment server: open items of a client.
#pragma once

#include "interfaces.h"

// Not built yet: every call raises ENichtVerfuegbar.
class TZahlungEditServer : public IQEL_ZahlungEditServer {
public:
    bool OffenePosten_Abfragen(const TIntPair& mandant, const TIntPair& gep, TDateTime von, TDateTime bis, int modus, TDateTime stichtag, TDateTime zahlungsStichtag, const QVector<TSRVTyp>& typen, int nurOffene, int mitMahnstufe) override;
    TVRList* OffenePosten_Liste() override;
    int Spalte_Gep() override;
    int Spalte_Belegnummer() override;
    int Spalte_Datum() override;
    int Spalte_Haben() override;
    int Spalte_Soll() override;
    int Spalte_Saldo() override;
    int Spalte_Zahlungsziel() override;
    int Spalte_Kommentar() override;
    int Spalte_Mahnstufe() override;
    int Spalte_GepNr() override;
    int Spalte_RechnerNummer() override;
    int Spalte_TransNummer() override;
    int Spalte_LfdNummer() override;
    int Spalte_Verdeckt_01() override;
    int Spalte_Verdeckt_02() override;
    int Spalte_Verdeckt_03() override;
    int Spalte_Verdeckt_04() override;
    int Spalte_Verdeckt_05() override;
    int Spalte_Verdeckt_06() override;
    int Spalte_Verdeckt_07() override;
    int Spalte_Verdeckt_08() override;
    int Spalte_Verdeckt_09() override;
    int Spalte_Verdeckt_10() override;
    int Spalte_Verdeckt_11() override;
    int Spalte_Verdeckt_12() override;
    int Spalte_Verdeckt_13() override;
    int Spalte_Verdeckt_14() override;
    int Spalte_Verdeckt_15() override;
    int Spalte_Verdeckt_16() override;
    int Spalte_Verdeckt_17() override;
};
