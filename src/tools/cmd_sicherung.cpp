// sichern and wiederherstellen: backup and restore of the suite database.
#include "befehl.h"

#include "suite/core/servers/database.h"
#include "suite/core/servers/sicherung.h"

namespace admin {
namespace {

int befehlSichern(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Sichert die Datenbank, auch während an ihr gearbeitet wird (PostgreSQL: pg_dump)."));
    z.Argument(QStringLiteral("DATEI"), QStringLiteral("Zieldatei der Sicherung."));
    z.Lesen();
    const TSicherungInfo info = Sicherung_Erstellen(z.Konfiguration(), z.Argument(0));
    err() << QStringLiteral("Sicherung geschrieben: %1 (%2 Bytes%3).\n")
                 .arg(info.Datei)
                 .arg(info.Bytes)
                 .arg(info.SchemaVersion > 0 ? QStringLiteral(", Schemaversion %1").arg(info.SchemaVersion) : QString());
    return kOk;
}

int befehlWiederherstellen(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Stellt die Datenbank aus einer geprüften Sicherung wieder her; alle Programme der\n"
                                      "Suite müssen dazu beendet sein."));
    z.Argument(QStringLiteral("DATEI"), QStringLiteral("Sicherung, aus der wiederhergestellt wird."));
    z.Lesen();
    const TSuiteKonfiguration k = z.Konfiguration();
    const TSicherungInfo info = Sicherung_Wiederherstellen(k, z.Argument(0));
    err() << QStringLiteral("Die Datenbank %1 wurde aus der Sicherung %2 wiederhergestellt (Schemaversion %3).\n")
                 .arg(k.Datenbank, info.Datei)
                 .arg(info.SchemaVersion);
    if (info.SchemaVersion < TSuiteDatenbank::SchemaVersionProgramm())
        err() << QStringLiteral("Sie wird beim nächsten Start des Programms oder mit \"upgrade\" auf Version %1 gebracht.\n")
                     .arg(TSuiteDatenbank::SchemaVersionProgramm());
    return kOk;
}

const TAdminBefehl sichern("sichern", "Datenbank sichern (auch während der Arbeit)", befehlSichern);
const TAdminBefehl wiederherstellen("wiederherstellen", "Datenbank aus einer geprüften Sicherung wiederherstellen",
                                    befehlWiederherstellen);

}  // namespace
}  // namespace admin
