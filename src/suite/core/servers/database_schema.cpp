// The schema: numbered migration scripts from the program's resources, the version table, and the
// checks that a database is a suite database of a version this program knows.
#include "database_intern.h"
#include "rechte.h"

#include "suite/core/konfiguration.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <QStringList>

// Outside any namespace: the macro declares a global function.
static void schemaRessourcenLaden()
{
    static const bool geladen = [] {
        Q_INIT_RESOURCE(schema);
        return true;
    }();
    Q_UNUSED(geladen);
}

using namespace qel_datenbank;

namespace {

constexpr qint64 kMigrationsSperre = 0x51454C4D;  // advisory lock key of schema upgrades
const QString kVersionsTabelle = QStringLiteral("schema_version");

// Statements of a migration script: split at ';' at line ends; '--' lines are comments.
QStringList skriptAnweisungen(const QString& text, bool postgres)
{
    QString quelle = text;
    quelle.replace(QStringLiteral("{BLOB}"), postgres ? QStringLiteral("BYTEA") : QStringLiteral("BLOB"));
    QStringList anweisungen;
    QString aktuell;
    const QStringList zeilen = quelle.split(QLatin1Char('\n'));
    for (const QString& roh : zeilen) {
        const QString zeile = roh.trimmed();
        if (zeile.isEmpty() || zeile.startsWith(QLatin1String("--")))
            continue;
        aktuell += roh;
        aktuell += QLatin1Char('\n');
        if (zeile.endsWith(QLatin1Char(';'))) {
            QString a = aktuell.trimmed();
            a.chop(1);
            if (!a.trimmed().isEmpty())
                anweisungen << a;
            aktuell.clear();
        }
    }
    if (!aktuell.trimmed().isEmpty())
        anweisungen << aktuell.trimmed();
    return anweisungen;
}

QString skriptPfad(int version) { return QStringLiteral(":/schema/%1.sql").arg(version, 3, 10, QLatin1Char('0')); }

// Connects, refuses what is not a suite database of a known version, and upgrades an older one.
// anlegen: a missing or empty database is created (administration tool, tests); otherwise it must
// exist and be writable.
void oeffnenUndPruefen(const TSuiteKonfiguration& konf, bool anlegen)
{
    Verbinden(konf, anlegen);
    try {
        QSqlDatabase db = QSqlDatabase::database(kVerbindung, false);
        const bool sqlite = !TSuiteDatenbank::IstPostgres();
        const bool versioniert = TabelleVorhanden(db, kVersionsTabelle);
        if (!versioniert && !anlegen)
            throw EQELError(
                QStringLiteral("Die Datenbank ist keine Datenbank der Suite (ihr fehlt die Versionstabelle):\n%1")
                    .arg(konf.Datenbank));
        if (!versioniert && !db.tables(QSql::Tables).isEmpty())
            throw EQELError(QStringLiteral("Die Datenbank enthält bereits Tabellen, ist aber keine Datenbank der "
                                           "Suite. Sie wird nicht verändert:\n%1")
                                .arg(konf.Datenbank));
        const int version = TSuiteDatenbank::SchemaVersion();
        const int programm = TSuiteDatenbank::SchemaVersionProgramm();
        if (version > programm)
            throw EQELError(QStringLiteral("Die Datenbank hat die Schemaversion %1, dieses Programm kennt nur bis "
                                           "Version %2. Bitte installieren Sie eine neuere Programmversion.\n%3")
                                .arg(version)
                                .arg(programm)
                                .arg(konf.Datenbank));
        if (sqlite && !anlegen)
            SqliteSchreibzugriffPruefen(db, konf.Datenbank);
        if (version < programm || !versioniert)
            Migrieren(version);
        // Tables of the new version get the clerks' grants too.
        if (!sqlite && anlegen)
            Rechte_Erneuern();
        if (sqlite)
            SqliteWalEinschalten(db);
    } catch (...) {
        TSuiteDatenbank::Schliessen();
        throw;
    }
}

}  // namespace

int TSuiteDatenbank::SchemaVersionProgramm()
{
    schemaRessourcenLaden();
    // Numbers are reserved per change and may land out of order: the highest script counts, and
    // migrations skip numbers that have no script (yet).
    int v = 0;
    for (const QString& name : QDir(QStringLiteral(":/schema")).entryList({QStringLiteral("*.sql")}))
        v = std::max(v, name.section(QLatin1Char('.'), 0, 0).toInt());
    return v;
}

