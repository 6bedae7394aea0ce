// Dunning list: period list, partner filter, computer restriction, number search and viewing a dunning,
// on dunnings booked through the dunning server.
#include "hauptmnufrm.h"
#include "mahnungschreiben.h"
#include "selektionsfrm.h"
#include "suite/ui/dialogs/calendardialog.h"
#include "suite/ui/dialogs/gpsuchdialog.h"
#include "suite/ui/dialogs/manddialog.h"
#include "suite/ui/programm.h"
#include "suite/core/servers/database.h"
#include "suite/core/servers/verwaltung.h"
#include "support/buchung.h"
#include "support/temp_suite.h"
#include "support/testdaten.h"
#include "support/umgebung.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QtTest/QTest>
#include <QApplication>
#include <gtest/gtest.h>

namespace {

const TDateTime kHeute = 46364.0;  // 08.12.2026
const TDateTime kJetzt = kHeute + 0.4375;

class Mahnungsliste : public ::testing::Test {
protected:
    Mahnungsliste() : umg(kJetzt)
    {
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
        alpha = mandant.Partner(QStringLiteral("Alpha GmbH"));
        beta = mandant.Partner(QStringLiteral("Beta KG"), true, QStringLiteral("Hamburg"));
        const TIntPair gamma = zweiter.Partner(QStringLiteral("Gamma AG"));
        const TTestPosten a1{QStringLiteral("RE-A1"), kHeute - 60, 100.0, 0, kHeute - 46, 0, false, QString()};
        const TTestPosten a2{QStringLiteral("RE-A2"), kHeute - 90, 250.5, 0, kHeute - 76, 1, false, QString()};
        const TTestPosten a3{QStringLiteral("RE-A3"), kHeute - 30, 10.0, 0, kHeute - 16, 0, false, QString()};
        const TTestPosten b1{QStringLiteral("RE-B1"), kHeute - 500, 80.0, 0, kHeute - 486, 0, false, QString()};
        const TTestPosten b2{QStringLiteral("RE-B2"), kHeute - 40, 40.0, 0, kHeute - 26, 2, false, QString()};
        const TTestPosten g1{QStringLiteral("RE-G1"), kHeute - 50, 70.0, 0, kHeute - 36, 0, false, QString()};
        const TIntTrio tA1 = mandant.Posten(alpha, a1), tA2 = mandant.Posten(alpha, a2), tA3 = mandant.Posten(alpha, a3);
        const TIntTrio tB1 = mandant.Posten(beta, b1), tB2 = mandant.Posten(beta, b2), tG1 = zweiter.Posten(gamma, g1);

        TTestBuchung buchung(mandant.Id);
        buchung.Mahnung(alpha, kHeute - 10 + 0.5, QStringLiteral("Bitte zahlen Sie bis #Heute."), kHeute - 11);
        buchung.Posten(tA1, a1, 2.5);
        buchung.Posten(tA2, a2, 2.5, 1.0);
        alphaMahnung = buchung.Buchen().front();
        buchung.Mahnung(beta, kHeute - 400, QStringLiteral("Alt"));
        buchung.Posten(tB1, b1);
        alteMahnung = buchung.Buchen().front();
        buchung.Mahnung(beta, kHeute + 0.375, QStringLiteral("Heute früh"));
        buchung.Posten(tB2, b2);
        buchung.Buchen();
        // Written on another workstation.
        TSuiteDatenbank::SetRechnerNr(2);
        buchung.Mahnung(alpha, kHeute - 2, QStringLiteral("Von Rechner 2"));
        buchung.Posten(tA3, a3);
        buchung.Buchen();
        TSuiteDatenbank::SetRechnerNr(1);
        TTestBuchung andere(zweiter.Id);
        andere.Mahnung(gamma, kHeute - 5, QStringLiteral("Anderer Mandant"));
        andere.Posten(tG1, g1);
        andere.Buchen();
    }

    std::unique_ptr<TfrmSelektion> oeffnen(int rechner = 0)
    {
        auto f = std::make_unique<TfrmSelektion>();
        f->SetSelectedMandant(mandant.Id);
        f->SetSelectedMandant_Bez(mandant.Name);
        f->SetSelectedRechner(rechner);
        f->show();
        return f;
    }

    // Document numbers of the visible rows, top to bottom.
    static QStringList nummern(TfrmSelektion* f)
    {
        QStringList n;
        TVTVRList* vt = f->vtMahnungen;
        for (TVirtualNode* k = vt->GetFirstVisible(); k; k = vt->GetNextVisible(k))
            n << vt->GetCellValueAsString(k, f->MahnungEditServer()->Spalte_M_Belegnummer());
        return n;
    }

