// Suite database: schema and migrations, refusals when opening, transactions and key counters.
#include "support/temp_suite.h"

#include "suite/core/konfiguration.h"
#include "suite/core/servers/database_intern.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A second, independent connection to a file, as another program would hold it.
class TFremdeVerbindung {
public:
    explicit TFremdeVerbindung(const QString& datei, int wartezeitMs = 100)
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kName);
        m_db.setDatabaseName(datei);
        m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(wartezeitMs));
        EXPECT_TRUE(m_db.open());
    }
    ~TFremdeVerbindung()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(kName);
    }
    bool Exec(const QString& sql)
    {
        QSqlQuery q(m_db);
        return q.exec(sql);
    }
    QVariant Wert(const QString& sql)
    {
        QSqlQuery q(m_db);
        if (!q.exec(sql) || !q.next())
            return QVariant();
        return q.value(0);
    }
    bool HatTabelle(const QString& name) { return m_db.tables().contains(name); }

private:
    static inline const QString kName = QStringLiteral("test_fremd");
    QSqlDatabase m_db;
};

TSuiteKonfiguration konfigFuer(const QString& datei)
{
    TSuiteKonfiguration k;
    k.Datenbank = datei;
    return k;
}

QByteArray dateiInhalt(const QString& pfad)
{
    QFile f(pfad);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void schreibeDatei(const QString& pfad, const QByteArray& inhalt)
{
    QFile f(pfad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(inhalt);
}

// Runs the call and returns the EQELError text, or "" when nothing was raised.
template <class F>
QString fehlerVon(F&& f)
{
    try {
        f();
    } catch (const EQELError& e) {
        return e.Text();
    }
    return QString();
}

const QStringList kTabellen = {"schluessel", "rechner",  "benutzer",       "benutzer_recht",    "organisation",
                               "mitarbeiter", "mandant", "filiale",        "geschaeftspartner", "offener_posten",
                               "mahnung",    "mahnung_position", "belegnummer_kreis", "textbaustein", "logo",
                               "drucklayout", "druckauftrag", "druckdaten", "anhang"};

}  // namespace

class DatabaseTest : public ::testing::Test {
protected:
    void TearDown() override { TSuiteDatenbank::Schliessen(); }
    QTemporaryDir dir;
    QString Pfad(const QString& name) const { return dir.filePath(name); }
};

TEST_F(DatabaseTest, CreatesSchemaFromTheMigrationsWithOneVersionRow)
{
    TTempSuite suite;
    ASSERT_TRUE(TSuiteDatenbank::Offen());
    EXPECT_GE(TSuiteDatenbank::SchemaVersionProgramm(), 1);
    EXPECT_EQ(TSuiteDatenbank::SchemaVersion(), TSuiteDatenbank::SchemaVersionProgramm());
    const QStringList vorhanden = qel_Verbindung().tables();
    for (const QString& t : kTabellen)
        EXPECT_TRUE(vorhanden.contains(t)) << t.toStdString();
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("schema_version")), 1);
    EXPECT_EQ(qgetenv("QEL_SUITE_CONFIG"), suite.EinstellungsDatei().toLocal8Bit());
    EXPECT_EQ(TSuiteKonfiguration::Laden().Datenbank, suite.Konfiguration().Datenbank);

    // Running it again on a current database changes nothing.
    const TSuiteKonfiguration k = suite.Konfiguration();
    TSuiteDatenbank::AnlegenOderAktualisieren(k);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("schema_version")), 1);
    EXPECT_EQ(TSuiteDatenbank::GespeicherteVersion(k), TSuiteDatenbank::SchemaVersionProgramm());
}

TEST_F(DatabaseTest, OpeningUpgradesAnOlderDatabase)
{
    QEL_NUR_SQLITE();
    const QString datei = Pfad(QStringLiteral("alt.sqlite"));
    {
        TFremdeVerbindung alt(datei);
        ASSERT_TRUE(alt.Exec(QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)")));
        ASSERT_TRUE(alt.Exec(QStringLiteral("INSERT INTO schema_version VALUES (0)")));
    }
    EXPECT_EQ(TSuiteDatenbank::GespeicherteVersion(konfigFuer(datei)), 0);
    TSuiteDatenbank::Oeffnen(konfigFuer(datei));
    EXPECT_EQ(TSuiteDatenbank::SchemaVersion(), TSuiteDatenbank::SchemaVersionProgramm());
    EXPECT_TRUE(qel_Verbindung().tables().contains(QStringLiteral("offener_posten")));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("schema_version")), 1);
}

