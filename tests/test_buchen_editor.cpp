// Booking from the dunning editor: documents per partner, the server's numbers and the booked state.
#include "editor_testbasis.h"

#include <QtTest/QTest>

namespace editortest {
namespace {

class BuchenEditor : public EditorTest {
protected:
    static QStringList belege(const TQEL_Mahnung_Beleg& m)
    {
        QStringList b;
        for (const auto& p : m.Positionen)
            b << p.Belegnummer;
        return b;
    }

    // A document's number as stored, for the partner's document of this test.
    static QVariantList gespeicherteNummer(const TIntPair& gep)
    {
        const QString sql = QStringLiteral("SELECT %1 FROM mahnung WHERE gep_rnr = ? AND gep_lnr = ?");
        return {TTempSuite::Wert(sql.arg(QStringLiteral("beleg_lfdnr")), {gep.RNr, gep.LNr}),
                TTempSuite::Wert(sql.arg(QStringLiteral("wirtschaftsjahr")), {gep.RNr, gep.LNr}),
                TTempSuite::Wert(sql.arg(QStringLiteral("beleg_rnr")), {gep.RNr, gep.LNr})};
    }

    static int stufe(const QString& beleg)
    {
        return TTempSuite::Wert(QStringLiteral("SELECT mahnstufe FROM offener_posten WHERE belegnummer = ?"), {beleg})
            .toInt();
    }

    static TIntPair organisation(const TIntPair& gep)
    {
        return TIntPair{TTempSuite::Wert(QStringLiteral("SELECT orge_rnr FROM geschaeftspartner WHERE rnr = ? AND lnr = ?"),
                                         {gep.RNr, gep.LNr})
                            .toInt(),
                        TTempSuite::Wert(QStringLiteral("SELECT orge_lnr FROM geschaeftspartner WHERE rnr = ? AND lnr = ?"),
                                         {gep.RNr, gep.LNr})
                            .toInt()};
    }

