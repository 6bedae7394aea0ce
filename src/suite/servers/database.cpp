#include "database.h"

#include "../konfiguration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
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

namespace {

const QString kVerbindung = QStringLiteral("qel_suite");
const QString kWartung = QStringLiteral("qel_suite_wartung");
constexpr int kWartezeitMs = 3000;
constexpr int kWartezeitPostgresMs = 10000;
constexpr qint64 kMigrationsSperre = 0x51454C4D;  // advisory lock key of schema upgrades

// SQLite result codes as the driver reports them in nativeErrorCode().
bool istGesperrt(const QSqlError& e)
{
    const QString code = e.nativeErrorCode();
    return code == QLatin1String("5") || code == QLatin1String("6")
        || e.databaseText().contains(QLatin1String("locked"), Qt::CaseInsensitive);
}

bool istKeineDatenbank(const QSqlError& e)
{
    const QString code = e.nativeErrorCode();
    return code == QLatin1String("26") || code == QLatin1String("11")
        || e.databaseText().contains(QLatin1String("not a database"), Qt::CaseInsensitive)
        || e.databaseText().contains(QLatin1String("malformed"), Qt::CaseInsensitive);
}

QString gesperrtText(const QString& datenbank)
{
    return QStringLiteral("Die Datenbank der Suite ist gesperrt, weil ein anderes Programm sie gerade exklusiv "
                          "benutzt:\n%1\nBitte versuchen Sie es in einigen Augenblicken erneut.")
        .arg(datenbank);
}

QString fehlerText(const QSqlError& e)
{
    QString t = e.databaseText().trimmed();
    if (t.isEmpty())
        t = e.text().trimmed();
    return t;
}

QString gesperrtTextPostgres(const QString& datenbank)
{
    return QStringLiteral("Die Datenbank der Suite ist gesperrt, weil ein anderer Arbeitsplatz dieselben Daten gerade "
                          "bearbeitet:\n%1\nBitte versuchen Sie es in einigen Augenblicken erneut.")
        .arg(datenbank);
}

QString konfliktText(const QString& datenbank)
{
    return QStringLiteral("Die Änderung kollidierte mit der eines anderen Arbeitsplatzes und wurde nicht gespeichert:\n%1\n"
                          "Bitte versuchen Sie es erneut.")
        .arg(datenbank);
}

QString verbindungText(const QString& datenbank, const QSqlError& e)
{
    return QStringLiteral("Die Verbindung zur Datenbank der Suite ist unterbrochen:\n%1\n%2").arg(datenbank, fehlerText(e));
}

// PostgreSQL reports SQLSTATE codes through nativeErrorCode().
enum class TFehlerArt { Sonstiges, Gesperrt, Konflikt, Verbindung };

TFehlerArt fehlerArt(const QSqlError& e, bool postgres)
{
    if (!postgres)
        return istGesperrt(e) ? TFehlerArt::Gesperrt : TFehlerArt::Sonstiges;
    const QString code = e.nativeErrorCode();
    if (code == QLatin1String("55P03") || code == QLatin1String("57014"))  // lock_timeout, statement_timeout
        return TFehlerArt::Gesperrt;
    if (code == QLatin1String("40P01") || code == QLatin1String("40001"))  // deadlock, serialization failure
        return TFehlerArt::Konflikt;
    if (code.startsWith(QLatin1String("08")) || code == QLatin1String("57P01") || e.type() == QSqlError::ConnectionError
        || e.databaseText().contains(QLatin1String("server closed the connection"), Qt::CaseInsensitive)
        || e.databaseText().contains(QLatin1String("no connection to the server"), Qt::CaseInsensitive))
        return TFehlerArt::Verbindung;
    return TFehlerArt::Sonstiges;
}

// Only the outermost TTransaktion talks to the database.
int g_transaktionsTiefe = 0;
bool g_transaktionAbgebrochen = false;
// Closing the connection ends every transaction; objects of an older connection then do nothing.
int g_verbindungsNr = 0;

// Connection parameters of the last opened database, for messages.
QString g_datenbankName;

bool istEindeutigVerletzt(const QSqlError& e, bool postgres)
{
    if (postgres)
        return e.nativeErrorCode() == QLatin1String("23505");
    return e.databaseText().contains(QLatin1String("UNIQUE constraint failed"), Qt::CaseInsensitive)
        || e.databaseText().contains(QLatin1String("PRIMARY KEY must be unique"), Qt::CaseInsensitive);
}

// Raises the clerk's text for a failed statement. The open transaction is spoilt on every engine:
// PostgreSQL has aborted it, and SQLite must not commit half of the work either.
[[noreturn]] void sqlFehler(const QSqlError& e, const QString& sql)
{
    const bool postgres = TSuiteDatenbank::IstPostgres();
    if (g_transaktionsTiefe > 0) {
        g_transaktionAbgebrochen = true;
        // Back to the start, still inside the transaction: later statements (the release of prepared
        // ones included) work again, and the end rolls everything back.
        if (postgres)
            QSqlQuery(QSqlDatabase::database(kVerbindung, false)).exec(QStringLiteral("ROLLBACK TO SAVEPOINT qel_anfang"));
    }
    switch (fehlerArt(e, postgres)) {
    case TFehlerArt::Gesperrt:
        throw EDatenbankKonflikt(postgres ? gesperrtTextPostgres(g_datenbankName) : gesperrtText(g_datenbankName));
    case TFehlerArt::Konflikt:
        throw EDatenbankKonflikt(konfliktText(g_datenbankName));
    case TFehlerArt::Verbindung:
        throw EQELError(verbindungText(g_datenbankName, e));
    case TFehlerArt::Sonstiges:
        break;
    }
    if (istEindeutigVerletzt(e, postgres))
        throw EEintragVorhanden(QStringLiteral("Ein gleicher Eintrag ist bereits vorhanden: %1").arg(fehlerText(e)));
    throw EQELError(QStringLiteral("Datenbankfehler: %1\nSQL: %2").arg(fehlerText(e), sql));
}

void sqlAusfuehren(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw EQELError(QStringLiteral("Datenbankfehler: %1\nSQL: %2").arg(fehlerText(q.lastError()), sql));
}

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

// Reads the first bytes: a SQLite file starts with "SQLite format 3\0"; an empty file is an empty database.
enum class TDateiArt { Leer, SQLite, Fremd, Unlesbar };

TDateiArt dateiArt(const QString& pfad)
{
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly))
        return TDateiArt::Unlesbar;
    const QByteArray kopf = f.read(16);
    if (kopf.isEmpty())
        return TDateiArt::Leer;
    if (kopf == QByteArray("SQLite format 3\0", 16))
        return TDateiArt::SQLite;
    return TDateiArt::Fremd;
}

