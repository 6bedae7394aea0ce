// The suite's business servers as the windows see them.
#pragma once

#include "suite/core/types.h"
#include "suite/core/vrlist.h"
#include "mahnregeln.h"
#include "mahnungtypes.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

// Kinds of payment items.
enum class TSRVTyp : int {
    srvAlle = 0,
    srvDebitoren = 1,  // receivables: outgoing invoices of the client
    srvKreditoren = 2,
};

class IQEL_ZahlungEditServer {
public:
    virtual ~IQEL_ZahlungEditServer() = default;
    // Client, partner (empty: all), invoice period, mode, two reference moments, item kinds, two switches.
    virtual bool OffenePosten_Abfragen(const TIntPair& mandant, const TIntPair& gep, TDateTime von, TDateTime bis,
                                       int modus, TDateTime stichtag, TDateTime zahlungsStichtag,
                                       const QVector<TSRVTyp>& typen, int nurOffene, int mitMahnstufe) = 0;
    virtual TVRList* OffenePosten_Liste() = 0;
    virtual int Spalte_Gep() = 0;
    virtual int Spalte_Belegnummer() = 0;
    virtual int Spalte_Datum() = 0;
    virtual int Spalte_Haben() = 0;
    virtual int Spalte_Soll() = 0;
    virtual int Spalte_Saldo() = 0;
    virtual int Spalte_Zahlungsziel() = 0;
    virtual int Spalte_Kommentar() = 0;
    virtual int Spalte_Mahnstufe() = 0;
    virtual int Spalte_GepNr() = 0;
    virtual int Spalte_RechnerNummer() = 0;
    virtual int Spalte_TransNummer() = 0;
    virtual int Spalte_LfdNummer() = 0;
    virtual int Spalte_Verdeckt_01() = 0;
    virtual int Spalte_Verdeckt_02() = 0;
    virtual int Spalte_Verdeckt_03() = 0;
    virtual int Spalte_Verdeckt_04() = 0;
    virtual int Spalte_Verdeckt_05() = 0;
    virtual int Spalte_Verdeckt_06() = 0;
    virtual int Spalte_Verdeckt_07() = 0;
    virtual int Spalte_Verdeckt_08() = 0;
    virtual int Spalte_Verdeckt_09() = 0;
    virtual int Spalte_Verdeckt_10() = 0;
    virtual int Spalte_Verdeckt_11() = 0;
    virtual int Spalte_Verdeckt_12() = 0;
    virtual int Spalte_Verdeckt_13() = 0;
    virtual int Spalte_Verdeckt_14() = 0;
    virtual int Spalte_Verdeckt_15() = 0;
    virtual int Spalte_Verdeckt_16() = 0;
    virtual int Spalte_Verdeckt_17() = 0;
    // Why an item cannot be dunned now (a block, or dunned too recently); empty when it can.
    virtual int Spalte_Mahnsperre() = 0;
};

