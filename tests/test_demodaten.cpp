// Demo data: reproducible, plausible and complete; and the administration tool as a program.
#include "support/admin.h"
#include "support/temp_suite.h"

#include "suite/core/servers/database_intern.h"
#include "suite/demodaten/demodaten.h"

#include <QCryptographicHash>
#include <QDate>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSqlRecord>
#include "suite/mail/mailkonfiguration.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A function, not a global: the date helpers have static state of their own.
TDateTime jetzt() { return qel_EncodeDate(2024, 6, 15) + 0.5; }

// Hash over every row of the tables the demo fills, in key order.
QByteArray pruefsumme()
{
    static const QStringList abfragen = {
        QStringLiteral("SELECT * FROM mandant ORDER BY rnr, lnr"),
        QStringLiteral("SELECT * FROM geschaeftspartner ORDER BY rnr, lnr"),
        QStringLiteral("SELECT * FROM organisation ORDER BY rnr, lnr"),
        QStringLiteral("SELECT * FROM mitarbeiter ORDER BY rnr, lnr"),
        QStringLiteral("SELECT * FROM offener_posten ORDER BY rechner_nr, trans_nr, lfd_nr"),
        QStringLiteral("SELECT * FROM textbaustein ORDER BY rnr, lnr"),
        QStringLiteral("SELECT rnr, lnr, art, bezeichnung, berichtsdatei, einstellungen FROM drucklayout ORDER BY rnr, lnr"),
    };
    QCryptographicHash h(QCryptographicHash::Sha256);
    for (const QString& sql : abfragen) {
        QSqlQuery q(qel_Verbindung());
        EXPECT_TRUE(q.exec(sql));
        while (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                h.addData((q.value(i).toString() + QLatin1Char('|')).toUtf8());
    }
    return h.result();
}

QByteArray pruefsummeMitSeed(quint64 seed)
{
    TDemoOptionen o;
    o.Seed = seed;
    TTempSuite suite(true, o);
    return pruefsumme();
}

}  // namespace

class DemoDatenTest : public ::testing::Test {
protected:
    void SetUp() override { qel_SetNow(jetzt()); }
    void TearDown() override { qel_ResetNow(); }
};

TEST_F(DemoDatenTest, SameSeedSameDataOtherSeedOtherData)
{
    const QByteArray a = pruefsummeMitSeed(4711);
    const QByteArray b = pruefsummeMitSeed(4711);
    const QByteArray c = pruefsummeMitSeed(815);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
}