bool tabelleVorhanden(QSqlDatabase& db, const QString& name)
{
    return db.tables(QSql::Tables).contains(name, Qt::CaseInsensitive);
}

int wartezeitMs(const TSuiteKonfiguration& konf, bool sqlite)
{
    if (konf.WartezeitMs > 0)
        return konf.WartezeitMs;
    return sqlite ? kWartezeitMs : kWartezeitPostgresMs;
}

void postgresParameter(QSqlDatabase& db, const TSuiteKonfiguration& konf, const QString& datenbank)
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
        postgresParameter(db, konf, QStringLiteral("postgres"));
        if (!db.open()) {
            const QString grund = fehlerText(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(kWartung);
            throw EQELError(
                QStringLiteral("Der PostgreSQL-Server ist nicht erreichbar:\n%1\n%2").arg(serverText(konf), grund));
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
            throw EQELError(QStringLiteral("Die Datenbanken des PostgreSQL-Servers können nicht gelesen werden: %1")
                                .arg(fehlerText(q.lastError())));
        return q.next();
    }

    // Names cannot be bound in DDL; a quoted identifier with doubled quotes takes any name safely.
    void Ausfuehren(const QString& sqlMitName, const QString& name, const QString& fehlerAnfang) const
    {
        QString bezeichner = name;
        bezeichner.replace(QLatin1Char('"'), QLatin1String("\"\""));
        QSqlQuery q(QSqlDatabase::database(kWartung, false));
        if (!q.exec(sqlMitName.arg(QLatin1Char('"') + bezeichner + QLatin1Char('"'))))
            throw EQELError(QStringLiteral("%1\n%2\n%3").arg(fehlerAnfang, name, fehlerText(q.lastError())));
    }
};

