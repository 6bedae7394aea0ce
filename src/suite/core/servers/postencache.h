// Dunning data of open items, read once per open-items query and shared by the payment and dunning servers.
#pragma once

#include "suite/core/types.h"

#include <QHash>
#include <optional>

struct TPostenMahnDaten {
    TDateTime AktuellesZahlungsziel = 0;  // term of the latest booked dunning, else the item's own
    bool Zentralreguliert = false;
    TDateTime Faellig = 0;  // the item's own payment term: default interest runs from the day after
};

class TPostenCache {
public:
    static TPostenCache& Instance();
    void Leeren() { m_daten.clear(); }
    void Reservieren(int n) { m_daten.reserve(n); }
    void Setzen(int rechnerNr, int transNr, int lfdNr, const TPostenMahnDaten& d) { m_daten.insert(schluessel(rechnerNr, transNr, lfdNr), d); }
    std::optional<TPostenMahnDaten> Lesen(int rechnerNr, int transNr, int lfdNr) const;
    // Read one item from the database (items outside the last query).
    static std::optional<TPostenMahnDaten> AusDatenbank(int rechnerNr, int transNr, int lfdNr);

private:
    struct Schluessel {
        int r, t, l;
        bool operator==(const Schluessel& o) const { return r == o.r && t == o.t && l == o.l; }
    };
    friend size_t qHash(const Schluessel& k, size_t seed) { return qHashMulti(seed, k.r, k.t, k.l); }
    static Schluessel schluessel(int r, int t, int l) { return Schluessel{r, t, l}; }
    QHash<Schluessel, TPostenMahnDaten> m_daten;
};