    void mitText(TfrmMahnungSchreiben* e, const QString& text)
    {
        e->redtKopfText->setPlainText(text);
        emit e->redtKopfText->Exit(e->redtKopfText);
    }
};

TEST_F(BuchenEditor, ItemsAreGroupedPerPartnerInListOrder)
{
    auto e = oeffnen({"A1", "A2", "B1"});
    // Sorted by invoice date the list reads A2, B1, A1: partners A, B, A.
    e->vtGewaehltePosten->sortByColumn(e->ColDatum(), Qt::AscendingOrder);
    ASSERT_EQ(reihenfolge(e.get()), (QStringList{"A2", "B1", "A1"}));
    mitText(e.get(), QStringLiteral("Bitte zahlen Sie bis #Heute."));
    verlassen(e->edtMahnungsdatum, QStringLiteral("07.12.2026"));
    verlassen(e->edtBeruecksichtigt, QStringLiteral("05.12.2026"));

    ASSERT_TRUE(e->MahnungsStruktur_fuellen());
    const TQEL_Mahnung_Beleg_Array& m = e->Mahnungen();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_TRUE(IntPairEqual(m[0].GepNr, alpha));
    EXPECT_TRUE(IntPairEqual(m[1].GepNr, beta));
    EXPECT_EQ(belege(m[0]), (QStringList{"A2", "A1"}));
    EXPECT_EQ(belege(m[1]), QStringList{"B1"});
    for (const TQEL_Mahnung_Beleg& b : m) {
        EXPECT_TRUE(IntPairEqual(b.Mandant, mandant.Id));
        EXPECT_DOUBLE_EQ(b.Mahnungsdatum, kHeute - 1);
        EXPECT_DOUBLE_EQ(b.Beruecksichtigt, kHeute - 3);
        EXPECT_EQ(b.MahnungsText, QStringLiteral("Bitte zahlen Sie bis #Heute."));
        EXPECT_EQ(b.LfdNr, 0);
    }
    EXPECT_TRUE(IntPairEqual(m[0].OrgeNr, organisation(alpha)));
    EXPECT_TRUE(IntPairEqual(m[1].OrgeNr, organisation(beta)));
    // Each position carries its own new level and the item's key.
    const TQEL_Mahnung_Belegpositionen& a2 = m[0].Positionen[0];
    EXPECT_EQ(a2.Mahnstufe, 3);
    EXPECT_EQ(m[0].Positionen[1].Mahnstufe, 1);
    EXPECT_EQ(m[1].Positionen[0].Mahnstufe, 2);
    EXPECT_DOUBLE_EQ(a2.Saldo, 250.5);
    EXPECT_DOUBLE_EQ(a2.Mahngebuehren, 2.5);
    EXPECT_DOUBLE_EQ(a2.Belegdatum, kHeute - 100);
    EXPECT_DOUBLE_EQ(a2.ZahlbarBis, kHeute - 1 + 5);
    EXPECT_EQ(a2.RNr, 1);
    EXPECT_EQ(a2.LfdNr, 1);
    EXPECT_EQ(a2.TransNr, TTempSuite::Wert(QStringLiteral("SELECT trans_nr FROM offener_posten WHERE belegnummer = 'A2'")).toInt());
}

TEST_F(BuchenEditor, ViewingModeBuildsOneDocumentWithTheViewedNumber)
{
    uebergeben({"A1", "B1"});
    TVRList* l = mainu->Uebergabeliste();
    auto e = std::make_unique<TfrmMahnungSchreiben>();
    e->Modus_Set(CQEL_Mahnung_Lesen);
    e->SetGewaehltePosten(l);
    e->SetSelectedMandant(mandant.Id);
    e->SetSelectedGepNr(alpha);
    e->SetSelectedOrgeNr(TIntPair{1, 77});
    e->SetMahnungsdatum(kHeute - 2);
    e->SetBeruecksichtigt(kHeute - 3);
    e->SetLfdNr(12);
    e->SetWirtschaftsJahr(2026);
    e->SetRNr(4);
    e->SetColBelegNr(mainu->ColBelegnr());
    e->SetColDatum(mainu->ColDatum());
    e->SetColZahlbarbis(mainu->ColZahlungsziel());
    e->SetColSaldo(mainu->ColSaldo());
    e->SetColMahnstufe(mainu->ColMahnstufe());
    e->SetColMahngebuehren(mainu->ColMahngebuehren());
    e->SetColVerzugszins(mainu->ColVerzugszinsen());
    e->show();
    ASSERT_TRUE(e->MahnungsStruktur_fuellen());
    const TQEL_Mahnung_Beleg_Array& m = e->Mahnungen();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_TRUE(IntPairEqual(m[0].GepNr, alpha));
    EXPECT_TRUE(IntPairEqual(m[0].OrgeNr, (TIntPair{1, 77})));
    EXPECT_EQ(m[0].LfdNr, 12);
    EXPECT_EQ(m[0].WirtschaftsJahr, 2026);
    EXPECT_EQ(m[0].RNr, 4);
    EXPECT_DOUBLE_EQ(m[0].Mahnungsdatum, kHeute - 2);
    ASSERT_EQ(belege(m[0]), (QStringList{"A1", "B1"}));
    EXPECT_EQ(m[0].Positionen[0].Mahnstufe, 0);
    EXPECT_EQ(m[0].Positionen[1].Mahnstufe, 1);
    EXPECT_EQ(m[0].Positionen[1].RNr, 0);
    EXPECT_EQ(m[0].Positionen[1].TransNr, 0);
}

TEST_F(BuchenEditor, EmptyTextAsksAndNoBooksNothing)
{
    auto e = oeffnen({"A1"});
    e->btnUebernehmen->click();
    EXPECT_EQ(umg.Recorder->Texte(), QStringList{QStringLiteral("Es wurde kein Text geschrieben. Trotzdem buchen?")});
    EXPECT_EQ(umg.Recorder->Meldungen[0].Nr, 981);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 0);
    EXPECT_FALSE(e->Gebucht());
    EXPECT_TRUE(e->Mahnungen().empty());
    EXPECT_TRUE(e->btnUebernehmen->isEnabled());
    EXPECT_EQ(stufe(QStringLiteral("A1")), 0);
}

TEST_F(BuchenEditor, UnreadableDunningDateFailsWithTwoMessages)
{
    auto e = oeffnen({"A1"});
    mitText(e.get(), QStringLiteral("Text"));
    e->edtMahnungsdatum->setText(QStringLiteral("31.13.2026"));  // typed, F5 pressed without leaving the edit
    e->actBuchenExecute();
    EXPECT_EQ(umg.Recorder->Texte(), (QStringList{QStringLiteral("Fehler beim Lesen des Mahnungsdatums."),
                                                  QStringLiteral("Buchen fehlgeschlagen!")}));
    EXPECT_EQ(umg.Recorder->Meldungen[1].Nr, 991);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 0);
    EXPECT_FALSE(e->Gebucht());

    umg.Recorder->Leeren();
    e->edtMahnungsdatum->setText(QStringLiteral("08.12.2026"));
    e->edtBeruecksichtigt->setText(QString());
    e->actBuchenExecute();
    EXPECT_EQ(umg.Recorder->Texte(), (QStringList{QStringLiteral("Fehler beim Lesen des Berücksichtigungs-Datums."),
                                                  QStringLiteral("Buchen fehlgeschlagen!")}));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 0);
}

