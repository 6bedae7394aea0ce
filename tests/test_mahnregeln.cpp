// Dunning rules: holidays and working-day terms, the base-rate table and default interest by law,
// a client's stored settings, dunning blocks, the minimum days and the flat fee at booking, cancellation.
#include "suite/ui/programm.h"
#include "suite/core/servers/database_intern.h"
#include "suite/core/servers/interfaces.h"
#include "suite/core/servers/mahnregelnserver.h"
#include "support/buchung.h"
#include "support/temp_suite.h"
#include "support/testdaten.h"
#include "support/umgebung.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <QThread>
#include <gtest/gtest.h>

namespace {

QDate d(int t, int m, int j) { return QDate(j, m, t); }

// Whether a message shown so far contains the text.
bool gemeldet(const TMeldungRecorder& r, const QString& teil)
{
    for (const QString& t : r.Texte())
        if (t.contains(teil))
            return true;
    return false;
}

TEST(Feiertage, OsternUndDieBeweglichenFeiertage2024Bis2030)
{
    const QDate ostern[] = {d(31, 3, 2024), d(20, 4, 2025), d(5, 4, 2026), d(28, 3, 2027),
                            d(16, 4, 2028), d(1, 4, 2029),  d(21, 4, 2030)};
    for (const QDate& o : ostern) {
        SCOPED_TRACE(o.toString(Qt::ISODate).toStdString());
        EXPECT_EQ(qel_Ostersonntag(o.year()), o);
        for (int tage : {-2, 1, 39, 50})  // Good Friday, Easter Monday, Ascension, Whit Monday
            EXPECT_TRUE(qel_IstFeiertag(o.addDays(tage), QString()));
        EXPECT_FALSE(qel_IstFeiertag(o.addDays(-1), QString()));
        EXPECT_FALSE(qel_IstFeiertag(o.addDays(60), QString()));  // Corpus Christi: not nationwide
        EXPECT_TRUE(qel_IstFeiertag(o.addDays(60), QStringLiteral("BY")));
        EXPECT_FALSE(qel_IstFeiertag(o.addDays(60), QStringLiteral("NI")));
    }
    EXPECT_EQ(qel_Ostersonntag(2025).addDays(39), d(29, 5, 2025));
}

TEST(Feiertage, FesteUndLandeseigeneFeiertage)
{
    for (const QDate& t : {d(1, 1, 2026), d(1, 5, 2026), d(3, 10, 2026), d(25, 12, 2026), d(26, 12, 2026)})
        EXPECT_TRUE(qel_IstFeiertag(t, QString())) << t.toString(Qt::ISODate).toStdString();
    EXPECT_FALSE(qel_IstFeiertag(d(24, 12, 2026), QString()));
    EXPECT_FALSE(qel_IstFeiertag(d(31, 12, 2027), QString()));
    // A state's own days.
    EXPECT_TRUE(qel_IstFeiertag(d(6, 1, 2026), QStringLiteral("BW")));
    EXPECT_FALSE(qel_IstFeiertag(d(6, 1, 2026), QStringLiteral("NW")));
    EXPECT_TRUE(qel_IstFeiertag(d(31, 10, 2024), QStringLiteral("NI")));
    EXPECT_FALSE(qel_IstFeiertag(d(31, 10, 2017 - 1), QStringLiteral("NI")));  // only since 2018 there
    EXPECT_TRUE(qel_IstFeiertag(d(31, 10, 2017), QStringLiteral("BY")));       // nationwide once
    EXPECT_FALSE(qel_IstFeiertag(d(31, 10, 2024), QStringLiteral("BY")));
    EXPECT_TRUE(qel_IstFeiertag(d(1, 11, 2024), QStringLiteral("NW")));
    EXPECT_TRUE(qel_IstFeiertag(d(20, 11, 2024), QStringLiteral("SN")));  // Day of Repentance and Prayer
    EXPECT_FALSE(qel_IstFeiertag(d(20, 11, 2024), QStringLiteral("BY")));
    EXPECT_TRUE(qel_IstFeiertag(d(8, 3, 2026), QStringLiteral("BE")));
    EXPECT_TRUE(qel_IstFeiertag(d(20, 9, 2026), QStringLiteral("TH")));
    EXPECT_TRUE(qel_IstFeiertag(d(15, 8, 2026), QStringLiteral("SL")));
}

TEST(Feiertage, ZahlungszielAufDemNaechstenWerktag)
{
    TMahnEinstellungen e;
    // Off by default: 14 and 5 days as ever, weekend or not.
    const TDateTime mahnung = qel_DateFromQDate(d(11, 12, 2027)) + 0.5;  // Saturday
    EXPECT_DOUBLE_EQ(e.Zahlungsziel(mahnung, 0), mahnung + 14);          // Saturday 25.12.
    EXPECT_DOUBLE_EQ(e.Zahlungsziel(mahnung, 2), mahnung + 5);
    e.NurWerktage = true;
    // Christmas on a Saturday, Boxing Day on Sunday: Monday 27.12., time of day kept.
    EXPECT_EQ(qel_ToQDate(e.Zahlungsziel(mahnung, 0)), d(27, 12, 2027));
    EXPECT_DOUBLE_EQ(e.Zahlungsziel(mahnung, 0) - qel_DateOf(e.Zahlungsziel(mahnung, 0)), 0.5);
    // Friday 31.12.2027 is a working day and stays.
    EXPECT_EQ(qel_ToQDate(e.Zahlungsziel(qel_DateFromQDate(d(26, 12, 2027)), 1)), d(31, 12, 2027));
    // Corpus Christi 2026 (Thursday 04.06.) moves in Bavaria only.
    const TDateTime vorher = qel_DateFromQDate(d(21, 5, 2026));
    EXPECT_EQ(qel_ToQDate(e.Zahlungsziel(vorher, 0)), d(4, 6, 2026));
    e.Bundesland = QStringLiteral("BY");
    EXPECT_EQ(qel_ToQDate(e.Zahlungsziel(vorher, 0)), d(5, 6, 2026));
    // Good Friday to Easter Monday 2026: Tuesday 07.04.
    EXPECT_EQ(qel_ToQDate(e.Zahlungsziel(qel_DateFromQDate(d(29, 3, 2026)), 1)), d(7, 4, 2026));
}

TEST(Einstellungen, VorgabenWieBisher)
{
    const TMahnEinstellungen e;
    EXPECT_DOUBLE_EQ(e.MaxGebuehr, 2.5);
    EXPECT_DOUBLE_EQ(e.Gebuehr(0), 0);
    EXPECT_DOUBLE_EQ(e.Gebuehr(1), 0);
    EXPECT_DOUBLE_EQ(e.Gebuehr(2), 2.5);
    EXPECT_DOUBLE_EQ(e.Gebuehr(7), 2.5);
    EXPECT_FALSE(IntPairDefined(e.Textbaustein(3)));

    TMahnEinstellungen eigen;
    eigen.MaxGebuehr = 10;
    eigen.GebuehrJeStufe = {{1, 0}, {2, 5}, {3, 7.5}};
    EXPECT_DOUBLE_EQ(eigen.Gebuehr(0), 0);
    EXPECT_DOUBLE_EQ(eigen.Gebuehr(1), 5);
    EXPECT_DOUBLE_EQ(eigen.Gebuehr(5), 7.5);  // levels above the last entry take it
    eigen.TextbausteinJeStufe = {{2, TIntPair{1, 9}}};
    EXPECT_FALSE(IntPairDefined(eigen.Textbaustein(1)));
    EXPECT_EQ(eigen.Textbaustein(4).LNr, 9);

    TMahnEinstellungen falsch;
    falsch.Bundesland = QStringLiteral("XX");
    EXPECT_THROW(falsch.Pruefen(), EMahnRegel);
    falsch = TMahnEinstellungen();
    falsch.GebuehrJeStufe = {{3, 3.0}};  // above the cap
    EXPECT_THROW(falsch.Pruefen(), EMahnRegel);
}

// --- base rates and interest -------------------------------------------------------------------------

TBasiszinsTabelle tabelle() { return TBasiszinsTabelle::AusText(MahnRegeln_BasiszinsDatei()); }

TEST(Basiszins, MitgelieferteTabelleIstLueckenlosSeit2002)
{
    const TBasiszinsTabelle t = tabelle();
    EXPECT_EQ(t.Anfang(), d(1, 1, 2002));
    EXPECT_GE(t.Ende(), d(30, 6, 2026));
    const auto& p = t.Perioden();
    EXPECT_DOUBLE_EQ(p.first().Satz, 2.57);
    std::map<QDate, double> saetze;
    for (const TBasiszinsPeriode& x : p)
        saetze[x.Ab] = x.Satz;
    EXPECT_DOUBLE_EQ(saetze[d(1, 7, 2016)], -0.88);
    EXPECT_DOUBLE_EQ(saetze[d(1, 1, 2023)], 1.62);
    EXPECT_DOUBLE_EQ(saetze[d(1, 7, 2025)], 1.27);
}

TEST(Basiszins, FehlerhafteDateiNenntZeileUndFehler)
{
    auto fehler = [](const QString& text) {
        try {
            TBasiszinsTabelle::AusText(text);
        } catch (const EMahnRegel& e) {
            return e.Text();
        }
        return QString();
    };
    const QString kopf = QStringLiteral("# Basiszins\n01.01.2002;30.06.2002;2,57\n");
    EXPECT_TRUE(fehler(kopf + QStringLiteral("01.08.2002;31.12.2002;2,47\n")).contains(QStringLiteral("Zeile 3: Lücke")));
    EXPECT_TRUE(fehler(kopf + QStringLiteral("01.06.2002;31.12.2002;2,47\n")).contains(QStringLiteral("Überschneidung")));
    EXPECT_TRUE(fehler(kopf + QStringLiteral("01.07.2002;31.12.2002;zwei\n")).contains(QStringLiteral("kein Zinssatz")));
    EXPECT_TRUE(fehler(kopf + QStringLiteral("01.07.2002;31.13.2002;2,47\n")).contains(QStringLiteral("kein gültiges Datum")));
    EXPECT_TRUE(fehler(kopf + QStringLiteral("01.07.2002;2,47\n")).contains(QStringLiteral("Zeile 3")));
    EXPECT_FALSE(fehler(QStringLiteral("# leer\n")).isEmpty());
    EXPECT_TRUE(fehler(kopf + QStringLiteral("01.07.2002;31.12.2002;-0,5 # Kommentar\n")).isEmpty());
}

TEST(Verzugszins, TaggenauUeberEinenSatzwechsel)
{
    const TBasiszinsTabelle t = tabelle();
    // 16.06.-30.06.2024: 15 days at 3,62 %; 01.07.-15.07.2024: 15 days at 3,37 %.
    // Business: 1000 * (15 * 12,62 + 15 * 12,37) / 100 / 365 = 10,2699
    EXPECT_DOUBLE_EQ(t.Verzugszins(1000, d(15, 6, 2024), d(15, 7, 2024), qel_Verzugszins_Punkte(false)), 10.27);
    // Consumer: 1000 * (15 * 8,62 + 15 * 8,37) / 36500 = 6,9822
    EXPECT_DOUBLE_EQ(t.Verzugszins(1000, d(15, 6, 2024), d(15, 7, 2024), qel_Verzugszins_Punkte(true)), 6.98);
}

TEST(Verzugszins, SchaltjahrZaehltDen29Februar)
{
    const TBasiszinsTabelle t = tabelle();
    // 01.02.-01.03.2024 are 30 days (leap year), divided by 365: 500 * 30 * 12,62 / 36500 = 5,1863
    EXPECT_DOUBLE_EQ(t.Verzugszins(500, d(31, 1, 2024), d(1, 3, 2024), 9), 5.19);
    // The same span in 2023: 29 days at 1,62 + 9: 500 * 29 * 10,62 / 36500 = 4,2189
    EXPECT_DOUBLE_EQ(t.Verzugszins(500, d(31, 1, 2023), d(1, 3, 2023), 9), 4.22);
    // Over years with a negative base rate: 2017 whole at -0,88 + 5 = 4,12 %.
    EXPECT_DOUBLE_EQ(t.Verzugszins(3650, d(31, 12, 2016), d(31, 12, 2017), 5), 150.38);
}

TEST(Verzugszins, KeineZinsenVorFaelligkeitUndKlareMeldungAusserhalbDerTabelle)
{
    const TBasiszinsTabelle t = tabelle();
    EXPECT_DOUBLE_EQ(t.Verzugszins(1000, d(20, 7, 2024), d(15, 7, 2024), 9), 0.0);  // due after the dunning date
    EXPECT_DOUBLE_EQ(t.Verzugszins(1000, d(15, 7, 2024), d(15, 7, 2024), 9), 0.0);
    EXPECT_DOUBLE_EQ(t.Verzugszins(-300, d(15, 6, 2024), d(15, 7, 2024), 9), 0.0);  // a credit bears none
    try {
        t.Verzugszins(1000, d(15, 12, 1999), d(15, 7, 2024), 9);
        FAIL() << "due date before the table";
    } catch (const EMahnRegel& e) {
        EXPECT_TRUE(e.Text().contains(QStringLiteral("vor dem 01.01.2002"))) << e.Text().toStdString();
    }
    TBasiszinsTabelle kurz = TBasiszinsTabelle::AusText(QStringLiteral("01.01.2024;30.06.2024;3,62\n"));
    try {
        kurz.Verzugszins(1000, d(15, 6, 2024), d(15, 7, 2024), 9);
        FAIL() << "dunning date after the table";
    } catch (const EMahnRegel& e) {
        EXPECT_TRUE(e.Text().contains(QStringLiteral("ab dem 01.07.2024 ist noch nicht hinterlegt")));
    }
    kurz.Anhaengen({d(1, 7, 2024), d(31, 12, 2024), 3.37});
    EXPECT_DOUBLE_EQ(kurz.Verzugszins(1000, d(15, 6, 2024), d(15, 7, 2024), 9), 10.27);
}

// --- stored rules, server side ---------------------------------------------------------------------

const TDateTime kHeute = 46364.0;  // 08.12.2026

class Regeln : public ::testing::Test {
protected:
    Regeln() : umg(kHeute + 0.5)
    {
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
        alpha = mandant.Partner(QStringLiteral("Alpha GmbH"));
        beta = mandant.Partner(QStringLiteral("Beta KG"));
        p1 = {QStringLiteral("A1"), kHeute - 60, 1000, 0, kHeute - 40, 0, false, QString()};
        p2 = {QStringLiteral("A2"), kHeute - 60, 200, 0, kHeute - 40, 0, false, QString()};
        p3 = {QStringLiteral("B1"), kHeute - 60, 300, 0, kHeute - 40, 0, false, QString()};
        a1 = mandant.Posten(alpha, p1);
        a2 = mandant.Posten(alpha, p2);
        b1 = mandant.Posten(beta, p3);
        Glob_ServerFactoryClass().MahnungEditServer_Holen(server);
    }
    ~Regeln() override { Glob_ServerFactoryClass().MahnungEditServer_Freigeben(server); }

