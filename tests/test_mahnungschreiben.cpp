// Dunning editor: presets, per-item values, the letter dates, totals and the two modes.
#include "editor_testbasis.h"
#include "suite/ui/dialogs/calendardialog.h"

#include <QtTest/QTest>

namespace editortest {
namespace {

class Mahnschreiben : public EditorTest {};

TEST_F(Mahnschreiben, OpeningPresetsTermsTotalsAndTheFirstRow)
{
    auto e = oeffnen({"A1", "A2", "B1"});
    TVTVRList* vt = e->vtGewaehltePosten;
    ASSERT_EQ(reihenfolge(e.get()), (QStringList{"A2", "A1", "B1"}));
    // Both letter dates are now, with the time of day.
    EXPECT_DOUBLE_EQ(e->Mahnungsdatum(), kJetzt);
    EXPECT_DOUBLE_EQ(e->Beruecksichtigt(), kJetzt);
    EXPECT_EQ(e->edtMahnungsdatum->text(), QStringLiteral("08.12.2026"));
    EXPECT_EQ(e->edtBeruecksichtigt->text(), QStringLiteral("08.12.2026"));
    // Level 0: 14 days as date-time; any other level: 5 days as date.
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsDate(zeile(e.get(), "A1"), e->ColZahlbarbis()), kJetzt + 14);
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsDate(zeile(e.get(), "A2"), e->ColZahlbarbis()), kHeute + 5);
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsDate(zeile(e.get(), "B1"), e->ColZahlbarbis()), kHeute + 5);
    // Totals over all items; the preset fee 2.5 of the level-2 item is counted.
    EXPECT_DOUBLE_EQ(e->Summe(), 1350.5);
    EXPECT_DOUBLE_EQ(e->Mahngebuehren(), 2.5);
    EXPECT_DOUBLE_EQ(e->Gesamt(), 1353.0);
    EXPECT_EQ(e->dspSummeOP->text(), QStringLiteral("1.350,50 EUR"));
    EXPECT_EQ(e->dspMahngebuehren->text(), QStringLiteral("2,50 EUR"));
    EXPECT_EQ(e->dspVerzugszins->text(), QStringLiteral("0,00 EUR"));
    EXPECT_EQ(e->dspGesamt->text(), QStringLiteral("1.353,00 EUR"));
    EXPECT_EQ(e->dspMandant->text(), mandant.Name);
    // The first row is selected and its values are in the edits.
    EXPECT_EQ(vt->GetFirstSelected(), zeile(e.get(), "A2"));
    EXPECT_EQ(e->edtZahlungsziel->text(), QStringLiteral("13.12.2026"));
    EXPECT_EQ(e->edtMahngebueren->text(), QStringLiteral("2,50"));
    EXPECT_EQ(e->edtZinssatz->text(), QStringLiteral("0,00"));
    waehlen(e.get(), "A1");
    EXPECT_EQ(e->edtZahlungsziel->text(), QStringLiteral("22.12.2026"));
    EXPECT_EQ(e->edtMahngebueren->text(), QStringLiteral("0,00"));
    EXPECT_TRUE(umg.Recorder->Meldungen.empty());
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}

