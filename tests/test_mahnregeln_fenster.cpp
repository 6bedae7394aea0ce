// Dunning rules in the windows: the client's settings in the editor, the interest help on F2 with the
// flat fee, blocked and recently dunned items in the open-items list, cancelling a viewed dunning.
#include "editor_testbasis.h"
#include "selektionsfrm.h"
#include "suite/ui/dialogs/grunddialog.h"
#include "suite/ui/dialogs/verzugszinsdialog.h"
#include "suite/core/servers/database_intern.h"
#include "suite/core/servers/mahnregelnserver.h"
#include "suite/core/servers/verwaltung.h"
#include "support/buchung.h"

#include <QAction>
#include <QtTest/QTest>

namespace {

using namespace editortest;

bool gemeldet(const TMeldungRecorder& r, const QString& teil)
{
    for (const QString& t : r.Texte())
        if (t.contains(teil))
            return true;
    return false;
}

class Regelfenster : public EditorTest {
protected:
    Regelfenster()
    {
        Verwaltung_BenutzerAnlegen(QELProgramm().Benutzer(), QString(), {202, 203});
        // The shipped table ends with the first half of 2026; the clock stands in December.
        MahnRegeln_BasiszinsHinzufuegen(QDate(2026, 7, 1), 1.27);
    }