TEST_F(DatabaseTest, FailedUpgradeLeavesTheOldVersionAndNoHalfSchema)
{
    QEL_NUR_SQLITE();
    const QString datei = Pfad(QStringLiteral("kaputt.sqlite"));
    {
        TFremdeVerbindung alt(datei);
        ASSERT_TRUE(alt.Exec(QStringLiteral("CREATE TABLE schema_version (version INTEGER NOT NULL)")));
        ASSERT_TRUE(alt.Exec(QStringLiteral("INSERT INTO schema_version VALUES (0)")));
        // Clashes with a table the first migration creates after others.
        ASSERT_TRUE(alt.Exec(QStringLiteral("CREATE TABLE mandant (x INTEGER)")));
    }
    const QString text = fehlerVon([&] { TSuiteDatenbank::Oeffnen(konfigFuer(datei)); });
    EXPECT_TRUE(text.contains(QStringLiteral("Version 1"))) << text.toStdString();
    EXPECT_FALSE(TSuiteDatenbank::Offen());
    TFremdeVerbindung pruef(datei);
    EXPECT_EQ(pruef.Wert(QStringLiteral("SELECT version FROM schema_version")).toInt(), 0);
    EXPECT_FALSE(pruef.HatTabelle(QStringLiteral("schluessel")));
    EXPECT_FALSE(pruef.HatTabelle(QStringLiteral("rechner")));
}

TEST_F(DatabaseTest, OpeningRefusesMissingEmptyForeignAndCorruptFiles)
{
    QEL_NUR_SQLITE();
    const QString fehlt = Pfad(QStringLiteral("fehlt.sqlite"));
    QString text = fehlerVon([&] { TSuiteDatenbank::Oeffnen(konfigFuer(fehlt)); });
    EXPECT_TRUE(text.contains(QStringLiteral("nicht gefunden"))) << text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(fehlt)) << "opening must not create the file";

    const QString leer = Pfad(QStringLiteral("leer.sqlite"));
    schreibeDatei(leer, QByteArray());
    text = fehlerVon([&] { TSuiteDatenbank::Oeffnen(konfigFuer(leer)); });
    EXPECT_TRUE(text.contains(QStringLiteral("keine Datenbank der Suite"))) << text.toStdString();
    EXPECT_EQ(QFileInfo(leer).size(), 0);

    const QString muell = Pfad(QStringLiteral("muell.sqlite"));
    const QByteArray muellInhalt = QByteArray("Dies ist eine Textdatei, keine Datenbank.\n").repeated(200);
    schreibeDatei(muell, muellInhalt);
    text = fehlerVon([&] { TSuiteDatenbank::Oeffnen(konfigFuer(muell)); });
    EXPECT_TRUE(text.contains(QStringLiteral("keine SQLite-Datenbank"))) << text.toStdString();
    EXPECT_EQ(dateiInhalt(muell), muellInhalt);

    // A SQLite header followed by garbage: the driver itself must find it corrupt.
    const QString defekt = Pfad(QStringLiteral("defekt.sqlite"));
    const QByteArray defektInhalt = QByteArray("SQLite format 3\0", 16) + QByteArray(4096, '\x5a');
    schreibeDatei(defekt, defektInhalt);
    text = fehlerVon([&] { TSuiteDatenbank::Oeffnen(konfigFuer(defekt)); });
    EXPECT_FALSE(text.isEmpty());
    EXPECT_EQ(dateiInhalt(defekt), defektInhalt);

    const QString fremd = Pfad(QStringLiteral("fremd.sqlite"));
    {
        TFremdeVerbindung f(fremd);
        ASSERT_TRUE(f.Exec(QStringLiteral("CREATE TABLE kunden (id INTEGER)")));
    }
    const QByteArray fremdInhalt = dateiInhalt(fremd);
    text = fehlerVon([&] { TSuiteDatenbank::Oeffnen(konfigFuer(fremd)); });
    EXPECT_TRUE(text.contains(QStringLiteral("Versionstabelle"))) << text.toStdString();
    // Creating must not take over somebody else's database either.
    text = fehlerVon([&] { TSuiteDatenbank::AnlegenOderAktualisieren(konfigFuer(fremd)); });
    EXPECT_TRUE(text.contains(QStringLiteral("keine Datenbank der Suite"))) << text.toStdString();
    EXPECT_EQ(dateiInhalt(fremd), fremdInhalt);
    EXPECT_FALSE(TSuiteDatenbank::Offen());
}