TEST_F(Mahnschreiben, WritingModeShowsInputsAndHidesNumberPrintAndDelete)
{
    auto e = oeffnen({"A1", "B1"});
    EXPECT_EQ(e->windowTitle(), QStringLiteral("Auswahlmöglichkeiten"));
    for (QWidget* w : std::initializer_list<QWidget*>{e->edtZahlungsziel, e->btnZahlungsziel, e->edtMahngebueren,
                                                      e->edtZinssatz, e->edtBeruecksichtigt, e->edtMahnungsdatum,
                                                      e->btnBeruecksichtigt, e->btnMahnungsdatum, e->btnUebernehmen})
        EXPECT_TRUE(w->isEnabled()) << w->metaObject()->className();
    for (QWidget* w : std::initializer_list<QWidget*>{e->dspGep, e->alblgep, e->albNummer, e->edtphase, e->edtLfdNr,
                                                      e->edtWJ, e->edtRNr, e->btnDrucken, e->btnloeschen, e->btnAnhang})
        EXPECT_TRUE(w->isHidden());
    EXPECT_TRUE(e->btnUebernehmen->isVisible());
    // Partner name and the amounts are shown, the keys of the transfer table are not.
    TVTVRList* vt = e->vtGewaehltePosten;
    EXPECT_TRUE(vt->GetColumnVisible(e->ColGep()));
    EXPECT_EQ(vt->Columns().GetItem(e->ColGep()).GetWidth(), vt->VorgabeBreite(e->ColGep(), 170));
    EXPECT_TRUE(vt->GetColumnVisible(e->ColSaldo()));
    EXPECT_TRUE(vt->GetColumnVisible(e->ColMahnstufe()));
    EXPECT_EQ(vt->Columns().GetItem(e->ColBelegNr()).GetWidth(), vt->VorgabeBreite(e->ColBelegNr(), 105));
    EXPECT_EQ(vt->Columns().GetItem(e->ColZahlbarbis()).GetWidth(), vt->VorgabeBreite(e->ColZahlbarbis(), 100));
    for (int c : {e->ColGepNr(), e->ColRNr(), e->ColTRansNr(), e->ColLNr()})
        EXPECT_FALSE(vt->GetColumnVisible(c));
}

TEST_F(Mahnschreiben, ChosenPartnerIsShownInTheHeaderInsteadOfTheColumn)
{
    auto e = oeffnen({"A1", "A2"}, alpha, QStringLiteral("Alpha GmbH"));
    EXPECT_FALSE(e->dspGep->isHidden());
    EXPECT_FALSE(e->alblgep->isHidden());
    EXPECT_EQ(e->dspGep->text(), QStringLiteral("Alpha GmbH"));
    EXPECT_FALSE(e->vtGewaehltePosten->GetColumnVisible(e->ColGep()));
}

TEST_F(Mahnschreiben, NegativeSumIsShownWithoutSignButCountsSigned)
{
    auto e = oeffnen({"A1", "G1"});
    EXPECT_DOUBLE_EQ(e->Summe(), -200.0);
    EXPECT_EQ(e->dspSummeOP->text(), QStringLiteral("200,00 EUR"));
    waehlen(e.get(), "A1");
    verlassen(e->edtMahngebueren, QStringLiteral("2,5"));
    EXPECT_DOUBLE_EQ(e->Gesamt(), -197.5);
    EXPECT_EQ(e->dspGesamt->text(), QStringLiteral("197,50 EUR"));
}

TEST_F(Mahnschreiben, FeeIsCappedAtTwoFifty)
{
    auto e = oeffnen({"A1", "B1"});
    TVTVRList* vt = e->vtGewaehltePosten;
    waehlen(e.get(), "A1");
    verlassen(e->edtMahngebueren, QStringLiteral("2,5"));
    EXPECT_TRUE(umg.Recorder->Meldungen.empty());
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsFloat(zeile(e.get(), "A1"), e->ColMahngebuehren()), 2.5);
    EXPECT_EQ(e->dspMahngebuehren->text(), QStringLiteral("2,50 EUR"));

    waehlen(e.get(), "B1");
    verlassen(e->edtMahngebueren, QStringLiteral("2,51"));
    ASSERT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Maximum für Mahngebühren: 2,50 EUR!")});
    EXPECT_EQ(umg.Recorder->Meldungen[0].Nr, 994);
    EXPECT_EQ(e->edtMahngebueren->text(), QStringLiteral("2,50"));
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsFloat(zeile(e.get(), "B1"), e->ColMahngebuehren()), 2.5);
    EXPECT_DOUBLE_EQ(e->Mahngebuehren(), 5.0);
    EXPECT_DOUBLE_EQ(e->Gesamt(), 1105.0);

    // No lower bound; an unreadable fee changes nothing.
    verlassen(e->edtMahngebueren, QStringLiteral("-1"));
    EXPECT_DOUBLE_EQ(e->Mahngebuehren(), 1.5);
    verlassen(e->edtMahngebueren, QStringLiteral("1,2,3"));
    EXPECT_EQ(umg.Recorder->Texte().last(), QStringLiteral("Fehler beim Lesen der Mahngebühren"));
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsFloat(zeile(e.get(), "B1"), e->ColMahngebuehren()), -1.0);
}

