// The suite connection: opening and closing, prepared queries, transactions and key counters.
#include "database_intern.h"

#include "suite/core/konfiguration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace qel_datenbank;

const QString qel_datenbank::kVerbindung = QStringLiteral("qel_suite");

namespace {

constexpr int kWartezeitMs = 3000;
const QString kTransaktionText = QStringLiteral(
    "Die Datenbank der Suite kann gerade keine Änderung beginnen. Die Einzelheiten stehen im Fehlerprotokoll.");
constexpr int kWartezeitPostgresMs = 10000;

// Only the outermost TTransaktion talks to the database.
int g_transaktionsTiefe = 0;
bool g_transaktionAbgebrochen = false;
// Closing the connection ends every transaction; objects of an older connection then do nothing.
int g_verbindungsNr = 0;

// Connection parameters of the last opened database, for messages.
QString g_datenbankName;

// Reads the header: a SQLite file starts with "SQLite format 3\0"; an empty file is an empty database.
enum class TDateiArt { Leer, SQLite, Fremd, Unlesbar, Abgeschnitten };

quint32 grossEndian(const QByteArray& b, int pos, int laenge)
{
    quint32 wert = 0;
    for (int i = 0; i < laenge; ++i)
        wert = (wert << 8) | quint8(b.at(pos + i));
    return wert;
}

TDateiArt dateiArt(const QString& pfad)
{
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly))
        return TDateiArt::Unlesbar;
    const QByteArray kopf = f.read(100);
    if (kopf.isEmpty())
        return TDateiArt::Leer;
    if (!kopf.startsWith(QByteArray("SQLite format 3\0", 16)))
        return TDateiArt::Fremd;
    if (kopf.size() < 100)
        return TDateiArt::Abgeschnitten;
    // The page count in the header is valid when its change counter matches; a shorter file lost pages.
    const quint32 seitenGroesse = grossEndian(kopf, 16, 2) == 1 ? 65536 : grossEndian(kopf, 16, 2);
    const quint32 seiten = grossEndian(kopf, 28, 4);
    if (grossEndian(kopf, 92, 4) == grossEndian(kopf, 24, 4) && seiten > 0
        && f.size() < qint64(seiten) * qint64(seitenGroesse))
        return TDateiArt::Abgeschnitten;
    return TDateiArt::SQLite;
}

int wartezeitMs(const TSuiteKonfiguration& konf, bool sqlite)
{
    if (konf.WartezeitMs > 0)
        return konf.WartezeitMs;
    return sqlite ? kWartezeitMs : kWartezeitPostgresMs;
}

}  // namespace

bool qel_datenbank::TabelleVorhanden(QSqlDatabase& db, const QString& name)
{
    return db.tables(QSql::Tables).contains(name, Qt::CaseInsensitive);
}

const QString& qel_datenbank::DatenbankName() { return g_datenbankName; }

bool qel_datenbank::TransaktionVerderben()
{
    if (g_transaktionsTiefe == 0)
        return false;
    g_transaktionAbgebrochen = true;
    return true;
}

// ---------------------------------------------------------------------------------------------------

bool TSuiteDatenbank::Offen()
{
    if (!QSqlDatabase::contains(kVerbindung))
        return false;
    return QSqlDatabase::database(kVerbindung, false).isOpen();
}

