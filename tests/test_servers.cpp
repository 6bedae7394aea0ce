// Business servers on a demo database: system data, clients, partners, and the servers of later versions.
#include "support/temp_suite.h"

#include "suite/core/servers/database.h"
#include "suite/core/servers/interfaces.h"
#include "suite/core/servers/verwaltung.h"

#include <QCollator>
#include <QLocale>
#include <QSet>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct TMandantSchluessel {
    TIntPair id;
    TIntPair orge;
};

TMandantSchluessel mandantNr(int nr)
{
    TMandantSchluessel m;
    m.id.RNr = TTempSuite::Wert(QStringLiteral("SELECT rnr FROM mandant WHERE nr = ?"), {nr}).toInt();
    m.id.LNr = TTempSuite::Wert(QStringLiteral("SELECT lnr FROM mandant WHERE nr = ?"), {nr}).toInt();
    m.orge.RNr = TTempSuite::Wert(QStringLiteral("SELECT orge_rnr FROM mandant WHERE nr = ?"), {nr}).toInt();
    m.orge.LNr = TTempSuite::Wert(QStringLiteral("SELECT orge_lnr FROM mandant WHERE nr = ?"), {nr}).toInt();
    return m;
}

}  // namespace

class ServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        qel_SetNow(qel_EncodeDate(2024, 6, 15) + 0.5);
        s_suite = std::make_unique<TTempSuite>(true);
    }
    static void TearDownTestSuite()
    {
        s_suite.reset();
        qel_ResetNow();
    }
    void SetUp() override
    {
        Glob_WWSServerFactoryClass().SystemServer_Holen(system);
        Glob_WWSServerFactoryClass().GPListenServer_Holen(gp);
    }
    void TearDown() override
    {
        Glob_WWSServerFactoryClass().SystemServer_Freigeben(system);
        Glob_WWSServerFactoryClass().GPListenServer_Freigeben(gp);
    }

    static std::unique_ptr<TTempSuite> s_suite;
    IQEL_SystemServerRef system;
    IQEL_GPListenServerRef gp;
};
std::unique_ptr<TTempSuite> ServerTest::s_suite;

TEST_F(ServerTest, RightsBelongToTheirUserOnly)
{
    EXPECT_TRUE(system->Benutzer_Hat_Recht(QStringLiteral("tester"), 202));
    EXPECT_TRUE(system->Benutzer_Hat_Recht(QStringLiteral("tester"), 203));
    EXPECT_TRUE(system->Benutzer_Hat_Recht(QStringLiteral("demo"), 203));
    EXPECT_FALSE(system->Benutzer_Hat_Recht(QStringLiteral("tester"), 204));
    EXPECT_FALSE(system->Benutzer_Hat_Recht(QStringLiteral("praktikant"), 202));
    EXPECT_TRUE(system->Benutzer_Existiert(QStringLiteral("praktikant")));
    EXPECT_FALSE(system->Benutzer_Existiert(QStringLiteral("niemand")));
    EXPECT_FALSE(system->Benutzer_Hat_Recht(QStringLiteral("niemand"), 202));

    // Granting again adds only what is missing.
    EXPECT_FALSE(Verwaltung_BenutzerAnlegen(QStringLiteral("praktikant"), QString(), {202, 202}));
    EXPECT_TRUE(system->Benutzer_Hat_Recht(QStringLiteral("praktikant"), 202));
    EXPECT_FALSE(system->Benutzer_Hat_Recht(QStringLiteral("praktikant"), 203));
    EXPECT_THROW(Verwaltung_BenutzerAnlegen(QStringLiteral("  "), QString(), {}), EQELError);
}