    // Books a dunning of the items through the server as the editor would; false when refused.
    bool buchen(const TIntPair& gep, std::vector<std::pair<TIntTrio, TTestPosten>> posten, TDateTime datum = kHeute + 0.5,
                double pauschale = 0)
    {
        TQEL_Mahnung_Beleg_Array belege(1);
        TQEL_Mahnung_Beleg& b = belege[0];
        b.Mandant = mandant.Id;
        b.GepNr = gep;
        b.Mahnungsdatum = datum;
        b.Beruecksichtigt = datum;
        b.MahnungsText = QStringLiteral("Text");
        for (auto& [trio, p] : posten) {
            TQEL_Mahnung_Belegpositionen pos;
            Init_TQEL_Mahnung_Belegpositionen(pos);
            pos.RNr = trio.RechnerNummer;
            pos.TransNr = trio.TransaktionsNummer;
            pos.LfdNr = int16_t(trio.LfdNummer);
            pos.Mahnstufe = stufe(trio) + 1;
            pos.Saldo = p.Soll - p.Haben;
            pos.Belegnummer = p.Beleg;
            pos.Pauschale = pauschale;
            b.Positionen.push_back(pos);
        }
        gebucht = belege;
        return server->Mahnungen_Buchen(gebucht);
    }
    static int stufe(const TIntTrio& t)
    {
        return TTempSuite::Wert(QStringLiteral("SELECT mahnstufe FROM offener_posten WHERE rechner_nr = ? AND trans_nr = ? "
                                               "AND lfd_nr = ?"),
                                {t.RechnerNummer, t.TransaktionsNummer, t.LfdNummer})
            .toInt();
    }
    TIntPair letzteMahnung() { return qel_TestMahnungsID(gebucht[0]); }