    static TVirtualNode* zeile(TfrmSelektion* f, const QString& nummer)
    {
        TVTVRList* vt = f->vtMahnungen;
        for (TVirtualNode* k = vt->GetFirst(); k; k = vt->GetNext(k))
            if (vt->GetCellValueAsString(k, f->MahnungEditServer()->Spalte_M_Belegnummer()) == nummer)
                return k;
        return nullptr;
    }

    // Window shortcuts need the active window.
    static void aktivieren(QWidget* f)
    {
        f->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(f));
    }

    static void verlassen(TQELStdEdit* e, const QString& text)
    {
        e->setText(text);
        emit e->Exit(e);
    }

    static void belegnummer(TfrmSelektion* f, const QString& lfd, const QString& wj, const QString& rnr)
    {
        f->edtLfdNr->setText(lfd);
        f->edtWJ->setText(wj);
        if (f->edtRNr->isEnabled())
            f->edtRNr->setText(rnr);
    }

    TTempSuite suite{false};
    TTestUmgebung umg;
    TTestMandant mandant{7, QStringLiteral("Testmandant GmbH")};
    TTestMandant zweiter{8, QStringLiteral("Zweitmandant AG")};
    TIntPair alpha, beta;
    TQEL_Mahnung_Beleg alphaMahnung, alteMahnung;
};

const QString kAlpha = QStringLiteral("AOP 1-2026 1");
const QString kBetaHeute = QStringLiteral("AOP 2-2026 1");
const QString kRechner2 = QStringLiteral("AOP 1-2026 2");

TEST_F(Mahnungsliste, OpensOnTheLastYearWithAnEmptyList)
{
    auto f = oeffnen();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Liste der Mahnungen"));
    EXPECT_EQ(f->size(), QSize(792, 566));
    EXPECT_DOUBLE_EQ(f->SelectedDatumVon(), kJetzt - 365);
    EXPECT_DOUBLE_EQ(f->SelectedDatumBis(), kJetzt);
    EXPECT_EQ(f->edtZeitraumVon->text(), QStringLiteral("08.12.2025"));
    EXPECT_EQ(f->edtZeitraumBis->text(), QStringLiteral("08.12.2026"));
    EXPECT_EQ(f->dspMandant->text(), mandant.Name);
    EXPECT_EQ(f->dspGep->text(), QStringLiteral("Kein Geschäftspartner gewählt."));
    EXPECT_EQ(f->edtphase->text(), QStringLiteral("AOP"));
    EXPECT_FALSE(f->edtphase->isEnabled());
    EXPECT_FALSE(f->lbRechnerTxt->isVisible());
    EXPECT_TRUE(f->edtRNr->isEnabled());
    EXPECT_TRUE(f->edtRNr->text().isEmpty());
    EXPECT_EQ(f->vtMahnungen->NodeCount(), 0);
    EXPECT_TRUE(umg.Recorder->Meldungen.empty());
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}

