// Booking dunnings in the dunning server: numbering, raised levels, refusals and all-or-nothing.
#include "suite/ui/programm.h"
#include "suite/core/servers/database_intern.h"
#include "suite/core/servers/interfaces.h"
#include "support/temp_suite.h"
#include "support/testdaten.h"
#include "support/umgebung.h"

#include <QCoreApplication>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

const TDateTime kHeute = 46364.0;

TQEL_Mahnung_Belegpositionen position(const TIntTrio& t, int neueStufe, double saldo, const QString& beleg)
{
    TQEL_Mahnung_Belegpositionen p;
    Init_TQEL_Mahnung_Belegpositionen(p);
    p.RNr = t.RechnerNummer;
    p.TransNr = t.TransaktionsNummer;
    p.LfdNr = int16_t(t.LfdNummer);
    p.Mahnstufe = neueStufe;
    p.ZahlbarBis = kHeute + (neueStufe == 1 ? 14 : 5);
    p.Saldo = saldo;
    p.Mahngebuehren = neueStufe > 2 ? 2.5 : 0;
    p.Verzugszins = 1.25;
    p.Belegnummer = beleg;
    p.Belegdatum = kHeute - 40;
    return p;
}

class Buchen : public ::testing::Test {
protected:
    Buchen() : umg(kHeute + 0.5)
    {
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
        alpha = mandant.Partner(QStringLiteral("Alpha GmbH"));
        beta = mandant.Partner(QStringLiteral("Beta KG"));
        a1 = mandant.Posten(alpha, {QStringLiteral("A1"), kHeute - 40, 100, 0, kHeute - 20, 0, false, QString()});
        a2 = mandant.Posten(alpha, {QStringLiteral("A2"), kHeute - 40, 200, 0, kHeute - 20, 1, false, QString()});
        b1 = mandant.Posten(beta, {QStringLiteral("B1"), kHeute - 40, 300, 50, kHeute - 20, 2, false, QString()});
        Glob_ServerFactoryClass().MahnungEditServer_Holen(server);
    }
    ~Buchen() override { Glob_ServerFactoryClass().MahnungEditServer_Freigeben(server); }

    TQEL_Mahnung_Beleg beleg(const TIntPair& gep) const
    {
        TQEL_Mahnung_Beleg b;
        b.Mandant = mandant.Id;
        b.GepNr = gep;
        b.Mahnungsdatum = kHeute + 0.5;
        b.Beruecksichtigt = kHeute;
        b.MahnungsText = QStringLiteral("Sehr geehrte Damen und Herren, #Heute ... 'x'; DROP TABLE mahnung; --");
        return b;
    }

    TQEL_Mahnung_Beleg_Array zweiBelege() const
    {
        TQEL_Mahnung_Beleg_Array m{beleg(alpha), beleg(beta)};
        m[0].Positionen = {position(a1, 1, 100, QStringLiteral("A1")), position(a2, 2, 200, QStringLiteral("A2"))};
        m[1].Positionen = {position(b1, 3, 250, QStringLiteral("B1"))};
        return m;
    }

    static int stufe(const TIntTrio& t)
    {
        return TTempSuite::Wert(QStringLiteral("SELECT mahnstufe FROM offener_posten WHERE rechner_nr = ? AND "
                                               "trans_nr = ? AND lfd_nr = ?"),
                                {t.RechnerNummer, t.TransaktionsNummer, t.LfdNummer})
            .toInt();
    }

    TTempSuite suite{false};
    TTestUmgebung umg;
    TTestMandant mandant{7, QStringLiteral("Testmandant GmbH")};
    TIntPair alpha, beta;
    TIntTrio a1, a2, b1;
    IQEL_MahnungEditServerRef server;
};