TEST_F(DatabaseTest, NewerSchemaVersionIsRefusedAndTheFileStaysUntouched)
{
    QEL_NUR_SQLITE();
    QString datei;
    {
        TTempSuite suite;
        datei = Pfad(QStringLiteral("neu.sqlite"));
        TSuiteDatenbank::Schliessen();
        ASSERT_TRUE(QFile::copy(suite.DatenbankDatei(), datei));
    }
    {
        TFremdeVerbindung f(datei);
        ASSERT_TRUE(f.Exec(QStringLiteral("UPDATE schema_version SET version = 99")));
    }
    const QByteArray vorher = dateiInhalt(datei);
    ASSERT_FALSE(vorher.isEmpty());
    const QString text = fehlerVon([&] { TSuiteDatenbank::Oeffnen(konfigFuer(datei)); });
    EXPECT_TRUE(text.contains(QStringLiteral("99"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("neuere Programmversion"))) << text.toStdString();
    const QString text2 = fehlerVon([&] { TSuiteDatenbank::AnlegenOderAktualisieren(konfigFuer(datei)); });
    EXPECT_FALSE(text2.isEmpty());
    EXPECT_FALSE(TSuiteDatenbank::Offen());
    EXPECT_EQ(dateiInhalt(datei), vorher);
}

TEST_F(DatabaseTest, DatabaseHeldExclusivelyByAnotherProgramIsRefusedAfterAShortWait)
{
    QEL_NUR_SQLITE();
    TTempSuite suite;
    TSuiteDatenbank::Schliessen();
    {
        TFremdeVerbindung sperre(suite.DatenbankDatei());
        ASSERT_TRUE(sperre.Exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QElapsedTimer uhr;
        uhr.start();
        const QString text = fehlerVon([&] { TSuiteDatenbank::Oeffnen(suite.Konfiguration()); });
        EXPECT_TRUE(text.contains(QStringLiteral("gesperrt"))) << text.toStdString();
        EXPECT_LT(uhr.elapsed(), 15000);
        EXPECT_FALSE(TSuiteDatenbank::Offen());
        sperre.Exec(QStringLiteral("ROLLBACK"));
    }
    TSuiteDatenbank::Oeffnen(suite.Konfiguration());
    EXPECT_TRUE(TSuiteDatenbank::Offen());
}

TEST_F(DatabaseTest, TransactionsRollBackUnlessTheOutermostCommits)
{
    TTempSuite suite;
    auto rechner = [] { return TTempSuite::Anzahl(QStringLiteral("rechner")); };
    auto einfuegen = [](int nr) {
        TSqlAbfrage(QStringLiteral("INSERT INTO rechner (rechner_nr, bezeichnung, filiale) VALUES (?, ?, 0)"))
            .Bind({nr, QStringLiteral("Rechner %1").arg(nr)})
            .Exec();
    };
    {
        TTransaktion t;
        einfuegen(1);
    }
    EXPECT_EQ(rechner(), 0) << "not committed: rolled back";

    {
        TTransaktion aussen;
        {
            TTransaktion innen;
            einfuegen(2);
            innen.Commit();
        }
    }
    EXPECT_EQ(rechner(), 0) << "an inner commit alone stores nothing";

    {
        TTransaktion aussen;
        try {
            TTransaktion innen;
            einfuegen(3);
            throw EQELError(QStringLiteral("Teilschritt fehlgeschlagen"));
        } catch (const EQELError&) {
        }
        EXPECT_THROW(aussen.Commit(), EQELError);
    }
    EXPECT_EQ(rechner(), 0) << "a failed inner part spoils the whole transaction";

    {
        TTransaktion aussen;
        {
            TTransaktion innen;
            einfuegen(4);
            innen.Commit();
        }
        einfuegen(5);
        aussen.Commit();
    }
    EXPECT_EQ(rechner(), 2);

    // After all that the connection is usable without a transaction left open.
    TTransaktion t;
    einfuegen(6);
    t.Commit();
    EXPECT_EQ(rechner(), 3);

    // Closing inside a transaction discards it; one begun on the new connection starts afresh.
    {
        TTransaktion alt;
        einfuegen(7);
        TSuiteDatenbank::Schliessen();
        TSuiteDatenbank::Oeffnen(suite.Konfiguration());
        EXPECT_THROW(alt.Commit(), EQELError);
    }
    {
        TTransaktion neu;
        einfuegen(8);
    }
    EXPECT_EQ(rechner(), 3);
}

TEST_F(DatabaseTest, QueriesReportSqlErrorsAsExceptions)
{
    TTempSuite suite;
    // The clerk's text says what happened; the statement and the driver's words are for the log.
    try {
        TSqlAbfrage(QStringLiteral("SELECT gibtsnicht FROM rechner")).Exec();
        ADD_FAILURE() << "no exception";
    } catch (const EDatenbankFehler& e) {
        EXPECT_FALSE(e.Text().contains(QStringLiteral("gibtsnicht"))) << e.Text().toStdString();
        EXPECT_TRUE(e.Detail().contains(QStringLiteral("SELECT gibtsnicht FROM rechner"))) << e.Detail().toStdString();
    }
    TSqlAbfrage(QStringLiteral("INSERT INTO rechner (rechner_nr, bezeichnung) VALUES (?, ?)")).Bind({7, QString()}).Exec();
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT bezeichnung FROM rechner WHERE rechner_nr = 7")).toString(), QString(""));
    EXPECT_THROW(TSqlAbfrage(QStringLiteral("INSERT INTO rechner (rechner_nr, bezeichnung) VALUES (?, ?)"))
                     .Bind({7, QStringLiteral("doppelt")})
                     .Exec(),
                 EQELError);
    TSuiteDatenbank::Schliessen();
    EXPECT_THROW(qel_Verbindung(), EQELError);
    EXPECT_THROW(TSqlAbfrage(QStringLiteral("SELECT 1")), EQELError);
}

TEST_F(DatabaseTest, KeysCountPerRangeAndComputerAndFollowTheTransaction)
{
    TTempSuite suite;
    auto paar = [](const TIntPair& p) { return std::make_pair(p.RNr, p.LNr); };
    EXPECT_EQ(paar(qel_NeuerSchluessel(QStringLiteral("MAHNUNG"), 1)), std::make_pair(1, 1));
    EXPECT_EQ(paar(qel_NeuerSchluessel(QStringLiteral("MAHNUNG"), 1)), std::make_pair(1, 2));
    EXPECT_EQ(paar(qel_NeuerSchluessel(QStringLiteral("MAHNUNG"), 2)), std::make_pair(2, 1));
    EXPECT_EQ(paar(qel_NeuerSchluessel(QStringLiteral("TEXTBAUSTEIN"), 1)), std::make_pair(1, 1));
    EXPECT_EQ(paar(qel_NeueSchluessel(QStringLiteral("MAHNUNG"), 1, 10)), std::make_pair(1, 3));
    EXPECT_EQ(paar(qel_NeuerSchluessel(QStringLiteral("MAHNUNG"), 1)), std::make_pair(1, 13));
    {
        TTransaktion t;
        EXPECT_EQ(qel_NeuerSchluessel(QStringLiteral("MAHNUNG"), 1).LNr, 14);
    }
    EXPECT_EQ(qel_NeuerSchluessel(QStringLiteral("MAHNUNG"), 1).LNr, 14) << "a rolled-back key is given again";
}

TEST_F(DatabaseTest, AnOpenTransactionKeepsOtherWritersOut)
{
    QEL_NUR_SQLITE();
    TTempSuite suite;
    TFremdeVerbindung andere(suite.DatenbankDatei(), 50);
    {
        TTransaktion t;
        qel_NeuerSchluessel(QStringLiteral("MAHNUNG"), 1);
        // Another workstation cannot read-increment-write the counter in between.
        EXPECT_FALSE(andere.Exec(QStringLiteral("BEGIN IMMEDIATE")));
        t.Commit();
    }
    ASSERT_TRUE(andere.Exec(QStringLiteral("BEGIN IMMEDIATE")));
    ASSERT_TRUE(andere.Exec(QStringLiteral("UPDATE schluessel SET letzte_nr = letzte_nr + 1 WHERE bereich = 'MAHNUNG'")));
    ASSERT_TRUE(andere.Exec(QStringLiteral("COMMIT")));
    EXPECT_EQ(qel_NeuerSchluessel(QStringLiteral("MAHNUNG"), 1).LNr, 3);
}

TEST_F(DatabaseTest, AFailedStatementSpoilsItsTransactionOnEveryEngine)
{
    TTempSuite suite;
    auto einfuegen = [](int nr) {
        TSqlAbfrage(QStringLiteral("INSERT INTO rechner (rechner_nr, bezeichnung, filiale) VALUES (?, 'R', 0)")).Bind(nr).Exec();
    };
    einfuegen(1);
    {
        TTransaktion t;
        einfuegen(2);
        EXPECT_THROW(einfuegen(1), EEintragVorhanden);
        // PostgreSQL has aborted the transaction; SQLite must not commit half of it either.
        EXPECT_THROW(t.Commit(), EQELError);
    }
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("rechner")), 1);
    TTransaktion t;
    einfuegen(3);
    t.Commit();
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("rechner")), 2);
}