TEST_F(DemoDatenTest, ClientsPartnersAndOpenItemsArePlausible)
{
    TTempSuite suite(true);
    ASSERT_EQ(TTempSuite::Anzahl(QStringLiteral("mandant")), 3);
    const int heute = int(qel_DateOf(jetzt()));
    for (int nr = 1; nr <= 3; ++nr) {
        SCOPED_TRACE(nr);
        const int mlnr = TTempSuite::Wert(QStringLiteral("SELECT lnr FROM mandant WHERE nr = ?"), {nr}).toInt();
        const QString imMandant = QStringLiteral("mandant_lnr = %1").arg(mlnr);
        EXPECT_GE(TTempSuite::Anzahl(QStringLiteral("geschaeftspartner"), imMandant), 200);
        EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("filiale"), imMandant), 2);
        const QString offen = imMandant + QStringLiteral(" AND soll_cent <> haben_cent");
        EXPECT_GE(TTempSuite::Anzahl(QStringLiteral("offener_posten"), imMandant), 2000);
        // Open items over the whole span: early years as well as the last weeks.
        EXPECT_GT(TTempSuite::Anzahl(QStringLiteral("offener_posten"), offen + QStringLiteral(" AND belegdatum < ?"),
                                     {qel_EncodeDate(2008, 1, 1)}),
                  0);
        EXPECT_GT(TTempSuite::Anzahl(QStringLiteral("offener_posten"), offen + QStringLiteral(" AND belegdatum > ?"),
                                     {heute - 30}),
                  0);
        EXPECT_GT(TTempSuite::Anzahl(QStringLiteral("offener_posten"), imMandant + QStringLiteral(" AND soll_cent = haben_cent")), 0);
        for (int stufe = 0; stufe <= 3; ++stufe)
            EXPECT_GT(TTempSuite::Anzahl(QStringLiteral("offener_posten"), offen + QStringLiteral(" AND mahnstufe = ?"), {stufe}), 0)
                << "Mahnstufe " << stufe;
        const double anteilZentral =
            double(TTempSuite::Anzahl(QStringLiteral("offener_posten"), imMandant + QStringLiteral(" AND zentralreguliert = 1")))
            / double(TTempSuite::Anzahl(QStringLiteral("offener_posten"), imMandant));
        EXPECT_GT(anteilZentral, 0.02);
        EXPECT_LT(anteilZentral, 0.10);
    }

    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten"), QStringLiteral("belegdatum < ? OR belegdatum > ?"),
                                 {CDatum_01_01_2005, qel_DateOf(jetzt())}),
              0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten"), QStringLiteral("mahnstufe < 0 OR mahnstufe > 3")), 0);
    EXPECT_GT(TTempSuite::Anzahl(QStringLiteral("geschaeftspartner"), QStringLiteral("aktiv = 0")), 0);
    // Every partner has its own organisation with a contact person of that organisation.
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("geschaeftspartner g JOIN organisation o ON o.rnr = g.orge_rnr AND o.lnr = g.orge_lnr "
                                                "JOIN mitarbeiter k ON k.rnr = o.kontakt_rnr AND k.lnr = o.kontakt_lnr "
                                                "AND k.orge_lnr = o.lnr")),
              TTempSuite::Anzahl(QStringLiteral("geschaeftspartner")));
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT COUNT(DISTINCT orge_lnr) FROM geschaeftspartner")).toLongLong(),
              TTempSuite::Anzahl(QStringLiteral("geschaeftspartner")));
    // The hidden columns are filled.
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten"),
                                 QStringLiteral("waehrung <> 'EUR' OR kostenstelle = '' OR konto = '' OR kontakt_lnr = 0 "
                                                "OR belegart NOT IN ('RE', 'GS')")),
              0);
    EXPECT_GT(TTempSuite::Anzahl(QStringLiteral("offener_posten"), QStringLiteral("skonto_cent > 0")), 0);
    EXPECT_GT(TTempSuite::Anzahl(QStringLiteral("offener_posten"), QStringLiteral("kommentar <> ''")), 0);
    EXPECT_GT(TTempSuite::Anzahl(QStringLiteral("offener_posten"), QStringLiteral("lfd_nr = 2")), 0);

    // Row by row: numbers, periods, payment terms.
    const QRegularExpression nummer(QStringLiteral("^(RE|GS)-(\\d{4})-\\d{6}$"));
    QSqlQuery q(qel_Verbindung());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT belegart, belegnummer, belegdatum, zahlungsziel, buchungsperiode, lfd_nr, "
                                      "soll_cent, haben_cent FROM offener_posten")));
    int zeilen = 0;
    while (q.next()) {
        ++zeilen;
        const QRegularExpressionMatch m = nummer.match(q.value(1).toString());
        ASSERT_TRUE(m.hasMatch()) << q.value(1).toString().toStdString();
        EXPECT_EQ(m.captured(1), q.value(0).toString());
        const QDate datum = qel_ToQDate(q.value(2).toDouble());
        EXPECT_EQ(m.captured(2).toInt(), datum.year());
        EXPECT_EQ(q.value(4).toInt(), datum.year() * 100 + datum.month());
        if (q.value(5).toInt() == 1) {
            const int ziel = int(q.value(3).toDouble() - q.value(2).toDouble());
            EXPECT_TRUE(ziel == 14 || ziel == 30) << ziel;
        }
        EXPECT_GE(q.value(6).toLongLong(), 0);
        EXPECT_GE(q.value(7).toLongLong(), 0);
    }
    EXPECT_GT(zeilen, 6000);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT COUNT(*) FROM (SELECT mandant_lnr, belegnummer, lfd_nr FROM offener_posten "
                                              "GROUP BY mandant_lnr, belegnummer, lfd_nr HAVING COUNT(*) > 1) d"))
                  .toInt(),
              0);
}