TEST_F(Mahnschreiben, InterestIsAnAmountOfTheSelectedItem)
{
    auto e = oeffnen({"A1", "B1"});
    waehlen(e.get(), "B1");
    verlassen(e->edtZinssatz, QStringLiteral("12,34"));
    EXPECT_DOUBLE_EQ(e->vtGewaehltePosten->GetCellValueAsFloat(zeile(e.get(), "B1"), e->ColVerzugszins()), 12.34);
    EXPECT_EQ(e->dspVerzugszins->text(), QStringLiteral("12,34 EUR"));
    EXPECT_DOUBLE_EQ(e->Gesamt(), 1112.34);
    // Moving to another row shows that row's values.
    waehlen(e.get(), "A1");
    EXPECT_EQ(e->edtZinssatz->text(), QStringLiteral("0,00"));
    verlassen(e->edtZinssatz, QStringLiteral("x"));
    EXPECT_EQ(umg.Recorder->Texte().last(), QStringLiteral("Fehler beim Lesen der Verzugszinsen."));
}

TEST_F(Mahnschreiben, TypedPaymentTermComparesDatesCalendarComparesTheMoment)
{
    auto e = oeffnen({"A1"});
    TVTVRList* vt = e->vtGewaehltePosten;
    TVirtualNode* a1 = zeile(e.get(), "A1");
    // Today typed is accepted although its midnight lies before now.
    verlassen(e->edtZahlungsziel, QStringLiteral("08.12.2026"));
    EXPECT_TRUE(umg.Recorder->Meldungen.empty());
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsDate(a1, e->ColZahlbarbis()), kHeute);
    // Yesterday is refused and the edit shows the row's term again.
    verlassen(e->edtZahlungsziel, QStringLiteral("07.12.2026"));
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Das Zahlungsziel darf nicht in der Vergangenheit liegen.")});
    EXPECT_EQ(e->edtZahlungsziel->text(), QStringLiteral("08.12.2026"));
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsDate(a1, e->ColZahlbarbis()), kHeute);
    verlassen(e->edtZahlungsziel, QStringLiteral("31.02.2027"));
    EXPECT_EQ(umg.Recorder->Texte().last(), QStringLiteral("Fehler beim Lesen des Datums."));
    umg.Recorder->Leeren();

    // The calendar opens two weeks ahead; today picked there is already past.
    umg.BeiModal<TfrmKalender>([](TfrmKalender* k) {
        EXPECT_DOUBLE_EQ(k->Datum(), kHeute + 14);
        k->SetDatum(kHeute);
        return mrOk;
    });
    e->btnZahlungsziel->click();
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Das neue Zahlungsziel liegt in der Vergangenheit.")});
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsDate(a1, e->ColZahlbarbis()), kHeute);
    umg.BeiModal<TfrmKalender>([](TfrmKalender* k) {
        k->SetDatum(kHeute + 1);
        return mrOk;
    });
    e->btnZahlungsziel->click();
    EXPECT_EQ(e->edtZahlungsziel->text(), QStringLiteral("09.12.2026"));
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsDate(a1, e->ColZahlbarbis()), kHeute + 1);
    umg.BeiModal<TfrmKalender>([](TfrmKalender*) { return mrCancel; });
    e->btnZahlungsziel->click();
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsDate(a1, e->ColZahlbarbis()), kHeute + 1);
}