    static QString zelle(TfrmMahnungSchreiben* e, const QString& beleg, int spalte)
    {
        return e->vtGewaehltePosten->GetCellValueAsString(zeile(e, beleg), spalte);
    }
    static double betrag(TfrmMahnungSchreiben* e, const QString& beleg, int spalte)
    {
        return e->vtGewaehltePosten->GetCellValueAsFloat(zeile(e, beleg), spalte);
    }
    // The open-items window on the client's items, loaded.
    std::unique_ptr<Tfrmmainu> offenePosten()
    {
        auto f = std::make_unique<Tfrmmainu>();
        f->SetSelectedMandant(mandant.Id);
        f->SetSelectedMandant_Bez(mandant.Name);
        f->SetSelectedMandant_Nr(mandant.Nr);
        f->SetSelectedPeriodeVon(CDatum_01_01_2005);
        f->SetSelectedPeriodeBis(kJetzt);
        f->show();
        return f;
    }
    static TVirtualNode* opZeile(Tfrmmainu* f, const QString& beleg)
    {
        TVTVRList* vt = f->vtOffenePosten;
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
            if (vt->GetCellValueAsString(n, f->ZahlungEditServer()->Spalte_Belegnummer()) == beleg)
                return n;
        return nullptr;
    }
    static QString sperre(Tfrmmainu* f, const QString& beleg)
    {
        return f->vtOffenePosten->GetCellValueAsString(opZeile(f, beleg), f->ZahlungEditServer()->Spalte_Mahnsperre());
    }
};

TEST_F(Regelfenster, EditorNimmtDieEinstellungenDesMandanten)
{
    TMahnEinstellungen e;
    e.MaxGebuehr = 5;
    e.ZielTageErste = 10;
    e.ZielTageWeitere = 3;
    e.NurWerktage = true;
    e.GebuehrJeStufe = {{1, 1}, {3, 4}};
    const TIntPair baustein = [] {
        IQEL_MahnungEditServerRef s;
        Glob_ServerFactoryClass().MahnungEditServer_Holen(s);
        s->Textbaustein_Anlegen(QStringLiteral("Dritte Mahnung"), QStringLiteral("Letzte Aufforderung vor #Heute"));
        s->Textbaustein_Anlegen(QStringLiteral("Erinnerung"), QStringLiteral("Freundliche Erinnerung"));
        s->Textbausteine_Abfragen();
        TVRList* l = s->Textbausteine_Liste();
        TIntPair id;
        for (int i = 0; i < l->GetRowCount(); ++i)
            if (l->GetCellValueAsString(i, s->Spalte_TB_Kurztext()) == QStringLiteral("Dritte Mahnung"))
                id = qel_String2TIntPair(l->GetCellValueAsString(i, s->Spalte_TB_ID()));
        Glob_ServerFactoryClass().MahnungEditServer_Freigeben(s);
        return id;
    }();
    e.TextbausteinJeStufe = {{3, baustein}};
    MahnRegeln_Speichern(mandant.Id, e);

    auto ed = oeffnen({QStringLiteral("A1"), QStringLiteral("A2")});
    // Preset fees per level from the hand-over: A1 (level 0 -> 1) 1,00, A2 (level 2 -> 3) 4,00.
    EXPECT_DOUBLE_EQ(betrag(ed.get(), QStringLiteral("A1"), ed->ColMahngebuehren()), 1.0);
    EXPECT_DOUBLE_EQ(betrag(ed.get(), QStringLiteral("A2"), ed->ColMahngebuehren()), 4.0);
    // Terms: 08.12.2026 + 10 = Friday 18.12.; + 3 = Friday 11.12.
    EXPECT_EQ(qel_ToQDate(ed->vtGewaehltePosten->GetCellValueAsDate(zeile(ed.get(), QStringLiteral("A1")), ed->ColZahlbarbis())),
              QDate(2026, 12, 18));
    waehlen(ed.get(), QStringLiteral("A1"));
    verlassen(ed->edtMahnungsdatum, QStringLiteral("16.12.2026"));
    // 16.12. + 10 = Saturday 26.12. (Boxing Day) -> Monday 28.12.
    EXPECT_EQ(qel_ToQDate(ed->vtGewaehltePosten->GetCellValueAsDate(zeile(ed.get(), QStringLiteral("A1")), ed->ColZahlbarbis())),
              QDate(2026, 12, 28));
    // The text block of the highest level reached (3) is preselected.
    EXPECT_EQ(ed->MahnungsText(), QStringLiteral("Letzte Aufforderung vor #Heute"));
    // The cap is the client's.
    ed->edtMahngebueren->setFocus();
    verlassen(ed->edtMahngebueren, QStringLiteral("6"));
    EXPECT_TRUE(umg.Recorder->Enthaelt(QStringLiteral("Maximum für Mahngebühren: 5,00 EUR!")));
    EXPECT_DOUBLE_EQ(betrag(ed.get(), QStringLiteral("A1"), ed->ColMahngebuehren()), 5.0);
}

TEST_F(Regelfenster, F2ImZinsfeldBerechnetVerzugszinsenUndPauschale)
{
    auto ed = oeffnen({QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("B1")});
    ed->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(ed.get()));
    waehlen(ed.get(), QStringLiteral("A1"));
    // The selected item only; Alpha is a consumer in the master data: A1 100,00 due 15.11.2026, 23 days
    // at 1,27 + 5 -> 0,40.
    TSqlAbfrage(QStringLiteral("UPDATE geschaeftspartner SET verbraucher = 1 WHERE rnr = ? AND lnr = ?"))
        .Bind({alpha.RNr, alpha.LNr})
        .Exec();
    umg.BeiModal<TfrmVerzugszins>([](TfrmVerzugszins* d) {
        EXPECT_TRUE(d->Verbraucher());
        EXPECT_FALSE(d->cbxPauschale->isEnabled());
        return mrOk;
    });
    ed->edtZinssatz->setFocus();
    QTest::keyClick(ed->edtZinssatz, Qt::Key_F2);
    EXPECT_EQ(umg.OffeneSchritte(), 0);
    EXPECT_DOUBLE_EQ(betrag(ed.get(), QStringLiteral("A1"), ed->ColVerzugszins()), 0.40);
    EXPECT_EQ(ed->edtZinssatz->text(), QStringLiteral("0,40"));
    EXPECT_DOUBLE_EQ(betrag(ed.get(), QStringLiteral("A2"), ed->ColVerzugszins()), 0);