TEST_F(Buchen, StoresDocumentsNumbersThemAndRaisesTheItems)
{
    TQEL_Mahnung_Beleg_Array m = zweiBelege();
    ASSERT_TRUE(server->Mahnungen_Buchen(m));
    EXPECT_EQ(m[0].WirtschaftsJahr, 2026);
    EXPECT_EQ(m[0].RNr, 1);
    EXPECT_EQ(m[0].LfdNr, 1);
    EXPECT_EQ(m[1].LfdNr, 2);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 2);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_position")), 3);
    EXPECT_EQ(stufe(a1), 1);
    EXPECT_EQ(stufe(a2), 2);
    EXPECT_EQ(stufe(b1), 3);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT mahnungstext FROM mahnung WHERE beleg_lfdnr = 1")).toString(),
              m[0].MahnungsText);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT SUM(verzugszins_cent) FROM mahnung_position")).toLongLong(), 375);
    // The granted terms become the items' current terms.
    EXPECT_DOUBLE_EQ(server->Aktuelles_Zahlungsziel(a1.RechnerNummer, a1.TransaktionsNummer, a1.LfdNummer),
                     kHeute + 14);
    EXPECT_DOUBLE_EQ(server->Aktuelles_Zahlungsziel(b1.RechnerNummer, b1.TransaktionsNummer, b1.LfdNummer),
                     kHeute + 5);
    TVRList* h = server->Mahnhistorie_Liste(b1.RechnerNummer, b1.TransaktionsNummer, b1.LfdNummer);
    ASSERT_EQ(h->GetRowCount(), 1);
    EXPECT_EQ(h->GetCellValueAsInteger(0, 1), 3);
    EXPECT_EQ(h->GetCellValueAsString(0, 2), QStringLiteral("AOP 2-2026 1"));

    // The next booking continues the numbers; another computer has its own range.
    TQEL_Mahnung_Beleg_Array zweite{beleg(alpha)};
    zweite[0].Positionen = {position(a1, 2, 100, QStringLiteral("A1"))};
    ASSERT_TRUE(server->Mahnungen_Buchen(zweite));
    EXPECT_EQ(zweite[0].LfdNr, 3);
    TSuiteKonfiguration k = QELProgramm().Konfiguration();
    k.Rechner = 2;
    QELProgramm().SetKonfiguration(k);
    TQEL_Mahnung_Beleg_Array dritte{beleg(alpha)};
    dritte[0].Positionen = {position(a1, 3, 100, QStringLiteral("A1"))};
    ASSERT_TRUE(server->Mahnungen_Buchen(dritte));
    EXPECT_EQ(dritte[0].RNr, 2);
    EXPECT_EQ(dritte[0].LfdNr, 1);
    EXPECT_TRUE(umg.Recorder->Meldungen.empty());
}

TEST_F(Buchen, RefusedBookingLeavesNoTraceAndSaysWhy)
{
    // B1 was dunned elsewhere since it was listed: its level no longer matches.
    TSqlAbfrage(QStringLiteral("UPDATE offener_posten SET mahnstufe = 3 WHERE trans_nr = ?")).Bind(b1.TransaktionsNummer).Exec();
    TQEL_Mahnung_Beleg_Array m = zweiBelege();
    EXPECT_FALSE(server->Mahnungen_Buchen(m));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_position")), 0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("belegnummer_kreis")), 0);
    EXPECT_EQ(stufe(a1), 0);
    EXPECT_EQ(stufe(a2), 1);
    EXPECT_EQ(m[0].LfdNr, 0);
    EXPECT_EQ(m[1].WirtschaftsJahr, 0);
    ASSERT_EQ(umg.Recorder->Meldungen.size(), 1u);
    EXPECT_EQ(umg.Recorder->Meldungen[0].Nr, 991);
    EXPECT_TRUE(umg.Recorder->Meldungen[0].Text.contains(QStringLiteral("B1")));

    // A settled item and an item of another partner are refused too.
    TSqlAbfrage(QStringLiteral("UPDATE offener_posten SET haben_cent = soll_cent WHERE trans_nr = ?")).Bind(a1.TransaktionsNummer).Exec();
    TQEL_Mahnung_Beleg_Array bezahlt{beleg(alpha)};
    bezahlt[0].Positionen = {position(a1, 1, 100, QStringLiteral("A1"))};
    EXPECT_FALSE(server->Mahnungen_Buchen(bezahlt));
    EXPECT_TRUE(umg.Recorder->Meldungen.back().Text.contains(QStringLiteral("ausgeglichen")));
    TQEL_Mahnung_Beleg_Array fremd{beleg(beta)};
    fremd[0].Positionen = {position(a2, 2, 200, QStringLiteral("A2"))};
    EXPECT_FALSE(server->Mahnungen_Buchen(fremd));
    // The same item twice in one call is dunned once at most.
    TQEL_Mahnung_Beleg_Array doppelt{beleg(alpha)};
    doppelt[0].Positionen = {position(a2, 2, 200, QStringLiteral("A2")), position(a2, 2, 200, QStringLiteral("A2"))};
    EXPECT_FALSE(server->Mahnungen_Buchen(doppelt));
    EXPECT_EQ(stufe(a2), 1);
    TQEL_Mahnung_Beleg_Array leer;
    EXPECT_FALSE(server->Mahnungen_Buchen(leer));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 0);
}