// Text compares by bytes (collation C) as on SQLite, so that lists sort the same on both engines.
void postgresDatenbankAnlegen(const TSuiteKonfiguration& konf)
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

}  // namespace

// ---------------------------------------------------------------------------------------------------

int TSuiteDatenbank::SchemaVersionProgramm()
{
    schemaRessourcenLaden();
    int v = 0;
    while (QFile::exists(skriptPfad(v + 1)))
        ++v;
    return v;
}

bool TSuiteDatenbank::Offen()
{
    if (!QSqlDatabase::contains(kVerbindung))
        return false;
    return QSqlDatabase::database(kVerbindung, false).isOpen();
}

QSqlDatabase TSuiteDatenbank::Verbindung()
{
    if (!Offen())
        throw EQELError(QStringLiteral("Die Datenbank der Suite ist nicht geöffnet."));
    return QSqlDatabase::database(kVerbindung, false);
}

bool TSuiteDatenbank::IstPostgres()
{
    if (!QSqlDatabase::contains(kVerbindung))
        return false;
    return QSqlDatabase::database(kVerbindung, false).driverName() == QLatin1String("QPSQL");
}

void TSuiteDatenbank::Schliessen()
{
    if (!QSqlDatabase::contains(kVerbindung))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(kVerbindung, false);
        if (db.isOpen() && g_transaktionsTiefe > 0)
            db.rollback();
        db.close();
    }
    g_transaktionsTiefe = 0;
    g_transaktionAbgebrochen = false;
    ++g_verbindungsNr;
    QSqlDatabase::removeDatabase(kVerbindung);
}

int TSuiteDatenbank::SchemaVersion()
{
    QSqlDatabase db = Verbindung();
    if (!tabelleVorhanden(db, QStringLiteral("schema_version")))
        return 0;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")))
        throw EQELError(QStringLiteral("Die Schemaversion der Datenbank kann nicht gelesen werden: %1")
                            .arg(fehlerText(q.lastError())));
    return q.next() ? q.value(0).toInt() : 0;
}

bool TSuiteDatenbank::Vorhanden(const TSuiteKonfiguration& konf)
{
    if (konf.Treiber != QLatin1String("QPSQL")) {
        const QFileInfo info(konf.Datenbank);
        return info.isFile() && info.size() > 0;
    }
    return TWartungsVerbindung(konf).DatenbankVorhanden(konf.Datenbank);
}

void TSuiteDatenbank::PostgresDatenbankLoeschen(const TSuiteKonfiguration& konf)
{
    if (konf.Treiber != QLatin1String("QPSQL"))
        throw EQELError(QStringLiteral("Nur PostgreSQL-Datenbanken werden so gelöscht."));
    if (Offen() && IstPostgres() && Verbindung().databaseName() == konf.Datenbank)
        Schliessen();
    const TWartungsVerbindung w(konf);
    if (w.DatenbankVorhanden(konf.Datenbank))
        w.Ausfuehren(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)"), konf.Datenbank,
                     QStringLiteral("Die Datenbank kann nicht gelöscht werden:"));
}