int TSuiteDatenbank::SchemaVersion()
{
    QSqlDatabase db = qel_Verbindung();
    if (!TabelleVorhanden(db, kVersionsTabelle))
        return 0;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT COUNT(*), MIN(version), MAX(version) FROM schema_version")) || !q.next()) {
        const bool postgres = TSuiteDatenbank::IstPostgres();
        if (FehlerArt(q.lastError(), postgres) == TFehlerArt::Gesperrt)
            throw EDatenbankFehler(postgres ? GesperrtTextPostgres(DatenbankName()) : GesperrtText(DatenbankName()),
                                   Einzelheiten(q.lastError()));
        throw EDatenbankFehler(QStringLiteral("Die Schemaversion der Datenbank kann nicht gelesen werden:\n%1")
                                   .arg(DatenbankName()),
                               Einzelheiten(q.lastError()));
    }
    // Exactly one row (0 before the first migration): anything else would run the migrations a second time.
    bool ganz = false;
    const int version = q.value(2).toInt(&ganz);
    if (q.value(0).toInt() != 1 || !ganz || version < 0 || q.value(1).toInt() != version)
        throw EQELError(QStringLiteral("Die Versionstabelle der Datenbank ist leer oder beschädigt (%1 Einträge). "
                                       "Die Datenbank wird nicht verändert; bitte wenden Sie sich an Ihren "
                                       "Administrator:\n%2")
                            .arg(q.value(0).toInt())
                            .arg(DatenbankName()));
    return version;
}

int TSuiteDatenbank::GespeicherteVersion(const TSuiteKonfiguration& konf)
{
    const bool warOffen = Offen();
    if (!warOffen)
        Verbinden(konf, false);
    int v = 0;
    try {
        v = SchemaVersion();
    } catch (...) {
        if (!warOffen)
            Schliessen();
        throw;
    }
    if (!warOffen)
        Schliessen();
    return v;
}

void TSuiteDatenbank::Oeffnen(const TSuiteKonfiguration& konf) { oeffnenUndPruefen(konf, false); }

void TSuiteDatenbank::AnlegenOderAktualisieren(const TSuiteKonfiguration& konf) { oeffnenUndPruefen(konf, true); }

void qel_datenbank::Migrieren(int vonVersion)
{
    schemaRessourcenLaden();
    QSqlDatabase db = qel_Verbindung();
    const bool postgres = TSuiteDatenbank::IstPostgres();
    const int bis = TSuiteDatenbank::SchemaVersionProgramm();

    // All steps in one transaction: a failing step leaves the database at its old version.
    TTransaktion t;
    if (postgres) {
        // Two workstations starting a newer program at once: the second waits and finds the work done.
        TSqlAbfrage(QStringLiteral("SELECT pg_advisory_xact_lock(?)")).Bind(kMigrationsSperre).Exec();
        vonVersion = TSuiteDatenbank::SchemaVersion();
        if (vonVersion >= bis) {
            t.Commit();
            return;
        }
    }
    if (!TabelleVorhanden(db, kVersionsTabelle)) {
        // DDL is not preparable on PostgreSQL.
        SqlAusfuehren(db, QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"));
        TSqlAbfrage(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)")).Bind(0).Exec();
    }
    for (int v = vonVersion + 1; v <= bis; ++v) {
        QFile f(skriptPfad(v));
        if (!f.exists())
            continue;
        if (!f.open(QIODevice::ReadOnly))
            throw EQELError(QStringLiteral("Das Datenbankskript für Version %1 fehlt im Programm.").arg(v));
        const QString text = QString::fromUtf8(f.readAll());
        for (const QString& anweisung : skriptAnweisungen(text, postgres)) {
            QSqlQuery q(db);
            if (!q.exec(anweisung))
                throw EDatenbankFehler(QStringLiteral("Die Datenbank kann nicht auf Version %1 aktualisiert werden; sie "
                                                      "bleibt unverändert. Die Einzelheiten stehen im Fehlerprotokoll.")
                                           .arg(v),
                                       Einzelheiten(q.lastError(), anweisung));
        }
        TSqlAbfrage(QStringLiteral("UPDATE schema_version SET version = ?")).Bind(v).Exec();
    }
    t.Commit();
}