class IQEL_MahnungEditServer {
public:
    virtual ~IQEL_MahnungEditServer() = default;
    // Text blocks
    virtual bool Textbausteine_Abfragen() = 0;
    virtual TVRList* Textbausteine_Liste() = 0;
    virtual int Spalte_TB_Kurztext() = 0;
    virtual int Spalte_TB_ID() = 0;
    virtual int Spalte_TB_Text() = 0;
    virtual bool Textbaustein_Anlegen(const QString& kurztext, const QString& text) = 0;
    virtual bool Textbaustein_Aendern(const TIntPair& id, const QString& kurztext, const QString& text) = 0;
    virtual bool Textbaustein_Entfernen(const TIntPair& id) = 0;
    // Booking: writes the document numbers into the array.
    virtual bool Mahnungen_Buchen(TQEL_Mahnung_Beleg_Array& mahnungen) = 0;
    // Booked dunnings
    virtual bool Mahnungen_Abfragen(const TIntPair& mandant, int rechner, TDateTime von, TDateTime bis) = 0;
    virtual bool Mahnung_Suchen_Belegnummer(const TIntPair& mandant, int lfdNr, int wirtschaftsJahr, int rNr) = 0;
    virtual TVRList* Mahnungen_Liste() = 0;
    virtual int Spalte_M_GepName() = 0;
    virtual int Spalte_Mahnungsdatum() = 0;
    virtual int Spalte_MahnungsText() = 0;
    virtual int Spalte_M_Belegnummer() = 0;
    virtual int Spalte_M_Zusatz() = 0;
    virtual int Spalte_MahnungsID() = 0;
    virtual int Spalte_M_GepNr() = 0;
    virtual int Spalte_M_OrgeNr() = 0;
    virtual int Spalte_Beruecksichtigt() = 0;
    virtual int Spalte_M_LfdNr() = 0;
    virtual int Spalte_M_WirtschaftsJahr() = 0;
    virtual int Spalte_M_RNr() = 0;
    // Whether and when the dunning was mailed, or why the last attempt failed; empty when never tried.
    virtual int Spalte_M_Email() = 0;
    virtual bool Mahnung_Abfragen(const TIntPair& mahnungsId) = 0;
    virtual TVRList* Positionen_Liste() = 0;
    virtual int PosSpalte_BelegNr() = 0;
    virtual int PosSpalte_Datum() = 0;
    virtual int PosSpalte_Zahlbarbis() = 0;
    virtual int PosSpalte_Saldo() = 0;
    virtual int PosSpalte_Mahnstufe() = 0;
    virtual int PosSpalte_Mahngebuehren() = 0;
    virtual int PosSpalte_Verzugszins() = 0;
    virtual int PosSpalte_Pauschale() = 0;
    // The dunned open item of a position (its trio), for the letter's contact person.
    virtual int PosSpalte_RNr() = 0;
    virtual int PosSpalte_TransNr() = 0;
    virtual int PosSpalte_LfdNr() = 0;
    // Per open item (computer, transaction and running number)
    virtual TDateTime Aktuelles_Zahlungsziel(int rechnerNr, int transNr, int lfdNr) = 0;
    virtual bool Ist_Zentralreguliert(int rechnerNr, int transNr, int lfdNr) = 0;
    // The booked dunnings of one open item, oldest first: dunning date, level, dunning number, fee,
    // interest, granted payment term (columns in this order).
    virtual TVRList* Mahnhistorie_Liste(int rechnerNr, int transNr, int lfdNr) = 0;
    // Dunning rules of a client; the defaults when it stored none.
    virtual TMahnEinstellungen Mahneinstellungen(const TIntPair& mandant) = 0;
    // Default interest by law of each item from its own payment term up to bis. False, with a message
    // naming the item, when one cannot be computed; then no result is written.
    virtual bool Verzugszinsen_Berechnen(TDateTime bis, bool verbraucher, std::vector<TZinsPosten>& posten) = 0;
    // Whether the partner is a consumer (default interest 5 points above the base rate, no flat fee).
    virtual bool Ist_Verbraucher(const TIntPair& gepNr) = 0;
    // Whether a booked dunning that stands charged the flat fee for the item.
    virtual bool Pauschale_Berechnet(int rechnerNr, int transNr, int lfdNr) = 0;
    // Dunning blocks; false with a message when refused.
    virtual bool Mahnsperre_Setzen(const TMahnsperre& sperre) = 0;
    virtual bool Mahnsperre_Aufheben(const TIntPair& mandant, const TIntPair& gepNr, const TIntTrio& posten) = 0;
    // Cancels a booked dunning: the items' levels go back, the dunning stays marked. False with a message
    // when refused.
    virtual bool Mahnung_Stornieren(const TIntPair& mahnungsId, const QString& grund) = 0;
    // Empty when the dunning stands, else "Storniert am ... von ...: reason".
    virtual QString Storno_Text(const TIntPair& mahnungsId) = 0;
};

// Result columns of the partner search.
enum TGPSuchErgebnisSpalte : int {
    CQEL_GPSuchErgebnis_NameFormatted = 0,
    CQEL_GPSuchErgebnis_Ort = 1,
    CQEL_GPSuchErgebnis_Strasse = 2,
    CQEL_GPSuchErgebnis_Land = 3,
    CQEL_GPSuchErgebnis_Nummer = 4,
    CQEL_GPSuchErgebnis_PLZ = 5,
    CQEL_GPSuchErgebnis_GepNr = 6,  // text form of the key
};

class IQEL_GPListenServer {
public:
    virtual ~IQEL_GPListenServer() = default;
    // The partner's organisation (address) key.
    virtual bool Gep_Lesen(const TIntPair& gepNr, TIntPair& orgeNr) = 0;
    // The organisation key of a client's branch.
    virtual bool Gep_Lesen_Umfang(const TIntPair& mandant, int filiale, TIntPair& orgeNr) = 0;
    // Partner search of the client: text fields match as substrings, case-insensitively; empty matches all.
    // The result table has the columns of TGPSuchErgebnisSpalte.
    virtual TVRList* Gep_Suchen(const TIntPair& mandant, const QString& name, const QString& ort,
                                const QString& strasse, const QString& land, bool nurAktive, int maxZeilen) = 0;
};