// A process that dies in the middle of a booking leaves all or nothing.
TEST_F(Buchen, KilledProcessLeavesNothingHalfBooked)
{
    TSuiteDatenbank::Schliessen();
    QProcess kind;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QEL_SUITE_TEST_KIND"), QStringLiteral("1"));
    env.insert(QStringLiteral("QEL_SUITE_TEST_ABBRUCH_NACH_POSITION"), QStringLiteral("2"));
    env.insert(QStringLiteral("QEL_SUITE_CONFIG"), suite.EinstellungsDatei());
    kind.setProcessEnvironment(env);
    // The child reuses this database: it must not build a fixture of its own.
    kind.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("--gtest_filter=KindBuchung.*")});
    ASSERT_TRUE(kind.waitForFinished(60000));
    EXPECT_EQ(kind.exitStatus(), QProcess::CrashExit);
    QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_position")), 0);
    EXPECT_EQ(stufe(a1), 0);
    EXPECT_EQ(stufe(a2), 1);
    // Without the injected end the same booking goes through.
    TQEL_Mahnung_Beleg_Array m = zweiBelege();
    EXPECT_TRUE(server->Mahnungen_Buchen(m));
}

// Run only as the child of the test above: books on the parent's database and dies at the injected point.
TEST(KindBuchung, BooksOnTheParentsDatabase)
{
    if (!qEnvironmentVariableIsSet("QEL_SUITE_TEST_KIND"))
        GTEST_SKIP() << "only as a child process";
    QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
    IQEL_MahnungEditServerRef s;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(s);
    // Book every open item of the first client in one document per partner.
    const QVariant mandantRnr = TTempSuite::Wert(QStringLiteral("SELECT rnr FROM mandant"));
    const QVariant mandantLnr = TTempSuite::Wert(QStringLiteral("SELECT lnr FROM mandant"));
    TSqlAbfrage q(QStringLiteral("SELECT rechner_nr, trans_nr, lfd_nr, gep_rnr, gep_lnr, mahnstufe, belegnummer "
                                 "FROM offener_posten ORDER BY gep_lnr, trans_nr"));
    q.Exec();
    TQEL_Mahnung_Beleg_Array m;
    while (q.Next()) {
        const TIntPair gep{q.Int(3), q.Int(4)};
        if (m.empty() || !IntPairEqual(m.back().GepNr, gep)) {
            TQEL_Mahnung_Beleg b;
            b.Mandant = TIntPair{mandantRnr.toInt(), mandantLnr.toInt()};
            b.GepNr = gep;
            b.Mahnungsdatum = kHeute;
            b.Beruecksichtigt = kHeute;
            m.push_back(b);
        }
        m.back().Positionen.push_back(
            position(TIntTrio{q.Int(0), q.Int(1), q.Int(2)}, q.Int(5) + 1, 10, q.Text(6)));
    }
    s->Mahnungen_Buchen(m);
    ADD_FAILURE() << "the injected end did not stop the booking";
}

}  // namespace
