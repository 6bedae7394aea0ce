// How the windows fit the clerk's machine: widths for the actual font, remembered arrangements, German
// Qt dialogs and error boxes without internal places.
#include "editor_testbasis.h"
#include "suite/ui/forms.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>

namespace editortest {
namespace {

class Oberflaeche : public EditorTest {
protected:
    static int belegSpalte(Tfrmmainu* f) { return f->ZahlungEditServer()->Spalte_Belegnummer(); }
};

TEST_F(Oberflaeche, GivenWidthsGrowWithTheFontSoDatesAndTitlesAreNotCut)
{
    for (int punkte : {8, 14}) {
        auto f = offenePosten();
        QFont schrift(QStringLiteral("DejaVu Sans"), punkte);
        f->vtOffenePosten->setFont(schrift);
        f->vtOffenePosten->header()->setFont(schrift);
        QCoreApplication::processEvents();
        IQEL_ZahlungEditServer* s = f->ZahlungEditServer();
        TVTVRList* vt = f->vtOffenePosten;
        const QFontMetrics fm(schrift);
        // A date in its 80-pixel column and a document number in its 105 pixels, with room to spare.
        EXPECT_GT(vt->Columns().GetItem(s->Spalte_Datum()).GetWidth(), fm.horizontalAdvance(QStringLiteral("08.12.2026")))
            << punkte;
        EXPECT_GT(vt->Columns().GetItem(belegSpalte(f.get())).GetWidth(),
                  fm.horizontalAdvance(QStringLiteral("RE-2026-00123")))
            << punkte;
        // Every visible header title fits its column; the header is as high as its text.
        for (int c = 0; c < vt->header()->count(); ++c)
            if (!vt->header()->isSectionHidden(c))
                EXPECT_GE(vt->header()->sectionSize(c), vt->header()->sectionSizeHint(c)) << punkte << " " << c;
        EXPECT_GE(vt->header()->height(), QFontMetrics(vt->header()->font()).height() + 4);
    }
}

TEST_F(Oberflaeche, ColumnWidthsOrderSortAndWindowSizeSurviveARestartUntilResetToDefaults)
{
    const int spalte = 0;
    int vorgabe = 0;
    {
        auto f = offenePosten();
        TVTVRList* vt = f->vtOffenePosten;
        const int beleg = belegSpalte(f.get());
        vorgabe = vt->header()->sectionSize(beleg);
        // What a drag on the header leaves behind: a wider document number, moved to the front, sorted.
        vt->header()->resizeSection(beleg, vorgabe + 60);
        vt->header()->moveSection(vt->header()->visualIndex(beleg), 0);
        vt->sortByColumn(beleg, Qt::DescendingOrder);
        umg.BeiModal([](QDialog* d) {
            d->resize(760, 580);  // within the offscreen screen of 800 x 600
            return int(mrCancel);
        });
        f->ShowModal();
    }
    // A restart: the connection closes and opens again.
    TSuiteDatenbank::Schliessen();
    TSuiteDatenbank::Oeffnen(suite.Konfiguration());
    QSize groesse;
    umg.BeiModal([&](QDialog* d) {
        groesse = d->size();
        return int(mrCancel);
    });
    auto f = offenePosten();
    TVTVRList* vt = f->vtOffenePosten;
    const int beleg = belegSpalte(f.get());
    EXPECT_EQ(vt->header()->sectionSize(beleg), vorgabe + 60);
    EXPECT_EQ(vt->header()->visualIndex(beleg), 0);
    EXPECT_EQ(vt->header()->sortIndicatorSection(), beleg);
    EXPECT_EQ(vt->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    QStringList belege;
    for (TVirtualNode* n = vt->GetFirstVisible(); n; n = vt->GetNextVisible(n))
        belege << vt->GetCellValueAsString(n, beleg);
    EXPECT_EQ(belege, (QStringList{"G1", "B1", "A2", "A1"}));
    // The program's own widths for the other columns still come from the window.
    EXPECT_EQ(vt->header()->sectionSize(spalte), vt->VorgabeBreite(spalte, 200));
    f->ShowModal();
    EXPECT_EQ(groesse, QSize(760, 580));

    // Back to the defaults: for this window now and when it opens again.
    f->StandardAnsicht();
    EXPECT_EQ(vt->header()->sectionSize(beleg), vorgabe);
    EXPECT_EQ(vt->header()->visualIndex(beleg), beleg);
    EXPECT_EQ(vt->header()->sortIndicatorSection(), -1);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("benutzer_einstellung")), 0);
    f.reset();
    auto wieder = offenePosten();
    EXPECT_EQ(wieder->vtOffenePosten->header()->sectionSize(beleg), vorgabe);
}

TEST_F(Oberflaeche, OpenItemsShowCountAndSumOfTheCheckedItemsUnderTheList)
{
    auto f = offenePosten();
    EXPECT_EQ(f->dspAuswahl->text(), QStringLiteral("0 Posten ausgewählt, Summe 0,00 EUR · 4 Posten aufgelistet"));
    f->btnAuswahlAlle->click();
    EXPECT_EQ(f->dspAuswahl->text(), QStringLiteral("4 Posten ausgewählt, Summe 1.050,50 EUR · 4 Posten aufgelistet"));
    // By keyboard: Tab reaches the list, Space takes the first item (A2, 250,50) out again.
    f->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.get()));
    f->edtAlter->setFocus();
    while (QApplication::focusWidget() != f->vtOffenePosten && QApplication::focusWidget()) {
        QWidget* vorher = QApplication::focusWidget();
        QTest::keyClick(vorher, Qt::Key_Tab);
        ASSERT_NE(QApplication::focusWidget(), f->edtAlter) << "Tab never reached the list";
    }
    QTest::keyClick(f->vtOffenePosten, Qt::Key_Home);
    QTest::keyClick(f->vtOffenePosten, Qt::Key_Space);
    EXPECT_EQ(f->dspAuswahl->text(), QStringLiteral("3 Posten ausgewählt, Summe 800,00 EUR · 4 Posten aufgelistet"));
    // A filter changes what is listed; hidden checked items still count as checked.
    f->cbxzentralregulierung->click();
    f->rgrpAuswahlArt->SetItemIndex(1);
    EXPECT_TRUE(f->dspAuswahl->text().endsWith(QStringLiteral("Posten aufgelistet")));
}

