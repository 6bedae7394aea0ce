// Backup and restore: SQLite through VACUUM INTO and the online backup into an exclusively locked
// database; PostgreSQL through pg_dump and pg_restore.
#include "sicherung.h"

#include "database_intern.h"
#include "suite/core/konfiguration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDriver>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cstdio>
#include <sqlite3.h>
#include <unistd.h>

using namespace qel_datenbank;

namespace {

const QString kUnveraendert = QStringLiteral("Die Datenbank ist unverändert.");

// A connection of its own beside the suite connection, removed again on every path.
class TEigeneVerbindung {
public:
    TEigeneVerbindung(const QString& name, const QString& treiber) : m_name(name)
    {
        QSqlDatabase::addDatabase(treiber, name);
    }
    ~TEigeneVerbindung()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    TEigeneVerbindung(const TEigeneVerbindung&) = delete;
    TEigeneVerbindung& operator=(const TEigeneVerbindung&) = delete;
    QSqlDatabase Db() const { return QSqlDatabase::database(m_name, false); }
    sqlite3* Sqlite() const
    {
        const QVariant h = Db().driver()->handle();
        if (!h.isValid() || qstrcmp(h.typeName(), "sqlite3*") != 0)
            return nullptr;
        return *static_cast<sqlite3* const*>(h.constData());
    }

private:
    QString m_name;
};

bool istSqliteDatei(const QString& pfad)
{
    QFile f(pfad);
    return f.open(QIODevice::ReadOnly) && f.read(16) == QByteArray("SQLite format 3\0", 16);
}

// The schema version of a SQLite backup after its integrity check; raises EQELError when the file is
// damaged, foreign or not a suite database.
int sqliteKopiePruefen(const QString& pfad)
{
    const QString keineSicherung = QStringLiteral("Die Datei ist keine Sicherung einer Datenbank der Suite:\n%1").arg(pfad);
    if (!istSqliteDatei(pfad))
        throw EQELError(keineSicherung);
    TEigeneVerbindung v(QStringLiteral("qel_sicherung_pruefung"), QStringLiteral("QSQLITE"));
    QSqlDatabase db = v.Db();
    db.setDatabaseName(pfad);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open())
        throw EDatenbankFehler(QStringLiteral("Die Sicherung kann nicht geöffnet werden:\n%1").arg(pfad), Einzelheiten(db.lastError()));
    {
        QSqlQuery q(db);
        QStringList befund;
        if (q.exec(QStringLiteral("PRAGMA integrity_check")))
            while (q.next())
                befund << q.value(0).toString();
        else
            befund << FehlerText(q.lastError());
        if (befund != QStringList{QStringLiteral("ok")})
            throw EQELError(QStringLiteral("Die Sicherung ist beschädigt oder unvollständig:\n%1\n%2")
                                .arg(pfad, befund.mid(0, 3).join(QLatin1Char('\n'))));
    }
    if (!TabelleVorhanden(db, QStringLiteral("schema_version")))
        throw EQELError(keineSicherung);
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MAX(version) FROM schema_version")) || !q.next() || q.value(0).toInt() < 1)
        throw EQELError(keineSicherung);
    return q.value(0).toInt();
}

void versionPruefen(int version, const QString& pfad)
{
    const int programm = TSuiteDatenbank::SchemaVersionProgramm();
    if (version > programm)
        throw EQELError(QStringLiteral("Die Sicherung %1 stammt von einer neueren Programmversion (Schemaversion %2, "
                                       "dieses Programm kennt bis %3). Bitte zuerst das Programm aktualisieren. %4")
                            .arg(pfad)
                            .arg(version)
                            .arg(programm)
                            .arg(kUnveraendert));
}

QString gesperrtText(const QString& datenbank)
{
    return QStringLiteral("Die Datenbank wird gerade benutzt:\n%1\nBitte das Mahnwesen und die übrigen Programme der Suite "
                          "an allen Arbeitsplätzen beenden und die Wiederherstellung wiederholen. %2")
        .arg(datenbank, kUnveraendert);
}

// The backup file is written beside its target under a temporary name and renamed when complete.
struct TZwischendatei {
    QTemporaryFile datei;