int TSuiteDatenbank::GespeicherteVersion(const TSuiteKonfiguration& konf)
{
    const bool warOffen = Offen();
    if (!warOffen)
        verbinden(konf, false);
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

void TSuiteDatenbank::verbinden(const TSuiteKonfiguration& konf, bool anlegen)
{
    Schliessen();
    const bool sqlite = konf.Treiber != QLatin1String("QPSQL");
    g_datenbankName = konf.Datenbank;
    if (konf.Datenbank.isEmpty())
        throw EQELError(QStringLiteral("Es ist keine Datenbank der Suite angegeben."));

    if (sqlite) {
        const QFileInfo info(konf.Datenbank);
        // The SQLite driver creates missing files, so check before opening.
        if (!info.exists()) {
            if (!anlegen)
                throw EQELError(QStringLiteral("Die Datenbank der Suite wurde nicht gefunden:\n%1").arg(konf.Datenbank));
            if (!QDir().mkpath(info.absolutePath()))
                throw EQELError(
                    QStringLiteral("Der Ordner der Datenbank kann nicht angelegt werden:\n%1").arg(info.absolutePath()));
        } else {
            if (info.isDir())
                throw EQELError(
                    QStringLiteral("Der Pfad der Datenbank ist ein Ordner, keine Datei:\n%1").arg(konf.Datenbank));
            switch (dateiArt(konf.Datenbank)) {
            case TDateiArt::Unlesbar:
                throw EQELError(QStringLiteral("Die Datenbank der Suite kann nicht gelesen werden:\n%1").arg(konf.Datenbank));
            case TDateiArt::Fremd:
                throw EQELError(
                    QStringLiteral("Die Datei ist keine Datenbank der Suite (keine SQLite-Datenbank):\n%1").arg(konf.Datenbank));
            case TDateiArt::Leer:
                if (!anlegen)
                    throw EQELError(QStringLiteral("Die Datei ist keine Datenbank der Suite (sie ist leer):\n%1")
                                        .arg(konf.Datenbank));
                break;
            case TDateiArt::SQLite:
                break;
            }
        }
    } else if (anlegen) {
        postgresDatenbankAnlegen(konf);
    }

    QSqlDatabase db = QSqlDatabase::addDatabase(konf.Treiber, kVerbindung);
    if (!db.isValid()) {
        QSqlDatabase::removeDatabase(kVerbindung);
        throw EQELError(QStringLiteral("Der Datenbanktreiber %1 ist nicht installiert.").arg(konf.Treiber));
    }
    const int wartezeit = wartezeitMs(konf, sqlite);
    if (sqlite) {
        db.setDatabaseName(konf.Datenbank);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(wartezeit));
    } else {
        postgresParameter(db, konf, konf.Datenbank);
    }
    if (!db.open()) {
        const QString grund = fehlerText(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(kVerbindung);
        throw EQELError(QStringLiteral("Die Datenbank der Suite kann nicht geöffnet werden:\n%1\n%2")
                            .arg(konf.Datenbank, grund));
    }

    try {
        if (!sqlite) {
            // A lock held too long by another workstation ends the statement with a clear message.
            sqlAusfuehren(db, QStringLiteral("SET lock_timeout = %1").arg(wartezeit));
        } else {
            sqlAusfuehren(db, QStringLiteral("PRAGMA busy_timeout = %1").arg(wartezeit));
            // Lists of 100,000 rows read their pages more than once; the 2 MB default cache is too small.
            sqlAusfuehren(db, QStringLiteral("PRAGMA cache_size = -32768"));
            // The first real read tells a corrupt or foreign file and a lock apart.
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"))) {
                const QSqlError e = q.lastError();
                if (istGesperrt(e))
                    throw EQELError(gesperrtText(konf.Datenbank));
                if (istKeineDatenbank(e))
                    throw EQELError(QStringLiteral("Die Datei ist keine Datenbank der Suite oder sie ist beschädigt:\n%1")
                                        .arg(konf.Datenbank));
                throw EQELError(QStringLiteral("Die Datenbank der Suite kann nicht gelesen werden:\n%1\n%2")
                                    .arg(konf.Datenbank, fehlerText(e)));
            }
        }
    } catch (...) {
        db = QSqlDatabase();  // the handle must go before the connection is removed
        Schliessen();
        throw;
    }
}

