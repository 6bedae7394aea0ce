// The database commands: init, create, upgrade, version.
#include "befehl.h"

#include "suite/core/servers/database.h"
#include "suite/core/servers/rechte.h"
#include "suite/core/servers/verwaltung.h"

#include <QFileInfo>
#include <QSysInfo>

namespace admin {
namespace {

// The PostgreSQL connection options of init; SQLite takes none of them.
void postgresOptionen(const TBefehlsZeile& z, TSuiteKonfiguration& k)
{
    k.Treiber = z.Gesetzt(QStringLiteral("treiber")) ? z.Wert(QStringLiteral("treiber")).toUpper() : QStringLiteral("QSQLITE");
    if (k.Treiber != QLatin1String("QSQLITE") && k.Treiber != QLatin1String("QPSQL"))
        z.Falsch(QStringLiteral("--treiber kennt nur QSQLITE und QPSQL, nicht '%1'.").arg(k.Treiber));
    const QStringList verbindung = {QStringLiteral("host"), QStringLiteral("port"), QStringLiteral("dbbenutzer"),
                                    QStringLiteral("dbpasswort")};
    if (k.Treiber == QLatin1String("QSQLITE")) {
        for (const QString& o : verbindung)
            if (z.Gesetzt(o))
                z.Falsch(QStringLiteral("Die Option --%1 gilt nur mit --treiber QPSQL.").arg(o));
        k.Host.clear();
        k.Port = 0;
        k.DbBenutzer.clear();
        k.DbPasswort.clear();
        return;
    }
    k.Host = z.Wert(QStringLiteral("host"));
    k.Port = z.Ganzzahl(QStringLiteral("port"), 1, 65535, 0);
    k.DbBenutzer = z.Wert(QStringLiteral("dbbenutzer"));
    k.DbPasswort = z.Wert(QStringLiteral("dbpasswort"));
}

int befehlInit(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral(
        "Schreibt die Einstellungsdatei, legt die Datenbank an (oder bringt sie auf den aktuellen Stand),\n"
        "installiert die Briefvorlagen und trägt den angemeldeten Benutzer mit den Rechten 202 und 203 ein.\n"
        "Ein relativer Datenbankpfad gilt ab dem Ordner der Einstellungsdatei. Mit --treiber QPSQL wird\n"
        "eine gemeinsame PostgreSQL-Datenbank benutzt; fehlt sie, wird sie über \"postgres\" angelegt.\n"
        "Der angemeldete Benutzer bekommt dort eine eigene Anmelderolle in der Gruppe der Sachbearbeiter;\n"
        "dafür muss der Datenbankbenutzer Rollen anlegen dürfen."));
    z.Option({QStringLiteral("db")}, QStringLiteral("SQLite-Datei oder Name der PostgreSQL-Datenbank."), QStringLiteral("DATEI"));
    z.Option({QStringLiteral("rechner")}, QStringLiteral("Nummer dieses Arbeitsplatzes (1 bis 9999)."), QStringLiteral("N"));
    z.Option({QStringLiteral("treiber")}, QStringLiteral("QSQLITE (Vorgabe) oder QPSQL."), QStringLiteral("TREIBER"));
    z.Option({QStringLiteral("host")}, QStringLiteral("PostgreSQL: Rechner des Datenbankservers."), QStringLiteral("HOST"));
    z.Option({QStringLiteral("port")}, QStringLiteral("PostgreSQL: Port des Datenbankservers."), QStringLiteral("N"));
    z.Option({QStringLiteral("dbbenutzer")}, QStringLiteral("PostgreSQL: Datenbankbenutzer."), QStringLiteral("NAME"));
    z.Option({QStringLiteral("dbpasswort")}, QStringLiteral("PostgreSQL: Passwort (sonst ~/.pgpass oder PGPASSWORD)."),
             QStringLiteral("PW"));
    z.Lesen();
    const QString db = z.Wert(QStringLiteral("db")).trimmed();
    if (db.isEmpty())
        z.Falsch(QStringLiteral("init braucht --db DATEI."));
    const QString pfad = z.KonfigPfad();
    TSuiteKonfiguration k;
    if (QFileInfo::exists(pfad))
        k = TSuiteKonfiguration::Laden(pfad);
    postgresOptionen(z, k);
    k.Datenbank = db;
    k.Rechner = z.Ganzzahl(QStringLiteral("rechner"), 1, 9999, k.Rechner);
    k.Speichern(pfad);
    const TSuiteKonfiguration geladen = TSuiteKonfiguration::Laden(pfad);
    err() << QStringLiteral("Einstellungen geschrieben: %1\nDatenbank: %2\n").arg(QFileInfo(pfad).absoluteFilePath(), geladen.Datenbank);
    Admin_DatenbankAnlegen(geladen);
    Admin_LayoutsInstallieren(geladen);
    // A fresh database starts: whoever set it up may use the dunning module.
    bool rolleNeu = false;
    const bool neu = Rechte_AngemeldetenEinrichten(geladen.Benutzer, &rolleNeu);
    if (geladen.Treiber == QLatin1String("QPSQL")) {
        err() << QStringLiteral("Datenbankrolle „%1“ %2.\n")
                     .arg(geladen.Benutzer, rolleNeu ? QStringLiteral("angelegt") : QStringLiteral("vorhanden"));
        if (!geladen.DbBenutzer.isEmpty() && geladen.DbBenutzer != geladen.Benutzer)
            err() << QStringLiteral("Hinweis: Mit dieser Einstellungsdatei meldet sich das Programm als „%1“ an. Für die "
                                    "Arbeit als „%2“ lassen Sie Datenbank/Benutzer in der Einstellungsdatei weg.\n")
                         .arg(geladen.DbBenutzer, geladen.Benutzer);
    }
    err() << QStringLiteral("Benutzer %1 %2 (Rechte 202, 203).\n")
                 .arg(geladen.Benutzer, neu ? QStringLiteral("angelegt") : QStringLiteral("vorhanden"));
    // ... on this workstation, which the program looks up in the computer table at start.
    const QString rechnerName = QSysInfo::machineHostName().isEmpty() ? QStringLiteral("Arbeitsplatz %1").arg(geladen.Rechner)
                                                                      : QSysInfo::machineHostName();
    if (Verwaltung_RechnerAnlegenFallsNeu(geladen.Rechner, rechnerName))
        err() << QStringLiteral("Rechner %1 \"%2\" eingetragen.\n").arg(geladen.Rechner).arg(rechnerName);
    if (Verwaltung_MandantenAnzahl() == 0)
        err() << QStringLiteral("Noch ist kein Mandant angelegt: mahnwesen-admin mandant add --help\n");
    return kOk;
}

int befehlCreate(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Legt die Datenbank der Einstellungsdatei an oder bringt sie auf den aktuellen Stand."));
    z.Lesen();
    Admin_DatenbankAnlegen(z.Konfiguration());
    return kOk;
}

int befehlUpgrade(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Bringt eine vorhandene Datenbank auf den Stand des Programms."));
    z.Lesen();
    const TSuiteKonfiguration k = z.Konfiguration();
    const int vorher = TSuiteDatenbank::GespeicherteVersion(k);
    TSuiteDatenbank::Oeffnen(k);
    Admin_VersionMelden(vorher, TSuiteDatenbank::SchemaVersion());
    return kOk;
}

int befehlVersion(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Zeigt die Schemaversion des Programms und der Datenbank."));
    z.Lesen();
    out() << QStringLiteral("Schemaversion des Programms: %1\n").arg(TSuiteDatenbank::SchemaVersionProgramm());
    const QString pfad = z.KonfigPfad();
    if (!QFileInfo::exists(pfad)) {
        out() << QStringLiteral("Keine Einstellungsdatei: %1\n").arg(pfad);
        return kOk;
    }
    const TSuiteKonfiguration k = TSuiteKonfiguration::Laden(pfad);
    if (!TSuiteDatenbank::Vorhanden(k)) {
        out() << QStringLiteral("Die Datenbank existiert noch nicht: %1\n").arg(k.Datenbank);
        return kOk;
    }
    out() << QStringLiteral("Schemaversion der Datenbank: %1 (%2)\n").arg(TSuiteDatenbank::GespeicherteVersion(k)).arg(k.Datenbank);
    return kOk;
}

const TAdminBefehl init("init", "Einstellungsdatei schreiben, Datenbank anlegen, Benutzer eintragen", befehlInit);
const TAdminBefehl create("create", "Datenbank anlegen oder aktualisieren", befehlCreate);
const TAdminBefehl upgrade("upgrade", "vorhandene Datenbank auf den Stand des Programms bringen", befehlUpgrade);
const TAdminBefehl version("version", "Programm- und Datenbankversion anzeigen", befehlVersion);

}  // namespace
}  // namespace admin