// One row of a print job.
struct TMOLA_PrintEditServer_Record {
    QString PrgId;          // "MAHNUNG"
    int32_t Auftrag = 0;    // job number
    int32_t Mahnstufe = 0;
    double Saldo = 0;
    double Mahngebuehren = 0;
    double Verzugszins = 0;
    double Pauschale = 0;   // flat fee of § 288 (5) BGB
    QString Belegnummer;    // or "BLOB" for the text row
    QString Belegdatum;
    QString ZahlbarBis;
    QString Art;            // "Zahlungserinnerung" or "Mahnung"
    QString Text[6];        // pieces of the letter text
    QString GanzerText;
    void Clear() { *this = TMOLA_PrintEditServer_Record(); }
};

// Where the report engine reads a job's rows.
struct TDBFFiles_4_Crystal {
    QString PrgId;
    int32_t Auftrag = 0;
};

class IQEL_PrintEditServer {
public:
    virtual ~IQEL_PrintEditServer() = default;
    virtual int Druckauftrag_Beginnen(const QString& prgId) = 0;
    virtual void Druckdaten_Schreiben(const TMOLA_PrintEditServer_Record& rec) = 0;
    virtual void Druckauftrag_Beenden(const QString& prgId, int auftrag) = 0;
    virtual TDBFFiles_4_Crystal Druck_Kennung() = 0;
    // The rows of a job, for the report engine.
    virtual std::vector<TMOLA_PrintEditServer_Record> Druckdaten_Lesen(int auftrag) = 0;
};

// Header of a loaded payment document.
struct TBelegKopf {
    TIntPair Mandant;
    TIntPair GepNr;
    QString Belegnummer;
    TDateTime Belegdatum = 0;
    TIntPair Kontaktperson;
};
struct TBelegDaten {
    TBelegKopf Kopf;
};

class IQEL_BelegEditServer {
public:
    virtual ~IQEL_BelegEditServer() = default;
    virtual bool Beleg_Laden(const TIntPair& key, int16_t lfdNr) = 0;
    virtual const TBelegDaten& Beleg_Daten() = 0;
};

// One attachment as the attachment server takes it.
struct TQEL_DocAnh {
    TIntPair Id;            // empty: new
    TIntPair Besitzer;      // the document it belongs to
    QString Dateiname;      // bare file name
    QByteArray Inhalt;
    qint64 Groesse = 0;
    TDateTime Zeit = 0;
    QString Benutzer;
    bool Entfernen = false;  // stored attachment to remove
    QString Quelldatei;      // new attachment: file on disk the server reads the content from when Inhalt is empty
};
using TDocListe = std::vector<TQEL_DocAnh>;

// A booked dunning named by its document number.
struct TQEL_Mahnungsnummer {
    TIntPair Mandant;
    int32_t WirtschaftsJahr = 0;
    int32_t RNr = 0;
    int32_t LfdNr = 0;
    bool Vergeben() const { return LfdNr != 0 || WirtschaftsJahr != 0 || RNr != 0; }
};
void DocListe_Clear(TDocListe& liste);

class IQEL_DokumentServer {
public:
    virtual ~IQEL_DokumentServer() = default;
    virtual void Dokumente_Uebernehmen(const TDocListe& liste) = 0;
    virtual bool Dokumente_Speichern() = 0;
    virtual TDocListe Dokumente_Lesen(const TIntPair& besitzer, bool mitInhalt) = 0;

    // The letter of a dunning as it was first output (PDF/A), kept with the dunning's attachments but
    // never listed or removed with them.
    // Whether the dunning's letter has not been output yet; false for an unknown number.
    virtual bool Brief_Offen(const TQEL_Mahnungsnummer& nummer) = 0;
    // False when no letter is archived for the dunning.
    virtual bool Brief_Lesen(const TQEL_Mahnungsnummer& nummer, QByteArray& pdf) = 0;
    // Stores the letter and marks it sent, in one transaction; false (and nothing changed) when a letter
    // was archived before. Raises EQELError for an unknown dunning or content that is no PDF.
    virtual bool Brief_Archivieren(const TQEL_Mahnungsnummer& nummer, const QString& dateiname,
                                   const QByteArray& pdf) = 0;
};

// A client as the client dialog lists it.
struct TMandantInfo {
    TIntPair Id;
    int Nr = 0;
    QString Name;
    QString Ort;
};

class IQEL_MandListeServer {
public:
    virtual ~IQEL_MandListeServer() = default;
    virtual QVector<TMandantInfo> Mandanten_Lesen() = 0;
};

// A print layout of the suite.
struct TDruckLayout {
    TIntPair Id;
    QString Art;
    QString Bezeichnung;
    QString Berichtsdatei;
    QStringList Einstellungen;  // name=value
    bool Standard = false;
};

