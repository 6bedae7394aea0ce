// Printing dunning letters from the real dunning editor: questions, layout dialogs, print jobs,
// report parameters and the output (letters go to PDF files instead of the preview or printer).
#include "druck_testbasis.h"
#include "editor_testbasis.h"
#include "selektionsfrm.h"
#include "suite/core/servers/mahnregelnserver.h"
#include "suite/ui/dialogs/grunddialog.h"
#include "suite/ui/dialogs/layoutform.h"
#include "suite/ui/dialogs/verzugszinsdialog.h"
#include "suite/reports/ausgabedialog.h"
#include "suite/reports/crystalrdcn.h"

#include <QRadioButton>

#include <QTreeWidget>

using namespace drucktest;
using editortest::kHeute;

namespace {

const QString kFrage =
    QStringLiteral("Es sind Offene Posten zu mehr als einem Geschäftspartner\rgewählt. Keine Druckvorschau möglich! "
                   "Trotzdem drucken?");
const QStringList kParameterReihenfolge{
    QStringLiteral("Param_Beleg_Beschreibung"), QStringLiteral("Param_PRG_ID"), QStringLiteral("Param_Session_ID"),
    QStringLiteral("Param_BelegDatum"), QStringLiteral("Param_Belegnummer"), QStringLiteral("Param_GlaeubigerRNr"),
    QStringLiteral("Param_GlaeubigerLNr"), QStringLiteral("Param_Firma_OrgeRNr"), QStringLiteral("Param_Firma_OrgeLNr"),
    QStringLiteral("Param_Firma_MitaRNr"), QStringLiteral("Param_Firma_MitaLNr"), QStringLiteral("Param_SchuldnerRNr"),
    QStringLiteral("Param_SchuldnerLNr"), QStringLiteral("Param_Anschrift_OrgeRNr"), QStringLiteral("Param_Anschrift_OrgeLNr"),
    QStringLiteral("Param_Schuldner_MitaRNr"), QStringLiteral("Param_Schuldner_MitaLNr"), QStringLiteral("Param_Beruecksichtigt"),
    QStringLiteral("Param_LogoKennung1"), QStringLiteral("Param_LogoKennung2"), QStringLiteral("Param_LogoName"),
    QStringLiteral("Param_LogoLfdNr"), QStringLiteral("Param_AbsenderAnzeigen"), QStringLiteral("Param_FonFaxMailBuchfiliale"),
    QStringLiteral("Param_GrussFilialname"), QStringLiteral("Param_BelegFussDrucken")};

class Drucken : public editortest::EditorTest {
protected:
    Drucken()
    {
        delta = mandant.Partner(QStringLiteral("Delta OHG"));
        mandant.Posten(delta, {QStringLiteral("D1"), kHeute - 50, 75.0, 0, kHeute - 30, 1, false, QString()});
        Verwaltung_LayoutRegistrieren(QStringLiteral("KMAHN"), QStringLiteral("Mahnung Standard"), QStringLiteral("mahnung.html"),
                                      layoutEinstellungen(QStringLiteral("N"), QStringLiteral("LOGO-EIGEN")), true, 1);
        // Shows the rows of the job: "number=kind;" per position, then the letter text.
        berichtsdateiSchreiben(QStringLiteral("zeilen.html"),
                               "<html><body><p>{{#positionen}}{{belegnummer}}={{art}}/{{mahnstufe}};{{/positionen}}</p>"
                               "<p>{{{brieftext}}}</p></body></html>");
    }

    void layout(const QString& name, const QStringList& einstellungen, const QString& datei = QStringLiteral("mahnung.html"))
    {
        Verwaltung_LayoutRegistrieren(QStringLiteral("KMAHN"), name, datei, einstellungen, false, 1);
    }