    TTempSuite suite{false};
    TTestUmgebung umg;
    TTestMandant mandant{7, QStringLiteral("Testmandant GmbH")};
    TIntPair alpha, beta;
    TTestPosten p1, p2, p3;
    TIntTrio a1, a2, b1;
    IQEL_MahnungEditServerRef server;
    TQEL_Mahnung_Beleg_Array gebucht;
};

TEST_F(Regeln, EinstellungenWerdenGespeichertUndGeprueft)
{
    EXPECT_DOUBLE_EQ(server->Mahneinstellungen(mandant.Id).MaxGebuehr, 2.5);
    EXPECT_EQ(server->Mahneinstellungen(mandant.Id).ZielTageErste, 14);
    TMahnEinstellungen e;
    e.MaxGebuehr = 5;
    e.ZielTageErste = 10;
    e.ZielTageWeitere = 7;
    e.NurWerktage = true;
    e.Bundesland = QStringLiteral("HE");
    e.MindestTage = 10;
    e.GebuehrJeStufe = {{2, 2.5}, {3, 5}};
    MahnRegeln_Speichern(mandant.Id, e);
    const TMahnEinstellungen g = server->Mahneinstellungen(mandant.Id);
    EXPECT_DOUBLE_EQ(g.MaxGebuehr, 5);
    EXPECT_EQ(g.ZielTageErste, 10);
    EXPECT_EQ(g.ZielTageWeitere, 7);
    EXPECT_TRUE(g.NurWerktage);
    EXPECT_EQ(g.Bundesland, QStringLiteral("HE"));
    EXPECT_EQ(g.MindestTage, 10);
    EXPECT_DOUBLE_EQ(g.Gebuehr(2), 5);
    e.TextbausteinJeStufe = {{1, TIntPair{99, 99}}};  // no such block
    EXPECT_THROW(MahnRegeln_Speichern(mandant.Id, e), EMahnRegel);
    EXPECT_EQ(server->Mahneinstellungen(mandant.Id).MindestTage, 10);  // unchanged
}

TEST_F(Regeln, BasiszinsNurLueckenlosZumHalbjahr)
{
    const QDate ende = MahnRegeln_Basiszinsen().Ende();
    const QDate naechster = ende.addDays(1);
    EXPECT_THROW(MahnRegeln_BasiszinsHinzufuegen(naechster.addDays(1), 1.0), EMahnRegel);   // not 1.1./1.7.
    EXPECT_THROW(MahnRegeln_BasiszinsHinzufuegen(naechster.addMonths(6), 1.0), EMahnRegel);  // gap
    EXPECT_THROW(MahnRegeln_BasiszinsHinzufuegen(ende.addDays(1).addMonths(-6), 1.0), EMahnRegel);  // overlap
    EXPECT_THROW(MahnRegeln_BasiszinsHinzufuegen(naechster, 1.234), EMahnRegel);
    MahnRegeln_BasiszinsHinzufuegen(naechster, -0.5);
    EXPECT_EQ(MahnRegeln_Basiszinsen().Ende(), naechster.addMonths(6).addDays(-1));
    EXPECT_DOUBLE_EQ(MahnRegeln_Basiszinsen().Perioden().last().Satz, -0.5);
}

TEST_F(Regeln, VerzugszinsenAllerPostenVomEigenenZahlungsziel)
{
    // The table as shipped ends before today: the clerk is told to add the missing rate.
    std::vector<TZinsPosten> posten{{a1.RechnerNummer, a1.TransaktionsNummer, a1.LfdNummer, 1000, QStringLiteral("A1")},
                                    {b1.RechnerNummer, b1.TransaktionsNummer, b1.LfdNummer, 300, QStringLiteral("B1")}};
    EXPECT_FALSE(server->Verzugszinsen_Berechnen(kHeute, false, posten));
    EXPECT_TRUE(gemeldet(*umg.Recorder, QStringLiteral("ab dem 01.07.2026 ist noch nicht hinterlegt")));
    EXPECT_DOUBLE_EQ(posten[0].Zins, 0);
    MahnRegeln_BasiszinsHinzufuegen(d(1, 7, 2026), 1.27);
    ASSERT_TRUE(server->Verzugszinsen_Berechnen(kHeute, false, posten));
    // 40 days after the due date at 1,27 + 9: 1000 * 40 * 10,27 / 36500 = 11,2548
    EXPECT_DOUBLE_EQ(posten[0].Zins, 11.25);
    EXPECT_DOUBLE_EQ(posten[1].Zins, 3.38);  // 300 * 40 * 10,27 / 36500 = 3,3764
    ASSERT_TRUE(server->Verzugszinsen_Berechnen(kHeute, true, posten));
    EXPECT_DOUBLE_EQ(posten[0].Zins, 6.87);  // 1000 * 40 * 6,27 / 36500 = 6,8712
    // An item due in 1999 cannot be computed: the message names it and nothing is written.
    const TIntTrio alt = mandant.Posten(alpha, {QStringLiteral("ALT"), 36000, 50, 0, 36100, 0, false, QString()});
    posten.push_back({alt.RechnerNummer, alt.TransaktionsNummer, alt.LfdNummer, 50, QStringLiteral("ALT")});
    posten[0].Zins = -1;
    EXPECT_FALSE(server->Verzugszinsen_Berechnen(kHeute, false, posten));
    EXPECT_TRUE(gemeldet(*umg.Recorder, QStringLiteral("Posten ALT (fällig am 01.11.1998): Für Tage vor dem 01.01.2002")));
    EXPECT_DOUBLE_EQ(posten[0].Zins, -1);
}

TEST_F(Regeln, PauschaleNurEinmalJeRechnungUndNur40Euro)
{
    // The fee cap holds at the server too, also when the window is bypassed.
    gebucht.clear();
    TQEL_Mahnung_Beleg_Array zuTeuer(1);
    zuTeuer[0] = {mandant.Id, alpha, CLeeresIntPair, kHeute + 0.5, kHeute, QStringLiteral("Text"), 0, 0, 0, {}};
    TQEL_Mahnung_Belegpositionen teuer;
    Init_TQEL_Mahnung_Belegpositionen(teuer);
    teuer.RNr = a2.RechnerNummer;
    teuer.TransNr = a2.TransaktionsNummer;
    teuer.LfdNr = int16_t(a2.LfdNummer);
    teuer.Mahnstufe = 1;
    teuer.Mahngebuehren = 2.51;
    teuer.Belegnummer = QStringLiteral("A2");
    zuTeuer[0].Positionen.push_back(teuer);
    EXPECT_FALSE(server->Mahnungen_Buchen(zuTeuer));
    EXPECT_TRUE(gemeldet(*umg.Recorder, QStringLiteral("Die Mahngebühr von 2,51 EUR für den Posten A2 übersteigt die "
                                                      "Höchstgebühr von 2,50 EUR.")));
    EXPECT_EQ(stufe(a2), 0);

    EXPECT_FALSE(buchen(alpha, {{a1, p1}}, kHeute + 0.5, 12.5));
    EXPECT_TRUE(gemeldet(*umg.Recorder, QStringLiteral("beträgt 40,00 EUR")));
    ASSERT_TRUE(buchen(alpha, {{a1, p1}}, kHeute + 0.5, 40));
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT pauschale_cent FROM mahnung_position WHERE op_trans_nr = ?"),
                               {a1.TransaktionsNummer})
                  .toLongLong(),
              4000);
    EXPECT_TRUE(server->Pauschale_Berechnet(a1.RechnerNummer, a1.TransaktionsNummer, a1.LfdNummer));
    EXPECT_FALSE(server->Pauschale_Berechnet(a2.RechnerNummer, a2.TransaktionsNummer, a2.LfdNummer));
    umg.Recorder->Leeren();
    EXPECT_FALSE(buchen(alpha, {{a1, p1}}, kHeute + 0.6, 40));
    EXPECT_TRUE(gemeldet(*umg.Recorder, QStringLiteral("Für die Rechnung A1 wurde die Pauschale")));
    EXPECT_EQ(stufe(a1), 1);
    // Without the fee the next dunning is fine.
    EXPECT_TRUE(buchen(alpha, {{a1, p1}}, kHeute + 0.6));
    EXPECT_EQ(stufe(a1), 2);
}

