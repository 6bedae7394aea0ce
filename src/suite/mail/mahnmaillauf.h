// A run of dunning mails: per booked dunning the message with its letter, sent (or written as .eml in a
// dry run) and its proof booked. Failures of one partner do not stop the run.
#pragma once

#include "mailkonfiguration.h"
#include "suite/core/servers/mahnversandserver.h"

#include <QByteArray>
#include <QString>
#include <memory>

class TSmtpVersand;

struct TMahnMailErgebnis {
    TIntPair MahnungsId;
    QString GepName;
    QString Belegnummer;
    QString Empfaenger;
    bool Versendet = false;    // accepted by the server and the proof booked
    bool OhneAdresse = false;  // the partner has no dunning address: the letter goes on paper
    bool Probelauf = false;    // written as a file, nothing sent
    QString Datei;             // dry run: the .eml written
    QString Meldung;           // German, for the clerk's list
};

// Fills the placeholders of a mail text (#Heute, #Berücksichtigt, #Anrede, #Zahlungsziel, #Gesamtbetrag).
QString qel_MailtextFuellen(const QString& text, const TMahnMailDaten& d, const QString& waehrung);
// The file name a dunning's letter gets as an attachment: kind, number and partner, no path characters.
QString qel_MahnungDateiname(const TMahnMailDaten& d, const QString& endung);

class TMahnMailLauf {
public:
    // Raises EQELError when no mail server (or dry-run folder) is set up.
    TMahnMailLauf(const TMailKonfiguration& konf, const QString& waehrung = QStringLiteral("EUR"));
    ~TMahnMailLauf();

    bool Probelauf() const { return !m_konf.Probelaufordner.isEmpty(); }
    // The mail data of a booked dunning; raises EQELError when it cannot be read.
    TMahnMailDaten Daten(const TIntPair& mahnungsId);
    // The same for a booked dunning known by its document number.
    TMahnMailDaten Daten(const TIntPair& mandant, int lfdNr, int wirtschaftsJahr, int rNr);
    // Mails the letter (PDF) of a dunning. Raises EQELError only for what stops the whole run (no sender
    // address of the client, a password file that is refused); everything else is the partner's result.
    TMahnMailErgebnis Senden(const TMahnMailDaten& d, const QByteArray& pdf);
    // Sends a dunning again from the letter its last failed attempt kept, to the partner's present address.
    TMahnMailErgebnis Erneut_Senden(const TIntPair& mahnungsId);
    // Connections to the mail server so far.
    int Verbindungen() const;

private:
    TMahnMailErgebnis senden(const TMahnMailDaten& d, const QByteArray& pdf, const QString& betreff, const QString& text);

    TMailKonfiguration m_konf;
    QString m_waehrung;
    IQEL_MahnVersandServerRef m_server;
    std::unique_ptr<TSmtpVersand> m_smtp;
    QString m_mailtext;
};