    // All items, business debtor, with the flat fee: A2 250,50 due 19.09.2026: 80 days at 10,27 -> 5,64;
    // B1 1.000,00 due 29.09.2026: 70 days -> 19,70; A1 23 days -> 0,65.
    umg.BeiModal<TfrmVerzugszins>([](TfrmVerzugszins* d) {
        d->rgrpSchuldner->SetItemIndex(0);
        EXPECT_TRUE(d->cbxPauschale->isEnabled());
        d->rgrpUmfang->SetItemIndex(1);
        d->cbxPauschale->setChecked(true);
        return mrOk;
    });
    QTest::keyClick(ed->edtZinssatz, Qt::Key_F2);
    EXPECT_DOUBLE_EQ(betrag(ed.get(), QStringLiteral("A1"), ed->ColVerzugszins()), 0.65);
    EXPECT_DOUBLE_EQ(betrag(ed.get(), QStringLiteral("A2"), ed->ColVerzugszins()), 5.64);
    EXPECT_DOUBLE_EQ(betrag(ed.get(), QStringLiteral("B1"), ed->ColVerzugszins()), 19.70);
    for (const QString& b : {QStringLiteral("A1"), QStringLiteral("A2"), QStringLiteral("B1")})
        EXPECT_DOUBLE_EQ(betrag(ed.get(), b, ed->ColPauschale()), 40.0);
    EXPECT_DOUBLE_EQ(ed->Verzugszins(), 25.99);
    EXPECT_DOUBLE_EQ(ed->Pauschalen(), 120.0);
    EXPECT_DOUBLE_EQ(ed->Gesamt(), ed->Summe() + ed->Mahngebuehren() + 25.99 + 120.0);
    EXPECT_EQ(ed->dspPauschalen->text(), QStringLiteral("120,00 EUR"));

    // Booked: the fee is stored as its own amount; a second dunning of A1 does not get it again.
    ed->redtKopfText->setPlainText(QStringLiteral("Bitte zahlen."));
    umg.Recorder->Antworten = {7};
    ed->btnUebernehmen->click();
    ASSERT_TRUE(ed->Gebucht());
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT SUM(pauschale_cent) FROM mahnung_position")).toLongLong(), 12000);
    ed.reset();
    auto zweite = oeffnen({QStringLiteral("A1")});
    umg.BeiModal<TfrmVerzugszins>([](TfrmVerzugszins* d) {
        d->rgrpSchuldner->SetItemIndex(0);
        d->cbxPauschale->setChecked(true);
        return mrOk;
    });
    zweite->edtZinssatz->Eingabehilfe();
    EXPECT_DOUBLE_EQ(betrag(zweite.get(), QStringLiteral("A1"), zweite->ColPauschale()), 0.0);
}

TEST_F(Regelfenster, ZinsenVorDerTabelleOderNachDemMahnungsdatum)
{
    mandant.Posten(alpha, {QStringLiteral("ALT"), kHeute - 200, 80.0, 0, 36100, 0, false, QString()});
    auto ed = oeffnen({QStringLiteral("A1"), QStringLiteral("G1"), QStringLiteral("ALT")});
    // G1 is a credit and A1 due after an earlier dunning date: nothing negative.
    verlassen(ed->edtMahnungsdatum, QStringLiteral("01.11.2026"));
    umg.BeiModal<TfrmVerzugszins>([](TfrmVerzugszins* d) {
        d->rgrpUmfang->SetItemIndex(1);
        return mrOk;
    });
    ed->edtZinssatz->Eingabehilfe();
    EXPECT_TRUE(gemeldet(*umg.Recorder, QStringLiteral("Posten ALT (fällig am 01.11.1998): Für Tage vor dem 01.01.2002")));
    EXPECT_DOUBLE_EQ(ed->Verzugszins(), 0);
    waehlen(ed.get(), QStringLiteral("A1"));
    umg.BeiModal<TfrmVerzugszins>([](TfrmVerzugszins*) { return mrOk; });
    ed->edtZinssatz->Eingabehilfe();
    EXPECT_DOUBLE_EQ(betrag(ed.get(), QStringLiteral("A1"), ed->ColVerzugszins()), 0.0);
    // Viewing mode offers no help: the edit is disabled.
}

