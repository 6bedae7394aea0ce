// mandant: the client companies with their letterhead data.
#include "befehl.h"
#include "stammoptionen.h"

#include "suite/core/servers/database.h"
#include "suite/core/servers/stammdaten.h"
#include "suite/core/servers/verwaltung.h"

namespace admin {
namespace {

void mandantOptionen(TBefehlsZeile& z)
{
    z.Argument(QStringLiteral("NR"), QStringLiteral("Mandantennummer (1 bis 999999)."));
    OrgOptionen(z, true);
    z.Option({QStringLiteral("kurzname")}, QStringLiteral("Name in der Mandantenauswahl (sonst --name)."), QStringLiteral("TEXT"));
    z.Option({QStringLiteral("zahlungsziel")}, QStringLiteral("Zahlungsziel in Tagen für eingelesene Posten ohne Fälligkeit "
                                                              "(Vorgabe 14)."),
             QStringLiteral("TAGE"));
    z.Option({QStringLiteral("datev-berater")}, QStringLiteral("DATEV-Beraternummer."), QStringLiteral("NR"));
    z.Option({QStringLiteral("datev-mandant")}, QStringLiteral("DATEV-Mandantennummer."), QStringLiteral("NR"));
    z.Option({QStringLiteral("sachkontenlaenge")}, QStringLiteral("Länge der Sachkonten in der Buchhaltung (4 bis 8, Vorgabe 4)."),
             QStringLiteral("N"));
    z.Option({QStringLiteral("konto-gebuehren")}, QStringLiteral("Erlöskonto für Mahngebühren."), QStringLiteral("KONTO"));
    z.Option({QStringLiteral("konto-zinsen")}, QStringLiteral("Erlöskonto für Verzugszinsen."), QStringLiteral("KONTO"));
    z.Option({QStringLiteral("mail-name")}, QStringLiteral("Absendername der Mahnungen per E-Mail."), QStringLiteral("TEXT"));
    z.Option({QStringLiteral("mail-adresse")}, QStringLiteral("Absenderadresse der Mahnungen per E-Mail (leer: keine)."),
             QStringLiteral("ADRESSE"));
}

void mandantUebernehmen(const TBefehlsZeile& z, TMandantStamm& m)
{
    OrgUebernehmen(z, m.Org);
    if (z.Gesetzt(QStringLiteral("kurzname")))
        m.Name = z.Wert(QStringLiteral("kurzname"));
    else if (z.Gesetzt(QStringLiteral("name")) && (m.Name.isEmpty() || m.Name == m.Org.Name1))
        m.Name.clear();  // follows the name
    m.ZahlungszielTage = z.Ganzzahl(QStringLiteral("zahlungsziel"), 0, 365, m.ZahlungszielTage);
    m.DatevBerater = z.Ganzzahl(QStringLiteral("datev-berater"), 0, 9999999, m.DatevBerater);
    m.DatevMandant = z.Ganzzahl(QStringLiteral("datev-mandant"), 0, 99999, m.DatevMandant);
    m.Sachkontenlaenge = z.Ganzzahl(QStringLiteral("sachkontenlaenge"), 4, 8, m.Sachkontenlaenge);
    m.KontoGebuehren = z.Ganzzahl(QStringLiteral("konto-gebuehren"), 0, 99999999, m.KontoGebuehren);
    m.KontoZinsen = z.Ganzzahl(QStringLiteral("konto-zinsen"), 0, 99999999, m.KontoZinsen);
    if (z.Gesetzt(QStringLiteral("mail-name")))
        m.MailAbsenderName = z.Wert(QStringLiteral("mail-name"));
    if (z.Gesetzt(QStringLiteral("mail-adresse")))
        m.MailAbsenderAdresse = z.Wert(QStringLiteral("mail-adresse"));
    LogoUebernehmen(z, m.Org, QStringLiteral("MANDANT%1").arg(m.Nr));
}

int mandantAdd(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Legt einen Mandanten mit Anschrift und Briefkopfdaten an."));
    mandantOptionen(z);
    z.Lesen();
    TMandantStamm m;
    m.Nr = z.Zahl(z.Argument(0), QStringLiteral("Die Mandantennummer"), 1, 999999);
    if (!z.Gesetzt(QStringLiteral("name")))
        z.Falsch(QStringLiteral("mandant add braucht --name."));
    z.DatenbankOeffnen();
    mandantUebernehmen(z, m);
    Stammdaten_MandantAnlegen(m);
    err() << QStringLiteral("Mandant %1 \"%2\" angelegt.\n").arg(m.Nr).arg(m.Org.Name1.trimmed());
    // The first client of a database of one's own also needs a letter to dun with. Letters of a client
    // without branches take their logo from the layout, so the layout names the client's logo.
    if (Verwaltung_StandardLayoutSicherstellen(TSuiteDatenbank::RechnerNr(), m.Org.LogoName.trimmed()))
        err() << QStringLiteral("Drucklayout \"Mahnung Standard\" (KMAHN, mahnung.html) eingetragen.\n");
    if (const int n = Verwaltung_StandardTextbausteineSicherstellen(TSuiteDatenbank::RechnerNr()))
        err() << QStringLiteral("%1 Textbausteine für die Mahnstufen eingetragen (Zahlungserinnerung, 1. und 2. Mahnung).\n").arg(n);
    return kOk;
}

int mandantEdit(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Ändert die angegebenen Felder eines Mandanten; die übrigen bleiben."));
    mandantOptionen(z);
    z.Lesen();
    const int nr = z.Zahl(z.Argument(0), QStringLiteral("Die Mandantennummer"), 1, 999999);
    z.DatenbankOeffnen();
    TMandantStamm m;
    if (!Stammdaten_MandantLesen(nr, m))
        throw EQELError(QStringLiteral("Den Mandanten %1 gibt es nicht.").arg(nr));
    mandantUebernehmen(z, m);
    Stammdaten_MandantAendern(m);
    err() << QStringLiteral("Mandant %1 geändert.\n").arg(nr);
    return kOk;
}

int mandantList(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Listet die Mandanten."));
    z.Lesen();
    z.DatenbankOeffnen();
    for (const TMandantStamm& m : Stammdaten_Mandanten())
        out() << QStringLiteral("%1  %2  %3\n").arg(m.Nr, 6).arg(m.Name, -40).arg((m.Org.Plz + QLatin1Char(' ') + m.Org.Ort).trimmed());
    return kOk;
}

int mandantShow(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Zeigt alle Angaben eines Mandanten."));
    z.Argument(QStringLiteral("NR"), QStringLiteral("Mandantennummer."));
    z.Lesen();
    const int nr = z.Zahl(z.Argument(0), QStringLiteral("Die Mandantennummer"), 1, 999999);
    z.DatenbankOeffnen();
    TMandantStamm m;
    if (!Stammdaten_MandantLesen(nr, m))
        throw EQELError(QStringLiteral("Den Mandanten %1 gibt es nicht.").arg(nr));
    FeldZeigen(QStringLiteral("Mandant"), QString::number(m.Nr));
    FeldZeigen(QStringLiteral("Kurzname"), m.Name);
    OrgZeigen(m.Org);
    FeldZeigen(QStringLiteral("Zahlungsziel"), QStringLiteral("%1 Tage").arg(m.ZahlungszielTage));
    if (m.DatevBerater || m.DatevMandant)
        FeldZeigen(QStringLiteral("DATEV"), QStringLiteral("Berater %1, Mandant %2").arg(m.DatevBerater).arg(m.DatevMandant));
    FeldZeigen(QStringLiteral("Sachkontenlänge"), QString::number(m.Sachkontenlaenge));
    if (m.KontoGebuehren)
        FeldZeigen(QStringLiteral("Konto Mahngebühren"), QString::number(m.KontoGebuehren));
    if (m.KontoZinsen)
        FeldZeigen(QStringLiteral("Konto Verzugszinsen"), QString::number(m.KontoZinsen));
    if (!m.MailAbsenderAdresse.isEmpty())
        FeldZeigen(QStringLiteral("Mail-Absender"), QStringLiteral("%1 <%2>").arg(m.MailAbsenderName, m.MailAbsenderAdresse));
    return kOk;
}

int mandantRemove(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Entfernt einen Mandanten, auf den nichts mehr verweist."));
    z.Argument(QStringLiteral("NR"), QStringLiteral("Mandantennummer."));
    z.Lesen();
    const int nr = z.Zahl(z.Argument(0), QStringLiteral("Die Mandantennummer"), 1, 999999);
    z.DatenbankOeffnen();
    Stammdaten_MandantEntfernen(nr);
    err() << QStringLiteral("Mandant %1 entfernt.\n").arg(nr);
    return kOk;
}

int befehlMandant(const TAdminAufruf& a)
{
    return Aktion_Ausfuehren(a, QStringLiteral("Mandanten mit Anschrift, Bankverbindung und Briefkopfdaten."),
                             {{"add", "Mandant anlegen", mandantAdd},
                              {"edit", "Felder eines Mandanten ändern", mandantEdit},
                              {"list", "Mandanten auflisten", mandantList},
                              {"show", "alle Angaben eines Mandanten zeigen", mandantShow},
                              {"remove", "Mandant entfernen, auf den nichts mehr verweist", mandantRemove}});
}

const TAdminBefehl mandant("mandant", "Mandanten anlegen, ändern, zeigen, entfernen", befehlMandant);

}  // namespace
}  // namespace admin