TEST_F(Regeln, GesperrteUndZuFruehGemahntePostenWerdenAbgelehnt)
{
    TMahnsperre ohneGrund{mandant.Id, alpha, TIntTrio{}, QStringLiteral("  "), kHeute + 10, QString()};
    EXPECT_FALSE(server->Mahnsperre_Setzen(ohneGrund));
    EXPECT_TRUE(gemeldet(*umg.Recorder, QStringLiteral("Bitte einen Grund für die Mahnsperre angeben.")));
    TMahnsperre vergangen{mandant.Id, alpha, TIntTrio{}, QStringLiteral("Streit"), kHeute - 1, QString()};
    EXPECT_FALSE(server->Mahnsperre_Setzen(vergangen));
    EXPECT_TRUE(gemeldet(*umg.Recorder, QStringLiteral("Das Ende der Mahnsperre darf nicht in der Vergangenheit liegen.")));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnsperre")), 0);

    // The partner is blocked until today (inclusive): its items are refused with the reason.
    ASSERT_TRUE(server->Mahnsperre_Setzen({mandant.Id, alpha, TIntTrio{}, QStringLiteral("Insolvenzverfahren"), kHeute, QString()}));
    EXPECT_FALSE(buchen(alpha, {{a2, p2}}));
    EXPECT_TRUE(gemeldet(*umg.Recorder, QStringLiteral("Der Offene Posten A2 darf nicht gemahnt werden. Partner gesperrt "
                                                      "bis 08.12.2026: Insolvenzverfahren")));
    EXPECT_EQ(stufe(a2), 0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 0);
    // A single item of the other partner.
    ASSERT_TRUE(server->Mahnsperre_Setzen({mandant.Id, CLeeresIntPair, b1, QStringLiteral("Reklamation"), kHeute + 30, QString()}));
    EXPECT_FALSE(buchen(beta, {{b1, p3}}));
    EXPECT_TRUE(gemeldet(*umg.Recorder, QStringLiteral("Mahnsperre bis 07.01.2027: Reklamation")));
    // Tomorrow the partner's block has ended; lifting the item's block frees it at once.
    qel_SetNow(kHeute + 1.5);
    EXPECT_TRUE(buchen(alpha, {{a2, p2}}, kHeute + 1.5));
    EXPECT_TRUE(server->Mahnsperre_Aufheben(mandant.Id, beta, b1));
    EXPECT_FALSE(server->Mahnsperre_Aufheben(mandant.Id, beta, b1));
    EXPECT_TRUE(buchen(beta, {{b1, p3}}, kHeute + 1.5));

    // Minimum days: 10 days between two dunnings of one item.
    TMahnEinstellungen e;
    e.MindestTage = 10;
    MahnRegeln_Speichern(mandant.Id, e);
    umg.Recorder->Leeren();
    EXPECT_FALSE(buchen(alpha, {{a2, p2}}, kHeute + 10.5));
    EXPECT_TRUE(gemeldet(*umg.Recorder, QStringLiteral("Der Offene Posten A2 wurde am 09.12.2026 gemahnt; zwischen zwei "
                                                      "Mahnungen müssen mindestens 10 Tage liegen.")));
    EXPECT_TRUE(buchen(alpha, {{a2, p2}}, kHeute + 11.5));
    EXPECT_EQ(stufe(a2), 2);
}

