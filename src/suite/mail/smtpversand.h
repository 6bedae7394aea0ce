// Sends finished messages over SMTP (libcurl): one connection for a whole run where the server keeps it.
#pragma once

#include "mailkonfiguration.h"

#include <QByteArray>
#include <QString>
#include <memory>

enum class TVersandFehler {
    Keiner,
    Adresse,          // the recipient's address is unusable
    NichtErreichbar,  // no connection to the server
    Anmeldung,        // user or password refused
    Tls,              // no encrypted connection (certificate, handshake, no STARTTLS)
    Empfaenger,       // the server refused the recipient
    Groesse,          // the message is larger than the server takes
    Zeitueberschreitung,
    Verbindung,       // connection lost while sending
    Abgelehnt,        // sender or message refused for another reason
};

struct TVersandErgebnis {
    bool Angenommen = false;  // true only when the server confirmed the message
    TVersandFehler Fehler = TVersandFehler::Keiner;
    QString Meldung;          // German, for the clerk
    QString ServerAntwort;    // the server's last answer as it sent it (empty when it said nothing)
};

class TSmtpVersand {
public:
    // Reads the password file now, so a bad one stops the run before the first letter. Raises EQELError.
    explicit TSmtpVersand(const TMailKonfiguration& konf);
    ~TSmtpVersand();
    TSmtpVersand(const TSmtpVersand&) = delete;
    TSmtpVersand& operator=(const TSmtpVersand&) = delete;

    TVersandErgebnis Senden(const QString& von, const QString& an, const QByteArray& nachricht);
    // Connections opened so far (one per run when the server keeps it open).
    int Verbindungen() const { return m_verbindungen; }

    struct TSitzung;

private:
    TMailKonfiguration m_konf;
    QString m_passwort;
    std::unique_ptr<TSitzung> m_sitzung;
    int m_verbindungen = 0;
    qint64 m_groesseGrenze = 0;  // the server's SIZE, 0 when unknown or none
};
