// The program without a mouse: Tab reaches every input, list and button of every window in reading
// order, and a whole dunning run goes by keys alone.
#include "druck_testbasis.h"
#include "editor_testbasis.h"
#include "hauptmnufrm.h"
#include "selektionsfrm.h"
#include "suite/reports/ausgabedialog.h"
#include "suite/reports/berichtausgabe.h"
#include "suite/core/servers/verwaltung.h"
#include "suite/reports/drucklauf.h"
#include "suite/ui/controls.h"
#include "suite/ui/dialogs/calendardialog.h"
#include "suite/ui/dialogs/dateianhang.h"
#include "suite/ui/dialogs/gpsuchdialog.h"
#include "suite/ui/dialogs/kopftextpopup.h"
#include "suite/ui/dialogs/layoutform.h"
#include "suite/ui/dialogs/mahnunghistorie.h"
#include "suite/ui/dialogs/manddialog.h"
#include "suite/ui/dialogs/verzugszinsdialog.h"
#include "suite/ui/dialogs/zeitraumwahl.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>
#include <QTextEdit>
#include <QtTest/QTest>

namespace editortest {
namespace {

QString name(const QWidget* w)
{
    const QString n = w->objectName();
    if (!n.isEmpty())
        return n;
    if (auto* b = qobject_cast<const QAbstractButton*>(w); b && !b->text().isEmpty())
        return QStringLiteral("%1 \"%2\"").arg(qel_KlassenName(w), b->text());
    if (!w->toolTip().isEmpty())
        return QStringLiteral("%1 (%2)").arg(qel_KlassenName(w), w->toolTip());
    return qel_KlassenName(w);
}

// What a clerk works with: inputs, lists and buttons that can be seen and used now. Qt's own parts of
// the calendar (month arrows, year spin box) have keys of their own and stay out; a menu's headings are
// captions.
bool bedienbar(QWidget* w, QWidget* fenster)
{
    if (!w->isVisibleTo(fenster) || !w->isEnabled() || qobject_cast<QHeaderView*>(w))
        return false;
    for (QWidget* p = w->parentWidget(); p && p != fenster; p = p->parentWidget()) {
        if (qobject_cast<QCalendarWidget*>(p) && !qobject_cast<QAbstractItemView*>(w))
            return false;
        if (qobject_cast<QAbstractSpinBox*>(p) || qobject_cast<QComboBox*>(p))
            return false;
    }
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return !(qobject_cast<TButtons*>(w->parentWidget()) && b->focusPolicy() == Qt::NoFocus);
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return !e->isReadOnly();
    return qobject_cast<QAbstractItemView*>(w) || qobject_cast<QTextEdit*>(w) || qobject_cast<QComboBox*>(w) ||
           qobject_cast<QAbstractSpinBox*>(w);
}

// Presses Tab until the focus comes round to where it began; the controls in the order reached.
QList<QWidget*> tabRunde(QWidget* fenster)
{
    fenster->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(fenster)) << qel_KlassenName(fenster).toStdString();
    if (!QApplication::focusWidget() || QApplication::focusWidget()->window() != fenster)
        QTest::keyClick(fenster, Qt::Key_Tab);
    QList<QWidget*> runde;
    for (int i = 0; i < 80; ++i) {
        QWidget* w = QApplication::focusWidget();
        if (!w || w->window() != fenster || (!runde.isEmpty() && w == runde.first()))
            break;
        runde << w;
        QTest::keyClick(w, Qt::Key_Tab);
    }
    return runde;
}

QStringList namen(const QList<QWidget*>& ws)
{
    QStringList n;
    for (QWidget* w : ws)
        n << name(w);
    return n;
}

// Every usable control is in the Tab round, and the round reads as the window does: top to bottom, and
// left to right on a line (controls side by side in columns may finish a column first).
void allesErreichbar(QWidget* fenster, const QList<QWidget*>& reihenfolge = {})
{
    QList<QWidget*> runde = tabRunde(fenster);
    // The round as it begins at the window's first control.
    if (!reihenfolge.isEmpty() && runde.contains(reihenfolge.first()))
        while (runde.first() != reihenfolge.first())
            runde.append(runde.takeFirst());
    const std::string titel = qel_KlassenName(fenster).toStdString();
    // A radio group is one stop: Tab comes to its checked button, the arrow keys move inside.
    const auto erreicht = [&](QWidget* w) {
        if (runde.contains(w))
            return true;
        auto* r = qobject_cast<QRadioButton*>(w);
        if (!r || !r->autoExclusive())
            return false;
        for (QWidget* x : runde)
            if (qobject_cast<QRadioButton*>(x) && x->parentWidget() == w->parentWidget())
                return true;
        return false;
    };
    QStringList fehlen;
    for (QWidget* w : fenster->findChildren<QWidget*>())
        if (bedienbar(w, fenster) && !erreicht(w))
            fehlen << name(w);
    EXPECT_TRUE(fehlen.isEmpty()) << titel << ": nicht erreicht: " << fehlen.join(", ").toStdString()
                                  << "\nRunde: " << namen(runde).join(" > ").toStdString();
    // The given controls come in this order.
    int zuletzt = -1;
    for (QWidget* w : reihenfolge) {
        const int i = runde.indexOf(w);
        EXPECT_GT(i, zuletzt) << titel << ": " << name(w).toStdString() << " außer der Reihe\nRunde: "
                              << namen(runde).join(" > ").toStdString();
        zuletzt = std::max(i, zuletzt);
    }
}

class Tastatur : public EditorTest {
protected:
    drucktest::TBriefMandant brief{mandant};
};

TEST_F(Tastatur, TabReachesEveryInputListAndButtonOfEveryWindowInReadingOrder)
{
    // Main menu with the client dialog; "Neu" with the period dialog.
    {
        TfrmMandantWahl d({{mandant.Id, mandant.Nr, mandant.Name, QStringLiteral("Köln")},
                           {TIntPair{9, 9}, 9, QStringLiteral("Zweite GmbH"), QStringLiteral("Bonn")}},
                          mandant.Id);
        d.show();
        allesErreichbar(&d, {d.Liste(), d.btnOk, d.btnAbbrechen});
    }
    auto menue = std::make_unique<TfrmHauptmnu>();
    menue->show();
    EXPECT_EQ(menue->focusWidget(), menue->btsMain->Button(QStringLiteral("btnNeu")));
    allesErreichbar(menue.get(), {menue->btnMandantOeffnen, menue->btnEnde, menue->btsMain->Button(QStringLiteral("btnNeu")),
                                  menue->btsMain->Button(QStringLiteral("btnLaden"))});
    {
        TfrmZeitraumWahl z;
        z.show();
        allesErreichbar(&z, {z.edtVon, z.edtBis, z.btnOk, z.btnAbbrechen});
    }

    // Open items, with the partner search, the history and a calendar.
    auto f = offenePosten();
    allesErreichbar(f.get(), {f->cbxzentralregulierung, f->rgrpAuswahlArt->Button(0), f->edtZeitraumVon, f->btnZeitraumVon, f->edtZeitraumBis,
                              f->btnZeitraumBis, f->edtAlter, f->btnGepSearch, f->vtOffenePosten, f->btnSuchen,
                              f->btnUebernehmen, f->btnAbbrechen});
    umg.BeiModal<TfrmGpSuche>([](TfrmGpSuche* d) {
        allesErreichbar(d, {d->edtName, d->btnSuchen, d->btnOk});
        return mrCancel;
    });
    f->btnGepSearch->click();
    umg.BeiModal<TfrmKalender>([](TfrmKalender* d) {
        allesErreichbar(d);
        return mrCancel;
    });
    f->btnZeitraumVon->click();
    f->vtOffenePosten->SetSelected(f->vtOffenePosten->GetFirst(), true);
    umg.BeiModal<TfrmMahnungHistorie>([](TfrmMahnungHistorie* d) {
        allesErreichbar(d);
        return mrCancel;
    });
    f->btnHistorie->click();

    // The editor, its text-block dialog, the interest help and the layout dialog.
    auto e = oeffnen({"A1", "A2"});
    allesErreichbar(e.get(), {e->vtGewaehltePosten, e->edtZahlungsziel, e->btnZahlungsziel, e->edtMahngebueren,
                              e->edtZinssatz, e->edtMahnungsdatum, e->edtBeruecksichtigt, e->vtTextbausteine, e->btnneu,
                              e->redtKopfText, e->btnUebernehmen, e->btnAbbrechen});
    umg.BeiModal<Tkopftextpopupfrm>([](Tkopftextpopupfrm* d) {
        allesErreichbar(d, {d->edtKurztext, d->redtText, d->btnOK, d->btnAbbrechen});
        return mrCancel;
    });
    e->btnneu->click();
    umg.BeiModal<TfrmVerzugszins>([](TfrmVerzugszins* d) {
        allesErreichbar(d, {d->btnOk, d->btnAbbrechen});
        return mrCancel;
    });
    e->edtZinssatz->setFocus();
    QTest::keyClick(e->edtZinssatz, Qt::Key_F2);
    umg.BeiModal<TLayoutform>([](TLayoutform* d) {
        allesErreichbar(d, {d->lvLayouts, d->btnAbbrechen});
        return mrCancel;
    });
    umg.Recorder->Antworten = {mrYes, mrYes};  // book, then print
    e->btnUebernehmen->click();
    e.reset();
    {
        Tfrmdateianhang d;
        d.SetAenderbar(true);
        d.show();
        allesErreichbar(&d, {d.lstAnhaenge, d.btnHinzufuegen, d.btnOk, d.btnAbbrechen});
    }

    // The print run's output choice and its progress.
    {
        TAusgabeDialog d(3);
        d.show();
        allesErreichbar(&d, {d.btnOK, d.btnAbbrechen});
        TLaufFortschritt p(3);
        p.show();
        allesErreichbar(&p);
    }

    // The dunning list.
    auto s = std::make_unique<TfrmSelektion>();
    s->SetSelectedMandant(mandant.Id);
    s->SetSelectedMandant_Bez(mandant.Name);
    s->show();
    allesErreichbar(s.get(), {s->btnMandantenSuche, s->edtLfdNr, s->edtWJ, s->edtRNr, s->btnBelegNummernSuche,
                              s->btnGepSuche, s->edtZeitraumVon, s->btnZeitraumVon, s->edtZeitraumBis,
                              s->btnZeitraumBis, s->vtMahnungen, s->btnAnzeigen, s->btnSuchen, s->btnClose});
}

// Keys as the clerk presses them: into whatever has the focus in the window that is active.
void taste(QWidget* fenster, int key, Qt::KeyboardModifiers mod = Qt::NoModifier)
{
    if (QApplication::activeWindow() != fenster) {
        fenster->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(fenster)) << qel_KlassenName(fenster).toStdString();
    }
    QWidget* ziel = QApplication::focusWidget() ? QApplication::focusWidget() : fenster;
    QTest::keyClick(ziel, Qt::Key(key), mod);
}