QSqlDatabase qel_Verbindung()
{
    if (!TSuiteDatenbank::Offen())
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

bool TSuiteDatenbank::Vorhanden(const TSuiteKonfiguration& konf)
{
    if (konf.Treiber != QLatin1String("QPSQL")) {
        const QFileInfo info(konf.Datenbank);
        return info.isFile() && info.size() > 0;
    }
    return PostgresDatenbankVorhanden(konf);
}

void qel_datenbank::Verbinden(const TSuiteKonfiguration& konf, bool anlegen)
{
    TSuiteDatenbank::Schliessen();
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
            // Opening a named pipe or a device would wait forever or read something else entirely.
            if (!info.isFile())
                throw EQELError(QStringLiteral("Der Pfad der Datenbank ist keine gewöhnliche Datei (sondern zum Beispiel "
                                               "eine Named Pipe oder ein Gerät) und wird nicht geöffnet:\n%1")
                                    .arg(konf.Datenbank));
            switch (dateiArt(konf.Datenbank)) {
            case TDateiArt::Unlesbar:
                throw EQELError(QStringLiteral("Die Datenbank der Suite kann nicht gelesen werden:\n%1").arg(konf.Datenbank));
            case TDateiArt::Fremd:
                throw EQELError(
                    QStringLiteral("Die Datei ist keine Datenbank der Suite (keine SQLite-Datenbank):\n%1").arg(konf.Datenbank));
            case TDateiArt::Abgeschnitten:
                throw EQELError(QStringLiteral("Die Datenbank der Suite ist unvollständig (die Datei ist kürzer, als "
                                               "ihr Kopf angibt) und wird nicht benutzt. Bitte wenden Sie sich an "
                                               "Ihren Administrator (Datensicherung):\n%1")
                                    .arg(konf.Datenbank));
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
        PostgresDatenbankAnlegen(konf);
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
        PostgresParameter(db, konf, konf.Datenbank);
    }
    if (!db.open()) {
        const QString grund = Einzelheiten(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(kVerbindung);
        throw EDatenbankFehler(QStringLiteral("Die Datenbank der Suite kann nicht geöffnet werden:\n%1").arg(konf.Datenbank),
                               grund);
    }

    try {
        if (!sqlite) {
            // A lock held too long by another workstation ends the statement with a clear message.
            SqlAusfuehren(db, QStringLiteral("SET lock_timeout = %1").arg(wartezeit));
        } else {
            SqlAusfuehren(db, QStringLiteral("PRAGMA busy_timeout = %1").arg(wartezeit));
            // The first real read tells a corrupt or foreign file and a lock apart; it comes before
            // any pragma that reads the schema, which would only say "database is locked".
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master"))) {
                const QSqlError e = q.lastError();
                if (IstGesperrt(e))
                    throw EQELError(GesperrtText(konf.Datenbank));
                if (IstKeineDatenbank(e))
                    throw EDatenbankFehler(
                        QStringLiteral("Die Datei ist keine Datenbank der Suite oder sie ist beschädigt:\n%1").arg(konf.Datenbank),
                        Einzelheiten(e));
                if (e.nativeErrorCode() == QLatin1String("14"))  // SQLITE_CANTOPEN: journal files out of reach
                    throw EDatenbankFehler(SchreibgeschuetztText(konf.Datenbank), Einzelheiten(e));
                throw EDatenbankFehler(
                    QStringLiteral("Die Datenbank der Suite kann nicht gelesen werden:\n%1").arg(konf.Datenbank),
                    Einzelheiten(e));
            }
            // Lists of 100,000 rows read their pages more than once; the 2 MB default cache is too small.
            SqlAusfuehren(db, QStringLiteral("PRAGMA cache_size = -32768"));
        }
    } catch (...) {
        db = QSqlDatabase();  // the handle must go before the connection is removed
        TSuiteDatenbank::Schliessen();
        throw;
    }
}

// A write that is rolled back: SQLite opens a file it may not write read-only without a word, and
// BEGIN alone writes nothing; only a changed page shows a read-only file or folder (an update to the
// same value is skipped, so the value must really change).
void qel_datenbank::SqliteSchreibzugriffPruefen(QSqlDatabase& db, const QString& name)
{
    auto abgelehnt = [&name](const QSqlError& e) {
        if (IstGesperrt(e))
            return EDatenbankFehler(GesperrtText(name), Einzelheiten(e));
        const QString code = e.nativeErrorCode();
        if (code == QLatin1String("8") || code == QLatin1String("14"))  // SQLITE_READONLY, SQLITE_CANTOPEN
            return EDatenbankFehler(SchreibgeschuetztText(name), Einzelheiten(e));
        if (IstKeineDatenbank(e))
            return EDatenbankFehler(BeschaedigtText(name), Einzelheiten(e));
        return EDatenbankFehler(
            QStringLiteral("In die Datenbank der Suite kann nicht geschrieben werden:\n%1").arg(name), Einzelheiten(e));
    };
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("BEGIN IMMEDIATE")))
        throw abgelehnt(q.lastError());
    QSqlQuery probe(db);
    const bool ok = probe.exec(QStringLiteral("UPDATE schema_version SET version = version + 1"));
    const QSqlError e = probe.lastError();
    probe.finish();
    QSqlQuery r(db);
    r.exec(QStringLiteral("ROLLBACK"));
    if (!ok)
        throw abgelehnt(e);
}

