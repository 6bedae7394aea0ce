#include "stammoptionen.h"

#include "logodatei.h"
#include "suite/core/servers/verwaltung.h"

namespace admin {
namespace {

struct TOrgOption {
    const char* name;
    const char* beschreibung;
    QString TOrgStamm::*feld;
    bool briefkopf;  // only for clients and branches
};

const TOrgOption kOptionen[] = {
    {"name", "Name (Firma) in der ersten Anschriftzeile.", &TOrgStamm::Name1, false},
    {"name2", "Zweite Anschriftzeile (Zusatz).", &TOrgStamm::Name2, false},
    {"strasse", "Straße und Hausnummer.", &TOrgStamm::Strasse, false},
    {"plz", "Postleitzahl.", &TOrgStamm::Plz, false},
    {"ort", "Ort.", &TOrgStamm::Ort, false},
    {"land", "Land (leer oder Deutschland für das Inland).", &TOrgStamm::Land, false},
    {"telefon", "Telefonnummer.", &TOrgStamm::Telefon, false},
    {"telefax", "Faxnummer.", &TOrgStamm::Telefax, false},
    {"email", "E-Mail-Adresse.", &TOrgStamm::Email, false},
    {"internet", "Internetadresse.", &TOrgStamm::Internet, false},
    {"bank", "Name der Bank.", &TOrgStamm::Bank, true},
    {"iban", "IBAN (wird mit ihrer Prüfziffer geprüft).", &TOrgStamm::Iban, true},
    {"bic", "BIC der Bank.", &TOrgStamm::Bic, true},
    {"ustid", "Umsatzsteuer-Identifikationsnummer.", &TOrgStamm::UstId, false},
    {"steuernummer", "Steuernummer.", &TOrgStamm::Steuernummer, true},
    {"geschaeftsfuehrer", "Geschäftsführer (mehrere durch Komma getrennt).", &TOrgStamm::Geschaeftsfuehrer, true},
    {"registergericht", "Registergericht, z. B. Amtsgericht Köln.", &TOrgStamm::Registergericht, true},
    {"registernummer", "Registernummer, z. B. HRB 12345.", &TOrgStamm::Registernummer, true},
    {"anrede", "Anrede des Ansprechpartners: Frau, Herr oder leer.", &TOrgStamm::KontaktAnrede, false},
    {"vorname", "Vorname des Ansprechpartners.", &TOrgStamm::KontaktVorname, false},
    {"ansprechpartner", "Nachname des Ansprechpartners.", &TOrgStamm::KontaktNachname, false},
    {"kontakt-telefon", "Telefon des Ansprechpartners.", &TOrgStamm::KontaktTelefon, false},
    {"kontakt-email", "E-Mail des Ansprechpartners.", &TOrgStamm::KontaktEmail, false},
};

}  // namespace

void OrgOptionen(TBefehlsZeile& z, bool mitBriefkopf)
{
    for (const TOrgOption& o : kOptionen)
        if (mitBriefkopf || !o.briefkopf)
            z.Option({QString::fromUtf8(o.name)}, QString::fromUtf8(o.beschreibung), QStringLiteral("TEXT"));
    if (mitBriefkopf) {
        z.Option({QStringLiteral("logo")}, QStringLiteral("Bilddatei (PNG, JPEG, BMP) für den Briefkopf."), QStringLiteral("DATEI"));
        z.Option({QStringLiteral("logo-name")}, QStringLiteral("Ein schon gespeichertes Logo für den Briefkopf (leer: keins)."),
                 QStringLiteral("NAME"));
    }
}

void OrgUebernehmen(const TBefehlsZeile& z, TOrgStamm& o)
{
    for (const TOrgOption& opt : kOptionen) {
        const QString name = QString::fromUtf8(opt.name);
        if (z.Gesetzt(name))
            o.*opt.feld = z.Wert(name);
    }
}

void LogoUebernehmen(const TBefehlsZeile& z, TOrgStamm& o, const QString& name)
{
    if (z.Gesetzt(QStringLiteral("logo")) && z.Gesetzt(QStringLiteral("logo-name")))
        z.Falsch(QStringLiteral("--logo und --logo-name schließen einander aus."));
    if (z.Gesetzt(QStringLiteral("logo-name")))
        o.LogoName = z.Wert(QStringLiteral("logo-name"));
    if (z.Gesetzt(QStringLiteral("logo"))) {
        const TLogoDatei logo = LogoDatei_Lesen(z.Wert(QStringLiteral("logo")));
        Verwaltung_LogoSpeichern(name, logo.mime, logo.bild);
        o.LogoName = name;
        err() << QStringLiteral("Logo %1 (%2 x %3 Pixel) gespeichert.\n").arg(name).arg(logo.breite).arg(logo.hoehe);
    }
}

void FeldZeigen(const QString& feld, const QString& wert)
{
    if (!wert.isEmpty())
        out() << QStringLiteral("%1 %2\n").arg(feld + QLatin1Char(':'), -20).arg(wert);
}

void OrgZeigen(const TOrgStamm& o)
{
    FeldZeigen(QStringLiteral("Name"), o.Name1);
    FeldZeigen(QStringLiteral("Name2"), o.Name2);
    FeldZeigen(QStringLiteral("Straße"), o.Strasse);
    FeldZeigen(QStringLiteral("PLZ Ort"), (o.Plz + QLatin1Char(' ') + o.Ort).trimmed());
    FeldZeigen(QStringLiteral("Land"), o.Land);
    FeldZeigen(QStringLiteral("Telefon"), o.Telefon);
    FeldZeigen(QStringLiteral("Telefax"), o.Telefax);
    FeldZeigen(QStringLiteral("E-Mail"), o.Email);
    FeldZeigen(QStringLiteral("Internet"), o.Internet);
    FeldZeigen(QStringLiteral("Bank"), o.Bank);
    FeldZeigen(QStringLiteral("IBAN"), o.Iban);
    FeldZeigen(QStringLiteral("BIC"), o.Bic);
    FeldZeigen(QStringLiteral("USt-IdNr"), o.UstId);
    FeldZeigen(QStringLiteral("Steuernummer"), o.Steuernummer);
    FeldZeigen(QStringLiteral("Geschäftsführer"), o.Geschaeftsfuehrer);
    FeldZeigen(QStringLiteral("Registergericht"), o.Registergericht);
    FeldZeigen(QStringLiteral("Registernummer"), o.Registernummer);
    FeldZeigen(QStringLiteral("Logo"), o.LogoName);
    const QString kontakt = QStringList{o.KontaktAnrede, o.KontaktVorname, o.KontaktNachname}.join(QLatin1Char(' ')).simplified();
    FeldZeigen(QStringLiteral("Ansprechpartner"), kontakt);
    FeldZeigen(QStringLiteral("Kontakt-Telefon"), o.KontaktTelefon);
    FeldZeigen(QStringLiteral("Kontakt-E-Mail"), o.KontaktEmail);
}

bool JaNein(const TBefehlsZeile& z, const QString& option, bool bisher)
{
    if (!z.Gesetzt(option))
        return bisher;
    const QString w = z.Wert(option).trimmed().toLower();
    if (w == QLatin1String("j") || w == QLatin1String("ja") || w == QLatin1String("1"))
        return true;
    if (w == QLatin1String("n") || w == QLatin1String("nein") || w == QLatin1String("0"))
        return false;
    z.Falsch(QStringLiteral("--%1 erwartet J oder N, nicht '%2'.").arg(option, z.Wert(option)));
}

int MandantNr(const TBefehlsZeile& z)
{
    if (z.Gesetzt(QStringLiteral("mandant")))
        return z.Zahl(z.Wert(QStringLiteral("mandant")), QStringLiteral("--mandant"), 1, 999999);
    const QVector<TMandantStamm> alle = Stammdaten_Mandanten();
    if (alle.size() == 1)
        return alle.first().Nr;
    z.Falsch(alle.isEmpty() ? QStringLiteral("Es ist noch kein Mandant angelegt (mahnwesen-admin mandant add).")
                            : QStringLiteral("Es gibt mehrere Mandanten: --mandant NR wählt einen."));
}

}  // namespace admin
