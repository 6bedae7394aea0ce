// Records exchanged between the dunning editor and the dunning server.
#pragma once

#include "suite/core/types.h"

#include <QString>
#include <vector>

// The dunning fee of one item: never more than this.
constexpr double CMahngebuehr_Hoechstbetrag = 2.5;
// The fee an item is preset with at the hand-over, by the dunning level it has reached so far: the
// first two dunnings are free.
constexpr double qel_MahngebuehrVorgabe(int bisherigeMahnstufe)
{
    return bisherigeMahnstufe > 1 ? CMahngebuehr_Hoechstbetrag : 0.0;
}

// One dunned item.
struct TQEL_Mahnung_Belegpositionen {
    int32_t RNr = 0;        // computer number of the open item's transaction
    int32_t TransNr = 0;    // transaction number
    int32_t LfdNr = 0;      // running number within the transaction (16 bits would lose numbers above 32767)
    TDateTime ZahlbarBis = 0;  // new payment term
    int32_t Mahnstufe = 0;  // dunning level of this dunning
    double Saldo = 0;
    double Mahngebuehren = 0;
    double Verzugszins = 0;
    QString Belegnummer;    // number of the dunned invoice
    TDateTime Belegdatum = 0;
    double Pauschale = 0;   // flat fee for a business debtor in default, 0 or 40, once per invoice
};
using TQEL_Mahnung_Belegpositionen_Array = std::vector<TQEL_Mahnung_Belegpositionen>;

void Init_TQEL_Mahnung_Belegpositionen(TQEL_Mahnung_Belegpositionen& pos);

// One dunning document: one business partner.
struct TQEL_Mahnung_Beleg {
    TIntPair Mandant;
    TIntPair GepNr;
    TIntPair OrgeNr;
    TDateTime Mahnungsdatum = 0;
    TDateTime Beruecksichtigt = 0;
    QString MahnungsText;
    int32_t WirtschaftsJahr = 0;
    int32_t RNr = 0;
    int32_t LfdNr = 0;
    TQEL_Mahnung_Belegpositionen_Array Positionen;
};
using TQEL_Mahnung_Beleg_Array = std::vector<TQEL_Mahnung_Beleg>;