TEST_F(Mahnungsliste, RefreshListsTheClientsDunningsOfThePeriodWithTheirColumns)
{
    auto f = oeffnen();
    f->btnSuchen->click();
    // Other clients' dunnings and the one of 400 days ago are not listed; today's is, at any time of day.
    EXPECT_EQ(nummern(f.get()), (QStringList{kAlpha, kRechner2, kBetaHeute}));

    IQEL_MahnungEditServer* s = f->MahnungEditServer();
    TVTVRList* vt = f->vtMahnungen;
    TVirtualNode* a = zeile(f.get(), kAlpha);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(vt->GetCellValueAsString(a, s->Spalte_M_GepName()), QStringLiteral("Alpha GmbH"));
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsDate(a, s->Spalte_Mahnungsdatum()), kHeute - 10 + 0.5);
    EXPECT_DOUBLE_EQ(vt->GetCellValueAsDate(a, s->Spalte_Beruecksichtigt()), kHeute - 11);
    EXPECT_EQ(vt->GetCellValueAsString(a, s->Spalte_MahnungsText()), QStringLiteral("Bitte zahlen Sie bis #Heute."));
    // Balances, fees and interest; one item at its first level and one above it.
    EXPECT_EQ(vt->GetCellValueAsString(a, s->Spalte_M_Zusatz()), QStringLiteral("Zahlungserinnerung / Mahnung 356,50 EUR"));
    EXPECT_EQ(vt->GetCellValueAsString(zeile(f.get(), kBetaHeute), s->Spalte_M_Zusatz()), QStringLiteral("Mahnung 40,00 EUR"));
    EXPECT_EQ(vt->GetCellValueAsString(zeile(f.get(), kRechner2), s->Spalte_M_Zusatz()),
              QStringLiteral("Zahlungserinnerung 10,00 EUR"));
    EXPECT_TRUE(IntPairEqual(qel_String2TIntPair(vt->GetCellValueAsString(a, s->Spalte_M_GepNr())), alpha));
    EXPECT_TRUE(IntPairEqual(qel_String2TIntPair(vt->GetCellValueAsString(a, s->Spalte_MahnungsID())),
                             qel_TestMahnungsID(alphaMahnung)));
    EXPECT_TRUE(IntPairEqual(qel_String2TIntPair(vt->GetCellValueAsString(a, s->Spalte_M_OrgeNr())), alphaMahnung.OrgeNr));
    EXPECT_EQ(vt->GetCellValueAsInteger(a, s->Spalte_M_LfdNr()), 1);
    EXPECT_EQ(vt->GetCellValueAsInteger(a, s->Spalte_M_WirtschaftsJahr()), 2026);
    EXPECT_EQ(vt->GetCellValueAsInteger(a, s->Spalte_M_RNr()), 1);

    TVirtualTreeColumns spalten = vt->Columns();
    // The window's width is fixed: the partner's name gives way so that every column is in sight, and
    // the mail state is a narrow symbol whose text is its tool tip.
    EXPECT_LE(spalten.GetItem(s->Spalte_M_GepName()).GetWidth(), vt->VorgabeBreite(s->Spalte_M_GepName(), 280));
    int breite = 0;
    for (int c = 0; c < vt->header()->count(); ++c)
        breite += vt->header()->isSectionHidden(c) ? 0 : vt->header()->sectionSize(c);
    EXPECT_LE(breite, vt->viewport()->width());
    EXPECT_TRUE(vt->GetColumnVisible(s->Spalte_M_Email()));
    EXPECT_LT(spalten.GetItem(s->Spalte_M_Email()).GetWidth(), spalten.GetItem(s->Spalte_Mahnungsdatum()).GetWidth());
    EXPECT_EQ(vt->model()->headerData(s->Spalte_M_Email(), Qt::Horizontal, Qt::ToolTipRole).toString(), QStringLiteral("E-Mail"));
    EXPECT_EQ(spalten.GetItem(s->Spalte_Mahnungsdatum()).GetWidth(), vt->VorgabeBreite(s->Spalte_Mahnungsdatum(), 80));
    EXPECT_EQ(spalten.GetItem(s->Spalte_M_Belegnummer()).GetWidth(), vt->VorgabeBreite(s->Spalte_M_Belegnummer(), 100));
    EXPECT_EQ(spalten.GetItem(s->Spalte_M_Zusatz()).GetWidth(), vt->VorgabeBreite(s->Spalte_M_Zusatz(), 120));
    for (int verdeckt : {s->Spalte_MahnungsID(), s->Spalte_M_GepNr(), s->Spalte_M_OrgeNr(), s->Spalte_MahnungsText()})
        EXPECT_FALSE(vt->GetColumnVisible(verdeckt)) << verdeckt;
    EXPECT_TRUE(vt->GetColumnVisible(s->Spalte_M_GepName()));
    EXPECT_TRUE(vt->GetColumnVisible(s->Spalte_M_Zusatz()));

    // F4 reloads as well.
    f->vtMahnungen->Clear();
    aktivieren(f.get());
    QTest::keyClick(f.get(), Qt::Key_F4);
    EXPECT_EQ(nummern(f.get()).size(), 3);
    EXPECT_TRUE(umg.Recorder->Meldungen.empty());
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}

TEST_F(Mahnungsliste, ComputerRestrictionShowsItsNoticeAndListsOnlyThatComputersDunnings)
{
    auto f = oeffnen(2);
    EXPECT_TRUE(f->lbRechnerTxt->isVisible());
    EXPECT_EQ(f->lbRechnerTxt->text(), QStringLiteral("Es werden nur die Mahnung des aktuellen Rechners angezeigt."));
    EXPECT_EQ(f->edtRNr->text(), QStringLiteral("2"));
    EXPECT_FALSE(f->edtRNr->isEnabled());
    f->btnSuchen->click();
    EXPECT_EQ(nummern(f.get()), QStringList{kRechner2});

    // A value below zero is no restriction.
    auto g = oeffnen(-1);
    EXPECT_FALSE(g->lbRechnerTxt->isVisible());
    EXPECT_TRUE(g->edtRNr->isEnabled());
    g->btnSuchen->click();
    EXPECT_EQ(nummern(g.get()).size(), 3);
}