TEST_F(Regelfenster, GesperrtePostenSindGrauNichtWaehlbarUndFehlenBeiAlleAuswaehlen)
{
    TMahnsperre s{mandant.Id, beta, TIntTrio{}, QStringLiteral("Rechtsstreit"), kHeute + 20, QString()};
    ASSERT_TRUE(TTempSuite::Anzahl(QStringLiteral("mahnsperre")) == 0);
    MahnRegeln_Sperren(s);
    // A1 was dunned three days ago; the client wants 7 days between two dunnings.
    TTestBuchung buchung(mandant.Id);
    const TIntTrio a1 = TIntTrio{1, TTempSuite::Wert(QStringLiteral("SELECT trans_nr FROM offener_posten WHERE belegnummer = 'A1'")).toInt(), 1};
    buchung.Mahnung(alpha, kHeute - 3, QStringLiteral("Erinnerung"));
    buchung.Posten(a1, {QStringLiteral("A1"), kHeute - 37, 100.0, 0, kHeute - 23, 0, false, QString()});
    buchung.Buchen();
    TMahnEinstellungen e;
    e.MindestTage = 7;
    MahnRegeln_Speichern(mandant.Id, e);

    auto f = offenePosten();
    EXPECT_EQ(sperre(f.get(), QStringLiteral("B1")), QStringLiteral("Partner gesperrt bis 28.12.2026: Rechtsstreit"));
    EXPECT_EQ(sperre(f.get(), QStringLiteral("A1")), QStringLiteral("Zuletzt gemahnt am 05.12.2026 (Mindestabstand 7 Tage)"));
    EXPECT_TRUE(sperre(f.get(), QStringLiteral("A2")).isEmpty());
    TVTVRList* vt = f->vtOffenePosten;
    EXPECT_FALSE(vt->isColumnHidden(f->ZahlungEditServer()->Spalte_Mahnsperre()));
    // Greyed, no check box.
    TVirtualNode* b1 = opZeile(f.get(), QStringLiteral("B1"));
    const QModelIndex index = vt->model()->index(vt->DisplayRow(b1), f->ZahlungEditServer()->Spalte_Gep());
    EXPECT_EQ(index.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(128, 128, 128));
    EXPECT_TRUE(Tfrmmainu::Ist_Gesperrt(b1));
    EXPECT_FALSE(Tfrmmainu::Ist_Gesperrt(opZeile(f.get(), QStringLiteral("A2"))));
    // A double-click and "Alle auswählen" leave it unchecked.
    vt->SetSelected(b1, true);
    emit vt->DblClick(vt);
    EXPECT_EQ(vt->GetCheckState(b1), csUncheckedNormal);
    f->btnAuswahlAlle->click();
    EXPECT_EQ(vt->GetCheckState(b1), csUncheckedNormal);
    EXPECT_EQ(vt->GetCheckState(opZeile(f.get(), QStringLiteral("A1"))), csUncheckedNormal);
    EXPECT_EQ(vt->GetCheckState(opZeile(f.get(), QStringLiteral("A2"))), csCheckedNormal);
    f->btnAuswahlUmkehren->click();
    EXPECT_EQ(vt->GetCheckState(b1), csUncheckedNormal);
}

TEST_F(Regelfenster, KontextmenueSperrtUndEntsperrtNurMitRecht203)
{
    auto f = offenePosten();
    ASSERT_NE(f->actPostenSperren, nullptr);
    EXPECT_TRUE(f->vtOffenePosten->actions().contains(f->actPostenSperren));
    TVTVRList* vt = f->vtOffenePosten;
    vt->SetSelected(opZeile(f.get(), QStringLiteral("A2")), true);
    // Without a reason the dialog stays open; then a reason and an end date.
    umg.BeiModal<TfrmGrundDialog>([this](TfrmGrundDialog* d) {
        d->btnOkClick();
        EXPECT_TRUE(umg.Recorder->Enthaelt(QStringLiteral("Bitte einen Grund angeben.")));
        d->edtGrund->setText(QStringLiteral("Ware reklamiert"));
        d->edtBis->setText(QStringLiteral("07.12.2026"));
        d->btnOkClick();
        EXPECT_TRUE(umg.Recorder->Enthaelt(QStringLiteral("Das Ende der Mahnsperre darf nicht in der Vergangenheit liegen.")));
        d->edtBis->setText(QStringLiteral("31.12.2026"));
        d->btnOkClick();
        return d->ModalResult();
    });
    f->actPostenSperren->trigger();
    EXPECT_EQ(sperre(f.get(), QStringLiteral("A2")), QStringLiteral("Mahnsperre bis 31.12.2026: Ware reklamiert"));
    EXPECT_TRUE(sperre(f.get(), QStringLiteral("A1")).isEmpty());
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT benutzer FROM mahnsperre")).toString(), TSuiteDatenbank::Benutzer());

    vt->SetSelected(opZeile(f.get(), QStringLiteral("A2")), true);
    f->actPostenEntsperren->trigger();
    EXPECT_TRUE(sperre(f.get(), QStringLiteral("A2")).isEmpty());

    // A clerk without right 203 gets no such menu.
    TSqlAbfrage(QStringLiteral("DELETE FROM benutzer_recht WHERE recht = 203")).Exec();
    auto ohne = offenePosten();
    EXPECT_EQ(ohne->actPostenSperren, nullptr);
    EXPECT_TRUE(ohne->vtOffenePosten->actions().isEmpty());
}