    explicit TZwischendatei(const QString& ziel)
        : datei(QFileInfo(ziel).absolutePath() + QStringLiteral("/.") + QFileInfo(ziel).fileName() + QStringLiteral(".XXXXXX"))
    {
        const QFileInfo info(ziel);
        if (info.isDir())
            throw EQELError(QStringLiteral("Das Ziel der Sicherung ist ein Ordner: %1").arg(ziel));
        if (!QFileInfo(info.absolutePath()).isDir())
            throw EQELError(QStringLiteral("Der Ordner für die Sicherung existiert nicht: %1").arg(info.absolutePath()));
        if (!datei.open())
            throw EQELError(QStringLiteral("In den Ordner %1 kann nicht geschrieben werden (schreibgeschützt oder voll?).")
                                .arg(info.absolutePath()));
        datei.close();
    }
    QString Name() const { return datei.fileName(); }
    // Puts the complete file in place of the target, on disk before the rename.
    void Ablegen(const QString& ziel)
    {
        QFile f(Name());
        if (!f.open(QIODevice::ReadOnly) || ::fsync(f.handle()) != 0)
            throw EQELError(QStringLiteral("Die Sicherung kann nicht vollständig geschrieben werden (Datenträger voll?): %1").arg(ziel));
        f.close();
        if (std::rename(QFile::encodeName(Name()).constData(), QFile::encodeName(ziel).constData()) != 0)
            throw EQELError(QStringLiteral("Die Sicherung kann nicht unter %1 abgelegt werden.").arg(ziel));
        datei.setAutoRemove(false);
    }
};

bool gleicheDatei(const QString& a, const QString& b)
{
    const QString ka = QFileInfo(a).canonicalFilePath();
    return !ka.isEmpty() && ka == QFileInfo(b).canonicalFilePath();
}

TSicherungInfo sqliteSichern(const TSuiteKonfiguration& k, const QString& ziel)
{
    if (!TSuiteDatenbank::Vorhanden(k) || !istSqliteDatei(k.Datenbank))
        throw EQELError(QStringLiteral("Die Datenbank der Suite wurde nicht gefunden:\n%1").arg(k.Datenbank));
    if (gleicheDatei(ziel, k.Datenbank))
        throw EQELError(QStringLiteral("Die Sicherung kann nicht die Datenbank selbst überschreiben: %1").arg(ziel));
    TZwischendatei zwischen(ziel);
    {
        TEigeneVerbindung v(QStringLiteral("qel_sicherung"), QStringLiteral("QSQLITE"));
        QSqlDatabase db = v.Db();
        db.setDatabaseName(k.Datenbank);
        // Workstations keep booking meanwhile; the copy is one read transaction and sees each booking
        // either whole or not at all.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(k.WartezeitMs > 0 ? k.WartezeitMs : 10000));
        if (!db.open())
            throw EDatenbankFehler(QStringLiteral("Die Datenbank der Suite kann nicht geöffnet werden:\n%1")
                                .arg(k.Datenbank), Einzelheiten(db.lastError()));
        QSqlQuery q(db);
        q.prepare(QStringLiteral("VACUUM INTO ?"));
        q.addBindValue(zwischen.Name());
        if (!q.exec()) {
            if (IstGesperrt(q.lastError()))
                throw EQELError(GesperrtText(k.Datenbank));
            throw EDatenbankFehler(QStringLiteral("Die Sicherung kann nicht geschrieben werden (Datenträger voll oder "
                                                  "schreibgeschützt?):\n%1")
                                       .arg(ziel),
                                   Einzelheiten(q.lastError()));
        }
    }
    TSicherungInfo info;
    info.SchemaVersion = sqliteKopiePruefen(zwischen.Name());
    zwischen.Ablegen(ziel);
    info.Datei = QFileInfo(ziel).absoluteFilePath();
    info.Bytes = QFileInfo(ziel).size();
    return info;
}

