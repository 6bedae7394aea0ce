// Report engine, print server and document server: letters rendered to PDF from a print job and
// compared, as text, with references in tests/golden (MAHNWESEN_GOLDEN_NEU=1 rewrites them).
#include "druck_testbasis.h"
#include "suite/ui/dialogs/layoutform.h"
#include "suite/reports/briefsatz.h"
#include "suite/reports/crystalrdcn.h"
#include "suite/core/servers/beleghelper.h"
#include "suite/core/servers/printeditserver.h"
#include "support/umgebung.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <cmath>

using namespace drucktest;

namespace {

const TDateTime kHeute = 46364.0;  // 08.12.2026

struct TPos {
    QString Beleg;
    int Stufe;
    double Saldo, Gebuehr, Zins;
};

class Bericht : public ::testing::Test {
protected:
    Bericht() : umg(kHeute + 0.4375)
    {
        alpha = brief.partner(QStringLiteral("Alpha Bau GmbH"), &alphaKontakt);
        Glob_WWSServerFactoryClass().PrintEditServer_Holen(server);
    }
    ~Bericht() override { Glob_WWSServerFactoryClass().PrintEditServer_Freigeben(server); }

    int auftragMit(const std::vector<TPos>& positionen, const QString& text)
    {
        const int auftrag = server->Druckauftrag_Beginnen(QStringLiteral("MAHNUNG"));
        TMOLA_PrintEditServer_Record r;
        for (const TPos& p : positionen) {
            r.Clear();
            r.PrgId = QStringLiteral("MAHNUNG");
            r.Auftrag = auftrag;
            r.Mahnstufe = p.Stufe;
            r.Saldo = p.Saldo;
            r.Mahngebuehren = p.Gebuehr;
            r.Verzugszins = p.Zins;
            r.Belegnummer = p.Beleg;
            r.Belegdatum = DateToStr(kHeute - 60);
            r.ZahlbarBis = DateToStr(kHeute + 14);
            r.Art = p.Stufe == 1 ? QStringLiteral("Zahlungserinnerung") : QStringLiteral("Mahnung");
            server->Druckdaten_Schreiben(r);
        }
        r.Clear();
        r.PrgId = QStringLiteral("MAHNUNG");
        r.Auftrag = auftrag;
        r.Belegnummer = QStringLiteral("BLOB");
        r.GanzerText = text;
        server->Druckdaten_Schreiben(r);
        return server->Druck_Kennung().Auftrag;
    }

    // Parameters as the dunning editor sets them for a letter from the northern branch.
    void parameterSetzen(TQELReport* r, int auftrag, const QString& beschreibung, bool filiale = true)
    {
        const TIntPair firma = filiale ? brief.orgeNord : brief.orge;
        const TIntPair mita = filiale ? brief.kontaktNord : TIntPair();
        const TIntPair anschrift = orgeDesPartners(alpha);
        const QList<QPair<QString, QString>> werte{
            {QStringLiteral("Param_Beleg_Beschreibung"), beschreibung},
            {QStringLiteral("Param_PRG_ID"), QStringLiteral("MAHNUNG")},
            {QStringLiteral("Param_Session_ID"), QString::number(auftrag)},
            {QStringLiteral("Param_BelegDatum"), DateToStr(kHeute)},
            {QStringLiteral("Param_Belegnummer"), QStringLiteral("AOP 17-2026 2")},
            {QStringLiteral("Param_GlaeubigerRNr"), QString::number(mandant.Id.RNr)},
            {QStringLiteral("Param_GlaeubigerLNr"), QString::number(mandant.Id.LNr)},
            {QStringLiteral("Param_Firma_OrgeRNr"), QString::number(firma.RNr)},
            {QStringLiteral("Param_Firma_OrgeLNr"), QString::number(firma.LNr)},
            {QStringLiteral("Param_Firma_MitaRNr"), QString::number(mita.RNr)},
            {QStringLiteral("Param_Firma_MitaLNr"), QString::number(mita.LNr)},
            {QStringLiteral("Param_SchuldnerRNr"), QString::number(alpha.RNr)},
            {QStringLiteral("Param_SchuldnerLNr"), QString::number(alpha.LNr)},
            {QStringLiteral("Param_Anschrift_OrgeRNr"), QString::number(anschrift.RNr)},
            {QStringLiteral("Param_Anschrift_OrgeLNr"), QString::number(anschrift.LNr)},
            {QStringLiteral("Param_Schuldner_MitaRNr"), QString::number(alphaKontakt.RNr)},
            {QStringLiteral("Param_Schuldner_MitaLNr"), QString::number(alphaKontakt.LNr)},
            {QStringLiteral("Param_Beruecksichtigt"), DateToStr(kHeute - 2)},
            {QStringLiteral("Param_LogoKennung1"), QStringLiteral("BRIEF")},
            {QStringLiteral("Param_LogoKennung2"), QStringLiteral("BRIEFKO")},
            {QStringLiteral("Param_LogoName"), QStringLiteral("LOGO-NORD")},
            {QStringLiteral("Param_LogoLfdNr"), QStringLiteral("0")},
            {QStringLiteral("Param_AbsenderAnzeigen"), QStringLiteral("J")},
            {QStringLiteral("Param_FonFaxMailBuchfiliale"), QStringLiteral("J")},
            {QStringLiteral("Param_GrussFilialname"), QStringLiteral("J")},
            {QStringLiteral("Param_BelegFussDrucken"), QStringLiteral("J")},
        };
        for (const auto& w : werte)
            r->SetParameter(w.first, w.second);
        r->AddLogoConnectionByName(QStringLiteral("Bild5"), QStringLiteral("@const_LogoKennung1"),
                                   QStringLiteral("@const_LogoKennung2"), QStringLiteral("@const_LogoName"),
                                   QStringLiteral("@const_LogoLfdNr"));
        r->EngineReport()->Set_TopMargin(qel_mmToTwips(20));
        r->EngineReport()->Set_LeftMargin(qel_mmToTwips(25));
        r->EngineReport()->Set_BottomMargin(qel_mmToTwips(15));
    }

