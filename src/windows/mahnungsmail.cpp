// Dunning letters by e-mail: the letters of partners with a dunning address are made as in a print run
// and sent as PDF attachments one by one; the others are listed and output as the clerk chooses.
#include "mahnungsmail.h"

#include "mahnungsdruck.h"
#include "suite/mail/mahnmaillauf.h"
#include "suite/ui/info.h"
#include "suite/ui/programm.h"

bool TMahnungsMail_Eingerichtet()
{
    try {
        return TMailKonfiguration::Laden().Eingerichtet();
    } catch (const std::exception&) {
        return true;
    }
}

void TMahnungsDrucker::PerMail(const std::vector<TMahnungsDruck>& belege)
{
    TMahnMailLauf mail(TMailKonfiguration::Laden(), QELProgramm().GetWaehrung());
    std::vector<TMahnungsDruck> perMail, ohneAdresse;
    std::vector<TMahnMailDaten> daten;
    for (const TMahnungsDruck& m : belege) {
        const TMahnMailDaten d = mail.Daten(m.Beleg.Mandant, m.Beleg.LfdNr, m.Beleg.WirtschaftsJahr, m.Beleg.RNr);
        if (d.Email.trimmed().isEmpty()) {
            ohneAdresse.push_back(m);
            continue;
        }
        perMail.push_back(m);
        daten.push_back(d);
    }

    if (!perMail.empty()) {
        QStringList zeilen;
        int gesendet = 0;
        QString halt;  // what stopped all mail (sender, password file)
        TLaufWahl wahl;
        wahl.Ziel = TLaufZiel::EMail;
        const TLaufErgebnis e = Ausgeben(perMail, wahl, [&](int nr, const QByteArray& pdf) {
            if (!halt.isEmpty())
                return false;
            try {
                const TMahnMailErgebnis r = mail.Senden(daten.at(size_t(nr)), pdf);
                gesendet += r.Versendet || !r.Datei.isEmpty() ? 1 : 0;
                zeilen << QStringLiteral("%1 %2: %3").arg(r.Belegnummer, r.GepName, r.Meldung);
                // Only a letter that went out is the archived original; a dry run sends nothing.
                return r.Versendet;
            } catch (const std::exception& x) {
                halt = QString::fromUtf8(x.what());
                return false;
            }
        });
        const int anzahl = int(perMail.size());
        QString text = mail.Probelauf()
                           ? QStringLiteral("Probelauf: %1 von %2 E-Mails wurden als Datei geschrieben, keine versendet.")
                           : QStringLiteral("%1 von %2 Mahnungen wurden per E-Mail versendet.");
        text = text.arg(gesendet).arg(anzahl);
        if (!halt.isEmpty())
            text += QStringLiteral("\r\n") + halt;
        if (e.Abgebrochen)
            text += QStringLiteral("\r\nDer Lauf wurde abgebrochen%1.")
                        .arg(e.OhneLayout ? QStringLiteral(" (es wurde kein Drucklayout gewählt)") : QString());
        if (!zeilen.isEmpty())
            text += QStringLiteral("\r\n\r\n") + zeilen.join(QStringLiteral("\r\n"));
        if (!e.Fehler.isEmpty())
            text += QStringLiteral("\r\n\r\nNicht erstellt:\r\n") + e.Fehler.join(QStringLiteral("\r\n"));
        qel_Meldung(CMeldung_Hinweis, gesendet == anzahl ? 997 : 991, text);
    }

    if (ohneAdresse.empty())
        return;
    QStringList namen;
    for (const TMahnungsDruck& m : ohneAdresse)
        namen << QStringLiteral("%1 %2").arg(
                     Formatiere_Belegnummer_String(QStringLiteral("AOP"), m.Beleg.LfdNr, m.Beleg.WirtschaftsJahr, m.Beleg.RNr),
                     m.Partner);
    qel_Meldung(CMeldung_Hinweis, 997,
                QStringLiteral("Diese Geschäftspartner haben keine E-Mail-Adresse für Mahnungen:\r\n%1\r\n\r\n"
                               "Bitte wählen Sie, wie ihre Mahnungen ausgegeben werden.")
                    .arg(namen.join(QStringLiteral("\r\n"))));
    Lauf(ohneAdresse, false);
}
