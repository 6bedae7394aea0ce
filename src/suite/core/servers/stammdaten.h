// Master data server: clients, their branches and business partners. Every value is checked before
// it is stored; refusals are EQELError with a German text that names the field.
#pragma once

#include "../types.h"

#include <QString>
#include <QVector>

// Address, letterhead and contact person of a client, branch or partner (the suite's organisation).
struct TOrgStamm {
    QString Name1, Name2, Strasse, Plz, Ort, Land, Telefon, Telefax, Email, Internet;
    QString Bank, Iban, Bic, UstId, Steuernummer, Geschaeftsfuehrer, Registergericht, Registernummer;
    QString LogoName;  // a logo of the suite, or empty
    // Contact person; Anrede is "Frau", "Herr" or empty.
    QString KontaktAnrede, KontaktVorname, KontaktNachname, KontaktTelefon, KontaktEmail;
};

struct TMandantStamm {
    TIntPair Id;  // set when read
    int Nr = 0;
    QString Name;  // as the client lists show it; empty: Name1
    TOrgStamm Org;
    int ZahlungszielTage = 14;  // default term of imported items without a due date
    // Exchange with the accounting (DATEV): consultant and client number, length of general ledger
    // accounts, revenue accounts for dunning fees and for default interest.
    int DatevBerater = 0;
    int DatevMandant = 0;
    int Sachkontenlaenge = 4;
    int KontoGebuehren = 0;
    int KontoZinsen = 0;
    // Sender of dunning letters by e-mail; both empty: the client sends none.
    QString MailAbsenderName;
    QString MailAbsenderAdresse;
};

struct TFilialeStamm {
    int MandantNr = 0;
    int Nr = 0;
    TOrgStamm Org;
};

struct TPartnerStamm {
    TIntPair Id;  // set when read
    int MandantNr = 0;
    int Nr = 0;  // partner number (1 to 999999999); also the debtor account in the accounting
    TOrgStamm Org;   // Org.Name1 is the partner's name
    QString MahnEmail;  // where dunning letters go by e-mail; empty: none
    bool Verbraucher = false;
    bool Zentralreguliert = false;
    bool Aktiv = true;
};

// A refused value: the field's German name (as options and import columns call it) and why.
struct TFeldFehler {
    QString Feld;
    QString Grund;
};

// Checks of single values, shared with the import server.
QVector<TFeldFehler> Stammdaten_OrgPruefen(const TOrgStamm& o);
QVector<TFeldFehler> Stammdaten_PartnerPruefen(const TPartnerStamm& p);
// The IBAN without blanks in capitals; false when its form or its check digits are wrong.
bool Stammdaten_IbanGueltig(const QString& iban, QString* normal = nullptr);
// An IBAN as printed on letters: in groups of four characters.
QString Stammdaten_IbanGruppiert(const QString& iban);
// Text fit for a field: no control characters and at most maxLaenge characters; empty when fine.
QString Stammdaten_TextFehler(const QString& text, int maxLaenge);

void Stammdaten_MandantAnlegen(const TMandantStamm& m);
void Stammdaten_MandantAendern(const TMandantStamm& m);  // the client with m.Nr
bool Stammdaten_MandantLesen(int nr, TMandantStamm& m);
QVector<TMandantStamm> Stammdaten_Mandanten();
void Stammdaten_MandantEntfernen(int nr);  // refused while anything refers to the client

void Stammdaten_FilialeAnlegen(const TFilialeStamm& f);
void Stammdaten_FilialeAendern(const TFilialeStamm& f);
bool Stammdaten_FilialeLesen(int mandantNr, int nr, TFilialeStamm& f);
QVector<TFilialeStamm> Stammdaten_Filialen(int mandantNr);
void Stammdaten_FilialeEntfernen(int mandantNr, int nr);

void Stammdaten_PartnerAnlegen(const TPartnerStamm& p);
void Stammdaten_PartnerAendern(const TPartnerStamm& p);
bool Stammdaten_PartnerLesen(int mandantNr, int nr, TPartnerStamm& p);
QVector<TPartnerStamm> Stammdaten_Partner(int mandantNr);
void Stammdaten_PartnerEntfernen(int mandantNr, int nr);

// Inside the caller's transaction: writes a partner's organisation and contact person and the partner
// row, new or changed (by client and number). Values must have been checked. Used by the import.
void Stammdaten_PartnerSchreiben(const TIntPair& mandant, TPartnerStamm& p);
// The client's key by its number; raises EQELError when there is none.
TIntPair Stammdaten_MandantId(int nr);
