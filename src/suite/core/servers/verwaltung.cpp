#include "verwaltung.h"

#include "database_intern.h"
#include "wertpruefung.h"

#include <iterator>

bool Verwaltung_BenutzerAnlegen(const QString& name, const QString& vollname, const QVector<int>& rechte)
{
    const QString n = qel_TextPruefen(QStringLiteral("Benutzername"), name.trimmed(), 80);
    if (n.isEmpty())
        throw EQELError(QStringLiteral("Der Benutzername darf nicht leer sein."));
    qel_TextPruefen(QStringLiteral("Vollständiger Name"), vollname, 120);
    for (int r : rechte)
        if (r < 1 || r > 65535)
            throw EQELError(QStringLiteral("Das Recht %1 liegt nicht zwischen 1 und 65535.").arg(r));
    TTransaktion t;
    TSqlAbfrage q(QStringLiteral("SELECT 1 FROM benutzer WHERE name = ?"));
    q.Bind(n).Exec();
    const bool neu = !q.Next();
    if (neu)
        TSqlAbfrage(QStringLiteral("INSERT INTO benutzer (name, vollname) VALUES (?, ?)")).Bind({n, vollname}).Exec();
    for (int r : rechte) {
        TSqlAbfrage h(QStringLiteral("SELECT 1 FROM benutzer_recht WHERE benutzer = ? AND recht = ?"));
        h.Bind({n, r}).Exec();
        if (!h.Next())
            TSqlAbfrage(QStringLiteral("INSERT INTO benutzer_recht (benutzer, recht) VALUES (?, ?)")).Bind({n, r}).Exec();
    }
    t.Commit();
    return neu;
}

bool Verwaltung_RechnerEintragen(int rechnerNr, const QString& bezeichnung, int filiale)
{
    if (rechnerNr < 1 || rechnerNr > 9999)
        throw EQELError(QStringLiteral("Die Rechnernummer muss zwischen 1 und 9999 liegen."));
    if (bezeichnung.trimmed().isEmpty())
        throw EQELError(QStringLiteral("Der Rechner braucht eine Bezeichnung."));
    if (filiale < 0)
        throw EQELError(QStringLiteral("Die Filialnummer darf nicht negativ sein."));
    qel_TextPruefen(QStringLiteral("Bezeichnung des Rechners"), bezeichnung.trimmed(), 80);
    TTransaktion t;
    TSqlAbfrage upd(QStringLiteral("UPDATE rechner SET bezeichnung = ?, filiale = ? WHERE rechner_nr = ?"));
    upd.Bind({bezeichnung.trimmed(), filiale, rechnerNr}).Exec();
    const bool neu = upd.ZeilenBetroffen() == 0;
    if (neu)
        TSqlAbfrage(QStringLiteral("INSERT INTO rechner (rechner_nr, bezeichnung, filiale) VALUES (?, ?, ?)"))
            .Bind({rechnerNr, bezeichnung.trimmed(), filiale})
            .Exec();
    t.Commit();
    return neu;
}

bool Verwaltung_RechnerAnlegenFallsNeu(int rechnerNr, const QString& bezeichnung)
{
    TTransaktion t;
    TSqlAbfrage q(QStringLiteral("SELECT 1 FROM rechner WHERE rechner_nr = ?"));
    q.Bind({rechnerNr}).Exec();
    if (q.Next())
        return false;
    Verwaltung_RechnerEintragen(rechnerNr, bezeichnung, 0);
    t.Commit();
    return true;
}