TEST_F(DemoDatenTest, DunningLevelsAreBookedDunningsWithTheirHistory)
{
    TTempSuite suite(true);
    // Every open item at level L was dunned exactly L times, once per level, each after the previous one.
    EXPECT_GT(TTempSuite::Anzahl(QStringLiteral("mahnung")), 100);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral(
                                   "SELECT COUNT(*) FROM offener_posten op WHERE op.soll_cent - op.haben_cent <> 0 AND "
                                   "op.mahnstufe <> (SELECT COUNT(*) FROM mahnung_position mp WHERE mp.op_rechner_nr = "
                                   "op.rechner_nr AND mp.op_trans_nr = op.trans_nr AND mp.op_lfd_nr = op.lfd_nr)"))
                  .toInt(),
              0);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral(
                                   "SELECT COUNT(*) FROM mahnung_position a JOIN mahnung ma ON ma.rnr = a.mahnung_rnr "
                                   "AND ma.lnr = a.mahnung_lnr JOIN mahnung_position b ON b.op_rechner_nr = a.op_rechner_nr "
                                   "AND b.op_trans_nr = a.op_trans_nr AND b.op_lfd_nr = a.op_lfd_nr AND b.mahnstufe = "
                                   "a.mahnstufe + 1 JOIN mahnung mb ON mb.rnr = b.mahnung_rnr AND mb.lnr = b.mahnung_lnr "
                                   "WHERE mb.mahnungsdatum <= ma.mahnungsdatum"))
                  .toInt(),
              0);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT COUNT(*) FROM mahnung WHERE mahnungsdatum > ?"), {qel_Now()}).toInt(),
              0);
}

TEST_F(DemoDatenTest, SystemDataForLettersAndRights)
{
    TTempSuite suite(true);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("rechner")), 3);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT filiale FROM rechner WHERE rechner_nr = 2")).toInt(), 1);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("benutzer_recht"), QStringLiteral("benutzer IN ('tester', 'demo') AND recht IN (202, 203)")), 4);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("benutzer_recht"), QStringLiteral("benutzer = 'praktikant'")), 0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("benutzer"), QStringLiteral("name = 'praktikant'")), 1);

    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("drucklayout"), QStringLiteral("art = 'KMAHN'")), 2);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("drucklayout"), QStringLiteral("art = 'KMAHN' AND standard = 1")), 1);
    // Every logo an organisation names exists, and it is a PNG an image reader accepts.
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("organisation o"),
                                 QStringLiteral("o.logo_name <> '' AND NOT EXISTS (SELECT 1 FROM logo l WHERE l.name = o.logo_name)")),
              0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("logo")), 9);
    QImage bild;
    EXPECT_TRUE(bild.loadFromData(TTempSuite::Wert(QStringLiteral("SELECT bild FROM logo WHERE name = 'FIRMA2-SUED'")).toByteArray()));
    EXPECT_EQ(bild.size(), QSize(240, 80));

    ASSERT_EQ(TTempSuite::Anzahl(QStringLiteral("textbaustein")), 3);
    QSqlQuery q(qel_Verbindung());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT kurztext, text FROM textbaustein ORDER BY kurztext")));
    QStringList kurz;
    while (q.next()) {
        kurz << q.value(0).toString();
        EXPECT_TRUE(q.value(1).toString().contains(QStringLiteral("#Heute")));
        EXPECT_TRUE(q.value(1).toString().contains(QStringLiteral("#Berücksichtigt")));
        EXPECT_TRUE(q.value(1).toString().startsWith(QStringLiteral("#Anrede\n")));
    }
    EXPECT_EQ(kurz, QStringList({QStringLiteral("1. Mahnung"), QStringLiteral("2. Mahnung"), QStringLiteral("Zahlungserinnerung")}));
}