TEST_F(Mahnschreiben, ConsideredDateInTheFutureIsRefusedAndRestored)
{
    auto e = oeffnen({"A1"});
    verlassen(e->edtBeruecksichtigt, QStringLiteral("01.12.2026"));
    EXPECT_TRUE(umg.Recorder->Meldungen.empty());
    EXPECT_DOUBLE_EQ(e->Beruecksichtigt(), kHeute - 7);

    verlassen(e->edtBeruecksichtigt, QStringLiteral("09.12.2026"));
    EXPECT_EQ(umg.Recorder->Texte(),
              QStringList{QStringLiteral("Das Berücksichtigungsdatum darf nicht in der Zukunft liegen!")});
    EXPECT_EQ(e->edtBeruecksichtigt->text(), QStringLiteral("01.12.2026"));
    EXPECT_DOUBLE_EQ(e->Beruecksichtigt(), kHeute - 7);

    verlassen(e->edtBeruecksichtigt, QStringLiteral("32.12.2026"));
    EXPECT_EQ(umg.Recorder->Texte().last(), QStringLiteral("Fehler beim Lesen des Berücksichtigungs-Datums."));
    EXPECT_EQ(e->edtBeruecksichtigt->text(), QStringLiteral("01.12.2026"));

    // The calendar compares with the moment as well; today is fine there.
    umg.Recorder->Leeren();
    umg.BeiModal<TfrmKalender>([](TfrmKalender* k) {
        k->SetDatum(kHeute + 1);
        return mrOk;
    });
    e->btnBeruecksichtigt->click();
    EXPECT_EQ(umg.Recorder->Texte(),
              QStringList{QStringLiteral("Das Berücksichtigungsdatum darf nicht in der Zukunft liegen!")});
    EXPECT_DOUBLE_EQ(e->Beruecksichtigt(), kHeute - 7);
    umg.BeiModal<TfrmKalender>([](TfrmKalender* k) {
        k->SetDatum(kHeute);
        return mrOk;
    });
    e->btnBeruecksichtigt->click();
    EXPECT_DOUBLE_EQ(e->Beruecksichtigt(), kHeute);
    EXPECT_EQ(e->edtBeruecksichtigt->text(), QStringLiteral("08.12.2026"));
}

TEST_F(Mahnschreiben, LeavingTheDunningDateRecomputesTermsTheCalendarDoesNot)
{
    auto e = oeffnen({"A1", "B1"});
    TVTVRList* vt = e->vtGewaehltePosten;
    const TDateTime neujahr = qel_EncodeDate(2027, 1, 1);
    waehlen(e.get(), "A1");
    verlassen(e->edtMahnungsdatum, QStringLiteral("1.1.2027"));
    EXPECT_DOUBLE_EQ(e->Mahnungsdatum(), neujahr);
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsDate(zeile(e.get(), "A1"), e->ColZahlbarbis()), neujahr + 14);
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsDate(zeile(e.get(), "B1"), e->ColZahlbarbis()), neujahr + 5);
    EXPECT_EQ(e->edtMahnungsdatum->text(), QStringLiteral("01.01.2027"));
    EXPECT_EQ(e->edtZahlungsziel->text(), QStringLiteral("15.01.2027"));

    umg.BeiModal<TfrmKalender>([](TfrmKalender* k) {
        k->SetDatum(kHeute + 30);
        return mrOk;
    });
    e->btnMahnungsdatum->click();
    EXPECT_DOUBLE_EQ(e->Mahnungsdatum(), kHeute + 30);
    EXPECT_EQ(e->edtMahnungsdatum->text(), QStringLiteral("07.01.2027"));
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsDate(zeile(e.get(), "B1"), e->ColZahlbarbis()), neujahr + 5);

    verlassen(e->edtMahnungsdatum, QStringLiteral("99.99.2027"));
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Fehler beim Lesen des Datums.")});
    EXPECT_EQ(e->edtMahnungsdatum->text(), QStringLiteral("07.01.2027"));
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsDate(zeile(e.get(), "B1"), e->ColZahlbarbis()), neujahr + 5);
}

