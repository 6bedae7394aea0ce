// Start-up and main menu, driven through the real window on a temporary suite database.
#include "hauptmnufrm.h"
#include "mainu.h"
#include "suite/ui/dialogs/manddialog.h"
#include "suite/ui/dialogs/zeitraumwahl.h"
#include "suite/ui/programm.h"
#include "support/temp_suite.h"
#include "support/umgebung.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class Hauptmenue : public ::testing::Test {
protected:
    void SetUp() override { QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true); }

    // Starts the main menu and answers the client dialog with the client in row `zeile`.
    std::unique_ptr<TfrmHauptmnu> starten(int zeile, QString* name = nullptr)
    {
        umg.BeiModal<TfrmMandantWahl>([zeile, name](TfrmMandantWahl* f) {
            f->Waehlen(zeile);
            if (name)
                *name = f->Liste()->topLevelItem(zeile)->text(1);
            return mrOk;
        });
        auto m = std::make_unique<TfrmHauptmnu>();
        m->show();
        return m;
    }

    TTempSuite suite{true};
    TTestUmgebung umg;
};

TEST_F(Hauptmenue, StartShowsChosenClientInRedAndMakesItCurrent)
{
    QString name;
    auto m = starten(1, &name);
    EXPECT_FALSE(QELProgramm().TerminateRequested());
    EXPECT_FALSE(name.isEmpty());
    EXPECT_EQ(m->dspMandant->text(), name);
    EXPECT_EQ(m->SelectedMandant_Bez(), name);
    EXPECT_TRUE(IntPairEqual(QELProgramm().AktMandant(), m->SelectedMandant()));
    EXPECT_TRUE(m->dspMandant->styleSheet().contains(QStringLiteral("184, 16, 32")));
    EXPECT_EQ(m->windowTitle(), QStringLiteral("Mahnwesen - Hauptmenü"));
    EXPECT_EQ(m->size(), QSize(400, 170));
    ASSERT_NE(m->btsMain->Button(QStringLiteral("btnVerwaltungHead")), nullptr);
    EXPECT_EQ(m->btsMain->Button(QStringLiteral("btnVerwaltungHead"))->text(),
              QStringLiteral("Zahlungserinnerung / Mahnung"));
    EXPECT_EQ(m->btsMain->Button(QStringLiteral("btnNeu"))->text(), QStringLiteral("Neu"));
    EXPECT_EQ(m->btsMain->Button(QStringLiteral("btnLaden"))->text(), QStringLiteral("Laden"));
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}

TEST_F(Hauptmenue, CancellingTheClientDialogEndsTheProgramAtStartAndFromTheButton)
{
    umg.BeiModal<TfrmMandantWahl>([](TfrmMandantWahl*) { return mrCancel; });
    {
        TfrmHauptmnu m;
        m.show();
        EXPECT_TRUE(QELProgramm().TerminateRequested());
    }
    QELProgramm().ResetTerminate();

    auto m = starten(0);
    ASSERT_FALSE(QELProgramm().TerminateRequested());
    umg.BeiModal<TfrmMandantWahl>([](TfrmMandantWahl*) { return mrCancel; });
    m->btnMandantOeffnen->click();
    EXPECT_TRUE(QELProgramm().TerminateRequested());
}

TEST_F(Hauptmenue, AnotherClientFromTheButtonIsPassedToTheOpenItemsWindow)
{
    auto m = starten(0);
    QString zweiter;
    umg.BeiModal<TfrmMandantWahl>([&](TfrmMandantWahl* f) {
        f->Waehlen(2);
        zweiter = f->Liste()->topLevelItem(2)->text(1);
        return mrOk;
    });
    m->btnMandantOeffnen->click();
    EXPECT_EQ(m->dspMandant->text(), zweiter);

    umg.BeiModal<TfrmZeitraumWahl>([](TfrmZeitraumWahl* z) {
        z->btnOk->click();
        return z->result();
    });
    QString uebergeben;
    umg.BeiModal<Tfrmmainu>([&](Tfrmmainu* f) {
        uebergeben = f->SelectedMandant_Bez();
        EXPECT_TRUE(IntPairEqual(f->SelectedMandant(), m->SelectedMandant()));
        EXPECT_DOUBLE_EQ(f->SelectedPeriodeVon(), CDatum_01_01_2005);
        return mrCancel;
    });
    m->NeueMahnung();
    EXPECT_EQ(uebergeben, zweiter);
}

TEST_F(Hauptmenue, NewRefusesAToDateAfterNowAndAcceptsToday)
{
    auto m = starten(0);
    const QString hinweis = QStringLiteral("|Die Rechnung muss bereits gestellt sein. (Bis-Datum vor Heute)");

    // The dialog opens preset with 01.01.2005 and now; tomorrow is refused.
    umg.BeiModal<TfrmZeitraumWahl>([](TfrmZeitraumWahl* z) {
        EXPECT_EQ(z->edtVon->text(), QStringLiteral("01.01.2005"));
        EXPECT_EQ(z->edtBis->text(), DateToStr(qel_Now()));
        z->edtBis->setText(DateToStr(qel_Now() + 1));
        z->btnOk->click();
        return z->result();
    });
    m->NeueMahnung();
    EXPECT_EQ(umg.Recorder->Hinweise, QStringList{hinweis});
    EXPECT_EQ(umg.ModalVerlauf.size(), 2);

    // Today at midnight passes and opens the open-items window.
    umg.BeiModal<TfrmZeitraumWahl>([](TfrmZeitraumWahl* z) {
        z->edtBis->setText(DateToStr(qel_Now()));
        z->btnOk->click();
        return z->result();
    });
    umg.BeiModal<Tfrmmainu>([](Tfrmmainu* f) {
        EXPECT_DOUBLE_EQ(qel_DateOf(f->SelectedPeriodeBis()), qel_DateOf(qel_Now()));
        EXPECT_LE(f->SelectedPeriodeBis(), qel_Now());
        return mrCancel;
    });
    m->NeueMahnung();
    EXPECT_EQ(umg.Recorder->Hinweise.size(), 1);

    // Cancelling the period dialog does nothing further.
    umg.BeiModal<TfrmZeitraumWahl>([](TfrmZeitraumWahl*) { return mrCancel; });
    m->NeueMahnung();
    EXPECT_EQ(umg.ModalVerlauf.last(), QStringLiteral("TfrmZeitraumWahl"));
}

