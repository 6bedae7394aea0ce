// Values the servers store: hostile amounts, dates, levels and texts through the server API are
// refused in German (field and value named) and leave nothing behind; what passes is kept exactly
// and the same way on both engines.
#include "suite/ui/programm.h"
#include "suite/core/servers/database_intern.h"
#include "suite/core/servers/interfaces.h"
#include "suite/core/servers/wertpruefung.h"
#include "support/temp_suite.h"
#include "support/testdaten.h"
#include "support/umgebung.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace {

const TDateTime kHeute = 46364.0;  // 08.12.2026
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kUnendlich = std::numeric_limits<double>::infinity();

class Werte : public ::testing::Test {
protected:
    Werte() : umg(kHeute + 0.5)
    {
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
        alpha = mandant.Partner(QStringLiteral("Alpha GmbH"));
        a1 = mandant.Posten(alpha, {QStringLiteral("A1"), kHeute - 40, 100, 0, kHeute - 20, 0, false, QString()});
        Glob_ServerFactoryClass().MahnungEditServer_Holen(server);
    }
    ~Werte() override { Glob_ServerFactoryClass().MahnungEditServer_Freigeben(server); }

    TQEL_Mahnung_Beleg_Array buchung() const
    {
        TQEL_Mahnung_Beleg b;
        b.Mandant = mandant.Id;
        b.GepNr = alpha;
        b.Mahnungsdatum = kHeute + 0.5;
        b.Beruecksichtigt = kHeute;
        b.MahnungsText = QStringLiteral("Sehr geehrte Damen und Herren");
        TQEL_Mahnung_Belegpositionen p;
        Init_TQEL_Mahnung_Belegpositionen(p);
        p.RNr = a1.RechnerNummer;
        p.TransNr = a1.TransaktionsNummer;
        p.LfdNr = int16_t(a1.LfdNummer);
        p.Mahnstufe = 1;
        p.ZahlbarBis = kHeute + 14;
        p.Saldo = 100;
        p.Belegnummer = QStringLiteral("A1");
        p.Belegdatum = kHeute - 40;
        b.Positionen = {p};
        return {b};
    }

    // Books with one value spoilt; expects the refusal to name field and value and nothing stored.
    void abgelehnt(const std::function<void(TQEL_Mahnung_Beleg&, TQEL_Mahnung_Belegpositionen&)>& verderben,
                   const QString& feld, const QString& wert)
    {
        SCOPED_TRACE(feld.toStdString() + " = " + wert.toStdString());
        umg.Recorder->Leeren();
        TQEL_Mahnung_Beleg_Array m = buchung();
        verderben(m[0], m[0].Positionen[0]);
        EXPECT_FALSE(server->Mahnungen_Buchen(m));
        ASSERT_EQ(umg.Recorder->Meldungen.size(), 1u);
        const QString text = umg.Recorder->Meldungen[0].Text;
        EXPECT_TRUE(text.contains(QStringLiteral("„") + feld)) << text.toStdString();
        EXPECT_TRUE(text.contains(wert)) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("SQL"))) << text.toStdString();
        EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 0);
        EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_position")), 0);
        EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT mahnstufe FROM offener_posten")).toInt(), 0);
        EXPECT_EQ(m[0].LfdNr, 0);
    }

    TTempSuite suite{false};
    TTestUmgebung umg;
    TTestMandant mandant{7, QStringLiteral("Testmandant GmbH")};
    TIntPair alpha;
    TIntTrio a1;
    IQEL_MahnungEditServerRef server;
};

using B = TQEL_Mahnung_Beleg;
using P = TQEL_Mahnung_Belegpositionen;

TEST_F(Werte, HostileAmountsAreRefusedByName)
{
    abgelehnt([](B&, P& p) { p.Saldo = kNaN; }, QStringLiteral("Saldo (Beleg A1)"), QStringLiteral("keine Zahl"));
    abgelehnt([](B&, P& p) { p.Mahngebuehren = kUnendlich; }, QStringLiteral("Mahngebühren"), QStringLiteral("unendlich"));
    abgelehnt([](B&, P& p) { p.Verzugszins = -kUnendlich; }, QStringLiteral("Verzugszinsen"),
              QStringLiteral("minus unendlich"));
    abgelehnt([](B&, P& p) { p.Saldo = 1e12; }, QStringLiteral("Saldo"), QStringLiteral("1.000.000.000.000,00"));
    abgelehnt([](B&, P& p) { p.Mahngebuehren = -1000000000.0; }, QStringLiteral("Mahngebühren"),
              QStringLiteral("-1.000.000.000,00"));
}

TEST_F(Werte, DatesOutsideTheYears1900To9999AreRefused)
{
    // 01.01.10000: a term the editor would compute from a dunning date of 31.12.9999.
    abgelehnt([](B&, P& p) { p.ZahlbarBis = CQEL_MaxDatum; }, QStringLiteral("Zahlbar bis (Beleg A1)"),
              QStringLiteral("01.01.10000"));
    abgelehnt([](B& b, P&) { b.Mahnungsdatum = 1.0; }, QStringLiteral("Mahnungsdatum"), QStringLiteral("31.12.1899"));
    abgelehnt([](B& b, P&) { b.Mahnungsdatum = kNaN; }, QStringLiteral("Mahnungsdatum"), QStringLiteral("keine Zahl"));
    abgelehnt([](B& b, P&) { b.Beruecksichtigt = 1e300; }, QStringLiteral("Berücksichtigt bis"), QStringLiteral("300"));
    abgelehnt([](B&, P& p) { p.Belegdatum = -kUnendlich; }, QStringLiteral("Belegdatum"), QStringLiteral("minus unendlich"));
}