    // Renders the job's letter to a PDF and returns its output record.
    TBerichtAusgabe::TAusgabe drucken(int auftrag, const QString& beschreibung, const QString& datei = QStringLiteral("mahnung.html"),
                                      const std::function<void(TQELReport*)>& anpassen = {})
    {
        TCrystalRDCn bericht;
        bericht.Clear();
        bericht.SetReport(GetDirWwsByName(qfBerichte, datei, true), true, TDBFFiles_4_Crystal{QStringLiteral("MAHNUNG"), auftrag});
        parameterSetzen(bericht.GetReport(0), auftrag, beschreibung);
        if (anpassen)
            anpassen(bericht.GetReport(0));
        bericht.ShowReport();
        const auto ausgaben = TBerichtAusgabe::Ausgaben();
        // For looking at the letters: MAHNWESEN_PDF_KOPIE=folder keeps a copy of each.
        const QString kopie = qEnvironmentVariable("MAHNWESEN_PDF_KOPIE");
        if (!kopie.isEmpty() && !ausgaben.isEmpty())
            QFile::copy(ausgaben.last().Datei,
                        QDir(kopie).filePath(QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name())
                                             + QStringLiteral(".pdf")));
        return ausgaben.isEmpty() ? TBerichtAusgabe::TAusgabe() : ausgaben.last();
    }

    // Compares the letter's text with its reference; trailing blanks are not significant.
    static void golden(const QString& name, const QString& text)
    {
        QString normal;
        for (const QString& z : text.split(QLatin1Char('\n')))
            normal += z.trimmed().isEmpty() ? QString() : QString(z).remove(QRegularExpression(QStringLiteral("\\s+$")));
        const QString pfad = QStringLiteral(MAHNWESEN_SOURCE_DIR "/tests/golden/") + name + QStringLiteral(".txt");
        QString bereinigt;
        for (const QString& z : text.split(QLatin1Char('\n')))
            bereinigt += QString(z).remove(QRegularExpression(QStringLiteral("\\s+$"))) + QLatin1Char('\n');
        bereinigt = bereinigt.trimmed() + QLatin1Char('\n');
        if (qEnvironmentVariableIntValue("MAHNWESEN_GOLDEN_NEU") == 1) {
            QFile f(pfad);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << pfad.toStdString();
            f.write(bereinigt.toUtf8());
            return;
        }
        QFile f(pfad);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "reference missing (MAHNWESEN_GOLDEN_NEU=1 writes it): "
                                                 << pfad.toStdString();
        EXPECT_EQ(QString::fromUtf8(f.readAll()).toStdString(), bereinigt.toStdString()) << name.toStdString();
    }

    TTempSuite suite{false};
    TTestUmgebung umg;
    TTestMandant mandant{7, QStringLiteral("Testmandant GmbH")};
    TBriefMandant brief{mandant};
    TPdfAusgabe pdf;
    TIntPair alpha, alphaKontakt;
    IQEL_PrintEditServerRef server;
};

const QString kText = QStringLiteral(
    "Sehr geehrte Damen und Herren,\r\n\r\nbei der Durchsicht unserer Buchhaltung haben wir festgestellt, dass die "
    "nachstehend aufgeführten Rechnungen noch offen sind.\r\n\r\nBitte überweisen Sie den Betrag bis zum angegebenen "
    "Zahlungsziel.\r\n\r\nMit freundlichen Grüßen");

TEST_F(Bericht, LetterOfABranchMatchesItsReference)
{
    const int auftrag = auftragMit({{QStringLiteral("RE-2026-0815"), 1, 1190.0, 0, 0},
                                    {QStringLiteral("RE-2026-0907"), 2, 249.9, 5.0, 3.12},
                                    {QStringLiteral("RE-2026-1001"), 3, 12345.67, 10.0, 120.4}},
                                   kText);
    const auto a = drucken(auftrag, QStringLiteral("Zahlungserinnerung / Mahnung"));
    ASSERT_EQ(a.Seiten, 1);
    EXPECT_EQ(pdfSeiten(a.Datei), 1);
    EXPECT_EQ(a.Logo, QStringLiteral("LOGO-NORD"));
    const QString text = pdfText(a.Datei);
    // Totals: 13.785,57 owed, 15,00 fees, 123,52 interest.
    EXPECT_TRUE(text.contains(QStringLiteral("13.924,09 EUR"))) << text.toStdString();
    golden(QStringLiteral("mahnung_filiale"), text);
}

TEST_F(Bericht, LongTableBreaksPagesAndRepeatsItsHead)
{
    std::vector<TPos> viele;
    for (int i = 1; i <= 70; ++i)
        viele.push_back({QStringLiteral("RE-%1").arg(1000 + i), 2, 100.0 + i, 2.5, 0.25});
    const auto a = drucken(auftragMit(viele, kText), QStringLiteral("Mahnung"));
    ASSERT_GE(a.Seiten, 2);
    EXPECT_EQ(pdfSeiten(a.Datei), a.Seiten);
    const QString text = pdfText(a.Datei);
    for (int s = 1; s <= a.Seiten; ++s)
        EXPECT_TRUE(text.contains(QStringLiteral("Seite %1 von %2").arg(s).arg(a.Seiten))) << s;
    // The table head stands on every page the table reaches; the footer's bank line too.
    EXPECT_EQ(text.count(QStringLiteral("Mahngebühr")), a.Seiten);
    EXPECT_EQ(text.count(QStringLiteral("IBAN DE89")), a.Seiten);
    // 70 rows: 9.485,00 + 175,00 + 17,50.
    EXPECT_TRUE(text.contains(QStringLiteral("9.677,50 EUR")));
    golden(QStringLiteral("mahnung_lang"), text);
    // The same letter again: zones the letters share are measured once, and the second comes out alike.
    const auto wieder = drucken(auftragMit(viele, kText), QStringLiteral("Mahnung"));
    EXPECT_EQ(pdfText(wieder.Datei).toStdString(), text.toStdString());
}