TEST_F(Oberflaeche, EscInTheEditorAsksBeforeDiscardingWhatIsNotBooked)
{
    {
        auto e = oeffnen({"A1"});
        QTest::keyClick(e.get(), Qt::Key_Escape);
        EXPECT_TRUE(umg.Recorder->Meldungen.empty());
        EXPECT_EQ(e->result(), mrCancel);
    }
    auto e = oeffnen({"A1"});
    e->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(e.get()));
    QTest::mouseClick(e->edtMahngebueren, Qt::LeftButton);
    QTest::keyClick(e->edtMahngebueren, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(e->edtMahngebueren, QStringLiteral("1,00"));
    QTest::keyClick(e->edtMahngebueren, Qt::Key_Escape);
    ASSERT_EQ(umg.Recorder->Meldungen.size(), 1u);
    EXPECT_EQ(umg.Recorder->Meldungen[0].Art, CMeldung_Frage);
    EXPECT_EQ(umg.Recorder->Meldungen[0].Nr, 981);
    EXPECT_TRUE(e->isVisible());  // No: the editor stays with the typed value
    EXPECT_EQ(e->edtMahngebueren->text(), QStringLiteral("1,00"));
    umg.Recorder->Antworten = {mrYes};
    QTest::keyClick(e->edtMahngebueren, Qt::Key_Escape);
    EXPECT_FALSE(e->isVisible());
    EXPECT_EQ(e->result(), mrCancel);
}