TEST_F(Regeln, StornoSetztStufenZurueckUndBehaeltDieMahnung)
{
    ASSERT_TRUE(buchen(alpha, {{a1, p1}, {a2, p2}}));
    const TIntPair erste = letzteMahnung();
    EXPECT_EQ(stufe(a1), 1);
    EXPECT_FALSE(server->Mahnung_Stornieren(erste, QStringLiteral(" ")));
    EXPECT_TRUE(gemeldet(*umg.Recorder, QStringLiteral("Bitte einen Grund für das Stornieren angeben.")));
    EXPECT_EQ(stufe(a1), 1);
    // A1 is dunned again: the first dunning can no longer be cancelled.
    ASSERT_TRUE(buchen(alpha, {{a1, p1}}, kHeute + 0.7));
    const TIntPair zweite = letzteMahnung();
    EXPECT_FALSE(server->Mahnung_Stornieren(erste, QStringLiteral("Irrtum")));
    EXPECT_TRUE(gemeldet(*umg.Recorder, QStringLiteral("Der Posten A1 wurde nach dieser Mahnung erneut gemahnt")));
    EXPECT_EQ(stufe(a1), 2);
    EXPECT_EQ(stufe(a2), 1);
    EXPECT_TRUE(server->Storno_Text(erste).isEmpty());
    // The later one can; then the first one too.
    ASSERT_TRUE(server->Mahnung_Stornieren(zweite, QStringLiteral("Zahlung war da")));
    EXPECT_EQ(stufe(a1), 1);
    ASSERT_TRUE(server->Mahnung_Stornieren(erste, QStringLiteral("Irrtum")));
    EXPECT_EQ(stufe(a1), 0);
    EXPECT_EQ(stufe(a2), 0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 2);  // kept, marked
    EXPECT_EQ(server->Storno_Text(erste), QStringLiteral("Storniert am 08.12.2026 um 12:00 von %1: Irrtum")
                                              .arg(TSuiteDatenbank::Benutzer()));
    umg.Recorder->Leeren();
    EXPECT_FALSE(server->Mahnung_Stornieren(erste, QStringLiteral("nochmal")));
    EXPECT_TRUE(gemeldet(*umg.Recorder, QStringLiteral("Die Mahnung ist bereits storniert.")));
    // The payment term of a cancelled dunning no longer counts, nor its date for the minimum days.
    TMahnEinstellungen e;
    e.MindestTage = 30;
    MahnRegeln_Speichern(mandant.Id, e);
    EXPECT_DOUBLE_EQ(server->Aktuelles_Zahlungsziel(a1.RechnerNummer, a1.TransaktionsNummer, a1.LfdNummer), p1.Ziel);
    EXPECT_TRUE(buchen(alpha, {{a1, p1}}, kHeute + 0.8));
}