TEST_F(Mahnungsliste, PeriodChecksRefuseAFromDateAfterTheToDateAndResetTheEdit)
{
    auto f = oeffnen();
    // Equal dates pass.
    verlassen(f->edtZeitraumBis, QStringLiteral("28.11.2026"));
    verlassen(f->edtZeitraumVon, QStringLiteral("28.11.2026"));
    EXPECT_TRUE(umg.Recorder->Meldungen.empty());
    EXPECT_DOUBLE_EQ(f->SelectedDatumVon(), kHeute - 10);
    EXPECT_DOUBLE_EQ(f->SelectedDatumBis(), kHeute - 10);
    f->btnSuchen->click();
    // The to-date is a whole day: the dunning written at noon of that day is in.
    EXPECT_EQ(nummern(f.get()), QStringList{kAlpha});

    verlassen(f->edtZeitraumVon, QStringLiteral("29.11.2026"));
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Das Von-Datum darf nicht nach dem Bis-Datum liegen!")});
    EXPECT_EQ(umg.Recorder->Meldungen.front().Nr, 994);
    EXPECT_EQ(f->edtZeitraumVon->text(), QStringLiteral("28.11.2026"));
    EXPECT_DOUBLE_EQ(f->SelectedDatumVon(), kHeute - 10);

    umg.Recorder->Leeren();
    verlassen(f->edtZeitraumBis, QStringLiteral("27.11.2026"));
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Das Von-Datum darf nicht nach dem Bis-Datum liegen!")});
    EXPECT_EQ(f->edtZeitraumBis->text(), QStringLiteral("28.11.2026"));

    // Calendar: a from-date after the to-date changes nothing, a valid one is taken.
    umg.Recorder->Leeren();
    umg.BeiModal<TfrmKalender>([](TfrmKalender* k) {
        k->SetDatum(kHeute - 5);
        return mrOk;
    });
    f->btnZeitraumVon->click();
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Das Von-Datum darf nicht nach dem Bis-Datum liegen!")});
    EXPECT_EQ(f->edtZeitraumVon->text(), QStringLiteral("28.11.2026"));
    umg.BeiModal<TfrmKalender>([](TfrmKalender* k) {
        k->SetDatum(kHeute);
        return mrOk;
    });
    f->btnZeitraumBis->click();
    EXPECT_EQ(f->edtZeitraumBis->text(), QStringLiteral("08.12.2026"));
    EXPECT_DOUBLE_EQ(f->SelectedDatumBis(), kHeute);
    // Neither the edits nor the calendar reload the list.
    EXPECT_EQ(nummern(f.get()), QStringList{kAlpha});
    f->btnSuchen->click();
    EXPECT_EQ(nummern(f.get()), (QStringList{kAlpha, kRechner2, kBetaHeute}));

    umg.Recorder->Leeren();
    verlassen(f->edtZeitraumVon, QStringLiteral("31.02.2026"));
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Fehler beim Lesen des Datums.")});
    EXPECT_DOUBLE_EQ(f->SelectedDatumVon(), kHeute - 10);
}

TEST_F(Mahnungsliste, ChosenPartnerTakesEffectAtTheNextLoadAndHidesOtherRowsAndTheNameColumn)
{
    auto f = oeffnen();
    f->btnSuchen->click();
    umg.BeiModal<TfrmGpSuche>([](TfrmGpSuche* s) {
        s->edtName->setText(QStringLiteral("alpha"));
        s->btnSuchen->click();
        s->btnOk->click();
        return s->result();
    });
    f->btnGepSuche->click();
    EXPECT_EQ(f->dspGep->text(), QStringLiteral("Alpha GmbH"));
    EXPECT_TRUE(f->GepGewaehlt());
    EXPECT_EQ(nummern(f.get()).size(), 3);  // not yet
    IQEL_MahnungEditServer* s = f->MahnungEditServer();
    EXPECT_TRUE(f->vtMahnungen->GetColumnVisible(s->Spalte_M_GepName()));

    f->btnSuchen->click();
    EXPECT_EQ(nummern(f.get()), (QStringList{kAlpha, kRechner2}));
    EXPECT_EQ(f->vtMahnungen->NodeCount(), 3);
    EXPECT_FALSE(f->vtMahnungen->GetColumnVisible(s->Spalte_M_GepName()));

    f->btnGepLoeschen->click();
    EXPECT_EQ(f->dspGep->text(), QStringLiteral("Kein Geschäftspartner gewählt."));
    EXPECT_EQ(nummern(f.get()).size(), 2);  // not yet
    f->btnSuchen->click();
    EXPECT_EQ(nummern(f.get()).size(), 3);
    EXPECT_TRUE(f->vtMahnungen->GetColumnVisible(s->Spalte_M_GepName()));
    EXPECT_TRUE(umg.Recorder->Meldungen.empty());
}