TEST_F(ServerTest, ComputerTableWithAndWithoutBranch)
{
    QString bez;
    int filiale = -1;
    ASSERT_TRUE(system->Rechner_Lesen(1, bez, filiale));
    EXPECT_EQ(bez, QStringLiteral("Buchhaltung"));
    EXPECT_EQ(filiale, 0);
    ASSERT_TRUE(system->Rechner_Lesen(3, bez, filiale));
    EXPECT_EQ(bez, QStringLiteral("Filiale Süd"));
    EXPECT_EQ(filiale, 2);
    EXPECT_FALSE(system->Rechner_Lesen(42, bez, filiale));
    EXPECT_TRUE(bez.isEmpty());
    EXPECT_EQ(filiale, 0);

    EXPECT_TRUE(Verwaltung_RechnerEintragen(42, QStringLiteral("Kasse"), 1));
    EXPECT_FALSE(Verwaltung_RechnerEintragen(42, QStringLiteral("Kasse Nord"), 2));
    ASSERT_TRUE(system->Rechner_Lesen(42, bez, filiale));
    EXPECT_EQ(bez, QStringLiteral("Kasse Nord"));
    EXPECT_EQ(filiale, 2);
    EXPECT_THROW(Verwaltung_RechnerEintragen(0, QStringLiteral("Null"), 0), EQELError);
}

TEST_F(ServerTest, ClientListIsOrderedByNumberWithTheCity)
{
    IQEL_MandListeServerRef m;
    Glob_WWSServerFactoryClass().MandListeServer_Holen(m);
    const QVector<TMandantInfo> liste = m->Mandanten_Lesen();
    Glob_WWSServerFactoryClass().MandListeServer_Freigeben(m, QStringLiteral("ServerTest"));
    EXPECT_EQ(m, nullptr);
    ASSERT_EQ(liste.size(), 3);
    EXPECT_EQ(liste[0].Nr, 1);
    EXPECT_EQ(liste[0].Name, QStringLiteral("Müller Haustechnik GmbH"));
    EXPECT_EQ(liste[0].Ort, QStringLiteral("Köln"));
    EXPECT_EQ(liste[1].Name, QStringLiteral("Bäckerei Schäfer KG"));
    EXPECT_EQ(liste[2].Nr, 3);
    EXPECT_TRUE(IntPairEqual(liste[0].Id, mandantNr(1).id));
    EXPECT_FALSE(IntPairEqual(liste[0].Id, liste[1].Id));
}

TEST_F(ServerTest, OrganisationsOfPartnersClientsAndBranches)
{
    const TMandantSchluessel m1 = mandantNr(1), m2 = mandantNr(2);
    TIntPair orge;
    // A client key gives the client's own organisation.
    ASSERT_TRUE(gp->Gep_Lesen(m1.id, orge));
    EXPECT_TRUE(IntPairEqual(orge, m1.orge));

    const TIntPair partner{TTempSuite::Wert(QStringLiteral("SELECT MIN(rnr) FROM geschaeftspartner")).toInt(),
                           TTempSuite::Wert(QStringLiteral("SELECT MIN(lnr) FROM geschaeftspartner")).toInt()};
    ASSERT_TRUE(gp->Gep_Lesen(partner, orge));
    EXPECT_EQ(orge.LNr, TTempSuite::Wert(QStringLiteral("SELECT orge_lnr FROM geschaeftspartner WHERE rnr = ? AND lnr = ?"),
                                         {partner.RNr, partner.LNr})
                            .toInt());
    EXPECT_FALSE(gp->Gep_Lesen(TIntPair{1, 999999}, orge));
    EXPECT_FALSE(IntPairDefined(orge));
    EXPECT_FALSE(gp->Gep_Lesen(CLeeresIntPair, orge));

    TIntPair nord, sued;
    ASSERT_TRUE(gp->Gep_Lesen_Umfang(m1.id, 1, nord));
    ASSERT_TRUE(gp->Gep_Lesen_Umfang(m1.id, 2, sued));
    EXPECT_FALSE(IntPairEqual(nord, sued));
    EXPECT_FALSE(gp->Gep_Lesen_Umfang(m1.id, 7, orge));

    TQEL_OrgeMerkmale merkmale;
    ASSERT_TRUE(system->OrgeMerkmale_Lesen(m1.id, nord, merkmale));
    EXPECT_EQ(merkmale.LogoName, QStringLiteral("FIRMA1-NORD"));
    ASSERT_TRUE(IntPairDefined(merkmale.Kontaktperson));
    TKontaktperson k;
    ASSERT_TRUE(system->Kontaktperson_Lesen(merkmale.Kontaktperson, k));
    EXPECT_FALSE(k.Nachname.isEmpty());
    EXPECT_TRUE(k.Anrede == QStringLiteral("Herr") || k.Anrede == QStringLiteral("Frau"));
    // Another client's branch is not an organisation of this client.
    EXPECT_FALSE(system->OrgeMerkmale_Lesen(m2.id, nord, merkmale));
    EXPECT_TRUE(merkmale.LogoName.isEmpty());
    ASSERT_TRUE(system->OrgeMerkmale_Lesen(m1.id, m1.orge, merkmale));
    EXPECT_EQ(merkmale.LogoName, QStringLiteral("FIRMA1"));
    EXPECT_FALSE(system->Kontaktperson_Lesen(CLeeresIntPair, k));

    TAnschrift a;
    ASSERT_TRUE(system->Anschrift_Lesen(m1.orge, a));
    EXPECT_EQ(a.Name1, QStringLiteral("Müller Haustechnik GmbH"));
    EXPECT_EQ(a.Ort, QStringLiteral("Köln"));
    EXPECT_TRUE(a.Iban.startsWith(QStringLiteral("DE")));
    EXPECT_FALSE(a.UstId.isEmpty());
    EXPECT_FALSE(system->Anschrift_Lesen(TIntPair{9, 9}, a));
}