TEST_F(Bericht, SwitchesLeaveOutSenderLineFooterAndBranchName)
{
    const int auftrag = auftragMit({{QStringLiteral("RE-1"), 1, 50.0, 0, 0}}, QStringLiteral("Kurz."));
    const auto a = drucken(auftrag, QStringLiteral("Zahlungserinnerung"), QStringLiteral("mahnung.html"), [](TQELReport* r) {
        r->SetParameter(QStringLiteral("Param_AbsenderAnzeigen"), QStringLiteral("N"));
        r->SetParameter(QStringLiteral("Param_BelegFussDrucken"), QStringLiteral("N"));
        r->SetParameter(QStringLiteral("Param_GrussFilialname"), QStringLiteral("N"));
        r->SetParameter(QStringLiteral("Param_Firma_MitaRNr"), QStringLiteral("0"));
        r->SetParameter(QStringLiteral("Param_Firma_MitaLNr"), QStringLiteral("0"));
        r->SetParameter(QStringLiteral("Param_LogoName"), QStringLiteral("GIBT-ES-NICHT"));
    });
    EXPECT_TRUE(a.Logo.isEmpty());
    const QString text = pdfText(a.Datei);
    EXPECT_FALSE(text.contains(QStringLiteral("Hafenstraße 5 ·")));
    EXPECT_FALSE(text.contains(QStringLiteral("IBAN")));
    EXPECT_FALSE(text.contains(QStringLiteral("Jan Hansen")));
    EXPECT_TRUE(text.contains(QStringLiteral("Seite 1 von 1")));
    golden(QStringLiteral("mahnung_ohne_schalter"), text);
}

TEST_F(Bericht, HugeLetterTextFlowsOverManyPages)
{
    QString text;
    while (text.size() < 100000)
        text += QStringLiteral("Dies ist ein sehr langer Satz eines Mahntextes mit Umlauten äöü und <Zeichen> & Co. ");
    const auto a = drucken(auftragMit({{QStringLiteral("RE-1"), 2, 10.0, 0, 0}}, text), QStringLiteral("Mahnung"));
    EXPECT_GT(a.Seiten, 10);
    const QString pdf = pdfText(a.Datei);
    EXPECT_TRUE(pdf.contains(QStringLiteral("<Zeichen> & Co.")));
    EXPECT_TRUE(pdf.contains(QStringLiteral("Seite %1 von %1").arg(a.Seiten)));
}

TEST_F(Bericht, BrokenReportFilesAndMarginsRaiseClearErrors)
{
    const int auftrag = auftragMit({{QStringLiteral("RE-1"), 1, 10.0, 0, 0}}, QStringLiteral("Text."));
    TCrystalRDCn bericht;
    const TDBFFiles_4_Crystal dateien{QStringLiteral("MAHNUNG"), auftrag};

    // Missing file: named in the message.
    try {
        GetDirWwsByName(qfBerichte, QStringLiteral("fehlt.html"), true);
        ADD_FAILURE() << "no error for a missing report file";
    } catch (const EQELError& e) {
        EXPECT_TRUE(e.Text().contains(QStringLiteral("fehlt.html"))) << e.what();
    }
    // A name leading out of the report folder is refused even when the file exists.
    EXPECT_THROW(GetDirWwsByName(qfBerichte, QStringLiteral("../einstellungen.ini"), false), EQELError);

    berichtsdateiSchreiben(QStringLiteral("kaputt.html"), "<html>{{#positionen}}<p>{{belegnummer}}</p></html>");
    bericht.SetReport(GetDirWwsByName(qfBerichte, QStringLiteral("kaputt.html"), true), true, dateien);
    try {
        bericht.ShowReport();
        ADD_FAILURE() << "no error for a malformed template";
    } catch (const EQELError& e) {
        EXPECT_TRUE(e.Text().contains(QStringLiteral("fehlerhaft"))) << e.what();
    }

    berichtsdateiSchreiben(QStringLiteral("binaer.html"), QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11));
    EXPECT_THROW(bericht.SetReport(GetDirWwsByName(qfBerichte, QStringLiteral("binaer.html"), true), true, dateien),
                 EQELError);

    bericht.Clear();
    bericht.SetReport(GetDirWwsByName(qfBerichte, QStringLiteral("mahnung.html"), true), true, dateien);
    IReport* seite = bericht.GetIReport(0);
    EXPECT_THROW(seite->Set_TopMargin(-1), EQELError);
    EXPECT_THROW(seite->Set_PaperSize(4711), EQELError);
    EXPECT_THROW(seite->Set_PaperOrientation(0), EQELError);
    EXPECT_THROW(bericht.GetReport(1), EQELError);
    // Margins that each pass but together leave no room for the letter.
    seite->Set_LeftMargin(qel_mmToTwips(110));
    seite->Set_RightMargin(qel_mmToTwips(80));
    EXPECT_THROW(bericht.ShowReport(), EQELError);
    EXPECT_TRUE(TBerichtAusgabe::Ausgaben().isEmpty());
}

TEST_F(Bericht, PrintJobsAreNumberedOnceAndEndedForGood)
{
    IQEL_PrintEditServerRef zweiter;
    Glob_WWSServerFactoryClass().PrintEditServer_Holen(zweiter);
    const int a = server->Druckauftrag_Beginnen(QStringLiteral("MAHNUNG"));
    const int b = zweiter->Druckauftrag_Beginnen(QStringLiteral("MAHNUNG"));
    EXPECT_NE(a, b);
    EXPECT_EQ(server->Druck_Kennung().Auftrag, a);
    EXPECT_EQ(zweiter->Druck_Kennung().Auftrag, b);

    TMOLA_PrintEditServer_Record r;
    r.PrgId = QStringLiteral("MAHNUNG");
    r.Auftrag = a;
    r.Belegnummer = QStringLiteral("X1");
    r.Saldo = 12.34;
    r.Text[5] = QStringLiteral("Teil \"fünf\"\r\n");
    server->Druckdaten_Schreiben(r);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("druckdaten")), 0);  // stored when handed to the report
    EXPECT_EQ(server->Druck_Kennung().Auftrag, a);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("druckdaten")), 1);
    r.Belegnummer = QStringLiteral("X2");
    zweiter->Druckdaten_Schreiben(r);  // another server object continues the same job
    const auto zeilen = zweiter->Druckdaten_Lesen(a);
    ASSERT_EQ(zeilen.size(), 2u);
    EXPECT_EQ(zeilen[0].Belegnummer, QStringLiteral("X1"));
    EXPECT_EQ(zeilen[1].Belegnummer, QStringLiteral("X2"));
    EXPECT_DOUBLE_EQ(zeilen[0].Saldo, 12.34);
    EXPECT_EQ(zeilen[0].Text[5], QStringLiteral("Teil \"fünf\"\r\n"));
    EXPECT_TRUE(zweiter->Druckdaten_Lesen(b).empty());

    r.PrgId = QStringLiteral("ANDERES");
    EXPECT_THROW(server->Druckdaten_Schreiben(r), EQELError);
    EXPECT_THROW(server->Druckauftrag_Beenden(QStringLiteral("ANDERES"), a), EQELError);

    server->Druckauftrag_Beenden(QStringLiteral("MAHNUNG"), a);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("druckdaten"), QStringLiteral("auftrag_nr = ?"), {a}), 0);
    EXPECT_NE(TTempSuite::Wert(QStringLiteral("SELECT beendet FROM druckauftrag WHERE auftrag_nr = ?"), {a}).toDouble(), 0);
    server->Druckauftrag_Beenden(QStringLiteral("MAHNUNG"), a);  // twice is harmless
    r.PrgId = QStringLiteral("MAHNUNG");
    EXPECT_THROW(server->Druckdaten_Schreiben(r), EQELError);
    EXPECT_THROW(server->Druckdaten_Lesen(a), EQELError);
    EXPECT_THROW(server->Druckauftrag_Beenden(QStringLiteral("MAHNUNG"), 999999), EQELError);
    const int nieGedruckt = server->Druckauftrag_Beginnen(QStringLiteral("MAHNUNG"));
    server->Druckauftrag_Beenden(QStringLiteral("MAHNUNG"), nieGedruckt);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("druckauftrag"), QStringLiteral("auftrag_nr = ?"), {nieGedruckt}), 0);
    Glob_WWSServerFactoryClass().PrintEditServer_Freigeben(zweiter);
}

