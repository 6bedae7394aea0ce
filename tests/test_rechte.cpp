// Identity and rights: the clerk is the signed-in user (SQLite) or the database role (PostgreSQL);
// no setting makes them someone else, the dunning server checks the rights again at booking, and
// on PostgreSQL the database itself refuses a booking by a role without the rights.
#include "suite/core/konfiguration.h"
#include "suite/core/servers/database_intern.h"
#include "suite/core/servers/interfaces.h"
#include "suite/core/servers/rechte.h"
#include "suite/core/servers/verwaltung.h"
#include "suite/core/servers/wertpruefung.h"
#include "suite/ui/programm.h"
#include "support/admin.h"
#include "support/temp_suite.h"
#include "support/testdaten.h"
#include "support/umgebung.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

namespace {

const TDateTime kHeute = 46364.0;

// Lifts the tests' stand-in for the signed-in user for one scope.
class TOhneTestBenutzer {
public:
    TOhneTestBenutzer() : m_alt(qgetenv("QEL_SUITE_TEST_BENUTZER")) { qunsetenv("QEL_SUITE_TEST_BENUTZER"); }
    ~TOhneTestBenutzer() { qputenv("QEL_SUITE_TEST_BENUTZER", m_alt); }

private:
    QByteArray m_alt;
};

class Rechte : public ::testing::Test {
protected:
    Rechte() : umg(kHeute + 0.5)
    {
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
        alpha = mandant.Partner(QStringLiteral("Alpha GmbH"));
        a1 = mandant.Posten(alpha, {QStringLiteral("A1"), kHeute - 40, 100, 0, kHeute - 20, 0, false, QString()});
    }

    TQEL_Mahnung_Beleg_Array buchung() const
    {
        TQEL_Mahnung_Beleg b;
        b.Mandant = mandant.Id;
        b.GepNr = alpha;
        b.Mahnungsdatum = kHeute + 0.5;
        b.Beruecksichtigt = kHeute;
        TQEL_Mahnung_Belegpositionen p;
        Init_TQEL_Mahnung_Belegpositionen(p);
        p.RNr = a1.RechnerNummer;
        p.TransNr = a1.TransaktionsNummer;
        p.LfdNr = int16_t(a1.LfdNummer);
        p.Mahnstufe = 1;
        p.ZahlbarBis = kHeute + 14;
        p.Saldo = 100;
        p.Belegnummer = QStringLiteral("A1");
        b.Positionen = {p};
        return {b};
    }

    // Books as the program's current user; returns the server's answer.
    bool buchenAls(const QString& benutzer)
    {
        TSuiteKonfiguration k = QELProgramm().Konfiguration();
        k.Benutzer = benutzer;
        QELProgramm().SetKonfiguration(k);
        IQEL_MahnungEditServerRef s;
        Glob_ServerFactoryClass().MahnungEditServer_Holen(s);
        TQEL_Mahnung_Beleg_Array m = buchung();
        const bool ok = s->Mahnungen_Buchen(m);
        Glob_ServerFactoryClass().MahnungEditServer_Freigeben(s);
        return ok;
    }