// Takes the write lock once and gives it back: tells a database another program holds exclusively, or
// one that cannot be written, before the clerk starts working.
static void schreibzugriffPruefen(QSqlDatabase& db, const QString& name)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        const QSqlError e = q.lastError();
        if (istGesperrt(e))
            throw EQELError(gesperrtText(name));
        throw EQELError(QStringLiteral("In die Datenbank der Suite kann nicht geschrieben werden:\n%1\n%2")
                            .arg(name, fehlerText(e)));
    }
    QSqlQuery r(db);
    r.exec(QStringLiteral("ROLLBACK"));
}

// WAL lets workstations read while one books. Only for files already accepted as suite databases.
static void walEinschalten(QSqlDatabase& db)
{
    {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("PRAGMA journal_mode")) && q.next()
            && q.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0)
            return;
    }  // the statement must be finished, or the mode cannot change
    // A failure only means the rollback journal stays in use.
    QSqlQuery w(db);
    w.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
}

void TSuiteDatenbank::Oeffnen(const TSuiteKonfiguration& konf)
{
    verbinden(konf, false);
    try {
        QSqlDatabase db = QSqlDatabase::database(kVerbindung, false);
        const bool sqlite = !IstPostgres();
        if (!tabelleVorhanden(db, QStringLiteral("schema_version")))
            throw EQELError(
                QStringLiteral("Die Datenbank ist keine Datenbank der Suite (ihr fehlt die Versionstabelle):\n%1")
                    .arg(konf.Datenbank));
        const int version = SchemaVersion();
        const int programm = SchemaVersionProgramm();
        if (version > programm)
            throw EQELError(QStringLiteral("Die Datenbank hat die Schemaversion %1, dieses Programm kennt nur bis "
                                           "Version %2. Bitte installieren Sie eine neuere Programmversion.\n%3")
                                .arg(version)
                                .arg(programm)
                                .arg(konf.Datenbank));
        if (sqlite)
            schreibzugriffPruefen(db, konf.Datenbank);
        if (version < programm)
            migrieren(version);
        if (sqlite)
            walEinschalten(db);
    } catch (...) {
        Schliessen();
        throw;
    }
}

void TSuiteDatenbank::AnlegenOderAktualisieren(const TSuiteKonfiguration& konf)
{
    verbinden(konf, true);
    try {
        QSqlDatabase db = QSqlDatabase::database(kVerbindung, false);
        const bool sqlite = !IstPostgres();
        if (!tabelleVorhanden(db, QStringLiteral("schema_version")) && !db.tables(QSql::Tables).isEmpty())
            throw EQELError(QStringLiteral("Die Datenbank enthält bereits Tabellen, ist aber keine Datenbank der "
                                           "Suite. Sie wird nicht verändert:\n%1")
                                .arg(konf.Datenbank));
        const int version = SchemaVersion();
        const int programm = SchemaVersionProgramm();
        if (version > programm)
            throw EQELError(QStringLiteral("Die Datenbank hat die Schemaversion %1, dieses Programm kennt nur bis "
                                           "Version %2. Bitte installieren Sie eine neuere Programmversion.\n%3")
                                .arg(version)
                                .arg(programm)
                                .arg(konf.Datenbank));
        if (version < programm || !tabelleVorhanden(db, QStringLiteral("schema_version")))
            migrieren(version);
        if (sqlite)
            walEinschalten(db);
    } catch (...) {
        Schliessen();
        throw;
    }
}