TIntPair Verwaltung_LayoutRegistrieren(const QString& art, const QString& bezeichnung, const QString& berichtsdatei,
                                       const QStringList& einstellungen, bool standard, int rechnerNr)
{
    if (art.trimmed().isEmpty() || bezeichnung.trimmed().isEmpty() || berichtsdatei.trimmed().isEmpty())
        throw EQELError(QStringLiteral("Ein Drucklayout braucht Art, Bezeichnung und Berichtsdatei."));
    for (const QString& e : einstellungen)
        if (!e.contains(QLatin1Char('=')) || e.contains(QLatin1Char('\n')))
            throw EQELError(QStringLiteral("Die Einstellung '%1' hat nicht die Form Name=Wert.").arg(e));
    qel_TextPruefen(QStringLiteral("Art des Drucklayouts"), art.trimmed(), 20);
    qel_TextPruefen(QStringLiteral("Bezeichnung des Drucklayouts"), bezeichnung.trimmed(), 120);
    qel_TextPruefen(QStringLiteral("Berichtsdatei"), berichtsdatei.trimmed(), 200);
    TTransaktion t;
    if (standard)
        TSqlAbfrage(QStringLiteral("UPDATE drucklayout SET standard = 0 WHERE art = ?")).Bind(art.trimmed()).Exec();
    const TIntPair id = qel_NeuerSchluessel(QStringLiteral("DRUCKLAYOUT"), rechnerNr);
    TSqlAbfrage(QStringLiteral("INSERT INTO drucklayout (rnr, lnr, art, bezeichnung, berichtsdatei, einstellungen, standard) "
                               "VALUES (?, ?, ?, ?, ?, ?, ?)"))
        .Bind({id.RNr, id.LNr, art.trimmed(), bezeichnung.trimmed(), berichtsdatei.trimmed(),
               einstellungen.join(QLatin1Char('\n')), standard ? 1 : 0})
        .Exec();
    t.Commit();
    return id;
}

bool Verwaltung_LogoSpeichern(const QString& name, const QString& mime, const QByteArray& bild)
{
    const QString n = name.trimmed();
    if (n.isEmpty())
        throw EQELError(QStringLiteral("Der Name des Logos darf nicht leer sein."));
    if (bild.isEmpty())
        throw EQELError(QStringLiteral("Das Logo '%1' hat keinen Inhalt.").arg(n));
    qel_TextPruefen(QStringLiteral("Name des Logos"), n, 80);
    qel_TextPruefen(QStringLiteral("Dateiart des Logos"), mime, 40);
    TTransaktion t;
    TSqlAbfrage upd(QStringLiteral("UPDATE logo SET mime = ?, bild = ? WHERE name = ?"));
    upd.Bind({mime, bild, n}).Exec();
    const bool neu = upd.ZeilenBetroffen() == 0;
    if (neu)
        TSqlAbfrage(QStringLiteral("INSERT INTO logo (name, mime, bild) VALUES (?, ?, ?)")).Bind({n, mime, bild}).Exec();
    t.Commit();
    return neu;
}

int Verwaltung_MandantenAnzahl()
{
    TSqlAbfrage q(QStringLiteral("SELECT COUNT(*) FROM mandant"));
    q.Exec();
    return q.Next() ? q.Int(0) : 0;
}

QStringList Verwaltung_StandardLayoutEinstellungen(const QString& logoName)
{
    return {
        QStringLiteral("AltLogo=N"),
        QStringLiteral("txtLogoKennung=") + logoName,
        QStringLiteral("AbsenderAnzeigen=J"),
        QStringLiteral("ParamFonFaxMailBuchfiliale=J"),
        QStringLiteral("ParamGrussFilialname=J"),
        QStringLiteral("ParamBelegFussDrucken=J"),
        QStringLiteral("ObererRand=20"),
        QStringLiteral("LinkerRand=25"),
        QStringLiteral("UntererRand=20"),
    };
}

