// Stored dunning rules: a client's settings, the base rates, dunning blocks. Used by the dunning and
// payment servers and by the administration tool.
#pragma once

#include "mahnregeln.h"
#include "mahnungtypes.h"

#include <QHash>
#include <QVector>

// The client's settings; the defaults when it stored none.
TMahnEinstellungen MahnRegeln_Lesen(const TIntPair& mandant);
// Checks and stores them (one transaction).
void MahnRegeln_Speichern(const TIntPair& mandant, const TMahnEinstellungen& e);

// The shipped table with the rates stored after it. Raises EQELError when either is broken.
TBasiszinsTabelle MahnRegeln_Basiszinsen();
// The base rate of the half-year that starts on ab (1 January or 1 July, the day after the table ends).
void MahnRegeln_BasiszinsHinzufuegen(const QDate& ab, double satz);
// The shipped table alone.
QString MahnRegeln_BasiszinsDatei();

// Checks (reason, end date not in the past, partner or item of the client) and stores a block.
TIntPair MahnRegeln_Sperren(TMahnsperre s);
// Lifts the active blocks of a partner or an item; returns how many.
int MahnRegeln_Entsperren(const TIntPair& mandant, const TIntPair& gepNr, const TIntTrio& posten);

struct TPostenSchluesselHash {
    int r, t, l;
    bool operator==(const TPostenSchluesselHash& o) const { return r == o.r && t == o.t && l == o.l; }
};
inline size_t qHash(const TPostenSchluesselHash& k, size_t seed) { return qHashMulti(seed, k.r, k.t, k.l); }
struct TPaarSchluessel {
    int r, l;
    bool operator==(const TPaarSchluessel& o) const { return r == o.r && l == o.l; }
};
inline size_t qHash(const TPaarSchluessel& k, size_t seed) { return qHashMulti(seed, k.r, k.l); }

// The blocks of a client active on stichtag, by partner and by item: the clerk's text for each.
struct TAktiveSperren {
    QHash<TPaarSchluessel, QString> Partner;
    QHash<TPostenSchluesselHash, QString> Posten;
    // Text of the block of an item of that partner, empty when none.
    QString Text(int gepRnr, int gepLnr, int r, int t, int l) const;
};
TAktiveSperren MahnRegeln_AktiveSperren(const TIntPair& mandant, TDateTime stichtag);
// The clerk's text for an item dunned too recently, empty when the minimum is kept.
QString MahnRegeln_MindestabstandText(TDateTime letzteMahnung, TDateTime stichtag, int mindestTage);

// Client key of a client number; raises EQELError when there is none.
TIntPair MahnRegeln_Mandant(int nr);
// Partner key of a partner number of the client; raises EQELError.
TIntPair MahnRegeln_Partner(const TIntPair& mandant, int nr);
// An open item of the client by its document number or its key "R/T/L"; raises EQELError when none
// or several match.
TIntTrio MahnRegeln_Posten(const TIntPair& mandant, const QString& beleg);

// Refuses (EMahnRegel) a booking with a fee above the client's cap, of a blocked item, of an item dunned less than the client's minimum
// days before the new dunning date, and of a flat fee other than 40 or charged for an invoice before.
void MahnRegeln_BuchungPruefen(const TQEL_Mahnung_Beleg_Array& mahnungen);
