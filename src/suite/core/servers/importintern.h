// Inside the import server: reading values of a line, and the staging of item lines that the CSV
// and DATEV readers share before they are matched with the stored items.
#pragma once

#include "csvleser.h"
#include "database_intern.h"
#include "importserver.h"
#include "stammdaten.h"
#include "stapelabfrage.h"

#include <QHash>
#include <QMap>
#include <deque>
#include <memory>

namespace import {

// Column names compared without case, blanks, hyphens and umlaut spelling.
QString SpaltenNorm(const QString& name);

// Values as the files write them. Each returns an empty string or the reason why not.
QString BetragLesen(const QString& text, qint64& cent);         // 1.234,56 (positive, at most 999.999.999,99)
QString DatumLesen(const QString& text, TDateTime& datum);      // dd.mm.yyyy
QString GanzzahlLesen(const QString& text, qint64 min, qint64 max, qint64& wert);
QString JaNeinLesen(const QString& text, bool& wert);           // J/N, ja/nein, 1/0

// Columns of a partner file; as bits (1u << paName ...) they tell which fields a line carries.
enum TPA { paNr, paName, paName2, paStrasse, paPlz, paOrt, paLand, paTelefon, paTelefax, paEmail, paInternet, paUstId,
           paAnrede, paVorname, paAnsprechpartner, paKontaktTelefon, paKontaktEmail, paMahnEmail, paVerbraucher,
           paZentral, paAktiv, paAnzahl };
constexpr quint32 Feld(TPA f) { return 1u << f; }

// One line of an item file, as staged.
struct TPostenZeile {
    int Datei = 0;
    qint64 Zeile = 0;
    char Art = 'R';  // R invoice, G credit note, Z payment, C credit note on an invoice; S/H DATEV debit/credit
    QString Beleg;
    int Rate = 1;
    int PartnerNr = 0;
    TDateTime Datum = 0, Faellig = 0;
    qint64 BetragCent = 0;
    QString Kommentar, Kostenstelle, Konto, Waehrung = QStringLiteral("EUR");
    qint64 SkontoCent = 0;
    TDateTime SkontoBis = 0;
    int Zentral = -1;  // -1: as the partner
    int Mahnstufe = 0;
    int Periode = 0;
};

struct TPartnerInfo {
    TIntPair Id;
    TIntPair Kontakt;
    bool Zentral = false;
    TPartnerStamm Stamm;  // the fields the import files carry
};

// A running import: its result, the client, the staging rows and the partners.
class TImportLauf {
public:
    TImportLauf(const TImportOptionen& o, const QStringList& dateien);

    void Fehler(int datei, qint64 zeile, const QString& spalte, const QString& grund);
    void Hinweis(const QString& text) { Ergebnis.Hinweise << text; }
    const QString& DateiName(int datei) const { return m_dateien.at(datei); }

    // Item lines wait in memory up to Optionen.ZeilenImSpeicher, beyond that all of them in a table.
    void Stagen(TPostenZeile z);
    // Matches the staged lines (of one file, or of all CSV files when datei < 0) with the stored
    // items and writes what changed. zeitraum: the DATEV period whose share the lines are.
    void Zusammenfuehren(int datei, const QString& zeitraum);
    void Abgleichen();
    void Aufraeumen();

    // Partners: loaded once, looked up by number.
    const TPartnerInfo* Partner(int nr) const;
    // Stores a partner line's fields (gegeben: the bits of those the file carries) when new or changed.
    void PartnerSpeichern(int datei, qint64 zeile, const TPartnerStamm& p, quint32 gegeben);
    void PartnerSchreiben();

    TImportOptionen Optionen;
    TImportErgebnis Ergebnis;
    TMandantStamm Mandant;
    TIntPair MandantId;
    QSet<int> FehlerhafteDateien;  // files with errors stop --abgleich

private:
    struct TGruppe;
    struct TGespeichertListe;
    void inTabelle(const TPostenZeile& z);
    void auslagern();
    void ausSpeicherZusammenfuehren(int datei, const QString& zeitraum);
    void ausTabelleZusammenfuehren(int datei, const QString& zeitraum);
    void scheibeVerarbeiten(std::vector<TGruppe>& gruppen, const TGespeichertListe& gespeichert, const QString& zeitraum);
    void gruppeVerarbeiten(TGruppe& g, const QString& zeitraum);
    void anteileSchreiben();
    void partnerLaden();

    QStringList m_dateien;
    TIntPair m_lauf;
    TStapelSchreiber m_staging;
    std::vector<TPostenZeile> m_zeilen;  // staged in memory
    bool m_ausgelagert = false;          // staged in the table
    std::deque<TPartnerInfo> m_partnerDaten;
    QHash<int, TPartnerInfo*> m_partner;  // small entries: looked up for every item line
    QSet<int> m_partnerInDatei;
    std::unique_ptr<TStapelSchreiber> m_neuePosten;
    std::unique_ptr<TSqlAbfrage> m_postenAendern;
    struct TAnteil {
        QString beleg, zeitraum;
        qint64 soll, haben;
    };
    std::vector<TAnteil> m_anteile;  // DATEV shares of the slice, written after it
    std::unique_ptr<TStapelSchreiber> m_neueOrgs, m_neueKontakte, m_neuePartner, m_neueAnteile;
    std::unique_ptr<TStapelAbfrage> m_anteileLoeschen;
    TSchluesselVorrat m_postenSchluessel{QStringLiteral("TRANSAKTION")};
    TSchluesselVorrat m_orgSchluessel{QStringLiteral("ORGANISATION")};
    TSchluesselVorrat m_kontaktSchluessel{QStringLiteral("MITARBEITER")};
    TSchluesselVorrat m_partnerSchluessel{QStringLiteral("GEP")};
};

// The DATEV readers (in their own file).
bool Datev_Erkennen(const QStringList& ersteZeile);
void Datev_Lesen(TImportLauf& lauf, int datei, TCsvLeser& leser, const QStringList& kopf);

}  // namespace import
