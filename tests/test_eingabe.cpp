// What the clerk types and then acts on at once: action keys, buttons and calendar buttons complete the
// edit that has the focus first, and stop when it refuses its value.
#include "editor_testbasis.h"
#include "support/buchung.h"
#include "suite/ui/dialogs/calendardialog.h"
#include "suite/ui/dialogs/mahnunghistorie.h"
#include "suite/ui/dialogs/wartemaske.h"

#include <QRadioButton>
#include <QtTest/QTest>

namespace editortest {
namespace {

class Eingabe : public EditorTest {
protected:
    static void aktivieren(QWidget* w)
    {
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }

    // Clicks into the edit, replaces its text by typing, and stays in it.
    static void tippen(QWidget* edit, const QString& text)
    {
        QTest::mouseClick(edit, Qt::LeftButton);
        ASSERT_TRUE(edit->hasFocus());
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

    static QVariant gebucht(const char* spalte, const QString& beleg)
    {
        return TTempSuite::Wert(QStringLiteral("SELECT %1 FROM mahnung_position WHERE belegnummer = ?")
                                    .arg(QLatin1String(spalte)),
                                {beleg});
    }

    static QStringList sichtbar(Tfrmmainu* f)
    {
        QStringList belege;
        TVTVRList* vt = f->vtOffenePosten;
        for (TVirtualNode* n = vt->GetFirstVisible(); n; n = vt->GetNextVisible(n))
            belege << vt->GetCellValueAsString(n, f->ZahlungEditServer()->Spalte_Belegnummer());
        return belege;
    }
};

TEST_F(Eingabe, EditorValuesTypedAndBookedAtOnceAreTheBookedValues)
{
    auto e = oeffnen({"A1", "B1"});
    aktivieren(e.get());
    waehlen(e.get(), "B1");
    // Level 1: the term is the dunning date + 5 unless the clerk types one.
    tippen(e->edtZahlungsziel, QStringLiteral("31.12.2026"));
    QTest::keyClick(e->edtZahlungsziel, Qt::Key_Tab);
    tippen(e->edtZinssatz, QStringLiteral("3,75"));
    // A click on a row leaves the edit by mouse.
    TVTVRList* vt = e->vtGewaehltePosten;
    const QModelIndex a1 = vt->model()->index(vt->DisplayRow(zeile(e.get(), "A1")), e->ColBelegNr());
    QTest::mouseClick(vt->viewport(), Qt::LeftButton, {}, vt->visualRect(a1).center());
    ASSERT_EQ(e->vtGewaehltePosten->GetFirstSelected(), zeile(e.get(), "A1"));
    tippen(e->edtMahngebueren, QStringLiteral("1,00"));
    umg.Recorder->Antworten = {mrYes};  // no letter text: book all the same
    QTest::keyClick(e->edtMahngebueren, Qt::Key_F5);

    ASSERT_TRUE(e->Gebucht()) << umg.Recorder->Texte().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(gebucht("mahngebuehren_cent", "A1").toInt(), 100);
    EXPECT_EQ(gebucht("verzugszins_cent", "B1").toInt(), 375);
    EXPECT_DOUBLE_EQ(gebucht("zahlbar_bis", "B1").toDouble(), kHeute + 23);
    EXPECT_EQ(e->edtMahngebueren->text(), QStringLiteral("1,00"));
    EXPECT_DOUBLE_EQ(e->Mahngebuehren(), 1.0);
    // Leaving the completed edit later does not run its handler a second time.
    const size_t meldungen = umg.Recorder->Meldungen.size();
    QTest::keyClick(e->edtMahngebueren, Qt::Key_Tab);
    EXPECT_EQ(umg.Recorder->Meldungen.size(), meldungen);
}

TEST_F(Eingabe, DatesTypedAndBookedByMouseClickAreTheBookedDates)
{
    auto e = oeffnen({"A1"});
    aktivieren(e.get());
    tippen(e->edtBeruecksichtigt, QStringLiteral("01.12.2026"));
    QTest::keyClick(e->edtBeruecksichtigt, Qt::Key_Tab);
    tippen(e->edtMahnungsdatum, QStringLiteral("07.12.2026"));
    umg.Recorder->Antworten = {mrYes};
    QTest::mouseClick(e->btnUebernehmen, Qt::LeftButton);

    ASSERT_TRUE(e->Gebucht());
    EXPECT_DOUBLE_EQ(TTempSuite::Wert(QStringLiteral("SELECT mahnungsdatum FROM mahnung")).toDouble(), kHeute - 1);
    EXPECT_DOUBLE_EQ(TTempSuite::Wert(QStringLiteral("SELECT beruecksichtigt FROM mahnung")).toDouble(), kHeute - 7);
    // The typed dunning date set the level-0 term: dunning date + 14.
    EXPECT_DOUBLE_EQ(gebucht("zahlbar_bis", "A1").toDouble(), kHeute + 13);
}

TEST_F(Eingabe, ARefusedValueStopsTheAction)
{
    auto e = oeffnen({"A1"});
    aktivieren(e.get());
    tippen(e->edtBeruecksichtigt, QStringLiteral("09.12.2026"));
    QTest::keyClick(e->edtBeruecksichtigt, Qt::Key_F5);
    EXPECT_TRUE(umg.Recorder->Enthaelt(QStringLiteral("Das Berücksichtigungsdatum darf nicht in der Zukunft liegen!")));
    EXPECT_FALSE(e->Gebucht());
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 0);
    EXPECT_EQ(e->edtBeruecksichtigt->text(), QStringLiteral("08.12.2026"));