TEST_F(Mahnungsliste, ClientDialogReloadsAlsoWhenCancelledAndLeavesTheProgramsClientAlone)
{
    QELProgramm().SetAktMandant(mandant.Id);
    auto f = oeffnen();
    umg.BeiModal<TfrmMandantWahl>([](TfrmMandantWahl*) { return mrCancel; });
    f->btnMandantenSuche->click();
    EXPECT_EQ(nummern(f.get()).size(), 3);
    EXPECT_EQ(f->dspMandant->text(), mandant.Name);

    umg.BeiModal<TfrmMandantWahl>([this](TfrmMandantWahl* w) {
        for (int i = 0; i < w->Liste()->topLevelItemCount(); ++i)
            if (w->Liste()->topLevelItem(i)->text(1) == zweiter.Name)
                w->Waehlen(i);
        return mrOk;
    });
    f->btnMandantenSuche->click();
    EXPECT_EQ(f->dspMandant->text(), zweiter.Name);
    EXPECT_TRUE(IntPairEqual(f->SelectedMandant(), zweiter.Id));
    EXPECT_EQ(nummern(f.get()), QStringList{kAlpha});  // the other client's first number
    EXPECT_EQ(f->vtMahnungen->GetCellValueAsString(f->vtMahnungen->GetFirst(), f->MahnungEditServer()->Spalte_M_GepName()),
              QStringLiteral("Gamma AG"));
    EXPECT_TRUE(IntPairEqual(QELProgramm().AktMandant(), mandant.Id));
}

TEST_F(Mahnungsliste, DeleteOnlyShowsItsNoticeAndCloseEndsWithCancel)
{
    auto f = oeffnen();
    f->btnSuchen->click();
    aktivieren(f.get());
    QTest::keyClick(f.get(), Qt::Key_F5, Qt::ShiftModifier);
    ASSERT_EQ(umg.Recorder->Meldungen.size(), 1u);
    EXPECT_EQ(umg.Recorder->Meldungen[0].Text, QStringLiteral("Noch nicht implementiert!"));
    EXPECT_EQ(umg.Recorder->Meldungen[0].Nr, 997);
    EXPECT_EQ(nummern(f.get()).size(), 3);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 5);
    f->setResult(0);
    QTest::keyClick(f.get(), Qt::Key_Escape);
    EXPECT_EQ(f->result(), mrCancel);
}

TEST_F(Mahnungsliste, TabReachesTheListAndThePartnerSearchWithoutAMouse)
{
    auto f = oeffnen();
    aktivieren(f.get());
    QTest::keyClick(f.get(), Qt::Key_F4);
    ASSERT_EQ(nummern(f.get()).size(), 3);
    f->edtLfdNr->setFocus();
    for (int i = 0; i < 40 && QApplication::focusWidget() != f->vtMahnungen; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), f->vtMahnungen);
    QTest::keyClick(f->vtMahnungen, Qt::Key_Home);
    QTest::keyClick(f->vtMahnungen, Qt::Key_Down);
    EXPECT_NE(f->vtMahnungen->GetFirstSelected(), nullptr);

    // The partner search is reached the same way and pressed with Space.
    for (int i = 0; i < 40 && QApplication::focusWidget() != f->btnGepSuche; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), f->btnGepSuche);
    umg.BeiModal<TfrmGpSuche>([](TfrmGpSuche* s) {
        s->edtName->setText(QStringLiteral("alpha"));
        s->btnSuchen->click();
        s->btnOk->click();
        return s->result();
    });
    QTest::keyClick(f->btnGepSuche, Qt::Key_Space);
    EXPECT_EQ(f->dspGep->text(), QStringLiteral("Alpha GmbH"));
}