    // The next layout dialog chooses this layout (empty: the preselected one) or is cancelled.
    void imDialog(const QString& name = QString(), int antwort = mrOk)
    {
        umg.BeiModal<TLayoutform>([name, antwort](TLayoutform* f) {
            if (!name.isEmpty()) {
                EXPECT_TRUE(f->LayoutWaehlen(name)) << name.toStdString();
            }
            return antwort;
        });
    }

    // Opens the editor on these items, writes a text and books; printing is declined.
    std::unique_ptr<TfrmMahnungSchreiben> gebucht(const QStringList& belege, int rechner = kRechnerZentrale)
    {
        TSuiteKonfiguration k = QELProgramm().Konfiguration();
        k.Rechner = rechner;
        QELProgramm().SetKonfiguration(k);
        auto e = oeffnen(belege);
        e->redtKopfText->setPlainText(QStringLiteral("Sehr geehrte Damen und Herren,\nbitte zahlen Sie. Danke!"));
        emit e->redtKopfText->Exit(e->redtKopfText);
        umg.Recorder->Antworten = {mrNo};  // "Sollen sie auch gedruckt werden?"
        e->actBuchenExecute();
        EXPECT_TRUE(e->Gebucht());
        umg.Recorder->Leeren();
        return e;
    }

    static QStringList namen(const TBerichtAusgabe::TAusgabe& a)
    {
        QStringList n;
        for (const auto& p : a.Parameter)
            n << p.first;
        return n;
    }

    int fragen() const
    {
        int n = 0;
        for (const auto& m : umg.Recorder->Meldungen)
            n += m.Nr == 981 && m.Text == kFrage && m.Art == CMeldung_Frage && m.Katalog == QLatin1String("STANDARD");
        return n;
    }

    // Several letters are one run: its output is the printer.
    void druckerFuerDenLauf()
    {
        umg.BeiModal<TAusgabeDialog>([](TAusgabeDialog* d) {
            d->rgrpZiel->Button(int(TLaufZiel::Drucker))->click();
            d->btnOK->click();
            return d->ModalResult();
        });
    }

    static qint64 offeneAuftraege() { return TTempSuite::Anzahl(QStringLiteral("druckauftrag"), QStringLiteral("beendet = 0")); }
    static qint64 auftraege() { return TTempSuite::Anzahl(QStringLiteral("druckauftrag")); }

