// The dunning rules through mahnwesen-admin: a client's settings, base rates, blocks of partners and items.
#include "support/admin.h"
#include "support/temp_suite.h"
#include "support/testdaten.h"
#include "support/umgebung.h"

#include "suite/core/servers/database.h"
#include "suite/core/servers/mahnregelnserver.h"
#include "suite/ui/programm.h"

#include <gtest/gtest.h>

namespace {

class MahnregelnAdmin : public ::testing::Test {
protected:
    MahnregelnAdmin()
    {
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
        alpha = mandant.Partner(QStringLiteral("Alpha GmbH"));
        posten = mandant.Posten(alpha, {QStringLiteral("RE-1"), 46300, 100, 0, 46320, 0, false, QString()});
        partnerNr = TTempSuite::Wert(QStringLiteral("SELECT nr FROM geschaeftspartner WHERE rnr = ? AND lnr = ?"),
                                     {alpha.RNr, alpha.LNr})
                        .toInt();
        TSuiteDatenbank::Schliessen();
    }
    ~MahnregelnAdmin() override { TSuiteDatenbank::Oeffnen(suite.Konfiguration()); }
    TAdminLauf admin(QStringList args)
    {
        args.prepend(suite.EinstellungsDatei());
        args.prepend(QStringLiteral("--config"));
        return Admin_Aufrufen(args);
    }