TEST_F(Mahnungsliste, ViewingOpensTheEditorWithTheRowsValuesAndReloadsAfterwards)
{
    auto f = oeffnen();
    f->btnSuchen->click();
    f->vtMahnungen->SetSelected(zeile(f.get(), kAlpha), true);
    const TIntPair id = qel_TestMahnungsID(alphaMahnung);
    bool gesehen = false;
    umg.BeiModal<TfrmMahnungSchreiben>([&](TfrmMahnungSchreiben* e) {
        gesehen = true;
        IQEL_MahnungEditServer* s = f->MahnungEditServer();
        EXPECT_EQ(e->Modus(), CQEL_Mahnung_Lesen);
        EXPECT_EQ(e->GewaehltePosten(), s->Positionen_Liste());
        EXPECT_EQ(e->ColBelegNr(), s->PosSpalte_BelegNr());
        EXPECT_EQ(e->ColDatum(), s->PosSpalte_Datum());
        EXPECT_EQ(e->ColZahlbarbis(), s->PosSpalte_Zahlbarbis());
        EXPECT_EQ(e->ColSaldo(), s->PosSpalte_Saldo());
        EXPECT_EQ(e->ColMahnstufe(), s->PosSpalte_Mahnstufe());
        EXPECT_EQ(e->ColMahngebuehren(), s->PosSpalte_Mahngebuehren());
        EXPECT_EQ(e->ColVerzugszins(), s->PosSpalte_Verzugszins());
        EXPECT_DOUBLE_EQ(e->Beruecksichtigt(), kHeute - 11);
        EXPECT_DOUBLE_EQ(e->Mahnungsdatum(), kHeute - 10 + 0.5);
        EXPECT_EQ(e->MahnungsText(), QStringLiteral("Bitte zahlen Sie bis #Heute."));
        EXPECT_EQ(e->GepName(), QStringLiteral("Alpha GmbH"));
        EXPECT_TRUE(IntPairEqual(e->SelectedGepNr(), alpha));
        EXPECT_TRUE(IntPairEqual(e->SelectedOrgeNr(), alphaMahnung.OrgeNr));
        EXPECT_TRUE(IntPairEqual(e->SelectedMandant(), mandant.Id));
        EXPECT_EQ(e->SelectedMandant_Bez(), mandant.Name);
        EXPECT_EQ(e->LfdNr(), 1);
        EXPECT_EQ(e->WirtschaftsJahr(), 2026);
        EXPECT_EQ(e->RNr(), 1);
        EXPECT_EQ(e->Belegnummer(), kAlpha);
        EXPECT_TRUE(IntPairEqual(e->MahnungsID(), id));
        // The positions as booked, in their order.
        TVRList* p = e->GewaehltePosten();
        EXPECT_EQ(p->GetRowCount(), 2);
        EXPECT_EQ(p->GetCellValueAsString(0, e->ColBelegNr()), QStringLiteral("RE-A1"));
        EXPECT_EQ(p->GetCellValueAsInteger(0, e->ColMahnstufe()), 1);
        EXPECT_DOUBLE_EQ(p->GetCellValueAsDate(0, e->ColZahlbarbis()), kHeute - 10 + 0.5 + 14);
        EXPECT_EQ(p->GetCellValueAsString(1, e->ColBelegNr()), QStringLiteral("RE-A2"));
        EXPECT_EQ(p->GetCellValueAsInteger(1, e->ColMahnstufe()), 2);
        EXPECT_DOUBLE_EQ(p->GetCellValueAsFloat(1, e->ColSaldo()), 250.5);
        EXPECT_DOUBLE_EQ(p->GetCellValueAsFloat(1, e->ColMahngebuehren()), 2.5);
        EXPECT_DOUBLE_EQ(p->GetCellValueAsFloat(1, e->ColVerzugszins()), 1.0);
        EXPECT_DOUBLE_EQ(p->GetCellValueAsDate(1, e->ColDatum()), kHeute - 90);
        // The editor itself shows the dunning for viewing.
        EXPECT_EQ(e->vtGewaehltePosten->NodeCount(), 2);
        EXPECT_EQ(e->edtLfdNr->text(), QStringLiteral("1"));
        EXPECT_EQ(e->edtWJ->text(), QStringLiteral("2026"));
        EXPECT_EQ(e->edtRNr->text(), QStringLiteral("1"));
        return mrCancel;
    });
    f->btnAnzeigen->click();
    EXPECT_TRUE(gesehen);
    // Reloaded: the selection is gone, the rows are back.
    EXPECT_EQ(nummern(f.get()).size(), 3);
    EXPECT_EQ(f->vtMahnungen->GetFirstSelected(), nullptr);

    // Double-click takes the same path.
    f->vtMahnungen->SetSelected(zeile(f.get(), kBetaHeute), true);
    umg.BeiModal<TfrmMahnungSchreiben>([](TfrmMahnungSchreiben* e) {
        EXPECT_EQ(e->Belegnummer(), kBetaHeute);
        EXPECT_EQ(e->GewaehltePosten()->GetRowCount(), 1);
        return mrCancel;
    });
    emit f->vtMahnungen->DblClick(f->vtMahnungen);
    EXPECT_EQ(umg.OffeneSchritte(), 0);
}

TEST_F(Mahnungsliste, ViewingWithoutASelectionAsksForOne)
{
    auto f = oeffnen();
    f->btnAnzeigen->click();  // empty list
    f->btnSuchen->click();
    emit f->vtMahnungen->DblClick(f->vtMahnungen);  // rows, none selected
    EXPECT_EQ(umg.Recorder->Texte(), (QStringList{QStringLiteral("Bitte zuerst eine Mahnung auswählen!"),
                                                  QStringLiteral("Bitte zuerst eine Mahnung auswählen!")}));
    EXPECT_TRUE(umg.ModalVerlauf.isEmpty());
}