void tippe(QWidget* fenster, const QString& text)
{
    for (const QChar c : text)
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : fenster, c.toLatin1());
}

// The whole run without a mouse: "Neu", period, checking items, the editor with a typed fee, booking
// and printing, then the dunning list, viewing the dunning and printing it again.
TEST_F(Tastatur, AWholeDunningRunGoesByKeysAlone)
{
    Verwaltung_LayoutRegistrieren(QStringLiteral("KMAHN"), QStringLiteral("Mahnung Standard"), QStringLiteral("mahnung.html"),
                                  drucktest::layoutEinstellungen(QStringLiteral("N"), QStringLiteral("")), true, 1);
    TSuiteKonfiguration k = QELProgramm().Konfiguration();
    k.Rechner = drucktest::kRechnerZentrale;
    QELProgramm().SetKonfiguration(k);
    drucktest::TPdfAusgabe pdf;
    TfrmHauptmnu menue;
    menue.show();
    const auto layoutMitEnter = [this] {
        umg.BeiModal<TLayoutform>([](TLayoutform* l) {
            taste(l, Qt::Key_Return);
            return l->result();
        });
    };

    umg.BeiModal<TfrmZeitraumWahl>([](TfrmZeitraumWahl* z) {
        taste(z, Qt::Key_Return);
        return z->result();
    });
    umg.BeiModal<Tfrmmainu>([&](Tfrmmainu* f) {
        // The list has the focus: the first two items (Alpha's) are checked with Space.
        EXPECT_EQ(f->focusWidget(), f->vtOffenePosten);
        taste(f, Qt::Key_Home);
        taste(f, Qt::Key_Space);
        taste(f, Qt::Key_Down);
        taste(f, Qt::Key_Space);
        EXPECT_TRUE(f->dspAuswahl->text().startsWith(QStringLiteral("2 Posten ausgewählt")));
        umg.BeiModal<TfrmMahnungSchreiben>([&](TfrmMahnungSchreiben* e) {
            // Tab from the list to the fee (past the payment term and its calendar), typed and booked at once.
            EXPECT_EQ(e->focusWidget(), e->vtGewaehltePosten);
            for (int i = 0; i < 3; ++i)
                taste(e, Qt::Key_Tab);
            EXPECT_EQ(QApplication::focusWidget(), e->edtMahngebueren);
            taste(e, Qt::Key_A, Qt::ControlModifier);
            tippe(e, QStringLiteral("1,00"));
            umg.Recorder->Antworten = {mrYes, mrYes};  // book without a letter text, then print
            layoutMitEnter();
            taste(e, Qt::Key_F5);
            EXPECT_TRUE(e->Gebucht());
            taste(e, Qt::Key_Escape);
            return e->result();
        });
        taste(f, Qt::Key_F5);
        taste(f, Qt::Key_Escape);
        return f->result();
    });
    ASSERT_EQ(menue.focusWidget(), menue.btsMain->Button(QStringLiteral("btnNeu")));
    taste(&menue, Qt::Key_Return);
    ASSERT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung")), 1);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_position"), QStringLiteral("mahngebuehren_cent = 100")), 1);
    ASSERT_EQ(pdf.Dateien().size(), 1) << umg.Recorder->Texte().join(" | ").toStdString()
                                         << (umg.Recorder->Exceptions.empty() ? "" : umg.Recorder->Exceptions.front().Text.toStdString());

    // "Laden": F4 fills the list, Enter shows the dunning, F10 prints it again: a copy.
    umg.BeiModal<TfrmSelektion>([&](TfrmSelektion* s) {
        taste(s, Qt::Key_F4);
        EXPECT_EQ(QApplication::focusWidget(), s->vtMahnungen);
        taste(s, Qt::Key_Home);
        umg.BeiModal<TfrmMahnungSchreiben>([&](TfrmMahnungSchreiben* e) {
            EXPECT_EQ(e->Modus(), CQEL_Mahnung_Lesen);
            layoutMitEnter();
            taste(e, Qt::Key_F10);
            taste(e, Qt::Key_Escape);
            return e->result();
        });
        taste(s, Qt::Key_Return);
        taste(s, Qt::Key_Escape);
        return s->result();
    });
    taste(&menue, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), menue.btsMain->Button(QStringLiteral("btnLaden")));
    taste(&menue, Qt::Key_Return);
    ASSERT_EQ(TBerichtAusgabe::Ausgaben().size(), 2);
    EXPECT_FALSE(TBerichtAusgabe::Ausgaben()[0].Kopie);
    EXPECT_TRUE(TBerichtAusgabe::Ausgaben()[1].Kopie);
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}

}  // namespace
}  // namespace editortest