TEST_F(ServerTest, LayoutsOfAKindWithTheirSettingsAndLogos)
{
    const QVector<TDruckLayout> layouts = system->Layouts_Lesen(QStringLiteral("KMAHN"));
    ASSERT_EQ(layouts.size(), 2);
    EXPECT_TRUE(layouts[0].Standard);
    EXPECT_EQ(layouts[0].Bezeichnung, QStringLiteral("Mahnung Standard"));
    EXPECT_EQ(layouts[0].Berichtsdatei, QStringLiteral("mahnung.html"));
    EXPECT_TRUE(layouts[0].Einstellungen.contains(QStringLiteral("ObererRand=20")));
    EXPECT_TRUE(layouts[0].Einstellungen.contains(QStringLiteral("txtLogoKennung=FIRMA1")));
    EXPECT_TRUE(layouts[1].Einstellungen.contains(QStringLiteral("AltLogo=J")));
    EXPECT_TRUE(system->Layouts_Lesen(QStringLiteral("RECHNUNG")).isEmpty());

    // A new default of the kind replaces the old one; settings keep their order and blanks.
    Verwaltung_LayoutRegistrieren(QStringLiteral("KMAHN"), QStringLiteral("Aaa Hausformat"), QStringLiteral("haus.html"),
                                  {QStringLiteral("LinkerRand= 30 "), QStringLiteral("AltLogo=N")}, true, 1);
    const QVector<TDruckLayout> neu = system->Layouts_Lesen(QStringLiteral("KMAHN"));
    ASSERT_EQ(neu.size(), 3);
    EXPECT_EQ(neu[0].Bezeichnung, QStringLiteral("Aaa Hausformat"));
    EXPECT_EQ(neu[0].Einstellungen, QStringList({QStringLiteral("LinkerRand= 30 "), QStringLiteral("AltLogo=N")}));
    EXPECT_EQ(std::count_if(neu.begin(), neu.end(), [](const TDruckLayout& l) { return l.Standard; }), 1);
    EXPECT_THROW(Verwaltung_LayoutRegistrieren(QStringLiteral("KMAHN"), QStringLiteral("x"), QStringLiteral("x.html"),
                                               {QStringLiteral("ohneGleich")}, false, 1),
                 EQELError);

    QByteArray bild;
    QString mime;
    ASSERT_TRUE(system->Logo_Lesen(QStringLiteral("FIRMA1"), bild, mime));
    EXPECT_EQ(mime, QStringLiteral("image/png"));
    EXPECT_TRUE(bild.startsWith("\x89PNG"));
    EXPECT_FALSE(system->Logo_Lesen(QStringLiteral("GIBTSNICHT"), bild, mime));
    EXPECT_TRUE(bild.isEmpty());
}