    // A payment term in the past, booked by mouse: refused, nothing booked.
    umg.Recorder->Leeren();
    tippen(e->edtZahlungsziel, QStringLiteral("01.12.2026"));
    QTest::mouseClick(e->btnUebernehmen, Qt::LeftButton);
    EXPECT_TRUE(umg.Recorder->Enthaelt(QStringLiteral("Das Zahlungsziel darf nicht in der Vergangenheit liegen.")));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 0);
    // The fee cap corrects the value; the clerk sees the corrected value before booking with it.
    umg.Recorder->Leeren();
    tippen(e->edtMahngebueren, QStringLiteral("2,51"));
    QTest::keyClick(e->edtMahngebueren, Qt::Key_F5);
    EXPECT_EQ(umg.Recorder->Meldungen.size(), 1u);
    EXPECT_EQ(e->edtMahngebueren->text(), QStringLiteral("2,50"));
    EXPECT_FALSE(e->Gebucht());
    umg.Recorder->Antworten = {mrYes};
    QTest::keyClick(e->edtMahngebueren, Qt::Key_F5);
    ASSERT_TRUE(e->Gebucht());
    EXPECT_EQ(gebucht("mahngebuehren_cent", "A1").toInt(), 250);
}

TEST_F(Eingabe, AmountsOutOfRangeAreRefusedWithThePreviousValueKept)
{
    auto e = oeffnen({"A1", "A2"});
    aktivieren(e.get());
    waehlen(e.get(), "A1");
    tippen(e->edtZinssatz, QStringLiteral("100000"));
    QTest::keyClick(e->edtZinssatz, Qt::Key_Tab);
    ASSERT_EQ(umg.Recorder->Meldungen.size(), 1u);
    EXPECT_EQ(umg.Recorder->Meldungen[0].Nr, 994);
    EXPECT_TRUE(umg.Recorder->Meldungen[0].Text.contains(QStringLiteral("zwischen -9.999,99 und 99.999,99")))
        << umg.Recorder->Meldungen[0].Text.toStdString();
    EXPECT_EQ(e->edtZinssatz->text(), QStringLiteral("0,00"));
    // Tab did not go past the refused value.
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), e->edtZinssatz);
    tippen(e->edtMahngebueren, QStringLiteral("-999999"));
    QTest::keyClick(e->edtMahngebueren, Qt::Key_Tab);
    EXPECT_EQ(umg.Recorder->Meldungen.size(), 2u);
    EXPECT_EQ(e->edtMahngebueren->text(), QStringLiteral("0,00"));
    // Moving between rows afterwards shows each row's values without a message.
    umg.Recorder->Leeren();
    waehlen(e.get(), "A2");
    waehlen(e.get(), "A1");
    EXPECT_TRUE(umg.Recorder->Meldungen.empty()) << umg.Recorder->Texte().join(QLatin1Char('|')).toStdString();
    EXPECT_DOUBLE_EQ(e->Verzugszins(), 0.0);
}