TEST_F(Werte, LevelsAndTextLengthsAreChecked)
{
    abgelehnt([](B&, P& p) { p.Mahnstufe = std::numeric_limits<int32_t>::min(); }, QStringLiteral("Mahnstufe"),
              QStringLiteral("-2147483648"));
    abgelehnt([](B&, P& p) { p.Mahnstufe = 10; }, QStringLiteral("Mahnstufe"), QStringLiteral("10"));
    abgelehnt([](B&, P& p) { p.Mahnstufe = 0; }, QStringLiteral("Mahnstufe"), QStringLiteral("0"));
    abgelehnt([](B&, P& p) { p.Belegnummer = QString(41, QLatin1Char('9')); }, QStringLiteral("Belegnummer"),
              QStringLiteral("41 Zeichen"));
}

TEST_F(Werte, ExtremeButValidValuesAreStoredExactly)
{
    TQEL_Mahnung_Beleg_Array m = buchung();
    P& p = m[0].Positionen[0];
    p.Saldo = 999999999.99;
    p.Mahngebuehren = -999999999.99;
    p.ZahlbarBis = CQEL_MaxDatum - 0.5;  // 31.12.9999, noon
    p.Belegdatum = CQEL_MinDatum;
    // 40 characters as the database counts them, one of them outside the 16-bit range.
    p.Belegnummer = QString(39, QLatin1Char('R')) + QString::fromUcs4(U"\U0001F600");
    // NUL characters cannot be stored by PostgreSQL: both engines drop them.
    m[0].MahnungsText = QStringLiteral("Zeile 1") + QChar(0) + QStringLiteral("Zeile 2");
    ASSERT_TRUE(server->Mahnungen_Buchen(m)) << umg.Recorder->Texte().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT saldo_cent FROM mahnung_position")).toLongLong(), 99999999999LL);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT mahngebuehren_cent FROM mahnung_position")).toLongLong(),
              -99999999999LL);
    EXPECT_DOUBLE_EQ(TTempSuite::Wert(QStringLiteral("SELECT zahlbar_bis FROM mahnung_position")).toDouble(),
                     CQEL_MaxDatum - 0.5);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT belegnummer FROM mahnung_position")).toString(), p.Belegnummer);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT mahnungstext FROM mahnung")).toString(),
              QStringLiteral("Zeile 1Zeile 2"));
}

TEST_F(Werte, ShortTextsCountCharactersAsTheDatabaseDoes)
{
    // "İ" becomes two characters in full lower case; the unique normal form must still fit.
    const QString turkisch = QString(119, QLatin1Char('a')) + QStringLiteral("İ");
    EXPECT_TRUE(server->Textbaustein_Anlegen(turkisch, QStringLiteral("x")))
        << umg.Recorder->Texte().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT kurztext FROM textbaustein")).toString(), turkisch);
    // 120 characters outside the 16-bit range are 240 UTF-16 units: still 120 for the database.
    QString emoji;
    for (int i = 0; i < 120; ++i)
        emoji += QString::fromUcs4(U"\U0001F600");
    EXPECT_TRUE(server->Textbaustein_Anlegen(emoji, QStringLiteral("y")));
    umg.Recorder->Leeren();
    EXPECT_FALSE(server->Textbaustein_Anlegen(emoji + QStringLiteral("!"), QStringLiteral("z")));
    ASSERT_EQ(umg.Recorder->Meldungen.size(), 1u);
    EXPECT_TRUE(umg.Recorder->Meldungen[0].Text.contains(QStringLiteral("„Kurztext“ ist zu lang: 121 Zeichen")))
        << umg.Recorder->Meldungen[0].Text.toStdString();
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("textbaustein")), 2);

    // NUL characters are dropped from short text and text alike, on both engines.
    const QString nul(QChar(0));
    ASSERT_TRUE(server->Textbaustein_Anlegen(QStringLiteral("Mit") + nul + QStringLiteral("Null"),
                                             QStringLiteral("A") + nul + QStringLiteral("B")));
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT text FROM textbaustein WHERE kurztext = ?"), {QStringLiteral("MitNull")})
                  .toString(),
              QStringLiteral("AB"));
}

TEST_F(Werte, PrintRowsRefuseAmountsAndLevelsTheLetterCannotShow)
{
    IQEL_PrintEditServerRef druck;
    Glob_WWSServerFactoryClass().PrintEditServer_Holen(druck);
    const int auftrag = druck->Druckauftrag_Beginnen(QStringLiteral("MAHNUNG"));
    TMOLA_PrintEditServer_Record r;
    r.PrgId = QStringLiteral("MAHNUNG");
    r.Auftrag = auftrag;
    r.Mahnstufe = 2;
    r.Saldo = kNaN;
    try {
        druck->Druckdaten_Schreiben(r);
        ADD_FAILURE() << "NaN amount accepted";
    } catch (const EWertUngueltig& e) {
        EXPECT_TRUE(e.Text().contains(QStringLiteral("„Saldo“"))) << e.what();
    }
    r.Saldo = 1;
    r.Mahnstufe = -1;
    EXPECT_THROW(druck->Druckdaten_Schreiben(r), EWertUngueltig);
    r.Mahnstufe = 9;
    druck->Druckdaten_Schreiben(r);
    EXPECT_EQ(druck->Druckdaten_Lesen(auftrag).size(), 1u);
    Glob_WWSServerFactoryClass().PrintEditServer_Freigeben(druck);
}

}  // namespace
