// How the windows fit the clerk's machine: widths for the actual font, remembered arrangements, German
// Qt dialogs and error boxes without internal places.
#include "editor_testbasis.h"
#include "suite/ui/forms.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

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

}  // namespace
}  // namespace editortest