TEST_F(Eingabe, PickingADateKeepsLetterTextTypedIntoThePreview)
{
    auto e = oeffnen({"A1"});
    aktivieren(e.get());
    QTest::mouseClick(e->redtKopfText->viewport(), Qt::LeftButton);
    ASSERT_TRUE(e->redtKopfText->hasFocus());
    QTest::keyClicks(e->redtKopfText, QStringLiteral("Bitte zahlen Sie bis 08.12.2026."));
    // Today is also the considered date: the typed date folds into that placeholder and moves with it.
    umg.BeiModal<TfrmKalender>([](TfrmKalender* k) {
        k->SetDatum(kHeute - 2);
        return mrOk;
    });
    QTest::mouseClick(e->btnBeruecksichtigt, Qt::LeftButton);
    EXPECT_EQ(umg.OffeneSchritte(), 0);
    EXPECT_EQ(e->MahnungsText(), QStringLiteral("Bitte zahlen Sie bis #Berücksichtigt."));
    EXPECT_EQ(e->redtKopfText->toPlainText(), QStringLiteral("Bitte zahlen Sie bis 06.12.2026."));
    EXPECT_DOUBLE_EQ(e->Beruecksichtigt(), kHeute - 2);
}

TEST_F(Eingabe, OpenItemsCriteriaTypedBeforeF4AreTheLoadedCriteria)
{
    auto f = offenePosten();
    aktivieren(f.get());
    ASSERT_EQ(sichtbar(f.get()).size(), 4);
    tippen(f->edtAlter, QStringLiteral("50"));
    QTest::keyClick(f->edtAlter, Qt::Key_F4);
    EXPECT_TRUE(f->DatenEingelesen());
    EXPECT_EQ(f->edtZeitraumBis->text(), QStringLiteral("19.10.2026"));
    EXPECT_DOUBLE_EQ(qel_DateOf(f->SelectedPeriodeBis()), kHeute - 50);
    EXPECT_EQ(sichtbar(f.get()), (QStringList{QStringLiteral("A2"), QStringLiteral("B1")}));

    // A from-date typed and loaded by a click on "Aktualisieren".
    // The offscreen platform lets the wait window take the activation; a window manager would not.
    aktivieren(f.get());
    EXPECT_EQ(QApplication::focusWidget(), f->edtAlter);
    tippen(f->edtZeitraumVon, QStringLiteral("01.09.2026"));
    QTest::mouseClick(f->btnSuchen, Qt::LeftButton);
    EXPECT_TRUE(f->DatenEingelesen());
    EXPECT_EQ(sichtbar(f.get()), QStringList{QStringLiteral("B1")});
    aktivieren(f.get());

    // A from-date after the to-date is refused: nothing is loaded and the list stays switched off.
    tippen(f->edtZeitraumVon, QStringLiteral("01.11.2026"));
    QTest::keyClick(f->edtZeitraumVon, Qt::Key_F4);
    EXPECT_TRUE(umg.Recorder->Enthaelt(QStringLiteral("Von-Datum muss vor dem Bis-Datum liegen!")));
    EXPECT_FALSE(f->DatenEingelesen());
    EXPECT_EQ(f->edtZeitraumVon->text(), QStringLiteral("01.09.2026"));
    EXPECT_DOUBLE_EQ(f->SelectedPeriodeVon(), kHeute - 98);
}

TEST_F(Eingabe, DueDateModeUsesTheTermGrantedByABookedDunningFromTheFirstLoad)
{
    // A1 was due 23 days ago; a booked dunning granted it until the day after tomorrow.
    TTestBuchung buchung(mandant.Id);
    const TIntTrio a1{TTempSuite::Wert(QStringLiteral("SELECT rechner_nr FROM offener_posten WHERE belegnummer = 'A1'")).toInt(),
                      TTempSuite::Wert(QStringLiteral("SELECT trans_nr FROM offener_posten WHERE belegnummer = 'A1'")).toInt(),
                      TTempSuite::Wert(QStringLiteral("SELECT lfd_nr FROM offener_posten WHERE belegnummer = 'A1'")).toInt()};
    buchung.Mahnung(alpha, kHeute - 12, QStringLiteral("Erste Mahnung"));
    buchung.Posten(a1, {QStringLiteral("A1"), kHeute - 37, 100.0, 0, kHeute + 2, 0, false, QString()});
    buchung.Buchen();

    auto f = offenePosten();
    aktivieren(f.get());
    QTest::mouseClick(f->rgrpAuswahlArt->Button(1), Qt::LeftButton);
    ASSERT_TRUE(f->rgrpAuswahlArt->Button(1)->isChecked());
    QTest::keyClick(f.get(), Qt::Key_F4);
    ASSERT_TRUE(f->DatenEingelesen());
    EXPECT_EQ(sichtbar(f.get()), (QStringList{QStringLiteral("A2"), QStringLiteral("B1"), QStringLiteral("G1")}));
    // Every listed row's term column is the term the filter used.
    TVTVRList* vt = f->vtOffenePosten;
    const int ziel = f->ZahlungEditServer()->Spalte_Zahlungsziel();
    for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
        EXPECT_EQ(vt->GetVisible(n), vt->GetCellValueAsDate(n, ziel) <= f->SelectedZahlungsziel());
    TVirtualNode* a1Zeile = nullptr;
    for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
        if (vt->GetCellValueAsString(n, f->ZahlungEditServer()->Spalte_Belegnummer()) == QLatin1String("A1"))
            a1Zeile = n;
    ASSERT_TRUE(a1Zeile);
    EXPECT_DOUBLE_EQ(qel_DateOf(vt->GetCellValueAsDate(a1Zeile, ziel)), kHeute + 2);
}