namespace {

struct TText {
    const char* kurz;
    const char* text;
};
// The letter texts a new database starts with, one per dunning level: reminder, first and second dunning.
const TText kTexte[] = {
    {"Zahlungserinnerung",
     "#Anrede\n\n"
     "bei der Durchsicht unserer Buchhaltung haben wir am #Heute festgestellt, dass die nachstehend "
     "aufgeführten Rechnungen noch nicht ausgeglichen sind. Bis zum #Berücksichtigt eingegangene Zahlungen "
     "wurden dabei berücksichtigt.\n\n"
     "Sicherlich handelt es sich um ein Versehen. Wir bitten Sie, den offenen Betrag von #Gesamtbetrag bis zum "
     "#Zahlungsziel auf unser Konto zu überweisen. Sollten Sie die Zahlung inzwischen veranlasst haben, "
     "betrachten Sie dieses Schreiben bitte als gegenstandslos.\n\n"
     "Mit freundlichen Grüßen"},
    {"1. Mahnung",
     "#Anrede\n\n"
     "leider konnten wir bis heute, dem #Heute, für die unten aufgeführten Rechnungen keinen Zahlungseingang "
     "feststellen, obwohl wir Sie bereits an die Zahlung erinnert haben. Bis zum #Berücksichtigt eingegangene "
     "Zahlungen wurden berücksichtigt.\n\n"
     "Bitte überweisen Sie den fälligen Betrag von #Gesamtbetrag einschließlich der Mahngebühren bis zum "
     "#Zahlungsziel. Falls es Gründe gibt, die einer Zahlung entgegenstehen, setzen Sie sich bitte umgehend "
     "mit uns in Verbindung.\n\n"
     "Mit freundlichen Grüßen"},
    {"2. Mahnung",
     "#Anrede\n\n"
     "trotz unserer Zahlungserinnerung und unserer ersten Mahnung sind die unten aufgeführten Beträge bis "
     "zum #Heute nicht bei uns eingegangen. Zahlungen, die uns bis zum #Berücksichtigt erreicht haben, "
     "wurden berücksichtigt.\n\n"
     "Wir fordern Sie hiermit letztmalig auf, den Gesamtbetrag von #Gesamtbetrag einschließlich Mahngebühren "
     "und Verzugszinsen bis zum #Zahlungsziel zu begleichen. Sollte die Zahlung nicht fristgerecht eingehen, "
     "sehen wir uns gezwungen, ohne weitere Ankündigung gerichtliche Schritte einzuleiten.\n\n"
     "Mit freundlichen Grüßen"},
};

}  // namespace

QString Verwaltung_StandardBrieftext(int nr)
{
    if (nr < 0 || nr >= int(std::size(kTexte)))
        throw EQELError(QStringLiteral("Einen Standardtext Nr. %1 gibt es nicht.").arg(nr));
    return QString::fromUtf8(kTexte[nr].text);
}

int Verwaltung_StandardTextbausteineSicherstellen(int rechnerNr)
{
    TTransaktion t;
    TSqlAbfrage q(QStringLiteral("SELECT 1 FROM textbaustein WHERE art = 'BRIEF'"));
    q.Exec();
    if (q.Next())
        return 0;
    const int anzahl = int(std::size(kTexte));
    TIntPair id = qel_NeueSchluessel(QStringLiteral("TEXTBAUSTEIN"), rechnerNr, anzahl);
    TSqlAbfrage ins(QStringLiteral("INSERT INTO textbaustein (rnr, lnr, kurztext, kurztext_norm, text) VALUES (?, ?, ?, ?, ?)"));
    for (const TText& tx : kTexte) {
        const QString kurz = QString::fromUtf8(tx.kurz);
        ins.Bind({id.RNr, id.LNr, kurz, qel_TextNorm(kurz), QString::fromUtf8(tx.text)}).Exec();
        ++id.LNr;
    }
    t.Commit();
    return anzahl;
}

bool Verwaltung_StandardLayoutSicherstellen(int rechnerNr, const QString& logoName)
{
    TTransaktion t;
    TSqlAbfrage q(QStringLiteral("SELECT 1 FROM drucklayout WHERE art = 'KMAHN'"));
    q.Exec();
    if (q.Next())
        return false;
    Verwaltung_LayoutRegistrieren(QStringLiteral("KMAHN"), QStringLiteral("Mahnung Standard"), QStringLiteral("mahnung.html"),
                                  Verwaltung_StandardLayoutEinstellungen(logoName), true, rechnerNr);
    t.Commit();
    return true;
}