    TTempSuite suite{false};
    TTestUmgebung umg;
    TTestMandant mandant{7, QStringLiteral("Testmandant GmbH")};
    TIntPair alpha;
    TIntTrio a1;
};

TEST_F(Rechte, TheSettingsFileCannotMakeTheClerkSomeoneElse)
{
    TOhneTestBenutzer ohne;
    const QString os = QString::fromLocal8Bit(getpwuid(geteuid())->pw_name);
    // $USER is the caller's to set; the account of the process is not.
    const QByteArray user = qgetenv("USER");
    qputenv("USER", "jemand_anderes");
    EXPECT_EQ(qel_AngemeldeterBenutzer(), os);
    qputenv("USER", user);

    const QString ini = suite.EinstellungsDatei();
    {
        QSettings s(ini, QSettings::IniFormat);
        s.setValue(QStringLiteral("Arbeitsplatz/Benutzer"), QStringLiteral("chefin"));
    }
    try {
        TSuiteKonfiguration::Laden(ini);
        ADD_FAILURE() << "a settings file named another user";
    } catch (const EQELError& e) {
        EXPECT_TRUE(e.Text().contains(QStringLiteral("nennt den Benutzer „chefin“, angemeldet ist aber „%1“").arg(os)))
            << e.what();
    }
    {
        QSettings s(ini, QSettings::IniFormat);
        s.setValue(QStringLiteral("Arbeitsplatz/Benutzer"), os);
    }
    EXPECT_EQ(TSuiteKonfiguration::Laden(ini).Benutzer, os);
    // Written settings never name a user.
    TSuiteKonfiguration k = TSuiteKonfiguration::Laden(ini);
    k.Speichern(ini);
    EXPECT_FALSE(QSettings(ini, QSettings::IniFormat).contains(QStringLiteral("Arbeitsplatz/Benutzer")));
}

TEST_F(Rechte, TheDunningServerChecksTheRightsAgainAtBooking)
{
    Verwaltung_BenutzerAnlegen(QStringLiteral("praktikant"), QString(), {202});
    EXPECT_FALSE(buchenAls(QStringLiteral("praktikant")));
    EXPECT_FALSE(buchenAls(QStringLiteral("unbekannt")));
    ASSERT_EQ(umg.Recorder->Meldungen.size(), 2u);
    EXPECT_TRUE(umg.Recorder->Meldungen[0].Text.contains(
        QStringLiteral("Der Benutzer \"praktikant\" hat keine Berechtigung für das Mahnwesen (fehlende Rechte: 203)")))
        << umg.Recorder->Meldungen[0].Text.toStdString();
    EXPECT_TRUE(umg.Recorder->Meldungen[1].Text.contains(
        QStringLiteral("Der Benutzer \"unbekannt\" ist in der Suite nicht angelegt.")));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 0);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT mahnstufe FROM offener_posten")).toInt(), 0);

    EXPECT_TRUE(buchenAls(QStringLiteral("tester")));
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT benutzer FROM mahnung")).toString(), QStringLiteral("tester"));
}

// A clerk's own connection, as with any SQL client: the role and nothing else.
class TEigeneVerbindung {
public:
    explicit TEigeneVerbindung(const QString& rolle)
    {
        const TSuiteKonfiguration k = TTempSuite::PostgresKonfiguration(qel_Verbindung().databaseName());
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kName);
        db.setDatabaseName(k.Datenbank);
        db.setHostName(k.Host);
        if (k.Port > 0)
            db.setPort(k.Port);
        db.setUserName(rolle);
        m_offen = db.open();
        m_fehler = db.lastError().text();
    }
    ~TEigeneVerbindung()
    {
        QSqlDatabase::database(kName, false).close();
        QSqlDatabase::removeDatabase(kName);
    }
    bool Offen() const { return m_offen; }
    QString Fehler() const { return m_fehler; }
    // The SQLSTATE of the statement, empty when it succeeded.
    QString Ausfuehren(const QString& sql)
    {
        QSqlQuery q(QSqlDatabase::database(kName, false));
        return q.exec(sql) ? QString() : q.lastError().nativeErrorCode();
    }

private:
    inline static const QString kName = QStringLiteral("eigene_verbindung");
    bool m_offen = false;
    QString m_fehler;
};