TEST_F(Oberflaeche, AfterBookingTheEditorSaysWhatWasBookedAndShowsTheNewLevels)
{
    auto e = oeffnen({"A1", "A2", "B1"});
    e->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(e.get()));
    umg.Recorder->Antworten = {mrYes, mrNo};  // book without a letter text; do not print
    QTest::keyClick(e.get(), Qt::Key_F5);
    ASSERT_TRUE(e->Gebucht());
    const auto nummer = [](const QString& gep) {
        const QString sql = QStringLiteral("SELECT %1 FROM mahnung m JOIN geschaeftspartner g ON g.rnr = m.gep_rnr "
                                           "AND g.lnr = m.gep_lnr WHERE g.name = ?");
        return QStringLiteral("AOP %1-%2 %3")
            .arg(TTempSuite::Wert(sql.arg(QStringLiteral("m.beleg_lfdnr")), {gep}).toInt())
            .arg(TTempSuite::Wert(sql.arg(QStringLiteral("m.wirtschaftsjahr")), {gep}).toInt())
            .arg(TTempSuite::Wert(sql.arg(QStringLiteral("m.beleg_rnr")), {gep}).toInt());
    };
    EXPECT_EQ(e->dspGebucht->text(), QStringLiteral("2 Mahnungen gebucht: %1 bis %2")
                                         .arg(nummer(QStringLiteral("Alpha GmbH")), nummer(QStringLiteral("Beta KG"))));
    EXPECT_TRUE(e->dspGebucht->isVisible());
    TVTVRList* vt = e->vtGewaehltePosten;
    EXPECT_EQ(vt->GetCellValueAsInteger(zeile(e.get(), "A1"), e->ColMahnstufe()), 1);
    EXPECT_EQ(vt->GetCellValueAsInteger(zeile(e.get(), "A2"), e->ColMahnstufe()), 3);
    EXPECT_EQ(vt->GetCellValueAsInteger(zeile(e.get(), "B1"), e->ColMahnstufe()), 2);
    // A print after the booking still uses the booked levels.
    ASSERT_TRUE(e->MahnungsStruktur_fuellen());
    EXPECT_EQ(e->Mahnungen()[0].Positionen.size() + e->Mahnungen()[1].Positionen.size(), 3u);
    for (const TQEL_Mahnung_Beleg& m : e->Mahnungen())
        for (const TQEL_Mahnung_Belegpositionen& p : m.Positionen)
            EXPECT_EQ(p.Mahnstufe, p.Belegnummer == QLatin1String("A1") ? 1 : p.Belegnummer == QLatin1String("A2") ? 3 : 2);
}

TEST(QtTexte, QtsOwnDialogsSpeakGerman)
{
    ASSERT_TRUE(qel_QtUebersetzungLaden());
    QDialogButtonBox knoepfe(QDialogButtonBox::Cancel | QDialogButtonBox::Open | QDialogButtonBox::Save);
    EXPECT_EQ(knoepfe.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Abbrechen"));
    EXPECT_EQ(knoepfe.button(QDialogButtonBox::Save)->text(), QStringLiteral("Speichern"));
}

TEST(Fehlerbox, SaysWhatFailedAndWhatToDoButNotWhere)
{
    qunsetenv("QEL_SUITE_UNBEAUFSICHTIGT");
    QString text, info;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            info = box->informativeText() + box->detailedText();
            box->accept();
        }
    });
    TMessageBoxSink().Exception(QStringLiteral("TfrmMahnungSchreiben.Drucken_Struktur"),
                                QStringLiteral("Das Drucklayout fehlt."), true);
    EXPECT_EQ(text, QStringLiteral("Das Drucklayout fehlt."));
    EXPECT_FALSE(info.contains(QStringLiteral("Drucken_Struktur")));
    EXPECT_FALSE(info.contains(QStringLiteral("Ort")));
    EXPECT_TRUE(info.contains(QStringLiteral("Fehlerprotokoll")));
}

// A partner named "<b>X</b>" or a driver text with angle brackets must not be rendered as markup.
TEST(Fehlerbox, MarkupInATextIsShownLiterally)
{
    qunsetenv("QEL_SUITE_UNBEAUFSICHTIGT");
    const QString text = QStringLiteral("Partner <b>X</b> & <i>Y</i> gesperrt.");
    std::vector<std::function<void()>> boxen{
        [&] { TMessageBoxSink().Meldung(0, text, 994, QStringLiteral("STANDARD")); },
        [&] { TMessageBoxSink().Meldung(4, text, 981, QStringLiteral("STANDARD")); },
        [&] { TMessageBoxSink().Hinweis(text, QString()); },
        [&] { TMessageBoxSink().Exception(QStringLiteral("Test"), text, true); }};
    for (const auto& zeigen : boxen) {
        Qt::TextFormat format = Qt::AutoText;
        QString gezeigt;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                format = box->textFormat();
                for (QLabel* l : box->findChildren<QLabel*>())
                    if (l->text() == text)
                        gezeigt = l->text();
                box->done(0);
            }
        });
        zeigen();
        EXPECT_EQ(format, Qt::PlainText);
        EXPECT_EQ(gezeigt, text);
    }
}

}  // namespace
}  // namespace editortest