void TSuiteDatenbank::migrieren(int vonVersion)
{
    schemaRessourcenLaden();
    QSqlDatabase db = Verbindung();
    const bool postgres = IstPostgres();
    const int bis = SchemaVersionProgramm();

    // All steps in one transaction: a failing step leaves the database at its old version.
    TTransaktion t;
    if (postgres) {
        // Two workstations starting a newer program at once: the second waits and finds the work done.
        TSqlAbfrage(QStringLiteral("SELECT pg_advisory_xact_lock(?)")).Bind(kMigrationsSperre).Exec();
        vonVersion = SchemaVersion();
        if (vonVersion >= bis) {
            t.Commit();
            return;
        }
    }
    if (!tabelleVorhanden(db, QStringLiteral("schema_version"))) {
        // DDL is not preparable on PostgreSQL.
        sqlAusfuehren(db, QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)"));
        TSqlAbfrage(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)")).Bind(0).Exec();
    }
    for (int v = vonVersion + 1; v <= bis; ++v) {
        QFile f(skriptPfad(v));
        if (!f.open(QIODevice::ReadOnly))
            throw EQELError(QStringLiteral("Das Datenbankskript für Version %1 fehlt im Programm.").arg(v));
        const QString text = QString::fromUtf8(f.readAll());
        for (const QString& anweisung : skriptAnweisungen(text, postgres)) {
            QSqlQuery q(db);
            if (!q.exec(anweisung))
                throw EQELError(QStringLiteral("Die Datenbank kann nicht auf Version %1 aktualisiert werden: %2\nSQL: %3")
                                    .arg(v)
                                    .arg(fehlerText(q.lastError()), anweisung));
        }
        TSqlAbfrage(QStringLiteral("UPDATE schema_version SET version = ?")).Bind(v).Exec();
    }
    t.Commit();
}

// ---------------------------------------------------------------------------------------------------

TSqlAbfrage::TSqlAbfrage(const QString& sql) : m_q(TSuiteDatenbank::Verbindung()), m_sql(sql)
{
    m_q.setForwardOnly(true);
    if (!m_q.prepare(sql))
        sqlFehler(m_q.lastError(), sql);
}

// A null QString would bind as SQL NULL; every text column of the suite is NOT NULL with '' as "none".
static QVariant bindWert(const QVariant& v)
{
    if (v.typeId() == QMetaType::QString && v.toString().isNull())
        return QVariant(QStringLiteral(""));
    return v;
}

TSqlAbfrage& TSqlAbfrage::Bind(const QVariant& v)
{
    m_q.addBindValue(bindWert(v));
    return *this;
}

TSqlAbfrage& TSqlAbfrage::Bind(std::initializer_list<QVariant> values)
{
    for (const QVariant& v : values)
        m_q.addBindValue(bindWert(v));
    return *this;
}

TSqlAbfrage& TSqlAbfrage::Exec()
{
    if (!m_q.exec())
        sqlFehler(m_q.lastError(), m_sql);
    return *this;
}

// ---------------------------------------------------------------------------------------------------

TTransaktion::TTransaktion()
{
    QSqlDatabase db = TSuiteDatenbank::Verbindung();
    if (g_transaktionsTiefe == 0) {
        g_transaktionAbgebrochen = false;
        if (TSuiteDatenbank::IstPostgres()) {
            if (!db.transaction()) {
                const QSqlError e = db.lastError();
                if (fehlerArt(e, true) == TFehlerArt::Verbindung)
                    throw EQELError(verbindungText(g_datenbankName, e));
                throw EQELError(QStringLiteral("Die Transaktion kann nicht begonnen werden: %1").arg(fehlerText(e)));
            }
            QSqlQuery anfang(db);
            if (!anfang.exec(QStringLiteral("SAVEPOINT qel_anfang"))) {
                const QString grund = fehlerText(anfang.lastError());
                db.rollback();
                throw EQELError(QStringLiteral("Die Transaktion kann nicht begonnen werden: %1").arg(grund));
            }
        } else {
            // IMMEDIATE takes the write lock at once: two workstations cannot both read a counter and
            // then fail to upgrade their locks.
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
                if (istGesperrt(q.lastError()))
                    throw EDatenbankKonflikt(gesperrtText(g_datenbankName));
                throw EQELError(QStringLiteral("Die Transaktion kann nicht begonnen werden: %1")
                                    .arg(fehlerText(q.lastError())));
            }
        }
    }
    ++g_transaktionsTiefe;
    m_offen = true;
    m_verbindung = g_verbindungsNr;
}

TTransaktion::~TTransaktion()
{
    if (!m_offen || m_verbindung != g_verbindungsNr)
        return;
    --g_transaktionsTiefe;
    if (g_transaktionsTiefe > 0) {
        // An inner part failed: the whole transaction must not be committed.
        g_transaktionAbgebrochen = true;
        return;
    }
    g_transaktionAbgebrochen = false;
    if (!TSuiteDatenbank::Offen())
        return;
    QSqlDatabase db = QSqlDatabase::database(kVerbindung, false);
    if (TSuiteDatenbank::IstPostgres()) {
        db.rollback();
    } else {
        QSqlQuery q(db);
        q.exec(QStringLiteral("ROLLBACK"));
    }
}