// Organisation attributes.
struct TQEL_OrgeMerkmale {
    TIntPair OrgeNr;
    QString LogoName;
    TIntPair Kontaktperson;
};

// An address with its contact persons, for letters.
struct TAnschrift {
    TIntPair OrgeNr;
    QString Name1, Name2, Strasse, Plz, Ort, Land, Telefon, Telefax, Email, Internet, Bank, Iban, Bic, UstId;
    // What a company's letters must carry in their footer.
    QString Steuernummer, Geschaeftsfuehrer, Registergericht, Registernummer;
};
struct TKontaktperson {
    TIntPair Id;
    QString Anrede, Vorname, Nachname, Telefon, Email;
};

// System data of the suite: users, rights, computers, layouts, logos, organisations.
class IQEL_SystemServer {
public:
    virtual ~IQEL_SystemServer() = default;
    virtual bool Benutzer_Hat_Recht(const QString& benutzer, int recht) = 0;
    virtual bool Benutzer_Existiert(const QString& benutzer) = 0;
    // False when the computer is not in the computer table.
    virtual bool Rechner_Lesen(int rechnerNr, QString& bezeichnung, int& filiale) = 0;
    virtual QVector<TDruckLayout> Layouts_Lesen(const QString& art) = 0;
    virtual bool Logo_Lesen(const QString& name, QByteArray& bild, QString& mime) = 0;
    virtual bool OrgeMerkmale_Lesen(const TIntPair& mandant, const TIntPair& orgeNr, TQEL_OrgeMerkmale& m) = 0;
    virtual bool Anschrift_Lesen(const TIntPair& orgeNr, TAnschrift& a) = 0;
    virtual bool Kontaktperson_Lesen(const TIntPair& id, TKontaktperson& k) = 0;
    // The partner's number within its client (the customer number on letters); false when unknown.
    virtual bool Partnernummer_Lesen(const TIntPair& gepNr, int& nr) = 0;
    // The signed-in user's own arrangement of the windows: empty when none is stored.
    virtual QString Einstellung_Lesen(const QString& schluessel) = 0;
    virtual bool Einstellung_Schreiben(const QString& schluessel, const QString& wert) = 0;
    // Forgets the user's settings whose key starts with the prefix: back to the defaults.
    virtual bool Einstellungen_Loeschen(const QString& praefix) = 0;
};

using IQEL_ZahlungEditServerRef = std::shared_ptr<IQEL_ZahlungEditServer>;
using IQEL_MahnungEditServerRef = std::shared_ptr<IQEL_MahnungEditServer>;
using IQEL_GPListenServerRef = std::shared_ptr<IQEL_GPListenServer>;
using IQEL_PrintEditServerRef = std::shared_ptr<IQEL_PrintEditServer>;
using IQEL_BelegEditServerRef = std::shared_ptr<IQEL_BelegEditServer>;
using IQEL_DokumentServerRef = std::shared_ptr<IQEL_DokumentServer>;
using IQEL_MandListeServerRef = std::shared_ptr<IQEL_MandListeServer>;
using IQEL_SystemServerRef = std::shared_ptr<IQEL_SystemServer>;

// Payment and dunning servers.
class TGlobServerFactory {
public:
    void ZahlungEditServer_Holen(IQEL_ZahlungEditServerRef& s);
    void ZahlungEditServer_Freigeben(IQEL_ZahlungEditServerRef& s);
    void MahnungEditServer_Holen(IQEL_MahnungEditServerRef& s);
    void MahnungEditServer_Freigeben(IQEL_MahnungEditServerRef& s);
};

// The other servers.
class TGlobWWSServerFactory {
public:
    void GPListenServer_Holen(IQEL_GPListenServerRef& s);
    void GPListenServer_Freigeben(IQEL_GPListenServerRef& s);
    void PrintEditServer_Holen(IQEL_PrintEditServerRef& s);
    void PrintEditServer_Freigeben(IQEL_PrintEditServerRef& s);
    void BelegEditServer_Holen(IQEL_BelegEditServerRef& s);
    void BelegEditServer_Freigeben(IQEL_BelegEditServerRef& s);
    void DokumentServer_Holen(IQEL_DokumentServerRef& s);
    void DokumentServer_Freigeben(IQEL_DokumentServerRef& s);
    void MandListeServer_Holen(IQEL_MandListeServerRef& s);
    void MandListeServer_Freigeben(IQEL_MandListeServerRef& s, const QString& aufrufer);
    void SystemServer_Holen(IQEL_SystemServerRef& s);
    void SystemServer_Freigeben(IQEL_SystemServerRef& s);
};

TGlobServerFactory& Glob_ServerFactoryClass();
TGlobWWSServerFactory& Glob_WWSServerFactoryClass();
