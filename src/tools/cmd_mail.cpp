// mail: how this workstation sends dunning mails (the [EMail] section of the settings file).
#include "befehl.h"

#include "suite/mail/mailkonfiguration.h"

namespace admin {
namespace {

int mailZeigen(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Zeigt, wie dieser Arbeitsplatz Mahnungen per E-Mail versendet."));
    z.Lesen();
    const QString pfad = z.KonfigPfad();
    const TMailKonfiguration k = TMailKonfiguration::Laden(pfad);
    const auto zeile = [](const char* was, const QString& wert) {
        out() << QString::fromUtf8(was).leftJustified(16) << (wert.isEmpty() ? QStringLiteral("-") : wert) << '\n';
    };
    out() << QStringLiteral("Einstellungsdatei: %1\n").arg(pfad);
    if (!k.Eingerichtet()) {
        out() << QStringLiteral("Der Versand per E-Mail ist nicht eingerichtet (mahnwesen-admin mail set --host ...).\n");
        return kOk;
    }
    zeile("Mailserver", k.Host);
    zeile("Port", k.Host.isEmpty() ? QString() : QString::number(k.WirksamerPort()));
    zeile("Verschlüsselung", TMailKonfiguration::SicherheitText(k.Sicherheit));
    zeile("Benutzer", k.Benutzer);
    zeile("Passwortdatei", k.PasswortDatei);
    zeile("Wartezeit", QStringLiteral("%1 s").arg(k.TimeoutSek));
    zeile("Zertifikate", k.Zertifikate.isEmpty() ? QStringLiteral("die des Systems") : k.Zertifikate);
    zeile("Probelauf", k.Probelaufordner.isEmpty() ? QString() : QStringLiteral("E-Mails als Dateien nach ") + k.Probelaufordner);
    return kOk;
}

int mailSetzen(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Ändert, wie dieser Arbeitsplatz Mahnungen per E-Mail versendet. Nicht genannte "
                                      "Einstellungen bleiben; ein leerer Wert (\"\") löscht eine Einstellung."));
    z.Option({QStringLiteral("host")}, QStringLiteral("Name des Mailservers (SMTP)."), QStringLiteral("NAME"));
    z.Option({QStringLiteral("port")}, QStringLiteral("Port; 0 = üblicher Port der Verschlüsselung (587, 465, 25)."),
             QStringLiteral("N"));
    z.Option({QStringLiteral("sicherheit")}, QStringLiteral("STARTTLS, TLS oder KEINE."), QStringLiteral("ART"));
    z.Option({QStringLiteral("benutzer")}, QStringLiteral("Anmeldename am Mailserver."), QStringLiteral("NAME"));
    z.Option({QStringLiteral("passwortdatei")},
             QStringLiteral("Datei mit dem Passwort in der ersten Zeile, nur für den eigenen Benutzer lesbar."),
             QStringLiteral("DATEI"));
    z.Option({QStringLiteral("timeout")}, QStringLiteral("Wartezeit auf den Mailserver in Sekunden (1 bis 600)."),
             QStringLiteral("SEK"));
    z.Option({QStringLiteral("zertifikate")},
             QStringLiteral("Zertifikate (PEM), gegen die der Mailserver geprüft wird; leer: die des Systems."),
             QStringLiteral("DATEI"));
    z.Option({QStringLiteral("probelauf")},
             QStringLiteral("Ordner, in den E-Mails als Dateien geschrieben statt versendet werden; leer: versenden."),
             QStringLiteral("ORDNER"));
    z.Lesen();
    const QString pfad = z.KonfigPfad();
    TMailKonfiguration k = TMailKonfiguration::Laden(pfad);
    const auto text = [&z](const char* name, QString& ziel) {
        if (z.Gesetzt(QLatin1String(name)))
            ziel = z.Wert(QLatin1String(name)).trimmed();
    };
    text("host", k.Host);
    text("benutzer", k.Benutzer);
    text("passwortdatei", k.PasswortDatei);
    text("zertifikate", k.Zertifikate);
    text("probelauf", k.Probelaufordner);
    k.Port = z.Ganzzahl(QStringLiteral("port"), 0, 65535, k.Port);
    k.TimeoutSek = z.Ganzzahl(QStringLiteral("timeout"), 1, 600, k.TimeoutSek);
    if (z.Gesetzt(QStringLiteral("sicherheit")))
        k.Sicherheit = TMailKonfiguration::SicherheitLesen(z.Wert(QStringLiteral("sicherheit")));
    if (!k.Benutzer.isEmpty() && k.PasswortDatei.isEmpty())
        z.Falsch(QStringLiteral("Für den Benutzer des Mailservers fehlt --passwortdatei."));
    k.Speichern(pfad);
    // Read back through the program's own reader, so a value it would refuse is told now.
    TMailKonfiguration::Laden(pfad);
    err() << QStringLiteral("E-Mail-Einstellungen in %1 gespeichert.\n").arg(pfad);
    return kOk;
}

int befehlMail(const TAdminAufruf& a)
{
    return Aktion_Ausfuehren(a, QStringLiteral("Versand der Mahnungen per E-Mail an diesem Arbeitsplatz."),
                             {{"show", "Einstellungen zeigen", mailZeigen}, {"set", "Einstellungen ändern", mailSetzen}});
}

const TAdminBefehl mail("mail", "Versand per E-Mail einrichten", befehlMail);

}  // namespace
}  // namespace admin