    TBriefMandant brief{mandant};
    TPdfAusgabe pdf;
    TIntPair delta;
};

TEST_F(Drucken, OneDocumentAfterBookingIsPreviewedWithoutQuestion)
{
    TIntPair kontakt;
    const TIntPair orgeAlpha = orgeDesPartners(alpha);
    kontakt = mitarbeiter(orgeAlpha, QStringLiteral("Frau"), QStringLiteral("Eva"), QStringLiteral("Alpers"), QString(), QString());
    // The contact person comes from the first position's item.
    for (const QString& beleg : {QStringLiteral("A1"), QStringLiteral("A2")}) {
        const TIntTrio trio{TTempSuite::Wert(QStringLiteral("SELECT rechner_nr FROM offener_posten WHERE belegnummer = ?"), {beleg}).toInt(),
                            TTempSuite::Wert(QStringLiteral("SELECT trans_nr FROM offener_posten WHERE belegnummer = ?"), {beleg}).toInt(),
                            1};
        kontaktDesPostens(trio, kontakt);
    }
    auto e = oeffnen({QStringLiteral("A1"), QStringLiteral("A2")});
    e->redtKopfText->setPlainText(QStringLiteral("Sehr geehrte Frau Alpers,\nbitte zahlen Sie."));
    emit e->redtKopfText->Exit(e->redtKopfText);
    umg.BeiModal<TLayoutform>([](TLayoutform* f) {
        EXPECT_EQ(f->pnlHeader->text(), QStringLiteral("Druckoptionen der Mahnung"));
        EXPECT_TRUE(f->grpLayouts->title().contains(QStringLiteral("Gestaltungsstypen")));
        EXPECT_TRUE(f->grpEinstellungen->title().contains(QStringLiteral("Einstellungen")));
        // The standard layout is preselected; its settings are shown.
        EXPECT_EQ(f->lvLayouts->currentItem()->text(0), QStringLiteral("Mahnung Standard"));
        EXPECT_EQ(f->lvEinstellungen->topLevelItem(0)->text(0), QStringLiteral("AltLogo"));
        return mrOk;
    });
    umg.Recorder->Antworten = {mrYes};
    e->actBuchenExecute();

    EXPECT_EQ(umg.OffeneSchritte(), 0);
    EXPECT_EQ(fragen(), 0);
    EXPECT_TRUE(umg.Recorder->Exceptions.empty()) << umg.Recorder->Exceptions.front().Text.toStdString();
    ASSERT_EQ(pdf.Dateien(), QStringList{QStringLiteral("0001_vorschau.pdf")});
    const auto a = TBerichtAusgabe::Ausgaben().first();
    EXPECT_EQ(namen(a), kParameterReihenfolge);
    const TQEL_Mahnung_Beleg& beleg = e->Mahnungen().front();
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_Beleg_Beschreibung")), QStringLiteral("Zahlungserinnerung / Mahnung"));
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_PRG_ID")), QStringLiteral("MAHNUNG"));
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_Belegnummer")),
              Formatiere_Belegnummer_String(QStringLiteral("AOP"), beleg.LfdNr, beleg.WirtschaftsJahr, beleg.RNr));
    EXPECT_NE(beleg.LfdNr, 0);
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_BelegDatum")), DateToStr(e->Mahnungsdatum()));
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_Beruecksichtigt")), DateToStr(e->Beruecksichtigt()));
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_SchuldnerLNr")), QString::number(alpha.LNr));
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_Anschrift_OrgeLNr")), QString::number(orgeAlpha.LNr));
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_Schuldner_MitaLNr")), QString::number(kontakt.LNr));
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_GlaeubigerLNr")), QString::number(mandant.Id.LNr));
    // Computer 1 belongs to no branch: the client's own organisation, no company contact, the layout's logo.
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_Firma_OrgeLNr")), QString::number(brief.orge.LNr));
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_Firma_MitaRNr")), QStringLiteral("0"));
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_Firma_MitaLNr")), QStringLiteral("0"));
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_LogoName")), QStringLiteral("LOGO-EIGEN"));
    EXPECT_EQ(a.Logo, QStringLiteral("LOGO-EIGEN"));
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_Session_ID")),
              TTempSuite::Wert(QStringLiteral("SELECT MAX(auftrag_nr) FROM druckauftrag")).toString());
    EXPECT_EQ(a.Ausrichtung, crPortrait);
    EXPECT_EQ(a.Papier, crPaperA4);
    EXPECT_EQ(a.Oben, qel_mmToTwips(20));
    EXPECT_EQ(a.Links, qel_mmToTwips(25));
    EXPECT_EQ(a.Unten, qel_mmToTwips(15));
    EXPECT_EQ(auftraege(), 1);
    EXPECT_EQ(offeneAuftraege(), 0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("druckdaten")), 0);

    const QString text = pdfText(a.Datei);
    EXPECT_TRUE(text.contains(QStringLiteral("Sehr geehrte Frau Alpers,\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("Frau Eva Alpers")));  // contact in the address
    EXPECT_TRUE(text.contains(a.Parameterwert(QStringLiteral("Param_Belegnummer"))));
}

TEST_F(Drucken, RowsCarryKindPerLevelAndTheWholeText)
{
    layout(QStringLiteral("Zeilen"), layoutEinstellungen(QStringLiteral("N"), QString()), QStringLiteral("zeilen.html"));
    auto e = gebucht({QStringLiteral("A1"), QStringLiteral("A2")});
    imDialog(QStringLiteral("Zeilen"));
    e->btnDrucken->click();
    ASSERT_EQ(TBerichtAusgabe::Ausgaben().size(), 1);
    const QString text = pdfText(TBerichtAusgabe::Ausgaben().first().Datei);
    // A1 was at level 0 and is now reminded (1); A2 goes from 2 to 3.
    EXPECT_TRUE(text.contains(QStringLiteral("A1=Zahlungserinnerung/1;"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("A2=Mahnung/3;"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Sehr geehrte Damen und Herren,\nbitte zahlen Sie. Danke!")));
}

TEST_F(Drucken, DescriptionFollowsTheLevelsOfTheDocument)
{
    auto e1 = gebucht({QStringLiteral("A1")});
    imDialog();
    e1->actDruckenExecute();
    e1.reset();  // its items belong to the open-items window the next hand-over replaces
    auto e2 = gebucht({QStringLiteral("A2")});
    imDialog();
    e2->actDruckenExecute();
    const auto a = TBerichtAusgabe::Ausgaben();
    ASSERT_EQ(a.size(), 2);
    EXPECT_EQ(a[0].Parameterwert(QStringLiteral("Param_Beleg_Beschreibung")), QStringLiteral("Zahlungserinnerung"));
    EXPECT_EQ(a[1].Parameterwert(QStringLiteral("Param_Beleg_Beschreibung")), QStringLiteral("Mahnung"));
    EXPECT_TRUE(a[0].Vorschau && a[1].Vorschau);
}

TEST_F(Drucken, SeveralPartnersAskOnceThenPrintEachDirectly)
{
    auto e = gebucht({QStringLiteral("A1"), QStringLiteral("B1"), QStringLiteral("D1")});
    ASSERT_EQ(e->Mahnungen().size(), 3u);

    umg.Recorder->Antworten = {mrNo};
    e->actDruckenExecute();
    EXPECT_EQ(fragen(), 1);
    EXPECT_TRUE(TBerichtAusgabe::Ausgaben().isEmpty());
    EXPECT_EQ(auftraege(), 0);
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());

    umg.Recorder->Leeren();
    umg.Recorder->Antworten = {mrYes};
    druckerFuerDenLauf();
    imDialog();
    imDialog();
    imDialog();
    e->actDruckenExecute();
    EXPECT_EQ(fragen(), 1);
    EXPECT_EQ(umg.Recorder->Meldungen.back().Text, QStringLiteral("Alle 3 Mahnungen wurden ausgegeben."))
        << umg.Recorder->Meldungen.back().Text.toStdString();
    EXPECT_EQ(umg.OffeneSchritte(), 0);
    EXPECT_EQ(pdf.Dateien(), (QStringList{QStringLiteral("0001_druck.pdf"), QStringLiteral("0002_druck.pdf"),
                                          QStringLiteral("0003_druck.pdf")}));
    // One job per letter, each ended; every letter carries its own booked number and partner.
    EXPECT_EQ(auftraege(), 3);
    EXPECT_EQ(offeneAuftraege(), 0);
    const auto a = TBerichtAusgabe::Ausgaben();
    QSet<QString> nummern, jobs;
    for (int i = 0; i < 3; ++i) {
        nummern << a[i].Parameterwert(QStringLiteral("Param_Belegnummer"));
        jobs << a[i].Parameterwert(QStringLiteral("Param_Session_ID"));
        EXPECT_EQ(a[i].Parameterwert(QStringLiteral("Param_SchuldnerLNr")), QString::number(e->Mahnungen()[size_t(i)].GepNr.LNr));
    }
    EXPECT_EQ(nummern.size(), 3);
    EXPECT_EQ(jobs.size(), 3);
}

TEST_F(Drucken, CancelledLayoutOfTheSecondStopsTheRun)
{
    auto e = gebucht({QStringLiteral("A1"), QStringLiteral("B1"), QStringLiteral("D1")});
    umg.Recorder->Antworten = {mrYes};
    druckerFuerDenLauf();
    imDialog();
    imDialog(QString(), mrCancel);
    e->actDruckenExecute();
    EXPECT_EQ(umg.OffeneSchritte(), 0);  // no third dialog
    EXPECT_EQ(pdf.Dateien(), QStringList{QStringLiteral("0001_druck.pdf")});
    EXPECT_EQ(auftraege(), 1);  // the cancelled letter never began a job
    EXPECT_EQ(offeneAuftraege(), 0);
    // The run ends with its summary, which names the reason.
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
    EXPECT_EQ(umg.Recorder->Meldungen.back().Text,
              QStringLiteral("Der Lauf wurde abgebrochen (es wurde kein Drucklayout gewählt): 1 von 3 Mahnungen wurden "
                             "ausgegeben."));
}

TEST_F(Drucken, BranchSenderAndTheLogoRule)
{
    layout(QStringLiteral("Eigenes Logo"), layoutEinstellungen(QStringLiteral("J"), QStringLiteral("LOGO-EIGEN")));
    layout(QStringLiteral("Kleines j"), layoutEinstellungen(QStringLiteral("j"), QStringLiteral("LOGO-EIGEN")));
    auto e = gebucht({QStringLiteral("A1")}, kRechnerNord);
    ASSERT_EQ(e->Mahnungen().front().RNr, kRechnerNord);
    imDialog(QStringLiteral("Mahnung Standard"));
    e->actDruckenExecute();
    imDialog(QStringLiteral("Eigenes Logo"));
    e->actDruckenExecute();
    imDialog(QStringLiteral("Kleines j"));
    e->actDruckenExecute();
    const auto a = TBerichtAusgabe::Ausgaben();
    ASSERT_EQ(a.size(), 3);
    for (const auto& x : a) {
        EXPECT_EQ(x.Parameterwert(QStringLiteral("Param_Firma_OrgeRNr")), QString::number(brief.orgeNord.RNr));
        EXPECT_EQ(x.Parameterwert(QStringLiteral("Param_Firma_OrgeLNr")), QString::number(brief.orgeNord.LNr));
        EXPECT_EQ(x.Parameterwert(QStringLiteral("Param_Firma_MitaLNr")), QString::number(brief.kontaktNord.LNr));
    }
    // The branch's logo name is stored with blanks around it.
    EXPECT_EQ(a[0].Parameterwert(QStringLiteral("Param_LogoName")), QStringLiteral("LOGO-NORD"));
    EXPECT_EQ(a[0].Logo, QStringLiteral("LOGO-NORD"));
    EXPECT_EQ(a[1].Parameterwert(QStringLiteral("Param_LogoName")), QStringLiteral("LOGO-EIGEN"));
    EXPECT_EQ(a[2].Parameterwert(QStringLiteral("Param_LogoName")), QStringLiteral("LOGO-NORD"));
    EXPECT_TRUE(pdfText(a[0].Datei).contains(QStringLiteral("Jan Hansen")));
}

TEST_F(Drucken, MarginsAreReadAsGermanNumbersOrZero)
{
    layout(QStringLiteral("Komma"), layoutEinstellungen(QStringLiteral("N"), QString(), QStringLiteral(" 12,5 "),
                                                        QStringLiteral("abc"), QString()));
    auto e = gebucht({QStringLiteral("A1")});
    imDialog(QStringLiteral("Komma"));
    e->actDruckenExecute();
    ASSERT_EQ(TBerichtAusgabe::Ausgaben().size(), 1);
    const auto a = TBerichtAusgabe::Ausgaben().first();
    EXPECT_EQ(a.Oben, 709);
    EXPECT_EQ(a.Links, 0);
    EXPECT_EQ(a.Unten, 0);
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}

TEST_F(Drucken, FailuresAreReportedAndTheJobIsAlwaysEnded)
{
    layout(QStringLiteral("Ohne Datei"), layoutEinstellungen(QStringLiteral("N"), QString()), QStringLiteral("fehlt.html"));
    layout(QStringLiteral("Negativer Rand"), layoutEinstellungen(QStringLiteral("N"), QString(), QStringLiteral("-5")));
    berichtsdateiSchreiben(QStringLiteral("kaputt.html"), "<html>{{#positionen}}</html>");
    layout(QStringLiteral("Kaputt"), layoutEinstellungen(QStringLiteral("N"), QString()), QStringLiteral("kaputt.html"));
    auto e = gebucht({QStringLiteral("A1")});
    for (const QString& name : {QStringLiteral("Ohne Datei"), QStringLiteral("Negativer Rand"), QStringLiteral("Kaputt")}) {
        imDialog(name);
        e->actDruckenExecute();
    }
    EXPECT_TRUE(TBerichtAusgabe::Ausgaben().isEmpty());
    EXPECT_EQ(auftraege(), 3);
    EXPECT_EQ(offeneAuftraege(), 0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("druckdaten")), 0);
    ASSERT_EQ(umg.Recorder->Exceptions.size(), 3u);
    for (const auto& x : umg.Recorder->Exceptions)
        EXPECT_EQ(x.Kontext, QStringLiteral("TfrmMahnungSchreiben.Drucken_Struktur"));
    EXPECT_TRUE(umg.Recorder->Exceptions[0].Text.contains(QStringLiteral("fehlt.html")));
    EXPECT_TRUE(umg.Recorder->Exceptions[1].Text.contains(QStringLiteral("Rand")));
    EXPECT_TRUE(umg.Recorder->Exceptions[2].Text.contains(QStringLiteral("fehlerhaft")));
}

TEST_F(Drucken, ViewingModeAlwaysPreviewsWithTheBookedNumber)
{
    auto geschrieben = gebucht({QStringLiteral("A1"), QStringLiteral("A2")});
    const TQEL_Mahnung_Beleg gebuchterBeleg = geschrieben->Mahnungen().front();
    geschrieben.reset();

    // The editor as the dunning list opens it: positions of the booked dunning, its number and dates.
    TVRList liste;
    auto spalte = [&liste](const char* name, int typ) {
        TVRColumn& c = liste.ColumnAdd();
        c.Name = QString::fromUtf8(name);
        c.DataType = typ;
        return liste.GetColumnCount() - 1;
    };
    const int beleg = spalte("Belegnummer", CVR_Text), datum = spalte("Rechnungsdatum", CVR_Date),
              bis = spalte("Zahlbar bis", CVR_Date), saldo = spalte("Saldo", CVR_Number),
              stufe = spalte("Mahnstufe", CVR_Integer), gebuehr = spalte("Mahngebühren", CVR_Number),
              zins = spalte("Verzugszinsen", CVR_Number);
    liste.RowAdd({TVRItem("A1"), TVRItem(kHeute - 37), TVRItem(kHeute + 14), TVRItem(100.0), TVRItem(1), TVRItem(0.0),
                  TVRItem(0.0)});
    auto e = std::make_unique<TfrmMahnungSchreiben>();
    e->Modus_Set(CQEL_Mahnung_Lesen);
    e->SetGewaehltePosten(&liste);
    e->SetSelectedMandant(mandant.Id);
    e->SetSelectedGepNr(alpha);
    e->SetSelectedOrgeNr(orgeDesPartners(alpha));
    e->SetMahnungsdatum(kHeute - 2);
    e->SetBeruecksichtigt(kHeute - 3);
    e->SetLfdNr(gebuchterBeleg.LfdNr);
    e->SetWirtschaftsJahr(gebuchterBeleg.WirtschaftsJahr);
    e->SetRNr(gebuchterBeleg.RNr);
    e->SetColBelegNr(beleg);
    e->SetColDatum(datum);
    e->SetColZahlbarbis(bis);
    e->SetColSaldo(saldo);
    e->SetColMahnstufe(stufe);
    e->SetColMahngebuehren(gebuehr);
    e->SetColVerzugszins(zins);
    e->show();
    imDialog();
    e->btnDrucken->click();
    EXPECT_TRUE(umg.Recorder->Exceptions.empty()) << umg.Recorder->Exceptions.front().Text.toStdString();
    ASSERT_EQ(pdf.Dateien(), QStringList{QStringLiteral("0001_vorschau.pdf")});
    const auto a = TBerichtAusgabe::Ausgaben().first();
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_Belegnummer")),
              Formatiere_Belegnummer_String(QStringLiteral("AOP"), gebuchterBeleg.LfdNr, gebuchterBeleg.WirtschaftsJahr,
                                            gebuchterBeleg.RNr));
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_BelegDatum")), DateToStr(kHeute - 2));
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_Beruecksichtigt")), DateToStr(kHeute - 3));
    // Without positions of the open items the debtor's contact stays cleared.
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_Schuldner_MitaLNr")), QStringLiteral("0"));
}

TEST_F(Drucken, FlatFeeIsPrintedAsItsOwnAmountAndEveryLaterPrintOfACancelledDunningIsMarked)
{
    MahnRegeln_BasiszinsHinzufuegen(QDate(2026, 7, 1), 1.27);
    Verwaltung_BenutzerAnlegen(QELProgramm().Benutzer(), QString(), {202, 203});
    auto e = oeffnen({QStringLiteral("A1")});
    umg.BeiModal<TfrmVerzugszins>([](TfrmVerzugszins* d) {
        d->cbxPauschale->setChecked(true);
        return mrOk;
    });
    e->edtZinssatz->Eingabehilfe();
    e->redtKopfText->setPlainText(QStringLiteral("Bitte zahlen Sie."));
    emit e->redtKopfText->Exit(e->redtKopfText);
    umg.Recorder->Antworten = {mrYes};
    imDialog();
    e->actBuchenExecute();
    ASSERT_TRUE(e->Gebucht());
    ASSERT_EQ(pdf.Dateien().size(), 1);
    QString text = pdfText(TBerichtAusgabe::Ausgaben().first().Datei);
    EXPECT_TRUE(text.contains(QStringLiteral("Pauschale nach § 288 Abs. 5 BGB (A1)"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Zu zahlender Gesamtbetrag: 140,65 EUR")));  // 100 + 0,65 interest + 40
    EXPECT_FALSE(text.contains(QStringLiteral("STORNIERT")));
    e.reset();

    // Cancelled in the dunning list's viewing mode, then printed again there.
    auto liste = std::make_unique<TfrmSelektion>();
    liste->SetSelectedMandant(mandant.Id);
    liste->SetSelectedMandant_Bez(mandant.Name);
    liste->show();
    liste->btnSuchen->click();
    liste->vtMahnungen->SetSelected(liste->vtMahnungen->GetFirst(), true);
    umg.BeiModal<TfrmMahnungSchreiben>([this](TfrmMahnungSchreiben* v) {
        umg.BeiModal<TfrmGrundDialog>([](TfrmGrundDialog* d) {
            d->edtGrund->setText(QStringLiteral("Doppelt gebucht"));
            d->btnOkClick();
            return d->ModalResult();
        });
        v->btnStornieren->click();
        imDialog();
        v->btnDrucken->click();
        return mrCancel;
    });
    liste->btnAnzeigen->click();
    EXPECT_EQ(umg.OffeneSchritte(), 0);
    ASSERT_EQ(pdf.Dateien().size(), 2);
    const auto a = TBerichtAusgabe::Ausgaben().last();
    EXPECT_TRUE(a.Parameterwert(QStringLiteral("Param_Storniert")).endsWith(QStringLiteral(": Doppelt gebucht")));
    text = pdfText(a.Datei);
    EXPECT_TRUE(text.contains(QStringLiteral("STORNIERT"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Storniert am 08.12.2026")));
    EXPECT_TRUE(text.contains(QStringLiteral("Pauschale nach § 288 Abs. 5 BGB (A1)")));
}

}  // namespace