TEST_F(Mahnungsliste, EnterInTheFirstNumberFieldsMovesSilentlyToTheFaultyFieldAndInTheLastReports)
{
    auto f = oeffnen();
    QTest::keyClick(f->edtLfdNr, Qt::Key_Return);
    EXPECT_EQ(f->focusWidget(), f->edtLfdNr);
    belegnummer(f.get(), QStringLiteral("1"), QString(), QString());
    QTest::keyClick(f->edtLfdNr, Qt::Key_Return);
    EXPECT_EQ(f->focusWidget(), f->edtWJ);
    f->edtWJ->setText(QStringLiteral("2026"));
    QTest::keyClick(f->edtWJ, Qt::Key_Return);
    EXPECT_EQ(f->focusWidget(), f->edtRNr);
    EXPECT_TRUE(umg.Recorder->Meldungen.empty());
    EXPECT_TRUE(umg.ModalVerlauf.isEmpty());  // Enter did not reach "Anzeigen" either

    QTest::keyClick(f->edtRNr, Qt::Key_Return);
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Bitte eine gültige Rechnernummer eingeben!")});
    umg.Recorder->Leeren();
    belegnummer(f.get(), QString(), QStringLiteral("2026"), QStringLiteral("1"));
    f->btnBelegNummernSuche->click();
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Laufende Nummer ist nicht gefüllt.")});
    EXPECT_EQ(f->focusWidget(), f->edtLfdNr);

    // 1996 is too small, 1997 goes to the server.
    umg.Recorder->Leeren();
    belegnummer(f.get(), QStringLiteral("1"), QStringLiteral("1996"), QStringLiteral("1"));
    f->btnBelegNummernSuche->click();
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Das Wirtschaftsjahr ist zu klein.")});
    EXPECT_EQ(f->focusWidget(), f->edtWJ);
    umg.Recorder->Leeren();
    belegnummer(f.get(), QStringLiteral("1"), QStringLiteral("1997"), QStringLiteral("1"));
    f->btnBelegNummernSuche->click();
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Diese Belegnummer wurde nicht vergeben.")});

    // An unknown number is reported also on a silent Enter.
    umg.Recorder->Leeren();
    belegnummer(f.get(), QStringLiteral("99"), QStringLiteral("2026"), QStringLiteral("1"));
    QTest::keyClick(f->edtLfdNr, Qt::Key_Return);
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Diese Belegnummer wurde nicht vergeben.")});

    // A running number that cannot be read is reported and searched as -1.
    umg.Recorder->Leeren();
    belegnummer(f.get(), QStringLiteral("x1"), QStringLiteral("2026"), QStringLiteral("1"));
    QTest::keyClick(f->edtLfdNr, Qt::Key_Return);
    EXPECT_EQ(umg.Recorder->Texte(), (QStringList{QStringLiteral("Fehler bei der Konvertierung der lfd. Nummer."),
                                                  QStringLiteral("Diese Belegnummer wurde nicht vergeben.")}));
    umg.Recorder->Leeren();
    belegnummer(f.get(), QStringLiteral("1"), QStringLiteral("20x6"), QStringLiteral("1"));
    QTest::keyClick(f->edtWJ, Qt::Key_Return);
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Fehler bei der Konvertierung des Wirtschaftsjahres.")});
    EXPECT_TRUE(umg.ModalVerlauf.isEmpty());
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}

TEST_F(Mahnungsliste, NumberSearchOpensTheDunningRegardlessOfPeriodAndPartnerThenShowsThePeriodListAgain)
{
    auto f = oeffnen();
    umg.BeiModal<TfrmGpSuche>([](TfrmGpSuche* s) {
        s->edtName->setText(QStringLiteral("alpha"));
        s->btnSuchen->click();
        s->btnOk->click();
        return s->result();
    });
    f->btnGepSuche->click();
    f->btnSuchen->click();
    EXPECT_EQ(nummern(f.get()), (QStringList{kAlpha, kRechner2}));

    // Beta's dunning of 400 days ago, outside the period and of another partner.
    const QString alt = QStringLiteral("AOP 1-2025 1");
    umg.BeiModal<TfrmMahnungSchreiben>([&](TfrmMahnungSchreiben* e) {
        EXPECT_EQ(e->Belegnummer(), alt);
        EXPECT_EQ(e->GepName(), QStringLiteral("Beta KG"));
        EXPECT_TRUE(IntPairEqual(e->MahnungsID(), qel_TestMahnungsID(alteMahnung)));
        EXPECT_EQ(e->GewaehltePosten()->GetRowCount(), 1);
        // While the editor is open the list shows the search result.
        EXPECT_EQ(f->vtMahnungen->NodeCount(), 1);
        return mrCancel;
    });
    belegnummer(f.get(), QStringLiteral("1"), QStringLiteral("2025"), QStringLiteral("1"));
    QTest::keyClick(f->edtRNr, Qt::Key_Return);
    EXPECT_EQ(umg.OffeneSchritte(), 0);
    EXPECT_TRUE(umg.Recorder->Meldungen.empty());
    EXPECT_EQ(nummern(f.get()), (QStringList{kAlpha, kRechner2}));

    // Numbers are per client: the other client's number 1 of 2026 is its own.
    auto g = oeffnen();
    g->SetSelectedMandant(zweiter.Id);
    umg.BeiModal<TfrmMahnungSchreiben>([](TfrmMahnungSchreiben* e) {
        EXPECT_EQ(e->GepName(), QStringLiteral("Gamma AG"));
        return mrCancel;
    });
    belegnummer(g.get(), QStringLiteral("1"), QStringLiteral("2026"), QStringLiteral("1"));
    g->btnBelegNummernSuche->click();
    EXPECT_EQ(umg.OffeneSchritte(), 0);
}