TEST_F(Bericht, PrintRowsKeepMoneyInCentsAndRefuseWhatIsNoAmount)
{
    const int a = server->Druckauftrag_Beginnen(QStringLiteral("MAHNUNG"));
    TMOLA_PrintEditServer_Record r;
    r.PrgId = QStringLiteral("MAHNUNG");
    r.Auftrag = a;
    r.Belegnummer = QStringLiteral("C1");
    r.Saldo = 1234567.899;  // rounds to the cent when stored
    r.Mahngebuehren = 0.1 + 0.2;
    r.Verzugszins = -3.5;
    server->Druckdaten_Schreiben(r);
    server->Druck_Kennung();
    const QString inhalt =
        TTempSuite::Wert(QStringLiteral("SELECT inhalt FROM druckdaten WHERE auftrag_nr = ?"), {a}).toString();
    EXPECT_TRUE(inhalt.contains(QStringLiteral("\"saldo_cent\":123456790"))) << inhalt.toStdString();
    EXPECT_TRUE(inhalt.contains(QStringLiteral("\"gebuehren_cent\":30"))) << inhalt.toStdString();
    const auto zeilen = server->Druckdaten_Lesen(a);
    ASSERT_EQ(zeilen.size(), 1u);
    EXPECT_EQ(zeilen[0].Saldo, 1234567.90);
    EXPECT_EQ(zeilen[0].Mahngebuehren, 0.30);
    EXPECT_EQ(zeilen[0].Verzugszins, -3.50);

    r.Saldo = std::nan("");
    EXPECT_THROW(server->Druckdaten_Schreiben(r), EQELError);
    r.Saldo = 1e300;
    EXPECT_THROW(server->Druckdaten_Schreiben(r), EQELError);
    // A row that is not what this program wrote is refused when read, not shown as 0.
    EXPECT_THROW(qel_DruckzeileLesen(QStringLiteral("{\"saldo_cent\":1.5,\"gebuehren_cent\":0,\"zins_cent\":0}")),
                 EQELError);
    EXPECT_THROW(qel_DruckzeileLesen(QStringLiteral("{\"saldo\":1.5}")), EQELError);
    server->Druckauftrag_Beenden(QStringLiteral("MAHNUNG"), a);
}

TEST_F(Bericht, AbandonedJobsAreClearedAfterAWeek)
{
    const int alt = server->Druckauftrag_Beginnen(QStringLiteral("MAHNUNG"));
    TMOLA_PrintEditServer_Record r;
    r.PrgId = QStringLiteral("MAHNUNG");
    r.Auftrag = alt;
    server->Druckdaten_Schreiben(r);
    server->Druck_Kennung();
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("druckdaten"), QStringLiteral("auftrag_nr = ?"), {alt}), 1);
    // The workstation never ends the job; a week later another one takes new numbers.
    qel_SetNow(kHeute + TPrintEditServer::CAufbewahrungTage + 1);
    IQEL_PrintEditServerRef spaeter;
    Glob_WWSServerFactoryClass().PrintEditServer_Holen(spaeter);
    const int neu = spaeter->Druckauftrag_Beginnen(QStringLiteral("MAHNUNG"));
    EXPECT_GT(neu, alt);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("druckdaten"), QStringLiteral("auftrag_nr = ?"), {alt}), 0);
    EXPECT_THROW(spaeter->Druckdaten_Lesen(alt), EQELError);
    Glob_WWSServerFactoryClass().PrintEditServer_Freigeben(spaeter);
}

TEST_F(Bericht, DocumentServerLoadsTheItemsContactPerson)
{
    const TIntTrio trio = mandant.Posten(alpha, {QStringLiteral("RE-9"), kHeute - 30, 99.0, 0, kHeute - 16, 0, false, QString()});
    kontaktDesPostens(trio, alphaKontakt);
    IQEL_BelegEditServer* s = GBelegHelper().BelegEditServerExtern2_GoC();
    EXPECT_EQ(s, GBelegHelper().BelegEditServerExtern2_GoC());
    ASSERT_TRUE(s->Beleg_Laden(PairAusTrio(trio), int16_t(trio.LfdNummer)));
    EXPECT_EQ(s->Beleg_Daten().Kopf.Belegnummer, QStringLiteral("RE-9"));
    EXPECT_TRUE(IntPairEqual(s->Beleg_Daten().Kopf.Kontaktperson, alphaKontakt));
    EXPECT_FALSE(s->Beleg_Laden(PairAusTrio(trio), int16_t(trio.LfdNummer + 1)));
    EXPECT_THROW(s->Beleg_Daten(), EQELError);
}