TEST_F(DemoDatenTest, RefusesADatabaseWithClientsAndAddsTheBenchmarkClientOnRequest)
{
    TDemoOptionen o;
    o.GrossMandantOP = 700;
    TTempSuite suite(true, o);
    const int lnr = TTempSuite::Wert(QStringLiteral("SELECT lnr FROM mandant WHERE nr = 99")).toInt();
    ASSERT_NE(lnr, 0);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT name FROM mandant WHERE nr = 99")).toString(), QStringLiteral("Benchmark GmbH"));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("geschaeftspartner"), QStringLiteral("mandant_lnr = ?"), {lnr}), 2000);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT COUNT(DISTINCT trans_nr) FROM offener_posten WHERE mandant_lnr = ?"), {lnr}).toInt(), 700);

    const qint64 vorher = TTempSuite::Anzahl(QStringLiteral("offener_posten"));
    EXPECT_THROW(DemoDaten_Erzeugen(TDemoOptionen()), EQELError);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("offener_posten")), vorher);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mandant")), 4);
}

// --- the administration tool ------------------------------------------------------------------------

namespace {

using TLauf = TAdminLauf;

TLauf admin(const QStringList& args) { return Admin_Aufrufen(args); }

}  // namespace

TEST(AdminTool, InitDemoAndManagementCommands)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("etc/suite.ini"));
    TLauf l = admin({QStringLiteral("--config"), ini, QStringLiteral("init"), QStringLiteral("--db"),
                     QStringLiteral("daten/demo.sqlite"), QStringLiteral("--rechner"), QStringLiteral("2")});
    ASSERT_EQ(l.rc, 0) << l.fehler.toStdString();
    // A relative path counts from the settings folder.
    const QString db = dir.filePath(QStringLiteral("etc/daten/demo.sqlite"));
    EXPECT_TRUE(QFile::exists(db));
    const TSuiteKonfiguration k = TSuiteKonfiguration::Laden(ini);
    EXPECT_EQ(k.Datenbank, db);
    EXPECT_EQ(k.Rechner, 2);

    l = admin({QStringLiteral("--config"), ini, QStringLiteral("demo"), QStringLiteral("--seed"), QStringLiteral("17"),
               QStringLiteral("--benutzer"), QStringLiteral("anna")});
    ASSERT_EQ(l.rc, 0) << l.fehler.toStdString();
    l = admin({QStringLiteral("--config"), ini, QStringLiteral("demo")});
    EXPECT_EQ(l.rc, 1);
    EXPECT_TRUE(l.fehler.contains(QStringLiteral("bereits Mandanten"))) << l.fehler.toStdString();

    const QString png = dir.filePath(QStringLiteral("logo.png"));
    {
        QFile f(png);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(DemoDaten_EinfachesLogo(60, 20, 0x336699));
    }
    EXPECT_EQ(admin({QStringLiteral("--config"), ini, QStringLiteral("logo"), QStringLiteral("import"), QStringLiteral("HAUS"), png}).rc, 0);
    EXPECT_EQ(admin({QStringLiteral("--config"), ini, QStringLiteral("logo"), QStringLiteral("import"), QStringLiteral("KAPUTT"), ini}).rc, 1);
    EXPECT_EQ(admin({QStringLiteral("--config"), ini, QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("bernd"),
                     QStringLiteral("--recht"), QStringLiteral("202"), QStringLiteral("--recht"), QStringLiteral("203")})
                  .rc,
              0);
    EXPECT_EQ(admin({QStringLiteral("--config"), ini, QStringLiteral("rechner"), QStringLiteral("add"), QStringLiteral("7"),
                     QStringLiteral("Lager"), QStringLiteral("--filiale"), QStringLiteral("2")})
                  .rc,
              0);
    EXPECT_EQ(admin({QStringLiteral("--config"), ini, QStringLiteral("layout"), QStringLiteral("import"),
                     QStringLiteral("/irgendwo/brief.html"), QStringLiteral("--art"), QStringLiteral("KMAHN"),
                     QStringLiteral("--name"), QStringLiteral("Brief")})
                  .rc,
              0);
    l = admin({QStringLiteral("--config"), ini, QStringLiteral("version")});
    EXPECT_EQ(l.rc, 0);
    EXPECT_TRUE(l.ausgabe.contains(QStringLiteral("Schemaversion der Datenbank: %1").arg(TSuiteDatenbank::SchemaVersionProgramm())))
        << l.ausgabe.toStdString();

    TSuiteDatenbank::Oeffnen(k);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mandant")), 3);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("benutzer_recht"), QStringLiteral("benutzer IN ('anna', 'bernd')")), 4);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT filiale FROM rechner WHERE rechner_nr = 7")).toInt(), 2);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT berichtsdatei FROM drucklayout WHERE bezeichnung = 'Brief'")).toString(),
              QStringLiteral("brief.html"));
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT mime FROM logo WHERE name = 'HAUS'")).toString(), QStringLiteral("image/png"));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("logo"), QStringLiteral("name = 'KAPUTT'")), 0);
    // Demo mails can be tried at once and never reach a real mailbox.
    EXPECT_GT(TTempSuite::Anzahl(QStringLiteral("geschaeftspartner"), QStringLiteral("mahn_email LIKE '%@%.example'")), 0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("geschaeftspartner"),
                                 QStringLiteral("mahn_email <> '' AND mahn_email NOT LIKE '%.example'")),
              0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mandant"), QStringLiteral("mail_absender_adresse LIKE '%@%'")), 3);
    EXPECT_EQ(TMailKonfiguration::Laden(ini).Probelaufordner, dir.filePath(QStringLiteral("etc/mail-probelauf")));
    TSuiteDatenbank::Schliessen();
}