TEST_F(Rechte, PostgresRefusesBookingsOfARoleWithoutTheRightsEvenInItsOwnClient)
{
    QEL_NUR_POSTGRES();
    const QString ohne = QStringLiteral("qel_ohne_%1").arg(QCoreApplication::applicationPid());
    const QString mit = QStringLiteral("qel_mit_%1").arg(QCoreApplication::applicationPid());
    Rechte_BenutzerAnlegen(ohne, QStringLiteral("Praktikant"), {202});
    Rechte_BenutzerAnlegen(mit, QStringLiteral("Sachbearbeiterin"), CQEL_Mahnwesen_Rechte);
    const QString werte = QStringLiteral("(1, 9999, %1, %2, %3, %4, 0, 0, 46364, 46364, 'x', 2026, 1, 999, 46364, '%5')")
                              .arg(mandant.Id.RNr)
                              .arg(mandant.Id.LNr)
                              .arg(alpha.RNr)
                              .arg(alpha.LNr);
    const QString einfuegen = QStringLiteral(
        "INSERT INTO mahnung (rnr, lnr, mandant_rnr, mandant_lnr, gep_rnr, gep_lnr, orge_rnr, orge_lnr, mahnungsdatum, "
        "beruecksichtigt, mahnungstext, wirtschaftsjahr, beleg_rnr, beleg_lfdnr, gebucht_am, benutzer) VALUES ");
    {
        TEigeneVerbindung v(ohne);
        ASSERT_TRUE(v.Offen()) << v.Fehler().toStdString();
        EXPECT_EQ(v.Ausfuehren(QStringLiteral("SELECT COUNT(*) FROM offener_posten")), QString());
        EXPECT_EQ(v.Ausfuehren(einfuegen + werte.arg(ohne)), QStringLiteral("42501"));
        EXPECT_EQ(v.Ausfuehren(QStringLiteral("UPDATE offener_posten SET mahnstufe = mahnstufe + 1")), QStringLiteral("42501"));
        EXPECT_EQ(v.Ausfuehren(QStringLiteral("DELETE FROM mahnung_position")), QStringLiteral("42501"));
        // Nor can it give itself the missing right, or drop the check.
        EXPECT_EQ(v.Ausfuehren(QStringLiteral("INSERT INTO benutzer_recht (benutzer, recht) VALUES ('%1', 203)").arg(ohne)),
                  QStringLiteral("42501"));
        EXPECT_FALSE(v.Ausfuehren(QStringLiteral("DROP TRIGGER qel_buchungsrecht ON mahnung")).isEmpty());
    }
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 0);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT mahnstufe FROM offener_posten")).toInt(), 0);
    {
        TEigeneVerbindung v(mit);
        ASSERT_TRUE(v.Offen()) << v.Fehler().toStdString();
        EXPECT_EQ(v.Ausfuehren(QStringLiteral("UPDATE offener_posten SET mahnstufe = mahnstufe")), QString());
        EXPECT_EQ(v.Ausfuehren(QStringLiteral("UPDATE benutzer_recht SET recht = 1")), QStringLiteral("42501"));
    }

    // The program logged in as the role: it is that clerk, whatever the tests' stand-in says.
    TOhneTestBenutzer echt;
    TSuiteKonfiguration k = suite.Konfiguration();
    k.DbBenutzer = ohne;
    k.Speichern(suite.EinstellungsDatei());
    QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
    EXPECT_EQ(QELProgramm().Benutzer(), ohne);
    EXPECT_FALSE(UserRechtePruefen({202, 203}, QString(), TZIM_Rect_FnktType_Erw, false, 0));
    IQEL_MahnungEditServerRef s;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(s);
    TQEL_Mahnung_Beleg_Array m = buchung();
    EXPECT_FALSE(s->Mahnungen_Buchen(m));
    Glob_ServerFactoryClass().MahnungEditServer_Freigeben(s);
    ASSERT_EQ(umg.Recorder->Meldungen.size(), 2u);
    EXPECT_TRUE(umg.Recorder->Meldungen[1].Text.contains(QStringLiteral("(fehlende Rechte: 203)")))
        << umg.Recorder->Meldungen[1].Text.toStdString();
    TSuiteDatenbank::Schliessen();
    // Back as the owner, so the test database can be dropped.
    k.DbBenutzer = suite.Konfiguration().DbBenutzer;
    k.Speichern(suite.EinstellungsDatei());
}

TEST_F(Rechte, UsersAreListedWithTheirRightsAndCanLoseThem)
{
    Rechte_BenutzerAnlegen(QStringLiteral("anna"), QStringLiteral("Anna Andersen"), {202, 203});
    Rechte_Entziehen(QStringLiteral("anna"), {203});
    EXPECT_FALSE(Rechte_Verweigerung(QStringLiteral("anna"), CQEL_Mahnwesen_Rechte).isEmpty());
    bool gefunden = false;
    for (const TRechteBenutzer& b : Rechte_BenutzerListe())
        if (b.Name == QLatin1String("anna")) {
            gefunden = true;
            EXPECT_EQ(b.Rechte, QVector<int>{202});
            EXPECT_EQ(b.Vollname, QStringLiteral("Anna Andersen"));
            EXPECT_EQ(b.Anmeldung, TTempSuite::Postgres());
        }
    EXPECT_TRUE(gefunden);
    Rechte_BenutzerEntfernen(QStringLiteral("anna"));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("benutzer"), QStringLiteral("name = 'anna'")), 0);
    EXPECT_THROW(Rechte_BenutzerEntfernen(QStringLiteral("anna")), EQELError);
    EXPECT_THROW(Rechte_BenutzerAnlegen(QString(81, QLatin1Char('x')), QString(), {}), EWertUngueltig);
}

}  // namespace