TEST_F(BuchenEditor, BookingTwoPartnersStoresNumbersAndEntersTheBookedState)
{
    auto e = oeffnen({"A1", "A2", "B1"});
    mitText(e.get(), QStringLiteral("Stand #Heute"));
    waehlen(e.get(), "B1");
    verlassen(e->edtZinssatz, QStringLiteral("3,00"));
    umg.Recorder->Antworten = {mrNo};  // no print
    e->btnUebernehmen->click();
    ASSERT_TRUE(e->Gebucht()) << umg.Recorder->Texte().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(umg.Recorder->Texte(),
              QStringList{QStringLiteral("Die Mahnungen wurden gebucht.\r\nSollen sie auch gedruckt werden?")});
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 2);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_position")), 3);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT mahnungstext FROM mahnung WHERE gep_rnr = ? AND gep_lnr = ?"),
                               {beta.RNr, beta.LNr})
                  .toString(),
              QStringLiteral("Stand #Berücksichtigt"));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_position"),
                                 QStringLiteral("belegnummer = 'B1' AND mahnstufe = 2 AND verzugszins_cent = 300")),
              1);
    EXPECT_EQ(stufe(QStringLiteral("A1")), 1);
    EXPECT_EQ(stufe(QStringLiteral("A2")), 3);
    EXPECT_EQ(stufe(QStringLiteral("B1")), 2);

    // Booked state: only print and close are left; the booked values cannot change any more.
    EXPECT_TRUE(e->btnUebernehmen->isHidden());
    EXPECT_FALSE(e->btnUebernehmen->isEnabled());
    EXPECT_FALSE(e->btnDrucken->isHidden());
    EXPECT_TRUE(e->btnDrucken->isEnabled());
    EXPECT_FALSE(e->edtMahngebueren->isEnabled());
    EXPECT_FALSE(e->edtMahnungsdatum->isEnabled());
    const QVariantList erste = gespeicherteNummer(alpha);
    EXPECT_EQ(e->LfdNr(), erste[0].toInt());
    EXPECT_EQ(e->WirtschaftsJahr(), 2026);
    EXPECT_EQ(e->RNr(), erste[2].toInt());

    // A later print rebuilds the documents: each keeps its own booked number.
    ASSERT_TRUE(e->MahnungsStruktur_fuellen());
    const TQEL_Mahnung_Beleg_Array& m = e->Mahnungen();
    ASSERT_EQ(m.size(), 2u);
    const QVariantList zweite = gespeicherteNummer(beta);
    EXPECT_NE(erste[0].toInt(), zweite[0].toInt());
    EXPECT_EQ(m[0].LfdNr, erste[0].toInt());
    EXPECT_EQ(m[1].LfdNr, zweite[0].toInt());
    EXPECT_EQ(m[1].WirtschaftsJahr, zweite[1].toInt());
    EXPECT_EQ(m[1].RNr, zweite[2].toInt());
    EXPECT_EQ(m[1].Positionen[0].Mahnstufe, 2);

    // Esc now reports the booking to the caller.
    QTest::keyClick(e.get(), Qt::Key_Escape);
    EXPECT_EQ(e->result(), mrOk);
}

TEST_F(BuchenEditor, RefusedBookingLeavesTheEditorReadyForAnotherAttempt)
{
    auto e = oeffnen({"A1", "B1"});
    mitText(e.get(), QStringLiteral("Text"));
    // Dunned at another workstation since the list was loaded.
    TSqlAbfrage(QStringLiteral("UPDATE offener_posten SET mahnstufe = 2 WHERE belegnummer = 'B1'")).Exec();
    e->btnUebernehmen->click();
    ASSERT_EQ(umg.Recorder->Meldungen.size(), 1u);
    EXPECT_TRUE(umg.Recorder->Texte()[0].contains(QStringLiteral("B1")));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 0);
    EXPECT_EQ(stufe(QStringLiteral("A1")), 0);
    EXPECT_FALSE(e->Gebucht());
    EXPECT_TRUE(e->btnUebernehmen->isEnabled());
    EXPECT_TRUE(e->btnDrucken->isHidden());
    EXPECT_TRUE(e->edtMahngebueren->isEnabled());
    // The letter text is not booked: Esc asks before it is thrown away.
    umg.Recorder->Antworten = {mrYes};
    QTest::keyClick(e.get(), Qt::Key_Escape);
    EXPECT_EQ(umg.Recorder->Meldungen.back().Art, CMeldung_Frage);
    EXPECT_EQ(e->result(), mrCancel);
}

TEST_F(BuchenEditor, BookingFromTheOpenItemsWindowReloadsItAfterOk)
{
    uebergeben({"A1", "B1"});
    umg.BeiModal<TfrmMahnungSchreiben>([&](TfrmMahnungSchreiben* e) {
        mitText(e, QStringLiteral("Erste Erinnerung"));
        umg.Recorder->Antworten = {mrNo};
        e->btnUebernehmen->click();
        EXPECT_TRUE(e->Gebucht());
        QTest::keyClick(e, Qt::Key_Escape);
        return e->result();
    });
    mainu->btnUebernehmen->click();
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 2);
    // The open-items window reloaded: no check marks, the new levels are listed.
    EXPECT_EQ(mainu->vtOffenePosten->GetFirstChecked(), nullptr);
    TVTVRList* vt = mainu->vtOffenePosten;
    IQEL_ZahlungEditServer* s = mainu->ZahlungEditServer();
    int gefunden = 0;
    for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n)) {
        if (vt->GetCellValueAsString(n, s->Spalte_Belegnummer()) != QStringLiteral("B1"))
            continue;
        ++gefunden;
        EXPECT_EQ(vt->GetCellValueAsInteger(n, s->Spalte_Mahnstufe()), 2);
    }
    EXPECT_EQ(gefunden, 1);
}

}  // namespace
}  // namespace editortest
