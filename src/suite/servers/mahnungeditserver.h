// The dunning server: text blocks, booking and booked dunnings.
#pragma once

#include "interfaces.h"

// Not built yet: every call raises ENichtVerfuegbar.
class TMahnungEditServer : public IQEL_MahnungEditServer {
public:
    bool Textbausteine_Abfragen() override;
    TVRList* Textbausteine_Liste() override;
    int Spalte_TB_Kurztext() override;
    int Spalte_TB_ID() override;
    int Spalte_TB_Text() override;
    bool Textbaustein_Anlegen(const QString& kurztext, const QString& text) override;
    bool Textbaustein_Aendern(const TIntPair& id, const QString& kurztext, const QString& text) override;
    bool Textbaustein_Entfernen(const TIntPair& id) override;
    bool Mahnungen_Buchen(TQEL_Mahnung_Beleg_Array& mahnungen) override;
    bool Mahnungen_Abfragen(const TIntPair& mandant, int rechner, TDateTime von, TDateTime bis) override;
    bool Mahnung_Suchen_Belegnummer(const TIntPair& mandant, int lfdNr, int wirtschaftsJahr, int rNr) override;
    TVRList* Mahnungen_Liste() override;
    int Spalte_M_GepName() override;
    int Spalte_Mahnungsdatum() override;
    int Spalte_MahnungsText() override;
    int Spalte_M_Belegnummer() override;
    int Spalte_M_Zusatz() override;
    int Spalte_MahnungsID() override;
    int Spalte_M_GepNr() override;
    int Spalte_M_OrgeNr() override;
    int Spalte_Beruecksichtigt() override;
    int Spalte_M_LfdNr() override;
    int Spalte_M_WirtschaftsJahr() override;
    int Spalte_M_RNr() override;
    bool Mahnung_Abfragen(const TIntPair& mahnungsId) override;
    TVRList* Positionen_Liste() override;
    int PosSpalte_BelegNr() override;
    int PosSpalte_Datum() override;
    int PosSpalte_Zahlbarbis() override;
    int PosSpalte_Saldo() override;
    int PosSpalte_Mahnstufe() override;
    int PosSpalte_Mahngebuehren() override;
    int PosSpalte_Verzugszins() override;
    TDateTime Aktuelles_Zahlungsziel(int rechnerNr, int transNr, int lfdNr) override;
    bool Ist_Zentralreguliert(int rechnerNr, int transNr, int lfdNr) override;
};
