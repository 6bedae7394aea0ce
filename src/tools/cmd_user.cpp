// user: users of the suite and their rights.
#include "befehl.h"

#include "suite/core/servers/rechte.h"

namespace admin {
namespace {

int userAdd(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Legt einen Benutzer an (wenn es ihn noch nicht gibt) und vergibt Rechte; auf PostgreSQL\nauch seine Anmelderolle."));
    z.Argument(QStringLiteral("NAME"), QStringLiteral("Anmeldename des Benutzers."));
    z.Option({QStringLiteral("recht")}, QStringLiteral("Recht, das der Benutzer bekommt (mehrfach möglich; "
                                                       "das Mahnwesen braucht 202 und 203)."),
             QStringLiteral("N"));
    z.Option({QStringLiteral("passwort")}, QStringLiteral("PostgreSQL: Passwort der Anmelderolle des Benutzers."),
             QStringLiteral("PW"));
    z.Lesen();
    QVector<int> rechte;
    for (const QString& r : z.Werte(QStringLiteral("recht")))
        rechte << z.Zahl(r, QStringLiteral("Ein Recht"), 1, 65535);
    z.DatenbankOeffnen();
    const QString name = z.Argument(0);
    // On PostgreSQL also the clerk's login role in the database's clerks' group.
    const bool neu = Rechte_BenutzerAnlegen(name, QString(), rechte, z.Wert(QStringLiteral("passwort")));
    QStringList texte;
    for (int r : rechte)
        texte << QString::number(r);
    err() << (neu ? QStringLiteral("Benutzer %1 angelegt").arg(name) : QStringLiteral("Benutzer %1 vorhanden").arg(name))
          << (texte.isEmpty() ? QStringLiteral(".\n") : QStringLiteral(", Rechte: %1.\n").arg(texte.join(QStringLiteral(", "))));
    return kOk;
}

int befehlUser(const TAdminAufruf& a)
{
    return Aktion_Ausfuehren(a, QStringLiteral("Benutzer der Suite und ihre Rechte."),
                             {{"add", "Benutzer anlegen, Rechte vergeben", userAdd}});
}

const TAdminBefehl user("user", "Benutzer anlegen, Rechte vergeben", befehlUser);

}  // namespace
}  // namespace admin