TEST_F(Hauptmenue, UnreadableDateInThePeriodDialogKeepsItOpen)
{
    auto m = starten(0);
    umg.BeiModal<TfrmZeitraumWahl>([](TfrmZeitraumWahl* z) {
        z->edtBis->setText(QStringLiteral("31.02.2024"));
        z->btnOk->click();
        EXPECT_TRUE(z->isVisible());
        return mrCancel;
    });
    m->NeueMahnung();
    EXPECT_TRUE(umg.Recorder->Enthaelt(QStringLiteral("Bitte ein gültiges Bis-Datum eingeben.")));
}

TEST_F(Hauptmenue, HeadItemDoesNothingAndEscEnds)
{
    auto m = starten(0);
    const int vorher = umg.ModalVerlauf.size();
    m->btsMain->Button(QStringLiteral("btnVerwaltungHead"))->click();
    EXPECT_EQ(umg.ModalVerlauf.size(), vorher);
    EXPECT_TRUE(umg.Recorder->Meldungen.empty());
    EXPECT_FALSE(QELProgramm().TerminateRequested());
    QTest::keyClick(m.get(), Qt::Key_Escape);
    EXPECT_TRUE(QELProgramm().TerminateRequested());
    QELProgramm().ResetTerminate();
    m->btnEnde->click();
    EXPECT_TRUE(QELProgramm().TerminateRequested());
}

TEST_F(Hauptmenue, BranchComputerRestrictsTheDunningListOthersDoNot)
{
    auto ohne = starten(0);
    EXPECT_EQ(ohne->SelectedRechner(), 0);

    TSuiteKonfiguration k = QELProgramm().Konfiguration();
    k.Rechner = 2;  // "Filiale Nord"
    QELProgramm().SetKonfiguration(k);
    auto mit = starten(0);
    EXPECT_EQ(mit->SelectedRechner(), 2);

    // A computer missing from the computer table is reported, the restriction stays off.
    k.Rechner = 77;
    QELProgramm().SetKonfiguration(k);
    auto fremd = starten(0);
    EXPECT_EQ(fremd->SelectedRechner(), 0);
    ASSERT_FALSE(umg.Recorder->Exceptions.empty());
    EXPECT_EQ(umg.Recorder->Exceptions.back().Kontext, QStringLiteral("TfrmHauptmnu.FilialeZuAktRechner"));
}

TEST_F(Hauptmenue, DestructionEndsWithFehlerTerminate)
{
    {
        auto m = starten(0);
    }
    EXPECT_TRUE(umg.Recorder->Terminates.contains(QStringLiteral("TfrmHauptmnu.FormDestroy")));
}

TEST(Rechte, RefusedRightsShowTheServicesMessage)
{
    TTempSuite suite{true};
    TTestUmgebung umg;
    QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
    TSuiteKonfiguration k = QELProgramm().Konfiguration();
    k.Benutzer = QStringLiteral("praktikant");
    QELProgramm().SetKonfiguration(k);
    EXPECT_FALSE(UserRechtePruefen({202, 203}, QString(), TZIM_Rect_FnktType_Erw, false, 0));
    ASSERT_EQ(umg.Recorder->Meldungen.size(), 1u);
    EXPECT_TRUE(umg.Recorder->Meldungen[0].Text.contains(QStringLiteral("202, 203")));
    k.Benutzer = QStringLiteral("demo");
    QELProgramm().SetKonfiguration(k);
    EXPECT_TRUE(UserRechtePruefen({202, 203}, QString(), TZIM_Rect_FnktType_Erw, false, 0));
}

// The program itself: start-up failures end it with a message and a non-zero exit, the file untouched.
TEST(Programmstart, MissingOrForeignDatabaseEndsWithMessage)
{
    QTemporaryDir dir;
    TSuiteKonfiguration k;
    k.Datenbank = dir.filePath(QStringLiteral("fehlt.db"));
    k.Benutzer = QStringLiteral("demo");
    const QString ini = dir.filePath(QStringLiteral("suite.ini"));
    k.Speichern(ini);
    auto starte = [&]() {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QEL_SUITE_CONFIG"), ini);
        env.insert(QStringLiteral("QEL_SUITE_UNBEAUFSICHTIGT"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(MAHNWESEN_EXE), {});
        EXPECT_TRUE(p.waitForFinished(30000));
        return std::make_pair(p.exitCode(), QString::fromLocal8Bit(p.readAllStandardError()));
    };
    auto [code, text] = starte();
    EXPECT_NE(code, 0);
    EXPECT_FALSE(QFile::exists(k.Datenbank));
    EXPECT_FALSE(text.trimmed().isEmpty());

    QFile garbage(k.Datenbank);
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(4096, 'x'));
    garbage.close();
    std::tie(code, text) = starte();
    EXPECT_NE(code, 0);
    QFile nachher(k.Datenbank);
    ASSERT_TRUE(nachher.open(QIODevice::ReadOnly));
    EXPECT_EQ(nachher.readAll(), QByteArray(4096, 'x'));
}

}  // namespace