TEST_F(Mahnungsliste, ComputerRestrictionPresetsTheComputerNumberOfTheSearch)
{
    auto f = oeffnen(2);
    umg.BeiModal<TfrmMahnungSchreiben>([](TfrmMahnungSchreiben* e) {
        EXPECT_EQ(e->Belegnummer(), kRechner2);
        EXPECT_EQ(e->MahnungsText(), QStringLiteral("Von Rechner 2"));
        return mrCancel;
    });
    belegnummer(f.get(), QStringLiteral("1"), QStringLiteral("2026"), QString());
    QTest::keyClick(f->edtWJ, Qt::Key_Return);
    EXPECT_EQ(umg.OffeneSchritte(), 0);
    EXPECT_EQ(nummern(f.get()), QStringList{kRechner2});
}

TEST_F(Mahnungsliste, LoadInTheMainMenuHandsOverClientAndComputerRestriction)
{
    Verwaltung_RechnerEintragen(1, QStringLiteral("Kasse Filiale 3"), 3);
    umg.BeiModal<TfrmMandantWahl>([this](TfrmMandantWahl* w) {
        for (int i = 0; i < w->Liste()->topLevelItemCount(); ++i)
            if (w->Liste()->topLevelItem(i)->text(1) == mandant.Name)
                w->Waehlen(i);
        return mrOk;
    });
    TfrmHauptmnu m;
    m.show();
    ASSERT_EQ(m.SelectedRechner(), 1);
    umg.BeiModal<TfrmSelektion>([this](TfrmSelektion* f) {
        EXPECT_TRUE(IntPairEqual(f->SelectedMandant(), mandant.Id));
        EXPECT_EQ(f->SelectedMandant_Bez(), mandant.Name);
        EXPECT_EQ(f->SelectedRechner(), 1);
        EXPECT_TRUE(f->lbRechnerTxt->isVisible());
        f->btnSuchen->click();
        EXPECT_EQ(nummern(f), (QStringList{kAlpha, kBetaHeute}));
        return mrCancel;
    });
    emit m.btsMain->BtnClick(m.btsMain, 2, QStringLiteral("btnLaden"));
    EXPECT_EQ(umg.OffeneSchritte(), 0);
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}

TEST_F(Mahnungsliste, ANumberOutOfRangeIsRefusedByItsEditAndNotSearched)
{
    auto f = oeffnen();
    aktivieren(f.get());
    QTest::mouseClick(f->edtLfdNr, Qt::LeftButton);
    QTest::keyClicks(f->edtLfdNr, QStringLiteral("0"));
    QTest::keyClick(f->edtLfdNr, Qt::Key_Return);
    ASSERT_EQ(umg.Recorder->Meldungen.size(), 1u);
    EXPECT_TRUE(umg.Recorder->Meldungen[0].Text.contains(QStringLiteral("nicht zwischen 1 und 999999")))
        << umg.Recorder->Meldungen[0].Text.toStdString();
    EXPECT_EQ(f->edtLfdNr->text(), QString());
    EXPECT_TRUE(umg.ModalVerlauf.isEmpty());
    // Leaving a fiscal year below its range is refused the same way; the number before stays.
    umg.Recorder->Leeren();
    const QString vorher = f->edtWJ->text();
    QTest::mouseClick(f->edtWJ, Qt::LeftButton);
    QTest::keyClick(f->edtWJ, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(f->edtWJ, QStringLiteral("1899"));
    QTest::mouseClick(f->edtRNr, Qt::LeftButton);
    EXPECT_EQ(umg.Recorder->Meldungen.size(), 1u);
    EXPECT_EQ(f->edtWJ->text(), vorher);
}

}  // namespace