TEST_F(Regelfenster, StornoImAnsichtsmodusSetztStufenZurueckUndMarkiertListeUndDruck)
{
    const TIntTrio a2 = TIntTrio{1, TTempSuite::Wert(QStringLiteral("SELECT trans_nr FROM offener_posten WHERE belegnummer = 'A2'")).toInt(), 1};
    TTestBuchung buchung(mandant.Id);
    buchung.Mahnung(alpha, kHeute - 1, QStringLiteral("Dritte Mahnung"));
    buchung.Posten(a2, {QStringLiteral("A2"), kHeute - 100, 250.5, 0, kHeute - 80, 2, false, QString()}, 2.5);
    const TQEL_Mahnung_Beleg gebucht = buchung.Buchen().front();
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT mahnstufe FROM offener_posten WHERE belegnummer = 'A2'")).toInt(), 3);

    auto liste = std::make_unique<TfrmSelektion>();
    liste->SetSelectedMandant(mandant.Id);
    liste->SetSelectedMandant_Bez(mandant.Name);
    liste->show();
    liste->btnSuchen->click();
    liste->vtMahnungen->SetSelected(liste->vtMahnungen->GetFirst(), true);
    umg.BeiModal<TfrmMahnungSchreiben>([this](TfrmMahnungSchreiben* e) {
        EXPECT_FALSE(e->btnStornieren->isHidden());
        EXPECT_TRUE(e->lblStorniert->isHidden());
        // Cancelled without a reason: nothing happens.
        umg.BeiModal<TfrmGrundDialog>([](TfrmGrundDialog*) { return mrCancel; });
        e->btnStornieren->click();
        EXPECT_FALSE(e->btnStornieren->isHidden());
        umg.BeiModal<TfrmGrundDialog>([](TfrmGrundDialog* d) {
            d->edtGrund->setText(QStringLiteral("Zahlung vor der Mahnung eingegangen"));
            d->btnOkClick();
            return d->ModalResult();
        });
        e->btnStornieren->click();
        EXPECT_TRUE(umg.Recorder->Enthaelt(QStringLiteral("Die Mahnung wurde storniert.")));
        EXPECT_TRUE(e->btnStornieren->isHidden());
        EXPECT_TRUE(e->lblStorniert->text().startsWith(QStringLiteral("STORNIERT - Storniert am 08.12.2026 um 10:30 von ")));
        EXPECT_TRUE(e->lblStorniert->text().endsWith(QStringLiteral(": Zahlung vor der Mahnung eingegangen")));
        return mrCancel;
    });
    liste->btnAnzeigen->click();
    EXPECT_EQ(umg.OffeneSchritte(), 0);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT mahnstufe FROM offener_posten WHERE belegnummer = 'A2'")).toInt(), 2);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 1);
    const QString zusatz = liste->vtMahnungen->GetCellValueAsString(liste->vtMahnungen->GetFirst(),
                                                                    liste->MahnungEditServer()->Spalte_M_Zusatz());
    EXPECT_TRUE(zusatz.startsWith(QStringLiteral("STORNIERT: Mahnung 253,00"))) << zusatz.toStdString();
    // Viewed again: marked, and no second cancellation offered; "Löschen" still answers as before.
    liste->vtMahnungen->SetSelected(liste->vtMahnungen->GetFirst(), true);
    umg.BeiModal<TfrmMahnungSchreiben>([](TfrmMahnungSchreiben* e) {
        EXPECT_FALSE(e->lblStorniert->isHidden());
        EXPECT_TRUE(e->btnStornieren->isHidden());
        return mrCancel;
    });
    liste->btnAnzeigen->click();
    umg.Recorder->Leeren();
    liste->btnLoeschen->click();
    EXPECT_TRUE(umg.Recorder->Enthaelt(QStringLiteral("Noch nicht implementiert!")));
    (void)gebucht;
}

}  // namespace