TEST_F(DatabaseTest, PostgresDatabaseIsCreatedWhenMissingAndOnlyThen)
{
    QEL_NUR_POSTGRES();
    // Any name is safe in the DDL, quotes and blanks included.
    const TSuiteKonfiguration k = TTempSuite::PostgresKonfiguration(
        QStringLiteral("qel test \"neu\" %1").arg(QCoreApplication::applicationPid()));
    TSuiteDatenbank::PostgresDatenbankLoeschen(k);
    EXPECT_FALSE(TSuiteDatenbank::Vorhanden(k));
    const QString text = fehlerVon([&] { TSuiteDatenbank::Oeffnen(k); });
    EXPECT_TRUE(text.contains(QStringLiteral("kann nicht geöffnet werden"))) << text.toStdString();
    EXPECT_FALSE(TSuiteDatenbank::Vorhanden(k)) << "opening must not create the database";

    TSuiteDatenbank::AnlegenOderAktualisieren(k);
    EXPECT_TRUE(TSuiteDatenbank::Vorhanden(k));
    EXPECT_EQ(TSuiteDatenbank::SchemaVersion(), TSuiteDatenbank::SchemaVersionProgramm());
    TSuiteDatenbank::Schliessen();
    TSuiteDatenbank::Oeffnen(k);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("schema_version")), 1);
    // Text sorts by bytes as on SQLite, whatever the server's locale.
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT COUNT(*) FROM (SELECT 'a' AS x UNION SELECT 'B') t WHERE x < 'B'"))
                  .toInt(),
              0);
    TSuiteDatenbank::PostgresDatenbankLoeschen(k);
    EXPECT_FALSE(TSuiteDatenbank::Offen());
    EXPECT_FALSE(TSuiteDatenbank::Vorhanden(k));

    TSuiteKonfiguration falsch = k;
    falsch.Host = QStringLiteral("/gibt/es/nicht");
    const QString text2 = fehlerVon([&] { TSuiteDatenbank::AnlegenOderAktualisieren(falsch); });
    EXPECT_TRUE(text2.contains(QStringLiteral("nicht erreichbar"))) << text2.toStdString();
}