TEST_F(Eingabe, HistoryOfAnItemWithARunningNumberAbove32767)
{
    TTempSuite::Wert(QStringLiteral("UPDATE offener_posten SET lfd_nr = 40000 WHERE belegnummer = 'B1'"));
    const TIntTrio b1{TTempSuite::Wert(QStringLiteral("SELECT rechner_nr FROM offener_posten WHERE belegnummer = 'B1'")).toInt(),
                      TTempSuite::Wert(QStringLiteral("SELECT trans_nr FROM offener_posten WHERE belegnummer = 'B1'")).toInt(),
                      40000};
    TTestBuchung buchung(mandant.Id);
    buchung.Mahnung(beta, kHeute - 12, QStringLiteral("Zweite Mahnung"));
    buchung.Posten(b1, {QStringLiteral("B1"), kHeute - 84, 1000.0, 0, kHeute - 70, 1, false, QString()});
    buchung.Buchen();
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT mahnstufe FROM offener_posten WHERE lfd_nr = 40000")).toInt(), 2);

    auto f = offenePosten();
    aktivieren(f.get());
    TVTVRList* vt = f->vtOffenePosten;
    for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
        if (vt->GetCellValueAsString(n, f->ZahlungEditServer()->Spalte_Belegnummer()) == QLatin1String("B1"))
            vt->SetSelected(n, true);
    int zeilen = -1;
    int lfd = 0;
    umg.BeiModal<TfrmMahnungHistorie>([&](TfrmMahnungHistorie* h) {
        lfd = h->LfdNummer;
        zeilen = h->vtHistorie->NodeCount();
        return mrCancel;
    });
    QTest::mouseClick(f->btnHistorie, Qt::LeftButton);
    EXPECT_EQ(lfd, 40000);
    EXPECT_EQ(zeilen, 1);
}

TEST_F(Eingabe, OpenItemsWindowWithoutItsServersReportsInsteadOfCrashing)
{
    TSuiteDatenbank::Schliessen();
    {
        auto f = offenePosten();
        ASSERT_FALSE(umg.Recorder->Exceptions.empty());
        EXPECT_EQ(umg.Recorder->Exceptions.front().Kontext, QStringLiteral("Tfrmmainu.FormCreate"));
        EXPECT_FALSE(f->DatenEingelesen());
        EXPECT_TRUE(f->pnlHintergrund->isVisible());
        aktivieren(f.get());
        umg.Recorder->Exceptions.clear();
        QTest::keyClick(f.get(), Qt::Key_F4);
        ASSERT_EQ(umg.Recorder->Exceptions.size(), 1u);
        EXPECT_EQ(umg.Recorder->Exceptions.front().Kontext, QStringLiteral("Tfrmmainu.Offene_Posten_Laden"));
    }
    TSuiteDatenbank::Oeffnen(suite.Konfiguration());
}

// Counts the paint events a widget receives.
class Malzaehler : public QObject {
public:
    int Anzahl = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++Anzahl;
        return false;
    }
};

TEST(Wartemaske, IsPaintedBeforeTheWorkStarts)
{
    TfrmWartemaske w;
    Malzaehler zaehler;
    w.installEventFilter(&zaehler);
    w.Zeigen();
    EXPECT_GT(zaehler.Anzahl, 0);
    EXPECT_TRUE(w.windowHandle() && w.windowHandle()->isExposed());
    w.Verbergen();
    // Its text is never cut, whatever the font and the count in it.
    for (int punkte : {11, 16}) {
        QFont f = w.lblText->font();
        f.setPointSize(punkte);
        w.lblText->setFont(f);
        w.Zeigen(QStringLiteral("100.000 offene Posten werden angezeigt ..."));
        EXPECT_GE(w.lblText->width(), QFontMetrics(f).horizontalAdvance(w.lblText->text())) << punkte;
        w.Verbergen();
    }
}

}  // namespace
}  // namespace editortest