// Copies the checked backup into the database through SQLite's online backup while this connection
// holds the database exclusively: in one write transaction, so a failure leaves it as it was.
void sqliteEinspielen(const TSuiteKonfiguration& k, const QString& quelle)
{
    TEigeneVerbindung ziel(QStringLiteral("qel_wiederherstellung"), QStringLiteral("QSQLITE"));
    QSqlDatabase zdb = ziel.Db();
    zdb.setDatabaseName(k.Datenbank);
    zdb.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
    if (!zdb.open())
        throw EDatenbankFehler(QStringLiteral("Die Datenbank der Suite kann nicht geöffnet werden:\n%1")
                            .arg(k.Datenbank), Einzelheiten(zdb.lastError()));
    {
        // Every open connection of a workstation holds a shared lock on a database in WAL mode, so the
        // exclusive lock is only granted when no program of the suite has it open.
        QSqlQuery q(zdb);
        for (const char* sql : {"PRAGMA locking_mode = EXCLUSIVE", "BEGIN EXCLUSIVE", "SELECT COUNT(*) FROM sqlite_master", "COMMIT"}) {
            if (!q.exec(QString::fromLatin1(sql))) {
                if (IstGesperrt(q.lastError()))
                    throw EQELError(gesperrtText(k.Datenbank));
                if (IstKeineDatenbank(q.lastError()))
                    break;  // a damaged database may be replaced; the backup itself is checked
                throw EDatenbankFehler(QStringLiteral("Die Datenbank der Suite kann nicht gesperrt werden:\n%1")
                                    .arg(k.Datenbank), Einzelheiten(q.lastError()));
            }
        }
    }
    TEigeneVerbindung kopie(QStringLiteral("qel_wiederherstellung_quelle"), QStringLiteral("QSQLITE"));
    QSqlDatabase kdb = kopie.Db();
    kdb.setDatabaseName(quelle);
    kdb.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!kdb.open() || !ziel.Sqlite() || !kopie.Sqlite())
        throw EQELError(QStringLiteral("Die Sicherung kann nicht geöffnet werden: %1").arg(quelle));
    sqlite3_backup* b = sqlite3_backup_init(ziel.Sqlite(), "main", kopie.Sqlite(), "main");
    if (!b)
        throw EQELError(QStringLiteral("Die Wiederherstellung kann nicht beginnen: %1 %2")
                            .arg(QString::fromUtf8(sqlite3_errmsg(ziel.Sqlite())), kUnveraendert));
    const int schritt = sqlite3_backup_step(b, -1);
    const int ende = sqlite3_backup_finish(b);
    if (schritt != SQLITE_DONE || ende != SQLITE_OK) {
        const int code = schritt != SQLITE_DONE ? schritt : ende;
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            throw EQELError(gesperrtText(k.Datenbank));
        throw EQELError(QStringLiteral("Die Wiederherstellung ist fehlgeschlagen (%1). %2")
                            .arg(QString::fromUtf8(sqlite3_errstr(code)), kUnveraendert));
    }
}

TSicherungInfo sqliteWiederherstellen(const TSuiteKonfiguration& k, const QString& quelle)
{
    if (!QFileInfo(quelle).isFile())
        throw EQELError(QStringLiteral("Die Sicherung wurde nicht gefunden: %1").arg(quelle));
    if (gleicheDatei(quelle, k.Datenbank))
        throw EQELError(QStringLiteral("Die Sicherung ist die Datenbank selbst: %1").arg(quelle));
    TSicherungInfo info;
    info.Datei = QFileInfo(quelle).absoluteFilePath();
    info.Bytes = QFileInfo(quelle).size();
    info.SchemaVersion = sqliteKopiePruefen(quelle);
    versionPruefen(info.SchemaVersion, quelle);
    if (QFileInfo::exists(k.Datenbank)) {
        sqliteEinspielen(k, quelle);
        return info;
    }
    // No database yet: nobody can be using it, a checked copy of the file becomes it.
    if (!QDir().mkpath(QFileInfo(k.Datenbank).absolutePath()))
        throw EQELError(QStringLiteral("Der Ordner der Datenbank kann nicht angelegt werden: %1").arg(k.Datenbank));
    TZwischendatei zwischen(k.Datenbank);
    QFile::remove(zwischen.Name());
    if (!QFile::copy(quelle, zwischen.Name()))
        throw EQELError(QStringLiteral("Die Sicherung kann nicht nach %1 kopiert werden.").arg(k.Datenbank));
    zwischen.Ablegen(k.Datenbank);
    return info;
}

// ---- PostgreSQL: the server's own tools with the configured connection ----------------------------

QString pgWerkzeug(const QString& name)
{
    const QString pfad = QStandardPaths::findExecutable(name);
    if (pfad.isEmpty())
        throw EQELError(QStringLiteral("%1 wurde nicht gefunden; bitte das Paket postgresql-client installieren.").arg(name));
    return pfad;
}

QStringList pgVerbindung(const TSuiteKonfiguration& k)
{
    QStringList a;
    if (!k.Host.isEmpty())
        a << QStringLiteral("--host") << k.Host;
    if (k.Port > 0)
        a << QStringLiteral("--port") << QString::number(k.Port);
    if (!k.DbBenutzer.isEmpty())
        a << QStringLiteral("--username") << k.DbBenutzer;
    return a << QStringLiteral("--no-password");
}

// Runs a PostgreSQL tool; the password travels in its environment, never on its command line.
QByteArray pgAusfuehren(const TSuiteKonfiguration& k, const QString& werkzeug, const QStringList& argumente, const QString& was)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!k.DbPasswort.isEmpty())
        env.insert(QStringLiteral("PGPASSWORD"), k.DbPasswort);
    p.setProcessEnvironment(env);
    p.start(pgWerkzeug(werkzeug), argumente);
    if (!p.waitForStarted(30000))
        throw EQELError(QStringLiteral("%1 kann nicht gestartet werden.").arg(werkzeug));
    p.waitForFinished(-1);
    const QByteArray ausgabe = p.readAllStandardOutput();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        const QString meldung = QString::fromLocal8Bit(p.readAllStandardError()).trimmed().section(QLatin1Char('\n'), 0, 2);
        throw EQELError(QStringLiteral("%1 ist fehlgeschlagen:\n%2").arg(was, meldung));
    }
    return ausgabe;
}