// Only for files already accepted as suite databases.
void qel_datenbank::SqliteWalEinschalten(QSqlDatabase& db)
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

// ---------------------------------------------------------------------------------------------------

TSqlAbfrage::TSqlAbfrage(const QString& sql) : m_q(qel_Verbindung()), m_sql(sql)
{
    m_q.setForwardOnly(true);
    if (!m_q.prepare(sql))
        SqlFehler(m_q.lastError(), sql);
}

// A null QString would bind as SQL NULL; every text column of the suite is NOT NULL with '' as "none".
// PostgreSQL cannot store NUL characters in text: neither engine gets them.
static QVariant bindWert(const QVariant& v)
{
    if (v.typeId() != QMetaType::QString)
        return v;
    const QString s = v.toString();
    if (s.isNull())
        return QVariant(QStringLiteral(""));
    if (s.contains(QChar(0)))
        return QVariant(QString(s).remove(QChar(0)));
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
        SqlFehler(m_q.lastError(), m_sql);
    return *this;
}

// ---------------------------------------------------------------------------------------------------

TTransaktion::TTransaktion()
{
    QSqlDatabase db = qel_Verbindung();
    if (g_transaktionsTiefe == 0) {
        g_transaktionAbgebrochen = false;
        if (TSuiteDatenbank::IstPostgres()) {
            if (!db.transaction()) {
                const QSqlError e = db.lastError();
                if (FehlerArt(e, true) == TFehlerArt::Verbindung)
                    throw EDatenbankFehler(VerbindungText(g_datenbankName), Einzelheiten(e));
                throw EDatenbankFehler(kTransaktionText, Einzelheiten(e));
            }
            QSqlQuery anfang(db);
            if (!anfang.exec(QStringLiteral("SAVEPOINT qel_anfang"))) {
                const QString grund = Einzelheiten(anfang.lastError());
                db.rollback();
                throw EDatenbankFehler(kTransaktionText, grund);
            }
        } else {
            // IMMEDIATE takes the write lock at once: two workstations cannot both read a counter and
            // then fail to upgrade their locks.
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
                if (IstGesperrt(q.lastError()))
                    throw EDatenbankKonflikt(GesperrtText(g_datenbankName));
                if (FehlerArt(q.lastError(), false) == TFehlerArt::Schreibgeschuetzt)
                    throw EDatenbankFehler(SchreibgeschuetztText(g_datenbankName), Einzelheiten(q.lastError()));
                throw EDatenbankFehler(kTransaktionText, Einzelheiten(q.lastError()));
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
    QSqlDatabase db = qel_Verbindung();
    bool ok = false;
    QString grund;
    if (TSuiteDatenbank::IstPostgres()) {
        ok = db.commit();
        grund = Einzelheiten(db.lastError());
    } else {
        QSqlQuery q(db);
        ok = q.exec(QStringLiteral("COMMIT"));
        grund = Einzelheiten(q.lastError());
    }
    if (!ok) {
        // A failed COMMIT has ended the transaction on PostgreSQL; SQLite keeps it open for the rollback.
        if (TSuiteDatenbank::IstPostgres()) {
            m_offen = false;
            --g_transaktionsTiefe;
            g_transaktionAbgebrochen = false;
        }
        throw EDatenbankFehler(QStringLiteral("Die Änderungen konnten nicht gespeichert werden. Die Einzelheiten stehen "
                                              "im Fehlerprotokoll."),
                               grund);
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

QString qel_TextNorm(const QString& text)
{
    // Character by character (simple case mapping): the normal form is never longer than the text,
    // so it fits the same column ("İ" would otherwise become two characters).
    const QString s = text.simplified();
    QString norm;
    norm.reserve(s.size());
    for (const char32_t c : s.toUcs4()) {
        const char32_t k = QChar::toLower(c);
        norm += QString::fromUcs4(&k, 1);
    }
    return norm;
}

namespace {
int g_rechnerNr = 1;
QString g_benutzer;
}

void TSuiteDatenbank::SetBenutzer(const QString& benutzer) { g_benutzer = benutzer; }

QString TSuiteDatenbank::Benutzer() { return g_benutzer; }

void TSuiteDatenbank::SetRechnerNr(int rechnerNr) { g_rechnerNr = rechnerNr; }

int TSuiteDatenbank::RechnerNr() { return g_rechnerNr; }