TEST_F(Mahnschreiben, EmptyListShowsZeroTotalsAndKeepsTheEdits)
{
    uebergeben({"A1"});
    mainu->Uebergabeliste()->RowsClear();
    auto e = std::make_unique<TfrmMahnungSchreiben>();
    e->SetGewaehltePosten(mainu->Uebergabeliste());
    e->SetSelectedMandant(mandant.Id);
    e->SetColSaldo(mainu->ColSaldo());
    e->SetColMahngebuehren(mainu->ColMahngebuehren());
    e->SetColVerzugszins(mainu->ColVerzugszinsen());
    e->show();
    for (TQELStdLabel* d : {e->dspSummeOP, e->dspMahngebuehren, e->dspVerzugszins, e->dspGesamt})
        EXPECT_EQ(d->text(), QStringLiteral("0,00 EUR"));
    verlassen(e->edtMahngebueren, QStringLiteral("1,00"));
    verlassen(e->edtZahlungsziel, QStringLiteral("10.12.2026"));
    EXPECT_EQ(e->edtMahngebueren->text(), QStringLiteral("1,00"));
    EXPECT_EQ(e->edtZahlungsziel->text(), QStringLiteral("10.12.2026"));
    EXPECT_DOUBLE_EQ(e->Gesamt(), 0.0);
    EXPECT_TRUE(umg.Recorder->Meldungen.empty());
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}

// The positions of a booked dunning as the dunning list hands them over.
struct TPositionen {
    TVRList liste;
    int belegNr, datum, zahlbarBis, saldo, stufe, gebuehr, zins;
    TPositionen()
    {
        auto spalte = [this](const char* name, int typ) {
            TVRColumn& c = liste.ColumnAdd();
            c.Name = QString::fromUtf8(name);
            c.DataType = typ;
            return liste.GetColumnCount() - 1;
        };
        belegNr = spalte("Belegnummer", CVR_Text);
        datum = spalte("Rechnungsdatum", CVR_Date);
        zahlbarBis = spalte("Zahlbar bis", CVR_Date);
        saldo = spalte("Saldo", CVR_Number);
        stufe = spalte("Mahnstufe", CVR_Integer);
        gebuehr = spalte("Mahngebühren", CVR_Number);
        zins = spalte("Verzugszinsen", CVR_Number);
        liste.RowAdd({TVRItem("A1"), TVRItem(kHeute - 37), TVRItem(kHeute + 14), TVRItem(100.0), TVRItem(1),
                      TVRItem(0.0), TVRItem(0.0)});
        liste.RowAdd({TVRItem("A2"), TVRItem(kHeute - 100), TVRItem(kHeute + 5), TVRItem(250.5), TVRItem(3),
                      TVRItem(2.5), TVRItem(4.0)});
    }
};

std::unique_ptr<TfrmMahnungSchreiben> ansehen(TPositionen& p, const TIntPair& mandant, const TIntPair& gep)
{
    auto e = std::make_unique<TfrmMahnungSchreiben>();
    e->Modus_Set(CQEL_Mahnung_Lesen);
    e->SetGewaehltePosten(&p.liste);
    e->SetSelectedMandant(mandant);
    e->SetSelectedMandant_Bez(QStringLiteral("Testmandant GmbH"));
    e->SetSelectedGepNr(gep);
    e->SetSelectedOrgeNr(TIntPair{1, 99});
    e->SetGepName(QStringLiteral("Alpha GmbH"));
    e->SetMahnungsdatum(kHeute - 2);
    e->SetBeruecksichtigt(kHeute - 3);
    e->SetMahnungsText(QStringLiteral("Stand #Berücksichtigt"));
    e->SetLfdNr(4711);
    e->SetWirtschaftsJahr(2026);
    e->SetRNr(3);
    e->SetColBelegNr(p.belegNr);
    e->SetColDatum(p.datum);
    e->SetColZahlbarbis(p.zahlbarBis);
    e->SetColSaldo(p.saldo);
    e->SetColMahnstufe(p.stufe);
    e->SetColMahngebuehren(p.gebuehr);
    e->SetColVerzugszins(p.zins);
    e->show();
    return e;
}