// The schema version held by a dump, from the data of its version table.
int pgDumpVersion(const TSuiteKonfiguration& k, const QString& datei)
{
    const QByteArray daten = pgAusfuehren(k, QStringLiteral("pg_restore"),
                                          {QStringLiteral("--data-only"), QStringLiteral("--table=schema_version"),
                                           QStringLiteral("--file=-"), datei},
                                          QStringLiteral("Das Lesen der Sicherung"));
    int version = 0;
    bool imCopy = false;
    for (const QByteArray& zeile : daten.split('\n')) {
        if (zeile.startsWith("COPY ") && zeile.contains("schema_version")) {
            imCopy = true;
        } else if (imCopy) {
            if (zeile == "\\.")
                break;
            version = std::max(version, zeile.trimmed().toInt());
        }
    }
    if (version < 1)
        throw EQELError(QStringLiteral("Die Datei ist keine Sicherung einer Datenbank der Suite:\n%1").arg(datei));
    return version;
}

TSicherungInfo pgSichern(const TSuiteKonfiguration& k, const QString& ziel)
{
    TZwischendatei zwischen(ziel);
    pgAusfuehren(k, QStringLiteral("pg_dump"),
                 pgVerbindung(k) << QStringLiteral("--format=custom") << QStringLiteral("--file=") + zwischen.Name()
                                 << QStringLiteral("--dbname=") + k.Datenbank,
                 QStringLiteral("Die Sicherung mit pg_dump"));
    TSicherungInfo info;
    info.SchemaVersion = pgDumpVersion(k, zwischen.Name());
    zwischen.Ablegen(ziel);
    info.Datei = QFileInfo(ziel).absoluteFilePath();
    info.Bytes = QFileInfo(ziel).size();
    return info;
}

TSicherungInfo pgWiederherstellen(const TSuiteKonfiguration& k, const QString& quelle)
{
    if (!QFileInfo(quelle).isFile())
        throw EQELError(QStringLiteral("Die Sicherung wurde nicht gefunden: %1").arg(quelle));
    TSicherungInfo info;
    info.Datei = QFileInfo(quelle).absoluteFilePath();
    info.Bytes = QFileInfo(quelle).size();
    try {
        info.SchemaVersion = pgDumpVersion(k, quelle);
    } catch (const EQELError&) {
        throw EQELError(QStringLiteral("Die Datei ist keine lesbare Sicherung einer Datenbank der Suite:\n%1\n%2")
                            .arg(quelle, kUnveraendert));
    }
    versionPruefen(info.SchemaVersion, quelle);
    {
        TEigeneVerbindung v(QStringLiteral("qel_wiederherstellung"), QStringLiteral("QPSQL"));
        QSqlDatabase db = v.Db();
        PostgresParameter(db, k, k.Datenbank);
        if (!db.open())
            throw EDatenbankFehler(VerbindungText(k.Datenbank), Einzelheiten(db.lastError()));
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = current_database() "
                                   "AND pid <> pg_backend_pid()"))
            || !q.next())
            throw EDatenbankFehler(QStringLiteral("Die Sitzungen der Datenbank können nicht gelesen werden."), Einzelheiten(q.lastError()));
        if (q.value(0).toInt() > 0)
            throw EQELError(gesperrtText(k.Datenbank));
    }
    // One transaction: a failing restore leaves the database as it was.
    try {
        pgAusfuehren(k, QStringLiteral("pg_restore"),
                     pgVerbindung(k) << QStringLiteral("--clean") << QStringLiteral("--if-exists")
                                     << QStringLiteral("--single-transaction") << QStringLiteral("--exit-on-error")
                                     << QStringLiteral("--no-owner") << QStringLiteral("--dbname=") + k.Datenbank << quelle,
                     QStringLiteral("Die Wiederherstellung mit pg_restore"));
    } catch (const EQELError& e) {
        throw EQELError(e.Text() + QLatin1Char('\n') + kUnveraendert);
    }
    return info;
}

}  // namespace

TSicherungInfo Sicherung_Erstellen(const TSuiteKonfiguration& k, const QString& ziel)
{
    if (ziel.trimmed().isEmpty())
        throw EQELError(QStringLiteral("Es ist keine Datei für die Sicherung angegeben."));
    return k.Treiber == QLatin1String("QPSQL") ? pgSichern(k, ziel) : sqliteSichern(k, ziel);
}

TSicherungInfo Sicherung_Wiederherstellen(const TSuiteKonfiguration& k, const QString& quelle)
{
    return k.Treiber == QLatin1String("QPSQL") ? pgWiederherstellen(k, quelle) : sqliteWiederherstellen(k, quelle);
}