// Two workstations, one cancelling a dunning, the other dunning its items again from the same list:
// whatever the timing, exactly one of the two goes through, and the data says which.
TEST_F(Regeln, StornoUndBuchungGleichzeitigGenauEinerGewinnt)
{
    constexpr int kRunden = 6;
    QStringList runden;
    std::vector<std::pair<TIntTrio, TIntTrio>> posten;
    std::vector<TIntPair> mahnungen;
    for (int r = 0; r < kRunden; ++r) {
        const TTestPosten x{QStringLiteral("S%1a").arg(r), kHeute - 60, 100, 0, kHeute - 40, 0, false, QString()};
        const TTestPosten y{QStringLiteral("S%1b").arg(r), kHeute - 60, 100, 0, kHeute - 40, 0, false, QString()};
        const TIntTrio tx = mandant.Posten(alpha, x), ty = mandant.Posten(alpha, y);
        ASSERT_TRUE(buchen(alpha, {{tx, x}, {ty, y}}));
        mahnungen.push_back(letzteMahnung());
        posten.emplace_back(tx, ty);
        runden << QStringLiteral("%1;%2;%3;%4;%5;%6;%7;%8")
                      .arg(mahnungen.back().RNr)
                      .arg(mahnungen.back().LNr)
                      .arg(mandant.Id.RNr)
                      .arg(mandant.Id.LNr)
                      .arg(alpha.RNr)
                      .arg(alpha.LNr)
                      .arg(tx.TransaktionsNummer)
                      .arg(ty.TransaktionsNummer);
    }
    const QString ordner = suite.Ordner();
    {
        QFile f(ordner + QStringLiteral("/runden"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Text));
        f.write(runden.join(QLatin1Char('\n')).toUtf8());
    }
    TSuiteDatenbank::Schliessen();
    std::vector<std::unique_ptr<QProcess>> kinder;
    for (int rolle = 0; rolle < 2; ++rolle) {
        auto kind = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QEL_SUITE_CONFIG"), suite.EinstellungsDatei());
        env.insert(QStringLiteral("QEL_STORNO_KIND"), QStringLiteral("%1;%2").arg(ordner).arg(rolle));
        kind->setProcessEnvironment(env);
        kind->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        kind->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=StornoKind.*")});
        ASSERT_TRUE(kind->waitForStarted(30000));
        kinder.push_back(std::move(kind));
    }
    QStringList ergebnisse[2];
    for (int rolle = 0; rolle < 2; ++rolle) {
        EXPECT_TRUE(kinder[size_t(rolle)]->waitForFinished(180000));
        EXPECT_EQ(kinder[size_t(rolle)]->exitCode(), 0);
        QFile f(QStringLiteral("%1/ergebnis%2").arg(ordner).arg(rolle));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
        ergebnisse[rolle] = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    TSuiteDatenbank::Oeffnen(suite.Konfiguration());
    ASSERT_EQ(ergebnisse[0].size(), kRunden);
    ASSERT_EQ(ergebnisse[1].size(), kRunden);
    for (int r = 0; r < kRunden; ++r) {
        SCOPED_TRACE(r);
        const bool storniert = ergebnisse[0][r] == QLatin1String("OK");
        const bool gebucht = ergebnisse[1][r] == QLatin1String("OK");
        EXPECT_NE(storniert, gebucht) << ergebnisse[0][r].toStdString() << " / " << ergebnisse[1][r].toStdString();
        EXPECT_EQ(server->Storno_Text(mahnungen[size_t(r)]).isEmpty(), !storniert);
        EXPECT_EQ(stufe(posten[size_t(r)].first), storniert ? 0 : 2);
        EXPECT_EQ(stufe(posten[size_t(r)].second), storniert ? 0 : 2);
        EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_position"), QStringLiteral("op_trans_nr = ?"),
                                     {posten[size_t(r)].first.TransaktionsNummer}),
                  storniert ? 1 : 2);
    }
}

