// The dunning server: text blocks, booking, booked dunnings and the dunning data of open items.
#pragma once

#include "interfaces.h"

#include <memory>

class TMahnungEditServer : public IQEL_MahnungEditServer {
public:
    TMahnungEditServer();
    ~TMahnungEditServer() override;

    // Text blocks (mahnungeditserver_texte.cpp)
    bool Textbausteine_Abfragen() override;
    TVRList* Textbausteine_Liste() override;
    int Spalte_TB_Kurztext() override;
    int Spalte_TB_ID() override;
    int Spalte_TB_Text() override;
    bool Textbaustein_Anlegen(const QString& kurztext, const QString& text) override;
    bool Textbaustein_Aendern(const TIntPair& id, const QString& kurztext, const QString& text) override;
    bool Textbaustein_Entfernen(const TIntPair& id) override;

    // Booking (mahnungeditserver_buchen.cpp)
    bool Mahnungen_Buchen(TQEL_Mahnung_Beleg_Array& mahnungen) override;

    // Booked dunnings (mahnungeditserver_liste.cpp)
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
    int Spalte_M_Email() override;
    bool Mahnung_Abfragen(const TIntPair& mahnungsId) override;
    TVRList* Positionen_Liste() override;
    int PosSpalte_BelegNr() override;
    int PosSpalte_Datum() override;
    int PosSpalte_Zahlbarbis() override;
    int PosSpalte_Saldo() override;
    int PosSpalte_Mahnstufe() override;
    int PosSpalte_Mahngebuehren() override;
    int PosSpalte_Verzugszins() override;
    int PosSpalte_Pauschale() override;
    int PosSpalte_RNr() override;
    int PosSpalte_TransNr() override;
    int PosSpalte_LfdNr() override;

    // Dunning data of open items (mahnungeditserver.cpp)
    TDateTime Aktuelles_Zahlungsziel(int rechnerNr, int transNr, int lfdNr) override;
    bool Ist_Zentralreguliert(int rechnerNr, int transNr, int lfdNr) override;
    TVRList* Mahnhistorie_Liste(int rechnerNr, int transNr, int lfdNr) override;

    // Dunning rules, blocks and cancellation (mahnungeditserver_regeln.cpp)
    TMahnEinstellungen Mahneinstellungen(const TIntPair& mandant) override;
    bool Verzugszinsen_Berechnen(TDateTime bis, bool verbraucher, std::vector<TZinsPosten>& posten) override;
    bool Ist_Verbraucher(const TIntPair& gepNr) override;
    bool Pauschale_Berechnet(int rechnerNr, int transNr, int lfdNr) override;
    bool Mahnsperre_Setzen(const TMahnsperre& sperre) override;
    bool Mahnsperre_Aufheben(const TIntPair& mandant, const TIntPair& gepNr, const TIntTrio& posten) override;
    bool Mahnung_Stornieren(const TIntPair& mahnungsId, const QString& grund) override;
    QString Storno_Text(const TIntPair& mahnungsId) override;

private:
    std::unique_ptr<TVRList> m_textbausteine;
    std::unique_ptr<TVRList> m_mahnungen;
    std::unique_ptr<TVRList> m_positionen;
    std::unique_ptr<TVRList> m_historie;
};