TEST(AdminTool, UsageErrorsAndFailuresHaveTheirExitCodes)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("suite.ini"));
    EXPECT_EQ(admin({}).rc, 2);
    EXPECT_EQ(admin({QStringLiteral("--config"), ini, QStringLiteral("zaubern")}).rc, 2);
    EXPECT_EQ(admin({QStringLiteral("--config"), ini, QStringLiteral("init")}).rc, 2);
    EXPECT_EQ(admin({QStringLiteral("--config"), ini, QStringLiteral("demo"), QStringLiteral("--gross"), QStringLiteral("viele")}).rc, 2);
    EXPECT_EQ(admin({QStringLiteral("--config"), ini, QStringLiteral("create"), QStringLiteral("--wunsch")}).rc, 2);
    const TLauf l = admin({QStringLiteral("--config"), ini, QStringLiteral("create")});
    EXPECT_EQ(l.rc, 1) << "no settings file yet";
    EXPECT_TRUE(l.fehler.contains(QStringLiteral("Einstellungsdatei"))) << l.fehler.toStdString();

    // A foreign file as database: refused and left alone.
    const QString muell = dir.filePath(QStringLiteral("muell.db"));
    {
        QFile f(muell);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("kein SQLite");
    }
    EXPECT_EQ(admin({QStringLiteral("--config"), ini, QStringLiteral("init"), QStringLiteral("--db"), muell}).rc, 1);
    EXPECT_EQ(admin({QStringLiteral("--config"), ini, QStringLiteral("upgrade")}).rc, 1);
    QFile f(muell);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("kein SQLite"));
}
