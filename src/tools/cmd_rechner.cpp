// rechner: the computer table (workstation numbers and their branches).
#include "befehl.h"

#include "suite/core/servers/verwaltung.h"

namespace admin {
namespace {

int rechnerAdd(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Trägt einen Arbeitsplatz in die Rechnertabelle ein oder ändert ihn."));
    z.Argument(QStringLiteral("NR"), QStringLiteral("Rechnernummer (1 bis 9999)."));
    z.Argument(QStringLiteral("NAME"), QStringLiteral("Bezeichnung des Rechners."));
    z.Option({QStringLiteral("filiale")}, QStringLiteral("Filiale, zu der der Rechner gehört (0: keine)."), QStringLiteral("N"));
    z.Lesen();
    const int nr = z.Zahl(z.Argument(0), QStringLiteral("Die Rechnernummer"), 1, 9999);
    const int filiale = z.Gesetzt(QStringLiteral("filiale"))
                            ? z.Zahl(z.Wert(QStringLiteral("filiale")), QStringLiteral("Die Filiale"), 0, 9999)
                            : 0;
    z.DatenbankOeffnen();
    const bool neu = Verwaltung_RechnerEintragen(nr, z.Argument(1), filiale);
    err() << QStringLiteral("Rechner %1 \"%2\" %3 (Filiale %4).\n")
                 .arg(nr)
                 .arg(z.Argument(1), neu ? QStringLiteral("eingetragen") : QStringLiteral("geändert"))
                 .arg(filiale);
    return kOk;
}

int befehlRechner(const TAdminAufruf& a)
{
    return Aktion_Ausfuehren(a, QStringLiteral("Die Rechnertabelle: Arbeitsplätze und ihre Filialen."),
                             {{"add", "Rechner eintragen oder ändern", rechnerAdd}});
}

const TAdminBefehl rechner("rechner", "Rechner eintragen oder ändern", befehlRechner);

}  // namespace
}  // namespace admin