// One workstation of the test above: role 0 cancels each round's dunning, role 1 dunns its items again.
TEST(StornoKind, StorniertOderBuchtAlsEinArbeitsplatz)
{
    const QStringList auftrag = qEnvironmentVariable("QEL_STORNO_KIND").split(QLatin1Char(';'));
    if (auftrag.size() != 2)
        GTEST_SKIP() << "only as a child process of the cancellation race";
    const QString ordner = auftrag[0];
    const int rolle = auftrag[1].toInt();
    TTestUmgebung umg(kHeute + 0.5);
    QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
    ASSERT_TRUE(TSuiteDatenbank::Offen());
    IQEL_MahnungEditServerRef server;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(server);
    QFile rundenDatei(ordner + QStringLiteral("/runden"));
    ASSERT_TRUE(rundenDatei.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList runden = QString::fromUtf8(rundenDatei.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QFile ergebnis(QStringLiteral("%1/ergebnis%2").arg(ordner).arg(rolle));
    ASSERT_TRUE(ergebnis.open(QIODevice::WriteOnly | QIODevice::Text));
    QTextStream out(&ergebnis);
    for (int r = 0; r < runden.size(); ++r) {
        const QStringList w = runden[r].split(QLatin1Char(';'));
        // Both ready, then both at once.
        QFile bereit(QStringLiteral("%1/bereit%2_%3").arg(ordner).arg(rolle).arg(r));
        ASSERT_TRUE(bereit.open(QIODevice::WriteOnly));
        bereit.close();
        QElapsedTimer uhr;
        uhr.start();
        while (!QFile::exists(QStringLiteral("%1/bereit%2_%3").arg(ordner).arg(1 - rolle).arg(r)) && uhr.elapsed() < 60000)
            QThread::usleep(200);
        bool ok = false;
        if (rolle == 0) {
            ok = server->Mahnung_Stornieren(TIntPair{w[0].toInt(), w[1].toInt()}, QStringLiteral("Gleichzeitig"));
        } else {
            TQEL_Mahnung_Beleg_Array m(1);
            m[0].Mandant = TIntPair{w[2].toInt(), w[3].toInt()};
            m[0].GepNr = TIntPair{w[4].toInt(), w[5].toInt()};
            m[0].Mahnungsdatum = kHeute + 0.9;
            m[0].Beruecksichtigt = kHeute;
            for (int i : {6, 7}) {
                TQEL_Mahnung_Belegpositionen p;
                Init_TQEL_Mahnung_Belegpositionen(p);
                p.RNr = 1;
                p.TransNr = w[i].toInt();
                p.LfdNr = 1;
                p.Mahnstufe = 2;  // listed at level 1
                p.Saldo = 100;
                m[0].Positionen.push_back(p);
            }
            ok = server->Mahnungen_Buchen(m);
        }
        out << (ok ? "OK" : "ABGELEHNT") << '\n';
    }
    out.flush();
    Glob_ServerFactoryClass().MahnungEditServer_Freigeben(server);
}

}  // namespace