TEST_F(ServerTest, PartnerSearchMatchesSubstringsOfTheClientsPartnersOnly)
{
    const TMandantSchluessel m1 = mandantNr(1);
    QSet<QString> eigene;
    {
        // All partner keys of client 1, in the text form the search uses.
        for (int lnr = 0;;) {
            const QVariant v = TTempSuite::Wert(
                QStringLiteral("SELECT MIN(lnr) FROM geschaeftspartner WHERE mandant_rnr = ? AND mandant_lnr = ? AND lnr > ?"),
                {m1.id.RNr, m1.id.LNr, lnr});
            if (v.isNull())
                break;
            lnr = v.toInt();
            eigene.insert(QStringLiteral("1;%1").arg(lnr));
        }
    }
    const qint64 alle = TTempSuite::Anzahl(QStringLiteral("geschaeftspartner"), QStringLiteral("mandant_lnr = ?"), {m1.id.LNr});
    const qint64 aktive =
        TTempSuite::Anzahl(QStringLiteral("geschaeftspartner"), QStringLiteral("mandant_lnr = ? AND aktiv = 1"), {m1.id.LNr});
    ASSERT_LT(aktive, alle) << "the demo data must hold inactive partners";

    TVRList* l = gp->Gep_Suchen(m1.id, QString(), QString(), QString(), QString(), false, 0);
    ASSERT_EQ(l->GetColumnCount(), 7);
    EXPECT_EQ(l->GetRowCount(), alle);
    for (int r = 0; r < l->GetRowCount(); ++r)
        ASSERT_TRUE(eigene.contains(l->GetCellValueAsString(r, CQEL_GPSuchErgebnis_GepNr)));
    EXPECT_EQ(gp->Gep_Suchen(m1.id, QString(), QString(), QString(), QString(), true, 0)->GetRowCount(), aktive);

    // Upper case with umlaut finds mixed case: "ÜLLER" in "Müller ...".
    l = gp->Gep_Suchen(m1.id, QStringLiteral("ÜLLER"), QString(), QString(), QString(), false, 0);
    const qint64 muellerAnzahl = TTempSuite::Anzahl(QStringLiteral("geschaeftspartner"),
                                                   QStringLiteral("mandant_lnr = ? AND name LIKE '%üller%'"), {m1.id.LNr});
    ASSERT_GT(muellerAnzahl, 0);
    EXPECT_EQ(l->GetRowCount(), muellerAnzahl);
    for (int r = 0; r < l->GetRowCount(); ++r)
        EXPECT_TRUE(l->GetCellValueAsString(r, CQEL_GPSuchErgebnis_NameFormatted).contains(QStringLiteral("üller")));

    l = gp->Gep_Suchen(m1.id, QString(), QStringLiteral("köln"), QString(), QString(), false, 0);
    ASSERT_GT(l->GetRowCount(), 0);
    for (int r = 0; r < l->GetRowCount(); ++r)
        EXPECT_EQ(l->GetCellValueAsString(r, CQEL_GPSuchErgebnis_Ort), QStringLiteral("Köln"));

    l = gp->Gep_Suchen(m1.id, QString(), QString(), QStringLiteral("straße"), QStringLiteral("deutsch"), true, 0);
    ASSERT_GT(l->GetRowCount(), 0);
    for (int r = 0; r < l->GetRowCount(); ++r) {
        EXPECT_TRUE(l->GetCellValueAsString(r, CQEL_GPSuchErgebnis_Strasse).contains(QStringLiteral("straße"), Qt::CaseInsensitive));
        EXPECT_EQ(l->GetCellValueAsString(r, CQEL_GPSuchErgebnis_Land), QStringLiteral("Deutschland"));
    }

    // At most maxZeilen rows: the first ones of the full, name-ordered result; the same table each time.
    TVRList* voll = gp->Gep_Suchen(m1.id, QString(), QString(), QString(), QString(), true, 0);
    QStringList vollNamen;
    for (int r = 0; r < voll->GetRowCount(); ++r)
        vollNamen << voll->GetCellValueAsString(r, CQEL_GPSuchErgebnis_NameFormatted);
    TVRList* teil = gp->Gep_Suchen(m1.id, QString(), QString(), QString(), QString(), true, 10);
    EXPECT_EQ(teil, voll);
    ASSERT_EQ(teil->GetRowCount(), 10);
    for (int r = 0; r < 10; ++r)
        EXPECT_EQ(teil->GetCellValueAsString(r, CQEL_GPSuchErgebnis_NameFormatted), vollNamen[r]);
    QCollator deutsch{QLocale(QLocale::German, QLocale::Germany)};
    deutsch.setCaseSensitivity(Qt::CaseInsensitive);
    for (int i = 1; i < vollNamen.size(); ++i)
        ASSERT_LE(deutsch.compare(vollNamen[i - 1], vollNamen[i]), 0) << vollNamen[i].toStdString();

    EXPECT_EQ(gp->Gep_Suchen(m1.id, QStringLiteral("kein solcher Name"), QString(), QString(), QString(), false, 0)
                  ->GetRowCount(),
              0);
    EXPECT_EQ(gp->Gep_Suchen(TIntPair{7, 7}, QString(), QString(), QString(), QString(), false, 0)->GetRowCount(), 0);

    // Number and key columns name the same partner.
    l = gp->Gep_Suchen(m1.id, QString(), QString(), QString(), QString(), false, 1);
    const TIntPair key = qel_String2TIntPair(l->GetCellValueAsString(0, CQEL_GPSuchErgebnis_GepNr));
    EXPECT_EQ(l->GetCellValueAsInteger(0, CQEL_GPSuchErgebnis_Nummer),
              TTempSuite::Wert(QStringLiteral("SELECT nr FROM geschaeftspartner WHERE rnr = ? AND lnr = ?"), {key.RNr, key.LNr})
                  .toLongLong());
}

