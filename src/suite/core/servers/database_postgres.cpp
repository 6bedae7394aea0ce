// PostgreSQL specifics: connection parameters, and creating and dropping databases through the
// server's maintenance database.
#include "database_intern.h"
#include "rechte.h"

#include "suite/core/konfiguration.h"

namespace qel_datenbank {

void PostgresParameter(QSqlDatabase& db, const TSuiteKonfiguration& konf, const QString& datenbank)
{
    db.setDatabaseName(datenbank);
    if (!konf.Host.isEmpty())
        db.setHostName(konf.Host);
    if (konf.Port > 0)
        db.setPort(konf.Port);
    if (!konf.DbBenutzer.isEmpty())
        db.setUserName(konf.DbBenutzer);
    if (!konf.DbPasswort.isEmpty())
        db.setPassword(konf.DbPasswort);
    // A server that does not answer must not freeze the program.
    db.setConnectOptions(QStringLiteral("connect_timeout=10"));
}

namespace {

const QString kWartung = QStringLiteral("qel_suite_wartung");

QString serverText(const TSuiteKonfiguration& konf)
{
    QString t = konf.Host.isEmpty() ? QStringLiteral("(Standard)") : konf.Host;
    if (konf.Port > 0)
        t += QStringLiteral(", Port %1").arg(konf.Port);
    return t;
}

// A connection to the server's maintenance database "postgres", for creating and dropping databases.
class TWartungsVerbindung {
public:
    explicit TWartungsVerbindung(const TSuiteKonfiguration& konf)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kWartung);
        if (!db.isValid()) {
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(kWartung);
            throw EQELError(QStringLiteral("Der Datenbanktreiber QPSQL ist nicht installiert."));
        }
        PostgresParameter(db, konf, QStringLiteral("postgres"));
        if (!db.open()) {
            const QString grund = Einzelheiten(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(kWartung);
            throw EDatenbankFehler(QStringLiteral("Der PostgreSQL-Server ist nicht erreichbar:\n%1").arg(serverText(konf)),
                                   grund);
        }
    }
    ~TWartungsVerbindung()
    {
        QSqlDatabase::database(kWartung, false).close();
        QSqlDatabase::removeDatabase(kWartung);
    }
    TWartungsVerbindung(const TWartungsVerbindung&) = delete;
    TWartungsVerbindung& operator=(const TWartungsVerbindung&) = delete;

    bool DatenbankVorhanden(const QString& name) const
    {
        QSqlQuery q(QSqlDatabase::database(kWartung, false));
        q.prepare(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"));
        q.addBindValue(name);
        if (!q.exec())
            throw EDatenbankFehler(QStringLiteral("Die Datenbanken des PostgreSQL-Servers können nicht gelesen werden."),
                                   Einzelheiten(q.lastError()));
        return q.next();
    }

    // Names cannot be bound in DDL; a quoted identifier with doubled quotes takes any name safely.
    void Ausfuehren(const QString& sqlMitName, const QString& name, const QString& fehlerAnfang) const
    {
        QString bezeichner = name;
        bezeichner.replace(QLatin1Char('"'), QLatin1String("\"\""));
        QSqlQuery q(QSqlDatabase::database(kWartung, false));
        if (!q.exec(sqlMitName.arg(QLatin1Char('"') + bezeichner + QLatin1Char('"'))))
            throw EDatenbankFehler(QStringLiteral("%1\n%2").arg(fehlerAnfang, name), Einzelheiten(q.lastError(), q.lastQuery()));
    }
};

}  // namespace

// Text compares by bytes (collation C) as on SQLite, so that lists sort the same on both engines.
void PostgresDatenbankAnlegen(const TSuiteKonfiguration& konf)
{
    TWartungsVerbindung w(konf);
    if (w.DatenbankVorhanden(konf.Datenbank))
        return;
    try {
        w.Ausfuehren(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'"),
                     konf.Datenbank, QStringLiteral("Die Datenbank der Suite kann nicht angelegt werden:"));
    } catch (const EQELError&) {
        // Another workstation's administration tool may have been quicker.
        if (!w.DatenbankVorhanden(konf.Datenbank))
            throw;
    }
}

bool PostgresDatenbankVorhanden(const TSuiteKonfiguration& konf)
{
    return TWartungsVerbindung(konf).DatenbankVorhanden(konf.Datenbank);
}

}  // namespace qel_datenbank

using namespace qel_datenbank;

void TSuiteDatenbank::PostgresDatenbankLoeschen(const TSuiteKonfiguration& konf)
{
    if (konf.Treiber != QLatin1String("QPSQL"))
        throw EQELError(QStringLiteral("Nur PostgreSQL-Datenbanken werden so gelöscht."));
    if (Offen() && IstPostgres() && qel_Verbindung().databaseName() == konf.Datenbank)
        Schliessen();
    const TWartungsVerbindung w(konf);
    if (w.DatenbankVorhanden(konf.Datenbank))
        w.Ausfuehren(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)"), konf.Datenbank,
                     QStringLiteral("Die Datenbank kann nicht gelöscht werden:"));
    // Its clerks' group has nothing left to grant.
    w.Ausfuehren(QStringLiteral("DROP ROLE IF EXISTS %1"), Rechte_GruppenRolle(konf.Datenbank),
                 QStringLiteral("Die Gruppe der Sachbearbeiter kann nicht gelöscht werden:"));
}