TEST_F(Bericht, MarkupInNamesAndTextsPrintsLiterally)
{
    const TIntPair orge = orgeDesPartners(alpha);
    TSqlAbfrage(QStringLiteral("UPDATE organisation SET name1 = ?, name2 = ? WHERE rnr = ? AND lnr = ?"))
        .Bind({QStringLiteral("<b>Fett</b> & Co"), QStringLiteral("{{Param_Belegnummer}}"), orge.RNr, orge.LNr})
        .Exec();
    const auto a = drucken(auftragMit({{QStringLiteral("<i>RE-1</i>"), 1, 10.0, 0, 0}},
                                      QStringLiteral("<h1>Gross</h1> <img src=\"x.png\"> {{{brieftext}}} {{belegnummer}}")),
                           QStringLiteral("Mahnung"));
    const QString text = pdfText(a.Datei);
    for (const char* wort : {"<b>Fett</b> & Co", "{{Param_Belegnummer}}", "<i>RE-1</i>", "<h1>Gross</h1>",
                             "<img src=\"x.png\">", "{{{brieftext}}} {{belegnummer}}"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(wort))) << wort << "\n" << text.toStdString();
}

// A tall picture fills more than one page when it is loaded, and an icon's space when it is not.
TEST_F(Bericht, TemplatesAndPicturesAreReadOnlyFromInsideTheReportFolder)
{
    QImage hoch(40, 6000, QImage::Format_RGB32);
    hoch.fill(Qt::black);
    const QString ordner = QELProgramm().Konfiguration().BerichtsOrdner;
    const QString draussen = suite.Ordner() + QStringLiteral("/draussen");
    QDir().mkpath(draussen);
    ASSERT_TRUE(hoch.save(draussen + QStringLiteral("/hoch.png")));
    ASSERT_TRUE(hoch.save(ordner + QStringLiteral("/hoch.png")));
    berichtsdateiSchreiben(QStringLiteral("geheim.html"), "<p>geheim</p>");
    QFile::rename(ordner + QStringLiteral("/geheim.html"), draussen + QStringLiteral("/geheim.html"));

    // Links out of the folder, to a file or to a folder, are refused; a link inside it is fine.
    ASSERT_TRUE(QFile::link(draussen + QStringLiteral("/geheim.html"), ordner + QStringLiteral("/link.html")));
    ASSERT_TRUE(QFile::link(draussen, ordner + QStringLiteral("/unterordner")));
    ASSERT_TRUE(QFile::link(ordner + QStringLiteral("/mahnung.html"), ordner + QStringLiteral("/kopie.html")));
    for (const char* name : {"link.html", "unterordner/geheim.html", "unterordner/neu.html"}) {
        try {
            GetDirWwsByName(qfBerichte, QString::fromUtf8(name), false);
            ADD_FAILURE() << name << " resolved outside the report folder";
        } catch (const EQELError& e) {
            EXPECT_TRUE(e.Text().contains(QStringLiteral("verweist aus dem Ordner"))) << e.what();
        }
    }
    EXPECT_EQ(GetDirWwsByName(qfBerichte, QStringLiteral("kopie.html"), true),
              QFileInfo(ordner + QStringLiteral("/mahnung.html")).canonicalFilePath());

    const int auftrag = auftragMit({{QStringLiteral("RE-1"), 1, 10.0, 0, 0}}, QStringLiteral("Text."));
    auto seitenMit = [&](const QString& quelle) {
        berichtsdateiSchreiben(QStringLiteral("bild.html"),
                               QStringLiteral("<p>Brief</p><img src=\"%1\">").arg(quelle).toUtf8());
        return drucken(auftrag, QStringLiteral("Mahnung"), QStringLiteral("bild.html")).Seiten;
    };
    EXPECT_GT(seitenMit(QStringLiteral("hoch.png")), 1);
    EXPECT_EQ(seitenMit(draussen + QStringLiteral("/hoch.png")), 1);
    EXPECT_EQ(seitenMit(QStringLiteral("file://") + draussen + QStringLiteral("/hoch.png")), 1);
    EXPECT_EQ(seitenMit(QStringLiteral("../draussen/hoch.png")), 1);
    EXPECT_EQ(seitenMit(QStringLiteral("unterordner/hoch.png")), 1);
}

