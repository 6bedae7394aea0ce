// filiale: branches of a client with their own letterhead.
#include "befehl.h"
#include "stammoptionen.h"

#include "suite/core/servers/stammdaten.h"

namespace admin {
namespace {

void filialeOptionen(TBefehlsZeile& z, bool mitFeldern)
{
    z.Argument(QStringLiteral("NR"), QStringLiteral("Filialnummer (1 bis 9999), wie sie die Rechnertabelle nennt."));
    z.Option({QStringLiteral("mandant")}, QStringLiteral("Mandantennummer (entfällt, wenn es nur einen Mandanten gibt)."),
             QStringLiteral("NR"));
    if (mitFeldern)
        OrgOptionen(z, true);
}

TFilialeStamm filialeLesen(const TBefehlsZeile& z, bool vorhanden)
{
    TFilialeStamm f;
    f.MandantNr = MandantNr(z);
    f.Nr = z.Zahl(z.Argument(0), QStringLiteral("Die Filialnummer"), 1, 9999);
    if (vorhanden && !Stammdaten_FilialeLesen(f.MandantNr, f.Nr, f))
        throw EQELError(QStringLiteral("Die Filiale %1 des Mandanten %2 gibt es nicht.").arg(f.Nr).arg(f.MandantNr));
    return f;
}

int filialeAdd(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Legt eine Filiale mit eigenem Briefkopf an."));
    filialeOptionen(z, true);
    z.Lesen();
    if (!z.Gesetzt(QStringLiteral("name")))
        z.Falsch(QStringLiteral("filiale add braucht --name."));
    z.DatenbankOeffnen();
    TFilialeStamm f = filialeLesen(z, false);
    OrgUebernehmen(z, f.Org);
    LogoUebernehmen(z, f.Org, QStringLiteral("MANDANT%1-FILIALE%2").arg(f.MandantNr).arg(f.Nr));
    Stammdaten_FilialeAnlegen(f);
    err() << QStringLiteral("Filiale %1 des Mandanten %2 angelegt.\n").arg(f.Nr).arg(f.MandantNr);
    return kOk;
}

int filialeEdit(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Ändert die angegebenen Felder einer Filiale; die übrigen bleiben."));
    filialeOptionen(z, true);
    z.Lesen();
    z.DatenbankOeffnen();
    TFilialeStamm f = filialeLesen(z, true);
    OrgUebernehmen(z, f.Org);
    LogoUebernehmen(z, f.Org, QStringLiteral("MANDANT%1-FILIALE%2").arg(f.MandantNr).arg(f.Nr));
    Stammdaten_FilialeAendern(f);
    err() << QStringLiteral("Filiale %1 des Mandanten %2 geändert.\n").arg(f.Nr).arg(f.MandantNr);
    return kOk;
}

int filialeList(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Listet die Filialen eines Mandanten."));
    z.Option({QStringLiteral("mandant")}, QStringLiteral("Mandantennummer (entfällt, wenn es nur einen Mandanten gibt)."),
             QStringLiteral("NR"));
    z.Lesen();
    z.DatenbankOeffnen();
    for (const TFilialeStamm& f : Stammdaten_Filialen(MandantNr(z)))
        out() << QStringLiteral("%1  %2  %3\n")
                     .arg(f.Nr, 4)
                     .arg((f.Org.Name1 + QLatin1Char(' ') + f.Org.Name2).trimmed(), -50)
                     .arg((f.Org.Plz + QLatin1Char(' ') + f.Org.Ort).trimmed());
    return kOk;
}

int filialeShow(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Zeigt alle Angaben einer Filiale."));
    filialeOptionen(z, false);
    z.Lesen();
    z.DatenbankOeffnen();
    const TFilialeStamm f = filialeLesen(z, true);
    FeldZeigen(QStringLiteral("Mandant"), QString::number(f.MandantNr));
    FeldZeigen(QStringLiteral("Filiale"), QString::number(f.Nr));
    OrgZeigen(f.Org);
    return kOk;
}

int filialeRemove(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Entfernt eine Filiale, auf die nichts mehr verweist."));
    filialeOptionen(z, false);
    z.Lesen();
    z.DatenbankOeffnen();
    const int mandant = MandantNr(z);
    const int nr = z.Zahl(z.Argument(0), QStringLiteral("Die Filialnummer"), 1, 9999);
    Stammdaten_FilialeEntfernen(mandant, nr);
    err() << QStringLiteral("Filiale %1 des Mandanten %2 entfernt.\n").arg(nr).arg(mandant);
    return kOk;
}

int befehlFiliale(const TAdminAufruf& a)
{
    return Aktion_Ausfuehren(a, QStringLiteral("Filialen eines Mandanten mit eigenem Briefkopf und Logo."),
                             {{"add", "Filiale anlegen", filialeAdd},
                              {"edit", "Felder einer Filiale ändern", filialeEdit},
                              {"list", "Filialen eines Mandanten auflisten", filialeList},
                              {"show", "alle Angaben einer Filiale zeigen", filialeShow},
                              {"remove", "Filiale entfernen, auf die nichts mehr verweist", filialeRemove}});
}

const TAdminBefehl filiale("filiale", "Filialen anlegen, ändern, zeigen, entfernen", befehlFiliale);

}  // namespace
}  // namespace admin
