// basiszins: the base rates (§ 247 BGB) for default interest by law.
#include "befehl.h"

#include "suite/core/servers/mahnregelnserver.h"

#include <QLocale>

namespace admin {
namespace {

QString datumText(const QDate& d) { return d.toString(QStringLiteral("dd.MM.yyyy")); }

int basiszinsAdd(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Trägt den Basiszinssatz (§ 247 BGB) des Halbjahres ein, das an DATUM beginnt."));
    z.Argument(QStringLiteral("DATUM"), QStringLiteral("1. Januar oder 1. Juli, der Tag nach dem Ende der Tabelle."));
    z.Argument(QStringLiteral("SATZ"), QStringLiteral("Satz in Prozent, z. B. 1,27 oder -0,88."));
    z.Lesen();
    const QDate ab = QDate::fromString(z.Argument(0), QStringLiteral("dd.MM.yyyy"));
    if (!ab.isValid())
        z.Falsch(QStringLiteral("„%1“ ist kein Datum (TT.MM.JJJJ).").arg(z.Argument(0)));
    double satz = 0;
    try {
        satz = qel_ZinssatzLesen(z.Argument(1));
    } catch (const EConvertError& e) {
        z.Falsch(e.Text());
    }
    z.DatenbankOeffnen();
    MahnRegeln_BasiszinsHinzufuegen(ab, satz);
    err() << QStringLiteral("Basiszinssatz ab %1: %2 Prozent.\n").arg(datumText(ab), QLocale(QLocale::German).toString(satz, 'f', 2));
    return kOk;
}

int basiszinsList(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Listet die Basiszinssätze, mit denen die Verzugszinsen berechnet werden."));
    z.Lesen();
    z.DatenbankOeffnen();
    const TBasiszinsTabelle tabelle = MahnRegeln_Basiszinsen();
    for (const TBasiszinsPeriode& p : tabelle.Perioden())
        out() << QStringLiteral("%1 - %2  %3\n")
                     .arg(datumText(p.Ab), datumText(p.Bis), QLocale(QLocale::German).toString(p.Satz, 'f', 2));
    return kOk;
}

int befehlBasiszins(const TAdminAufruf& a)
{
    return Aktion_Ausfuehren(a, QStringLiteral("Basiszinssätze für die Verzugszinsen nach § 288 BGB."),
                             {{"add", "Basiszinssatz eines neuen Halbjahres eintragen", basiszinsAdd},
                              {"list", "Basiszinssätze auflisten", basiszinsList}});
}
const TAdminBefehl basiszins("basiszins", "Basiszinssätze pflegen", befehlBasiszins);

}  // namespace
}  // namespace admin