// Positions on the sheet, read back from the PDF: DIN 5008 form B.
TEST_F(Bericht, FormBZonesStandWhereTheFormPutsThem)
{
    const int auftrag = auftragMit({{QStringLiteral("RE-2026-0815"), 1, 1190.0, 0, 0}}, kText);
    const auto a = drucken(auftrag, QStringLiteral("Zahlungserinnerung"));
    const auto w = pdfWoerter(a.Datei);
    ASSERT_FALSE(w.isEmpty());
    const double toleranz = 0.6;

    // Letterhead above 45 mm; the return line ends at 62.7 mm, the recipient begins there, 5 mm into the field.
    const TPdfWort kopf = pdfWort(w, QStringLiteral("Testmandant"));
    EXPECT_LT(kopf.Unten, 45.0);
    const TPdfWort ruecksende = pdfWort(w, QStringLiteral("Hafenstraße"));
    EXPECT_LE(ruecksende.Unten, 62.7 + 0.2);
    EXPECT_GT(ruecksende.Oben, 45.0 + 17.7 - 6);
    const TPdfWort empfaenger = pdfWort(w, QStringLiteral("Alpha"));
    EXPECT_NEAR(empfaenger.Links, 25.0, toleranz);
    EXPECT_GE(empfaenger.Oben, 62.7 - 0.05);
    EXPECT_LT(empfaenger.Oben, 64.5);
    const TPdfWort ort = pdfWort(w, QStringLiteral("Bremen"));
    EXPECT_NEAR(ort.Links, 25.0 + 0.1 + (pdfWort(w, QStringLiteral("28195")).Rechts - 25.0), 3.0);
    EXPECT_LE(ort.Unten, 90.0);

    // Information block from 125 mm left and 50 mm top, with the customer number and the clear label.
    const TPdfWort info = pdfWort(w, QStringLiteral("Ihre"));
    EXPECT_NEAR(info.Links, 125.0, toleranz);
    EXPECT_GE(info.Oben, 50.0);
    EXPECT_LT(info.Oben, 52.0);
    const QString text = pdfText(a.Datei);
    EXPECT_TRUE(text.contains(QStringLiteral("Zahlungseingang bis"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Zahlungen bis")));

    // The body on its 25 mm line below the address field, never nearer than 20 mm to the right edge.
    const TPdfWort betreff = pdfWort(w, QStringLiteral("Zahlungserinnerung"));
    EXPECT_NEAR(betreff.Links, 25.0, toleranz);
    EXPECT_GT(betreff.Oben, 90.0);
    for (const TPdfWort& x : w)
        if (x.Oben > 95.0) {
            EXPECT_GE(x.Links, 25.0 - toleranz) << x.Text.toStdString();
            EXPECT_LE(x.Rechts, 210.0 - 20.0 + 0.2) << x.Text.toStdString();
        }

    // Fold marks at 105 and 210 mm, the hole mark at 148.5 mm, at the left edge and nowhere else there.
    const QImage seite = pdfSeiteAlsBild(a.Datei, 1, 200);
    ASSERT_FALSE(seite.isNull());
    auto dunkel = [&](double xMm, double yMm) {
        const int x = int(xMm / 25.4 * 200), y0 = int(yMm / 25.4 * 200);
        for (int y = y0 - 2; y <= y0 + 2; ++y)
            if (qGray(seite.pixel(x, y)) < 200)
                return true;
        return false;
    };
    EXPECT_TRUE(dunkel(6, 105.0));
    EXPECT_TRUE(dunkel(6, 210.0));
    EXPECT_TRUE(dunkel(10, 148.5));
    EXPECT_FALSE(dunkel(10, 105.0));  // the hole mark is the longer one
    EXPECT_FALSE(dunkel(6, 120.0));
    EXPECT_FALSE(dunkel(6, 180.0));
}

TEST_F(Bericht, LaterPagesHaveNoLetterheadButAShortHeader)
{
    std::vector<TPos> viele;
    for (int i = 1; i <= 500; ++i)
        viele.push_back({QStringLiteral("RE-%1").arg(10000 + i), 2, 10.0, 1.0, 0.1});
    const auto a = drucken(auftragMit(viele, kText), QStringLiteral("Mahnung"));
    ASSERT_GE(a.Seiten, 10);
    const auto w = pdfWoerter(a.Datei);
    const QString text = pdfText(a.Datei);
    // Every invoice once, the table head on every page, the total of all 500 rows.
    for (int i : {1, 250, 500})
        EXPECT_EQ(text.count(QStringLiteral("RE-%1").arg(10000 + i)), 1) << i;
    EXPECT_EQ(text.count(QStringLiteral("Mahngebühr")), a.Seiten);
    EXPECT_TRUE(text.contains(QStringLiteral("5.550,00 EUR")));
    for (int s = 2; s <= a.Seiten; ++s) {
        double oben = 1000;
        for (const TPdfWort& x : w)
            if (x.Seite == s)
                oben = std::min(oben, x.Oben);
        // Neither letterhead nor address: the page starts with its header at the top margin.
        EXPECT_GE(oben, 19.0) << s;
        EXPECT_LT(oben, 25.0) << s;
        EXPECT_TRUE(pdfWort(w, QStringLiteral("Kundennummer"), s).Text.isEmpty()) << s;
        EXPECT_FALSE(pdfWort(w, QStringLiteral("Mahngebühr"), s).Text.isEmpty()) << s;
    }
    EXPECT_FALSE(pdfWort(w, QStringLiteral("Kundennummer"), 1).Text.isEmpty());
}

TEST(Briefanrede, NamesWomanAndManElseEveryone)
{
    EXPECT_EQ(qel_Briefanrede(QStringLiteral("Frau"), QStringLiteral("Franke")), QStringLiteral("Sehr geehrte Frau Franke,"));
    EXPECT_EQ(qel_Briefanrede(QStringLiteral("Herr"), QStringLiteral("Becker")), QStringLiteral("Sehr geehrter Herr Becker,"));
    EXPECT_EQ(qel_Briefanrede(QStringLiteral(" herrn "), QStringLiteral(" von  Bülow ")),
              QStringLiteral("Sehr geehrter Herr von Bülow,"));
    EXPECT_EQ(qel_Briefanrede(QStringLiteral("Frau Dr."), QStringLiteral("Roth")), QStringLiteral("Sehr geehrte Frau Dr. Roth,"));
    const QString alle = QStringLiteral("Sehr geehrte Damen und Herren,");
    EXPECT_EQ(qel_Briefanrede(QStringLiteral("Frau"), QString()), alle);
    EXPECT_EQ(qel_Briefanrede(QString(), QStringLiteral("Franke")), alle);
    EXPECT_EQ(qel_Briefanrede(QStringLiteral("Firma"), QStringLiteral("Franke")), alle);
    EXPECT_EQ(qel_Briefanrede(QStringLiteral("Frauke"), QStringLiteral("Franke")), alle);
}

TEST(BriefTextTeilen, AtTheMarkElseBeforeTheClosingElseAtTheEnd)
{
    using P = QPair<QString, QString>;
    EXPECT_EQ(qel_BriefTextTeilen(QStringLiteral("A\n#Aufstellung\nB #Aufstellung")), P(QStringLiteral("A\n"), QStringLiteral("\nB ")));
    EXPECT_EQ(qel_BriefTextTeilen(QStringLiteral("A\r\n\r\nMit freundlichen Grüßen\r\nX")),
              P(QStringLiteral("A\r\n\r\n"), QStringLiteral("Mit freundlichen Grüßen\r\nX")));
    // Only a closing at the start of a line counts, and the last one.
    EXPECT_EQ(qel_BriefTextTeilen(QStringLiteral("Wir senden freundliche Grüße nach.\\nBeste Grüße")),
              P(QStringLiteral("Wir senden freundliche Grüße nach.\\n"), QStringLiteral("Beste Grüße")));
    EXPECT_EQ(qel_BriefTextTeilen(QStringLiteral("Nur Text.")), P(QStringLiteral("Nur Text."), QString()));
}

// The debtor's contact person gives the salutation; the placeholders are filled per letter and the
// table stands where the text marks it, or before the closing.
TEST_F(Bericht, PlaceholdersAndTheTablesPlaceInTheLetter)
{
    const int auftrag = auftragMit({{QStringLiteral("RE-1"), 2, 100.0, 5.0, 1.0}, {QStringLiteral("RE-2"), 1, 50.0, 0, 0}},
                                   QStringLiteral("#Anrede\r\n\r\nbitte zahlen Sie #Gesamtbetrag bis zum #Zahlungsziel.\r\n"
                                                  "#Aufstellung\r\nNach der Tabelle.\r\n\r\nMit freundlichen Grüßen"));
    const QString text = pdfText(drucken(auftrag, QStringLiteral("Mahnung")).Datei);
    const int anrede = text.indexOf(QStringLiteral("Sehr geehrter Herr Becker,"));
    const int betrag = text.indexOf(QStringLiteral("bitte zahlen Sie 156,00 EUR bis zum 22.12.2026."));
    const int tabelle = text.indexOf(QStringLiteral("Aufstellung der offenen Rechnungen"));
    const int nach = text.indexOf(QStringLiteral("Nach der Tabelle."));
    const int gruss = text.indexOf(QStringLiteral("Mit freundlichen Grüßen"));
    EXPECT_TRUE(anrede >= 0 && anrede < betrag && betrag < tabelle && tabelle < nach && nach < gruss) << text.toStdString();
    EXPECT_FALSE(text.contains(QLatin1Char('#'))) << text.toStdString();

    // No mark: the table comes before the closing formula, whose company name follows it.
    const QString ohne = pdfText(drucken(auftragMit({{QStringLiteral("RE-3"), 1, 10.0, 0, 0}}, kText),
                                         QStringLiteral("Zahlungserinnerung"))
                                     .Datei);
    EXPECT_LT(ohne.indexOf(QStringLiteral("Aufstellung der offenen Rechnungen")), ohne.indexOf(QStringLiteral("Mit freundlichen")));
    EXPECT_LT(ohne.indexOf(QStringLiteral("noch offen sind")), ohne.indexOf(QStringLiteral("Aufstellung der offenen")));
}

TEST_F(Bericht, ContactPersonsWithoutNameOrSalutation)
{
    const TIntPair orge = orgeDesPartners(alpha);
    auto kontaktSetzen = [&](const QString& anrede, const QString& vorname, const QString& nachname) {
        TSqlAbfrage(QStringLiteral("UPDATE mitarbeiter SET anrede = ?, vorname = ?, nachname = ? WHERE rnr = ? AND lnr = ?"))
            .Bind({anrede, vorname, nachname, alphaKontakt.RNr, alphaKontakt.LNr})
            .Exec();
    };
    auto brief = [&] {
        return pdfText(drucken(auftragMit({{QStringLiteral("RE-1"), 1, 10.0, 0, 0}}, QStringLiteral("#Anrede\r\nText.")),
                               QStringLiteral("Mahnung"))
                           .Datei);
    };
    kontaktSetzen(QStringLiteral("Frau"), QStringLiteral("Monika"), QStringLiteral("Franke"));
    QString t = brief();
    EXPECT_TRUE(t.contains(QStringLiteral("Frau Monika Franke"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("Sehr geehrte Frau Franke,")));
    kontaktSetzen(QString(), QStringLiteral("Monika"), QStringLiteral("Franke"));
    t = brief();
    EXPECT_TRUE(t.contains(QStringLiteral("Monika Franke")));
    EXPECT_TRUE(t.contains(QStringLiteral("Sehr geehrte Damen und Herren,")));
    kontaktSetzen(QStringLiteral("Herr"), QString(), QString());
    t = brief();
    EXPECT_TRUE(t.contains(QStringLiteral("Sehr geehrte Damen und Herren,")));
    EXPECT_FALSE(t.contains(QStringLiteral("Herr\n"))) << t.toStdString();
    Q_UNUSED(orge);
}

// A name of 240 characters (both name lines full) and an address of eight lines stay inside the address
// field, in smaller type.
TEST_F(Bericht, LongAddressesStayInsideTheirField)
{
    const TIntPair orge = orgeDesPartners(alpha);
    QString lang;
    while (lang.size() < 120)
        lang += QStringLiteral("Langname ");
    lang.truncate(120);
    TSqlAbfrage(QStringLiteral("UPDATE organisation SET name1 = ?, name2 = ?, land = 'Österreich' WHERE rnr = ? AND lnr = ?"))
        .Bind({lang, lang, orge.RNr, orge.LNr})
        .Exec();
    const auto a = drucken(auftragMit({{QStringLiteral("RE-1"), 1, 10.0, 0, 0}}, kText), QStringLiteral("Mahnung"));
    EXPECT_EQ(a.Seiten, 1);
    const auto w = pdfWoerter(a.Datei);
    int imFeld = 0;
    for (const TPdfWort& x : w)
        if (x.Text == QStringLiteral("Langname") || x.Text == QStringLiteral("ÖSTERREICH")) {
            ++imFeld;
            EXPECT_GE(x.Oben, 62.7 - 0.05);
            EXPECT_LE(x.Unten, 90.0 + 0.1);
            EXPECT_GE(x.Links, 25.0 - 0.6);
            EXPECT_LE(x.Rechts, 105.0 + 0.1);
        }
    EXPECT_GE(imFeld, 20);
    EXPECT_FALSE(pdfWort(w, QStringLiteral("ÖSTERREICH")).Text.isEmpty());
}

// The foot names what a company's letters must name; addresses are never broken at a hyphen.
TEST_F(Bericht, FootCarriesTheCompanysLegalDataAndAddressesStayWhole)
{
    const QString adresse = QStringLiteral("forderungsmanagement@mueller-haustechnik-nord.de");
    TSqlAbfrage(QStringLiteral("UPDATE mitarbeiter SET email = ? WHERE rnr = ? AND lnr = ?"))
        .Bind({adresse, brief.kontaktNord.RNr, brief.kontaktNord.LNr})
        .Exec();
    // Stored as the master-data server keeps it; printed in groups of four.
    TSqlAbfrage(QStringLiteral("UPDATE organisation SET email = ?, iban = 'DE89290501010001234567' WHERE rnr = ? AND lnr = ?"))
        .Bind({adresse, brief.orgeNord.RNr, brief.orgeNord.LNr})
        .Exec();
    // Addresses in the text, some of them where a line ends.
    QString text;
    for (int i = 0; i < 20; ++i)
        text += QStringLiteral("Frage%1 an z%2@mueller-haustechnik-nord.de oder www.mueller-haustechnik-nord.de/r-%2 ")
                    .arg(QString(i % 9, QLatin1Char('x')))
                    .arg(i);
    const auto a = drucken(auftragMit({{QStringLiteral("RE-1"), 1, 10.0, 0, 0}}, text), QStringLiteral("Mahnung"));
    const QString pdf = pdfText(a.Datei);
    for (const char* angabe : {"Sitz der Gesellschaft: Bremen", "Amtsgericht Bremen HRB 24680",
                               "Geschäftsführung: Petra Lindner, Uwe Sommer", "IBAN DE89 2905 0101 0001 2345 67",
                               "BIC SBREDE22XXX", "USt-IdNr. DE123456789"})
        EXPECT_TRUE(pdf.contains(QString::fromUtf8(angabe))) << angabe << "\n" << pdf.toStdString();
    const auto w = pdfWoerter(a.Datei);
    int ganz = 0, vorAt = 0, abAt = 0;
    for (const TPdfWort& x : w) {
        ganz += x.Text == adresse;
        vorAt += x.Text == QStringLiteral("forderungsmanagement");
        abAt += x.Text == QStringLiteral("@mueller-haustechnik-nord.de");
    }
    // Whole in the foot; in the narrower information block on two lines, broken before the "@".
    EXPECT_EQ(ganz, 1) << pdf.toStdString();
    EXPECT_EQ(vorAt, 1) << pdf.toStdString();
    EXPECT_EQ(abAt, 1) << pdf.toStdString();
    // Whole on their line, with plain hyphens that can be copied out of the PDF.
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(pdf.contains(QStringLiteral("z%1@mueller-haustechnik-nord.de").arg(i))) << i << pdf.toStdString();
        EXPECT_TRUE(pdf.contains(QStringLiteral("www.mueller-haustechnik-nord.de/r-%1").arg(i))) << i;
    }
}

// A very long company address in the information block goes on two lines, broken before its "@",
// rather than shrink the whole block to fit it.
TEST_F(Bericht, ALongMailAddressBreaksInsteadOfShrinkingTheInformationBlock)
{
    auto hoeheVon = [](const QVector<TPdfWort>& w, const QString& text) {
        for (const TPdfWort& x : w)
            if (x.Text == text)
                return x.Unten - x.Oben;
        return 0.0;
    };
    const auto vorher = drucken(auftragMit({{QStringLiteral("RE-1"), 1, 10.0, 0, 0}}, kText), QStringLiteral("Mahnung"));
    const double normal = hoeheVon(pdfWoerter(vorher.Datei), QStringLiteral("Belegnummer"));
    ASSERT_GT(normal, 0);

    const QString lokal = QStringLiteral("mahnwesen.forderungsmanagement");
    const QString domain = QStringLiteral("@mueller-haustechnik-nord-zentrale.de");
    TSqlAbfrage(QStringLiteral("UPDATE mitarbeiter SET email = ? WHERE rnr = ? AND lnr = ?"))
        .Bind({lokal + domain, brief.kontaktNord.RNr, brief.kontaktNord.LNr})
        .Exec();
    const auto a = drucken(auftragMit({{QStringLiteral("RE-1"), 1, 10.0, 0, 0}}, kText), QStringLiteral("Mahnung"));
    const auto w = pdfWoerter(a.Datei);
    EXPECT_GE(hoeheVon(w, QStringLiteral("Belegnummer")), normal * 0.84);
    const TPdfWort* oben = nullptr;
    const TPdfWort* unten = nullptr;
    for (const TPdfWort& x : w) {
        if (x.Seite == 1 && x.Text == lokal)
            oben = &x;
        if (x.Seite == 1 && x.Text == domain)
            unten = &x;
    }
    ASSERT_TRUE(oben && unten) << pdfText(a.Datei).toStdString();
    EXPECT_GT(unten->Oben, oben->Oben);
    EXPECT_NEAR(unten->Links, oben->Links, 1.0);
}

// A logo that is no picture prints the letter without it; a 20 MB one is decoded once, made small.
TEST_F(Bericht, BadAndHugeLogos)
{
    Verwaltung_LogoSpeichern(QStringLiteral("LOGO-NORD"), QStringLiteral("image/png"), QByteArray(5000, 'x'));
    auto a = drucken(auftragMit({{QStringLiteral("RE-1"), 1, 10.0, 0, 0}}, kText), QStringLiteral("Mahnung"));
    EXPECT_TRUE(a.Logo.isEmpty());
    EXPECT_TRUE(pdfText(a.Datei).contains(QStringLiteral("Aufstellung der offenen Rechnungen")));

    QImage rauschen(2600, 2600, QImage::Format_RGB32);
    quint32 x = 12345;
    for (int y = 0; y < rauschen.height(); ++y) {
        auto* zeile = reinterpret_cast<quint32*>(rauschen.scanLine(y));
        for (int i = 0; i < rauschen.width(); ++i) {
            x = x * 1664525u + 1013904223u;
            zeile[i] = 0xFF000000u | (x >> 8);
        }
    }
    QByteArray png;
    QBuffer puffer(&png);
    puffer.open(QIODevice::WriteOnly);
    rauschen.save(&puffer, "PNG", 0);
    ASSERT_GT(png.size(), 15 * 1024 * 1024);
    Verwaltung_LogoSpeichern(QStringLiteral("LOGO-NORD"), QStringLiteral("image/png"), png);
    for (int i = 0; i < 2; ++i) {
        a = drucken(auftragMit({{QStringLiteral("RE-1"), 1, 10.0, 0, 0}}, kText), QStringLiteral("Mahnung"));
        EXPECT_EQ(a.Logo, QStringLiteral("LOGO-NORD"));
        EXPECT_EQ(a.Seiten, 1);
        EXPECT_LT(QFileInfo(a.Datei).size(), 4 * 1024 * 1024);
    }
}

TEST(TextAlsHtml, KeepsEveryKindOfLineBreakAndEscapes)
{
    EXPECT_EQ(qel_TextAlsHtml(QStringLiteral("a\r\nb\nc\rd\\ne<f>&")),
              QStringLiteral("a<br/>b<br/>c<br/>d<br/>e&lt;f&gt;&amp;"));
}

}  // namespace