TEST_F(ServerTest, FactoriesHandOutWorkingServersAndTakeThemBack)
{
    IQEL_ZahlungEditServerRef z;
    IQEL_MahnungEditServerRef m;
    IQEL_PrintEditServerRef p;
    IQEL_BelegEditServerRef b;
    IQEL_DokumentServerRef d;
    Glob_ServerFactoryClass().ZahlungEditServer_Holen(z);
    Glob_ServerFactoryClass().MahnungEditServer_Holen(m);
    Glob_WWSServerFactoryClass().PrintEditServer_Holen(p);
    Glob_WWSServerFactoryClass().BelegEditServer_Holen(b);
    Glob_WWSServerFactoryClass().DokumentServer_Holen(d);
    ASSERT_TRUE(z && m && p && b && d);
    // Without a client there is nothing to list; an unknown document is not found.
    EXPECT_FALSE(z->OffenePosten_Abfragen(CLeeresIntPair, CLeeresIntPair, 0, 0, 0, 0, 0, {TSRVTyp::srvDebitoren}, 1, 1));
    EXPECT_EQ(z->OffenePosten_Liste()->GetRowCount(), 0);
    EXPECT_FALSE(b->Beleg_Laden(TIntPair{9, 999999}, 1));
    EXPECT_TRUE(m->Textbausteine_Abfragen());
    EXPECT_EQ(m->Textbausteine_Liste()->GetColumnCount(), 3);
    EXPECT_THROW(m->Aktuelles_Zahlungsziel(9, 999999, 1), EQELError);
    Glob_ServerFactoryClass().ZahlungEditServer_Freigeben(z);
    Glob_ServerFactoryClass().MahnungEditServer_Freigeben(m);
    Glob_WWSServerFactoryClass().PrintEditServer_Freigeben(p);
    Glob_WWSServerFactoryClass().BelegEditServer_Freigeben(b);
    Glob_WWSServerFactoryClass().DokumentServer_Freigeben(d);
    EXPECT_TRUE(!z && !m && !p && !b && !d);
}

TEST(ServerFactory, HandsOutNoServerWithoutAnOpenDatabase)
{
    TSuiteDatenbank::Schliessen();
    IQEL_SystemServerRef s;
    IQEL_ZahlungEditServerRef z;
    EXPECT_THROW(Glob_WWSServerFactoryClass().SystemServer_Holen(s), EQELError);
    EXPECT_THROW(Glob_ServerFactoryClass().ZahlungEditServer_Holen(z), EQELError);
    EXPECT_EQ(s, nullptr);
}

TEST(RecordHelpers, ResetPositionsAndDocumentLists)
{
    TQEL_Mahnung_Belegpositionen pos;
    pos.RNr = 3;
    pos.Saldo = 12.5;
    pos.Belegnummer = QStringLiteral("RE-2024-000001");
    Init_TQEL_Mahnung_Belegpositionen(pos);
    EXPECT_EQ(pos.RNr, 0);
    EXPECT_EQ(pos.Saldo, 0.0);
    EXPECT_TRUE(pos.Belegnummer.isEmpty());

    TDocListe liste(2);
    liste[0].Dateiname = QStringLiteral("a.pdf");
    DocListe_Clear(liste);
    EXPECT_TRUE(liste.empty());
}
