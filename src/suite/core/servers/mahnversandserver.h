// The dunning mail server: who sends a client's dunning mails, where a partner's go, the mail text,
// and the proof of every attempt.
#pragma once

#include "interfaces.h"

struct TMailAbsender {
    QString Name;
    QString Adresse;
};

// What a mail of one booked dunning is made from.
struct TMahnMailDaten {
    TIntPair MahnungsId;
    TIntPair Mandant;
    TIntPair GepNr;
    QString GepName;
    QString Email;        // the partner's dunning address; empty: none
    QString Anrede;       // the partner's contact person, "Frau"/"Herr"/empty, and name
    QString Kontakt;
    int LfdNr = 0, WirtschaftsJahr = 0, RNr = 0;
    int MinStufe = 0, MaxStufe = 0;
    TDateTime Mahnungsdatum = 0;
    TDateTime Beruecksichtigt = 0;
    double Gesamtbetrag = 0;   // balance, fees, interest and flat fees of all positions
    TDateTime Zahlungsziel = 0;  // the latest payment term of the positions
    TMailAbsender Absender;
    QString Belegnummer() const;
    // "Zahlungserinnerung" when every position is a first dunning, else "Mahnung".
    QString Art() const;
};

// One attempt to mail a dunning.
struct TMahnVersand {
    TIntPair Id;          // set when booked
    TIntPair MahnungsId;
    TDateTime Zeit = 0;
    QString Empfaenger;
    bool Angenommen = false;
    QString Meldung;      // why it failed, for the clerk
    QString Antwort;      // the mail server's last answer
    QString Benutzer;     // set by the server
    QString Betreff;
    QString Mailtext;
    QString PdfName;
    QByteArray Pdf;       // the letter; kept for sending again while not accepted
    QString EmlName;
    QByteArray Eml;       // the complete message; accepted: stored with the dunning as an attachment
};

class IQEL_MahnVersandServer {
public:
    virtual ~IQEL_MahnVersandServer() = default;
    // False with a message when the dunning does not exist.
    virtual bool Mahnung_Maildaten(const TIntPair& mahnungsId, TMahnMailDaten& d) = 0;
    // The key of a client's dunning by its document number; false when there is none.
    virtual bool Mahnung_Id(const TIntPair& mandant, int lfdNr, int wirtschaftsJahr, int rNr, TIntPair& id) = 0;
    // The text block of kind EMAIL (the first by short text); the built-in text when there is none.
    virtual QString Mailtext() = 0;
    // Stores the mail text block (created or replaced under its short text). False with a message when refused.
    virtual bool Mailtext_Speichern(const QString& kurztext, const QString& text) = 0;
    // Books one attempt in one transaction: the attempt and, when accepted, the message as an attachment
    // of the dunning. False with a message when refused (then nothing is stored).
    virtual bool Versand_Buchen(TMahnVersand& v) = 0;
    // The last attempt of a dunning; false when there was none.
    virtual bool Letzter_Versand(const TIntPair& mahnungsId, TMahnVersand& v) = 0;
};
using IQEL_MahnVersandServerRef = std::shared_ptr<IQEL_MahnVersandServer>;

void MahnVersandServer_Holen(IQEL_MahnVersandServerRef& s);
void MahnVersandServer_Freigeben(IQEL_MahnVersandServerRef& s);

// The mail text used while no text block of kind EMAIL exists.
extern const QString CQEL_StandardMailtext;
