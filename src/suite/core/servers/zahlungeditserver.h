// The payment server: open items of a client.
#pragma once

#include "interfaces.h"

#include <memory>

// Columns of the open-items table, in table order.
enum TOPSpalte : int {
    opGep, opBelegnummer, opDatum, opSoll, opHaben, opSaldo, opZahlungsziel, opKommentar, opMahnstufe, opGepNr,
    opRechnerNummer, opTransNummer, opLfdNummer,
    opWaehrung,            // hidden 01
    opBuchungsperiode,     // 02
    opKostenstelle,        // 03
    opBelegart,            // 04
    opKonto,               // 05
    opGepNummer,           // 06: the partner's number
    opTageUeberfaellig,    // 07: whole days past the payment term at the payment reference moment
    opSkonto,              // 08
    opSkontoBis,           // 09
    opLetzteZahlung,       // 10
    opKontaktperson,       // 11: key text
    opOrt,                 // 12: partner's city
    opUrspruenglichesZiel, // 13: the item's own payment term
    opLetzteMahnung,       // 14: date of the latest booked dunning
    opZentralreguliert,    // 15: "J"/"N"
    opMandant,             // 16: key text
    opOrgeNr,              // 17: the partner's organisation key text
    opMahnsperre,          // why the item cannot be dunned now, empty when it can
    opSpaltenAnzahl
};

// Arguments of OffenePosten_Abfragen:
//  modus 0 selects by invoice date within [von, bis], 1 by payment term within [von, bis];
//  stichtag: only items booked up to this moment; zahlungsStichtag: reference for the days past the term;
//  typen: item kinds (srvDebitoren: invoices and credit notes to customers, srvKreditoren: supplier
//  invoices, srvAlle or an empty list: every kind);
//  nurOffene 1: only items whose balance is not zero; mitZentralreguliert 1: centrally regulated items
//  are listed too (0 leaves them out).
class TZahlungEditServer : public IQEL_ZahlungEditServer {
public:
    TZahlungEditServer();
    ~TZahlungEditServer() override;
    bool OffenePosten_Abfragen(const TIntPair& mandant, const TIntPair& gep, TDateTime von, TDateTime bis, int modus,
                               TDateTime stichtag, TDateTime zahlungsStichtag, const QVector<TSRVTyp>& typen,
                               int nurOffene, int mitZentralreguliert) override;
    TVRList* OffenePosten_Liste() override { return m_liste.get(); }
    int Spalte_Gep() override { return opGep; }
    int Spalte_Belegnummer() override { return opBelegnummer; }
    int Spalte_Datum() override { return opDatum; }
    int Spalte_Haben() override { return opHaben; }
    int Spalte_Soll() override { return opSoll; }
    int Spalte_Saldo() override { return opSaldo; }
    int Spalte_Zahlungsziel() override { return opZahlungsziel; }
    int Spalte_Kommentar() override { return opKommentar; }
    int Spalte_Mahnstufe() override { return opMahnstufe; }
    int Spalte_GepNr() override { return opGepNr; }
    int Spalte_RechnerNummer() override { return opRechnerNummer; }
    int Spalte_TransNummer() override { return opTransNummer; }
    int Spalte_LfdNummer() override { return opLfdNummer; }
    int Spalte_Verdeckt_01() override { return opWaehrung; }
    int Spalte_Verdeckt_02() override { return opBuchungsperiode; }
    int Spalte_Verdeckt_03() override { return opKostenstelle; }
    int Spalte_Verdeckt_04() override { return opBelegart; }
    int Spalte_Verdeckt_05() override { return opKonto; }
    int Spalte_Verdeckt_06() override { return opGepNummer; }
    int Spalte_Verdeckt_07() override { return opTageUeberfaellig; }
    int Spalte_Verdeckt_08() override { return opSkonto; }
    int Spalte_Verdeckt_09() override { return opSkontoBis; }
    int Spalte_Verdeckt_10() override { return opLetzteZahlung; }
    int Spalte_Verdeckt_11() override { return opKontaktperson; }
    int Spalte_Verdeckt_12() override { return opOrt; }
    int Spalte_Verdeckt_13() override { return opUrspruenglichesZiel; }
    int Spalte_Verdeckt_14() override { return opLetzteMahnung; }
    int Spalte_Verdeckt_15() override { return opZentralreguliert; }
    int Spalte_Verdeckt_16() override { return opMandant; }
    int Spalte_Verdeckt_17() override { return opOrgeNr; }
    int Spalte_Mahnsperre() override { return opMahnsperre; }

private:
    void spaltenAnlegen();
    std::unique_ptr<TVRList> m_liste;
};