TEST_F(Mahnschreiben, ViewingModeShowsTheNumberAndLocksTheValues)
{
    TPositionen p;
    auto e = ansehen(p, mandant.Id, alpha);
    EXPECT_EQ(e->windowTitle(), QStringLiteral("Mahnung"));
    EXPECT_EQ(e->edtphase->text(), QStringLiteral("AOP"));
    EXPECT_EQ(e->edtLfdNr->text(), QStringLiteral("4711"));
    EXPECT_EQ(e->lblStricher->text(), QStringLiteral("-"));
    EXPECT_EQ(e->edtWJ->text(), QStringLiteral("2026"));
    EXPECT_EQ(e->edtRNr->text(), QStringLiteral("3"));
    for (QWidget* w : std::initializer_list<QWidget*>{e->edtphase, e->edtLfdNr, e->edtWJ, e->edtRNr, e->dspGep})
        EXPECT_FALSE(w->isHidden());
    EXPECT_EQ(e->dspGep->text(), QStringLiteral("Alpha GmbH"));
    for (QWidget* w : std::initializer_list<QWidget*>{e->edtZahlungsziel, e->btnZahlungsziel, e->edtMahngebueren,
                                                      e->edtZinssatz, e->edtBeruecksichtigt, e->edtMahnungsdatum,
                                                      e->btnBeruecksichtigt, e->btnMahnungsdatum})
        EXPECT_FALSE(w->isEnabled());
    EXPECT_TRUE(e->btnUebernehmen->isHidden());
    EXPECT_FALSE(e->btnDrucken->isHidden());
    EXPECT_FALSE(e->btnAnhang->isHidden());
    EXPECT_FALSE(e->btnloeschen->isHidden());
    // The booked values stay: dates, terms and letter text as handed over.
    EXPECT_EQ(e->edtMahnungsdatum->text(), QStringLiteral("06.12.2026"));
    EXPECT_EQ(e->edtBeruecksichtigt->text(), QStringLiteral("05.12.2026"));
    EXPECT_DOUBLE_EQ(p.liste.GetCellValueAsDate(1, p.zahlbarBis), kHeute + 5);
    EXPECT_EQ(e->redtKopfText->toPlainText(), QStringLiteral("Stand 05.12.2026"));
    EXPECT_EQ(e->edtZahlungsziel->text(), QStringLiteral("22.12.2026"));
    EXPECT_DOUBLE_EQ(e->Gesamt(), 350.5 + 2.5 + 4.0);
    EXPECT_TRUE(e->vtGewaehltePosten->GetColumnVisible(p.saldo));
    // Esc without a booking reports Cancel.
    QTest::keyClick(e.get(), Qt::Key_Escape);
    EXPECT_EQ(e->result(), mrCancel);
}

TEST_F(Mahnschreiben, ClosingWithoutBookingIsCancelAndReleasesTheServers)
{
    auto e = oeffnen({"A1"});
    e->btnAbbrechen->click();
    EXPECT_EQ(e->result(), mrCancel);
    e.reset();
    EXPECT_TRUE(umg.Recorder->Terminates.contains(QStringLiteral("TfrmMahnungSchreiben.FormDestroy")));
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}

}  // namespace
}  // namespace editortest