void TTransaktion::Commit()
{
    if (!m_offen)
        throw EQELError(QStringLiteral("Die Transaktion ist bereits abgeschlossen."));
    if (m_verbindung != g_verbindungsNr)
        throw EQELError(QStringLiteral("Die Verbindung zur Datenbank wurde während der Transaktion geschlossen."));
    if (g_transaktionsTiefe > 1) {
        m_offen = false;
        --g_transaktionsTiefe;
        return;
    }
    if (g_transaktionAbgebrochen)
        throw EQELError(QStringLiteral("Die Transaktion wurde abgebrochen, weil ein Teilschritt fehlschlug."));
    QSqlDatabase db = TSuiteDatenbank::Verbindung();
    bool ok = false;
    QString grund;
    if (TSuiteDatenbank::IstPostgres()) {
        ok = db.commit();
        grund = fehlerText(db.lastError());
    } else {
        QSqlQuery q(db);
        ok = q.exec(QStringLiteral("COMMIT"));
        grund = fehlerText(q.lastError());
    }
    if (!ok) {
        // A failed COMMIT has ended the transaction on PostgreSQL; SQLite keeps it open for the rollback.
        if (TSuiteDatenbank::IstPostgres()) {
            m_offen = false;
            --g_transaktionsTiefe;
            g_transaktionAbgebrochen = false;
        }
        throw EQELError(QStringLiteral("Die Änderungen konnten nicht gespeichert werden: %1").arg(grund));
    }
    m_offen = false;
    --g_transaktionsTiefe;
}

// ---------------------------------------------------------------------------------------------------

TIntPair qel_NeuerSchluessel(const QString& bereich, int rechnerNr) { return qel_NeueSchluessel(bereich, rechnerNr, 1); }

TIntPair qel_NeueSchluessel(const QString& bereich, int rechnerNr, int anzahl)
{
    if (anzahl < 1)
        throw EQELError(QStringLiteral("Es muss mindestens ein Schlüssel angefordert werden."));
    TTransaktion t;
    // The row first exists (a concurrent first use waits for the other insert instead of failing),
    // then the increment's row lock makes read-increment-write atomic.
    TSqlAbfrage(QStringLiteral("INSERT INTO schluessel (bereich, rechner_nr, letzte_nr) VALUES (?, ?, 0) "
                               "ON CONFLICT DO NOTHING"))
        .Bind({bereich, rechnerNr})
        .Exec();
    TSqlAbfrage(QStringLiteral("UPDATE schluessel SET letzte_nr = letzte_nr + ? WHERE bereich = ? AND rechner_nr = ?"))
        .Bind({anzahl, bereich, rechnerNr})
        .Exec();
    TSqlAbfrage sel(QStringLiteral("SELECT letzte_nr FROM schluessel WHERE bereich = ? AND rechner_nr = ?"));
    sel.Bind({bereich, rechnerNr}).Exec();
    if (!sel.Next())
        throw EQELError(QStringLiteral("Der Schlüsselzähler '%1' ist verschwunden.").arg(bereich));
    const int letzte = sel.Int(0);
    t.Commit();
    return TIntPair{rechnerNr, letzte - anzahl + 1};
}

QString qel_TextNorm(const QString& text) { return text.simplified().toLower(); }

namespace {
int g_rechnerNr = 1;
QString g_benutzer;
}

void TSuiteDatenbank::SetBenutzer(const QString& benutzer) { g_benutzer = benutzer; }

QString TSuiteDatenbank::Benutzer() { return g_benutzer; }

void TSuiteDatenbank::SetRechnerNr(int rechnerNr) { g_rechnerNr = rechnerNr; }

int TSuiteDatenbank::RechnerNr() { return g_rechnerNr; }