    TTempSuite suite{false};
    TTestUmgebung umg;
    TTestMandant mandant{7, QStringLiteral("Testmandant GmbH")};
    TIntPair alpha;
    TIntTrio posten;
    int partnerNr = 0;
};

TEST_F(MahnregelnAdmin, EinstellungenDesMandanten)
{
    TAdminLauf l = admin({QStringLiteral("mandant"), QStringLiteral("mahnregeln"), QStringLiteral("7")});
    EXPECT_EQ(l.rc, 0) << l.Alles().toStdString();
    EXPECT_TRUE(l.ausgabe.contains(QStringLiteral("2,50"))) << l.ausgabe.toStdString();
    l = admin({QStringLiteral("mandant"), QStringLiteral("mahnregeln"), QStringLiteral("7"), QStringLiteral("--werktage"),
               QStringLiteral("J"), QStringLiteral("--bundesland"), QStringLiteral("by"), QStringLiteral("--mindest-tage"),
               QStringLiteral("10"), QStringLiteral("--gebuehr"), QStringLiteral("3=2,00"), QStringLiteral("--ziel-tage-erste"),
               QStringLiteral("21")});
    EXPECT_EQ(l.rc, 0) << l.Alles().toStdString();
    l = admin({QStringLiteral("mandant"), QStringLiteral("mahnregeln"), QStringLiteral("7"), QStringLiteral("--bundesland"),
               QStringLiteral("XX")});
    EXPECT_EQ(l.rc, 1);
    EXPECT_TRUE(l.fehler.contains(QStringLiteral("Unbekanntes Bundesland „XX“"))) << l.fehler.toStdString();
    l = admin({QStringLiteral("mandant"), QStringLiteral("mahnregeln"), QStringLiteral("7"), QStringLiteral("--gebuehr"),
               QStringLiteral("drei")});
    EXPECT_EQ(l.rc, 2);
    TSuiteDatenbank::Oeffnen(suite.Konfiguration());
    const TMahnEinstellungen e = MahnRegeln_Lesen(mandant.Id);
    EXPECT_TRUE(e.NurWerktage);
    EXPECT_EQ(e.Bundesland, QStringLiteral("BY"));
    EXPECT_EQ(e.MindestTage, 10);
    EXPECT_EQ(e.ZielTageErste, 21);
    EXPECT_DOUBLE_EQ(e.Gebuehr(2), 2.0);
    TSuiteDatenbank::Schliessen();
}

TEST_F(MahnregelnAdmin, BasiszinsNurFuerDasNaechsteHalbjahr)
{
    TAdminLauf l = admin({QStringLiteral("basiszins"), QStringLiteral("add"), QStringLiteral("15.07.2026"), QStringLiteral("1,27")});
    EXPECT_EQ(l.rc, 1);
    EXPECT_TRUE(l.fehler.contains(QStringLiteral("nur zum 1. Januar und 1. Juli"))) << l.fehler.toStdString();
    l = admin({QStringLiteral("basiszins"), QStringLiteral("add"), QStringLiteral("01.07.2026"), QStringLiteral("eins")});
    EXPECT_EQ(l.rc, 2);
    l = admin({QStringLiteral("basiszins"), QStringLiteral("add"), QStringLiteral("01.07.2026"), QStringLiteral("1,27")});
    EXPECT_EQ(l.rc, 0) << l.Alles().toStdString();
    l = admin({QStringLiteral("basiszins"), QStringLiteral("add"), QStringLiteral("01.07.2026"), QStringLiteral("1,27")});
    EXPECT_EQ(l.rc, 1);
    EXPECT_TRUE(l.fehler.contains(QStringLiteral("Überschneidung"))) << l.fehler.toStdString();
    l = admin({QStringLiteral("basiszins"), QStringLiteral("list")});
    EXPECT_EQ(l.rc, 0);
    EXPECT_TRUE(l.ausgabe.startsWith(QStringLiteral("01.01.2002 - 30.06.2002  2,57\n")));
    EXPECT_TRUE(l.ausgabe.endsWith(QStringLiteral("01.07.2026 - 31.12.2026  1,27\n"))) << l.ausgabe.toStdString();
}

TEST_F(MahnregelnAdmin, PartnerUndPostenSperrenUndEntsperren)
{
    const QString nr = QString::number(partnerNr);
    TAdminLauf l = admin({QStringLiteral("partner"), QStringLiteral("sperren"), nr, QStringLiteral("--bis"),
                          QStringLiteral("31.12.2030")});
    EXPECT_EQ(l.rc, 2);
    l = admin({QStringLiteral("partner"), QStringLiteral("sperren"), nr, QStringLiteral("--grund"), QStringLiteral("Insolvenz"),
               QStringLiteral("--bis"), QStringLiteral("01.01.2000")});
    EXPECT_EQ(l.rc, 1);
    EXPECT_TRUE(l.fehler.contains(QStringLiteral("nicht in der Vergangenheit"))) << l.fehler.toStdString();
    l = admin({QStringLiteral("partner"), QStringLiteral("sperren"), nr, QStringLiteral("--grund"), QStringLiteral("Insolvenz"),
               QStringLiteral("--bis"), QStringLiteral("31.12.2030")});
    EXPECT_EQ(l.rc, 0) << l.Alles().toStdString();
    l = admin({QStringLiteral("posten"), QStringLiteral("sperren"), QStringLiteral("RE-1"), QStringLiteral("--grund"),
               QStringLiteral("Reklamation"), QStringLiteral("--bis"), QStringLiteral("31.12.2030")});
    EXPECT_EQ(l.rc, 0) << l.Alles().toStdString();
    l = admin({QStringLiteral("posten"), QStringLiteral("sperren"), QStringLiteral("RE-9"), QStringLiteral("--grund"),
               QStringLiteral("x"), QStringLiteral("--bis"), QStringLiteral("31.12.2030")});
    EXPECT_EQ(l.rc, 1);
    TSuiteDatenbank::Oeffnen(suite.Konfiguration());
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnsperre"), QStringLiteral("aufgehoben = 0")), 2);
    TSuiteDatenbank::Schliessen();
    l = admin({QStringLiteral("posten"), QStringLiteral("entsperren"), QStringLiteral("RE-1")});
    EXPECT_EQ(l.rc, 0) << l.Alles().toStdString();
    l = admin({QStringLiteral("partner"), QStringLiteral("entsperren"), nr});
    EXPECT_EQ(l.rc, 0) << l.Alles().toStdString();
    l = admin({QStringLiteral("partner"), QStringLiteral("entsperren"), nr});
    EXPECT_EQ(l.rc, 1);
    TSuiteDatenbank::Oeffnen(suite.Konfiguration());
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnsperre"), QStringLiteral("aufgehoben = 0")), 0);
    TSuiteDatenbank::Schliessen();
}

}  // namespace
