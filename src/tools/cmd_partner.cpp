// partner: business partners (debtors) of a client.
#include "befehl.h"
#include "stammoptionen.h"

#include "suite/core/servers/stammdaten.h"

namespace admin {
namespace {

void partnerOptionen(TBefehlsZeile& z, bool mitFeldern)
{
    z.Argument(QStringLiteral("NR"), QStringLiteral("Partnernummer (1 bis 999999999), zugleich das Debitorenkonto."));
    z.Option({QStringLiteral("mandant")}, QStringLiteral("Mandantennummer (entfällt, wenn es nur einen Mandanten gibt)."),
             QStringLiteral("NR"));
    if (!mitFeldern)
        return;
    OrgOptionen(z, false);
    z.Option({QStringLiteral("mahn-email")}, QStringLiteral("E-Mail-Adresse für Mahnschreiben."), QStringLiteral("ADRESSE"));
    z.Option({QStringLiteral("verbraucher")}, QStringLiteral("J: Verbraucher, N: Unternehmen (Vorgabe N)."), QStringLiteral("J/N"));
    z.Option({QStringLiteral("zentralreguliert")}, QStringLiteral("J: zentral reguliert (Vorgabe N)."), QStringLiteral("J/N"));
    z.Option({QStringLiteral("aktiv")}, QStringLiteral("N: nicht mehr aktiv (Vorgabe J)."), QStringLiteral("J/N"));
}

TPartnerStamm partnerLesen(const TBefehlsZeile& z, bool vorhanden)
{
    TPartnerStamm p;
    p.MandantNr = MandantNr(z);
    p.Nr = z.Zahl(z.Argument(0), QStringLiteral("Die Partnernummer"), 1, 999999999);
    if (vorhanden && !Stammdaten_PartnerLesen(p.MandantNr, p.Nr, p))
        throw EQELError(QStringLiteral("Den Geschäftspartner %1 gibt es beim Mandanten %2 nicht.").arg(p.Nr).arg(p.MandantNr));
    return p;
}

void partnerUebernehmen(const TBefehlsZeile& z, TPartnerStamm& p)
{
    OrgUebernehmen(z, p.Org);
    if (z.Gesetzt(QStringLiteral("mahn-email")))
        p.MahnEmail = z.Wert(QStringLiteral("mahn-email"));
    p.Verbraucher = JaNein(z, QStringLiteral("verbraucher"), p.Verbraucher);
    p.Zentralreguliert = JaNein(z, QStringLiteral("zentralreguliert"), p.Zentralreguliert);
    p.Aktiv = JaNein(z, QStringLiteral("aktiv"), p.Aktiv);
}

int partnerAdd(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Legt einen Geschäftspartner an."));
    partnerOptionen(z, true);
    z.Lesen();
    if (!z.Gesetzt(QStringLiteral("name")))
        z.Falsch(QStringLiteral("partner add braucht --name."));
    z.DatenbankOeffnen();
    TPartnerStamm p = partnerLesen(z, false);
    partnerUebernehmen(z, p);
    Stammdaten_PartnerAnlegen(p);
    err() << QStringLiteral("Geschäftspartner %1 \"%2\" angelegt.\n").arg(p.Nr).arg(p.Org.Name1.trimmed());
    return kOk;
}

int partnerEdit(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Ändert die angegebenen Felder eines Geschäftspartners; die übrigen bleiben."));
    partnerOptionen(z, true);
    z.Lesen();
    z.DatenbankOeffnen();
    TPartnerStamm p = partnerLesen(z, true);
    partnerUebernehmen(z, p);
    Stammdaten_PartnerAendern(p);
    err() << QStringLiteral("Geschäftspartner %1 geändert.\n").arg(p.Nr);
    return kOk;
}

int partnerList(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Listet die Geschäftspartner eines Mandanten."));
    z.Option({QStringLiteral("mandant")}, QStringLiteral("Mandantennummer (entfällt, wenn es nur einen Mandanten gibt)."),
             QStringLiteral("NR"));
    z.Lesen();
    z.DatenbankOeffnen();
    for (const TPartnerStamm& p : Stammdaten_Partner(MandantNr(z)))
        out() << QStringLiteral("%1  %2  %3%4\n")
                     .arg(p.Nr, 9)
                     .arg(p.Org.Name1, -50)
                     .arg((p.Org.Plz + QLatin1Char(' ') + p.Org.Ort).trimmed(), -30)
                     .arg(p.Aktiv ? QString() : QStringLiteral("  (inaktiv)"));
    return kOk;
}

int partnerShow(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Zeigt alle Angaben eines Geschäftspartners."));
    partnerOptionen(z, false);
    z.Lesen();
    z.DatenbankOeffnen();
    const TPartnerStamm p = partnerLesen(z, true);
    FeldZeigen(QStringLiteral("Mandant"), QString::number(p.MandantNr));
    FeldZeigen(QStringLiteral("Partnernummer"), QString::number(p.Nr));
    OrgZeigen(p.Org);
    FeldZeigen(QStringLiteral("Mahn-E-Mail"), p.MahnEmail);
    FeldZeigen(QStringLiteral("Art"), p.Verbraucher ? QStringLiteral("Verbraucher") : QStringLiteral("Unternehmen"));
    FeldZeigen(QStringLiteral("Zentralreguliert"), p.Zentralreguliert ? QStringLiteral("ja") : QStringLiteral("nein"));
    FeldZeigen(QStringLiteral("Aktiv"), p.Aktiv ? QStringLiteral("ja") : QStringLiteral("nein"));
    return kOk;
}

int partnerRemove(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Entfernt einen Geschäftspartner ohne offene Posten und Mahnungen."));
    partnerOptionen(z, false);
    z.Lesen();
    z.DatenbankOeffnen();
    const int mandant = MandantNr(z);
    const int nr = z.Zahl(z.Argument(0), QStringLiteral("Die Partnernummer"), 1, 999999999);
    Stammdaten_PartnerEntfernen(mandant, nr);
    err() << QStringLiteral("Geschäftspartner %1 entfernt.\n").arg(nr);
    return kOk;
}

int befehlPartner(const TAdminAufruf& a)
{
    return Aktion_Ausfuehren(a, QStringLiteral("Geschäftspartner (Debitoren) eines Mandanten."),
                             {{"add", "Geschäftspartner anlegen", partnerAdd},
                              {"edit", "Felder eines Geschäftspartners ändern", partnerEdit},
                              {"list", "Geschäftspartner eines Mandanten auflisten", partnerList},
                              {"show", "alle Angaben eines Geschäftspartners zeigen", partnerShow},
                              {"remove", "Geschäftspartner ohne offene Posten entfernen", partnerRemove}});
}

const TAdminBefehl partner("partner", "Geschäftspartner anlegen, ändern, zeigen, entfernen", befehlPartner);

}  // namespace
}  // namespace admin