// init on PostgreSQL gives the signed-in user a login role in the clerks' group, so the program starts
// for them; a database user that may not create roles is refused with the reason, and no role appears.
TEST(RechteInit, InitGivesTheSignedInUserARoleOrSaysWhyNot)
{
    QEL_NUR_POSTGRES();
    QTemporaryDir dir;
    const QString pid = QString::number(QCoreApplication::applicationPid());
    const QString eva = QStringLiteral("eva_") + pid, otto = QStringLiteral("otto_") + pid,
                  schwach = QStringLiteral("ohne_rollen_") + pid;
    const TSuiteKonfiguration erste = TTempSuite::PostgresKonfiguration(QStringLiteral("qel_init_") + pid);
    const TSuiteKonfiguration zweite = TTempSuite::PostgresKonfiguration(QStringLiteral("qel_init2_") + pid);
    TSuiteDatenbank::PostgresDatenbankLoeschen(erste);
    TSuiteDatenbank::PostgresDatenbankLoeschen(zweite);
    const QByteArray angemeldet = qgetenv("QEL_SUITE_TEST_BENUTZER");
    auto init = [&](const TSuiteKonfiguration& k, const QString& als, const QString& dbBenutzer) {
        qputenv("QEL_SUITE_TEST_BENUTZER", als.toUtf8());
        const TAdminLauf l = Admin_Aufrufen({QStringLiteral("--config"), dir.filePath(als + QStringLiteral(".ini")),
                                             QStringLiteral("init"), QStringLiteral("--treiber"), QStringLiteral("QPSQL"),
                                             QStringLiteral("--db"), k.Datenbank, QStringLiteral("--host"), k.Host,
                                             QStringLiteral("--port"), QString::number(k.Port), QStringLiteral("--dbbenutzer"),
                                             dbBenutzer});
        qputenv("QEL_SUITE_TEST_BENUTZER", angemeldet);
        return l;
    };
    auto anmelderollen = [](const QString& name) {
        return TTempSuite::Wert(QStringLiteral("SELECT COUNT(*) FROM pg_roles WHERE rolname = ? AND rolcanlogin"), {name}).toInt();
    };

    const TAdminLauf l = init(erste, eva, erste.DbBenutzer);
    ASSERT_EQ(l.rc, 0) << l.Alles().toStdString();
    EXPECT_TRUE(l.fehler.contains(QStringLiteral("Datenbankrolle „%1“ angelegt").arg(eva))) << l.fehler.toStdString();
    // The clerk logs in with the new role and may work with the module.
    TSuiteKonfiguration alsEva = erste;
    alsEva.DbBenutzer = eva;
    TSuiteDatenbank::Oeffnen(alsEva);
    EXPECT_EQ(Rechte_DatenbankRolle(), eva);
    EXPECT_EQ(Rechte_Verweigerung(eva, CQEL_Mahnwesen_Rechte), QString());
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten")), 0);
    TSuiteDatenbank::Schliessen();
    const TAdminLauf nochmal = init(erste, eva, erste.DbBenutzer);
    EXPECT_EQ(nochmal.rc, 0) << nochmal.Alles().toStdString();
    EXPECT_TRUE(nochmal.fehler.contains(QStringLiteral("Datenbankrolle „%1“ vorhanden").arg(eva))) << nochmal.fehler.toStdString();

    // A database user that may create databases, but no roles.
    TSuiteDatenbank::Oeffnen(erste);
    QSqlQuery(qel_Verbindung()).exec(QStringLiteral("CREATE ROLE \"%1\" LOGIN CREATEDB").arg(schwach));
    const TAdminLauf ohne = init(zweite, otto, schwach);
    EXPECT_EQ(ohne.rc, 1) << ohne.Alles().toStdString();
    EXPECT_TRUE(ohne.fehler.contains(QStringLiteral("Der Datenbankbenutzer „%1“ darf keine Datenbankrollen anlegen").arg(schwach)))
        << ohne.fehler.toStdString();
    EXPECT_EQ(anmelderollen(otto), 0);
    EXPECT_EQ(anmelderollen(eva), 1);
    // Roles belong to the whole server: they go once nothing is left that they own.
    TSuiteDatenbank::PostgresDatenbankLoeschen(zweite);
    for (const QString& r : {eva, schwach})
        QSqlQuery(qel_Verbindung()).exec(QStringLiteral("DROP ROLE IF EXISTS \"%1\"").arg(r));
    TSuiteDatenbank::Schliessen();
    TSuiteDatenbank::PostgresDatenbankLoeschen(erste);
}
