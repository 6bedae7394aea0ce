// How this workstation sends e-mail: the [EMail] section of the suite's settings file.
#pragma once

#include <QString>

enum class TMailSicherheit { StartTls, Tls, Keine };

struct TMailKonfiguration {
    QString Host;
    int Port = 0;  // 0: the usual port of the security (587, 465, 25)
    TMailSicherheit Sicherheit = TMailSicherheit::StartTls;
    QString Benutzer;      // empty: the server takes mail without login
    QString PasswortDatei; // file with the password in its first line; readable by the user alone
    int TimeoutSek = 30;   // per message, and for the connection
    QString Zertifikate;   // CA certificates (PEM) the server's certificate is checked against; empty: the system's
    QString Probelaufordner;  // set: every run writes .eml files there instead of sending

    bool Eingerichtet() const { return !Host.isEmpty() || !Probelaufordner.isEmpty(); }
    int WirksamerPort() const;
    QString Url() const;  // smtp:// or smtps:// with host and port

    // The section of the settings file (default: the suite's). Raises EQELError with a German text on
    // bad values.
    static TMailKonfiguration Laden(const QString& pfad = QString());
    void Speichern(const QString& pfad) const;
    // The security as the settings file spells it; SicherheitLesen raises EQELError for an unknown one.
    static TMailSicherheit SicherheitLesen(const QString& text);
    static QString SicherheitText(TMailSicherheit s);
    // The password from the password file; empty without a user. Raises EQELError when the file is
    // missing, is no plain file, belongs to another user or can be read by others.
    QString Passwort() const;
};
