// Attachments of a booked dunning: the editor's button, the attachment dialog and the attachment server.
#include "mahnungschreiben.h"
#include "suite/ui/dialogs/dateianhang.h"
#include "suite/ui/programm.h"
#include "suite/core/servers/database_intern.h"
#include "suite/core/servers/dokumentserver.h"
#include "support/buchung.h"
#include "support/temp_suite.h"
#include "support/testdaten.h"
#include "support/umgebung.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const TDateTime kJetzt = 46364.4375;  // 08.12.2026 10:30

class Anhaenge : public ::testing::Test {
protected:
    Anhaenge() : umg(kJetzt)
    {
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
        const TIntPair alpha = mandant.Partner(QStringLiteral("Alpha GmbH"));
        const TTestPosten p{QStringLiteral("RE-1"), kJetzt - 40, 100.0, 0, kJetzt - 26, 0, false, QString()};
        const TIntTrio trio = mandant.Posten(alpha, p);
        TTestBuchung b(mandant.Id);
        b.Mahnung(alpha, kJetzt - 1, QStringLiteral("Text"));
        b.Posten(trio, p);
        mahnungsId = qel_TestMahnungsID(b.Buchen().front());
    }

    QString datei(const QString& name, const QByteArray& inhalt)
    {
        const QString pfad = quellen.filePath(name);
        QFile f(pfad);
        f.open(QIODevice::WriteOnly);
        f.write(inhalt);
        return pfad;
    }

    // A file of the given size without writing its bytes.
    QString grosseDatei(const QString& name, qint64 groesse)
    {
        const QString pfad = quellen.filePath(name);
        QFile f(pfad);
        f.open(QIODevice::WriteOnly);
        f.resize(groesse);
        return pfad;
    }

    std::unique_ptr<TfrmMahnungSchreiben> betrachten()
    {
        auto e = std::make_unique<TfrmMahnungSchreiben>();
        e->Modus_Set(CQEL_Mahnung_Lesen);
        e->SetMahnungsID(mahnungsId);
        return e;
    }

    // The next file chooser answers with these files (or, in folder mode, this folder).
    void waehlt(const QStringList& pfade)
    {
        umg.BeiModal<QFileDialog>([pfade](QFileDialog* d) {
            if (d->fileMode() == QFileDialog::Directory) {
                d->setDirectory(pfade.first());
            } else {
                d->setDirectory(QFileInfo(pfade.first()).absolutePath());
                QStringList namen;
                for (const QString& p : pfade)
                    namen << QLatin1Char('"') + QFileInfo(p).fileName() + QLatin1Char('"');
                // Typed into the name field, as a clerk would.
                auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                EXPECT_NE(name, nullptr);
                if (name)
                    name->setText(namen.join(QLatin1Char(' ')));
            }
            return int(QDialog::Accepted);
        });
    }

    static QStringList zeilen(Tfrmdateianhang* d)
    {
        QStringList z;
        for (int i = 0; i < d->lstAnhaenge->topLevelItemCount(); ++i)
            z << d->lstAnhaenge->topLevelItem(i)->text(0);
        return z;
    }

    qint64 anzahl() const { return TTempSuite::Anzahl(QStringLiteral("anhang")); }

    TTempSuite suite{false};
    TTestUmgebung umg;
    TTestMandant mandant{7, QStringLiteral("Testmandant GmbH")};
    QTemporaryDir quellen;
    TIntPair mahnungsId;
};

TEST_F(Anhaenge, ButtonOnlyInViewingModeAndAnUndefinedKeyOpensNothing)
{
    TfrmMahnungSchreiben e;
    e.Modus_Set(CQEL_Mahnungen_Schreiben);
    EXPECT_FALSE(e.btnAnhang->isVisibleTo(&e));
    EXPECT_FALSE(e.btnAnhang->isEnabled());
    e.Modus_Set(CQEL_Mahnung_Lesen);
    EXPECT_TRUE(e.btnAnhang->isVisibleTo(&e));
    EXPECT_TRUE(e.btnAnhang->isEnabled());
    e.actAnhangExecute();  // no key: no dialog (an unexpected one fails the test)
    EXPECT_TRUE(umg.ModalVerlauf.isEmpty());
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}

TEST_F(Anhaenge, AddedFilesAreStoredOnOkAndListedAgainButNotOnCancel)
{
    const QString brief = datei(QStringLiteral("Brief an Alpha.pdf"), QByteArray("%PDF-1.4 Brief\0mit Null", 22));
    const QString notiz = datei(QStringLiteral("notiz.txt"), QByteArray("Rückruf am Montag"));
    auto e = betrachten();

    umg.BeiModal<Tfrmdateianhang>([&](Tfrmdateianhang* d) {
        EXPECT_TRUE(IntPairEqual(d->Besitzer(), mahnungsId));
        EXPECT_TRUE(d->Aenderbar());
        waehlt({brief});
        d->btnHinzufuegen->click();
        EXPECT_EQ(zeilen(d), QStringList{QStringLiteral("Brief an Alpha.pdf (neu)")});
        return mrCancel;
    });
    e->btnAnhang->click();
    EXPECT_EQ(anzahl(), 0);

    umg.BeiModal<Tfrmdateianhang>([&](Tfrmdateianhang* d) {
        waehlt({brief, notiz});
        d->btnHinzufuegen->click();
        EXPECT_EQ(zeilen(d), (QStringList{QStringLiteral("Brief an Alpha.pdf (neu)"), QStringLiteral("notiz.txt (neu)")}));
        d->btnOk->click();
        return d->result();
    });
    e->btnAnhang->click();
    ASSERT_EQ(anzahl(), 2);
    const QVariantList besitzer{mahnungsId.RNr, mahnungsId.LNr, QStringLiteral("Brief an Alpha.pdf")};
    const QString wo = QStringLiteral(" FROM anhang WHERE besitzer_rnr = ? AND besitzer_lnr = ? AND dateiname = ?");
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT inhalt") + wo, besitzer).toByteArray(),
              QByteArray("%PDF-1.4 Brief\0mit Null", 22));
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT groesse") + wo, besitzer).toLongLong(), 22);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT benutzer") + wo, besitzer).toString(), QStringLiteral("tester"));
    EXPECT_DOUBLE_EQ(TTempSuite::Wert(QStringLiteral("SELECT zeit") + wo, besitzer).toDouble(), kJetzt);

    umg.BeiModal<Tfrmdateianhang>([&](Tfrmdateianhang* d) {
        EXPECT_EQ(zeilen(d), (QStringList{QStringLiteral("Brief an Alpha.pdf"), QStringLiteral("notiz.txt")}));
        EXPECT_EQ(d->lstAnhaenge->topLevelItem(1)->text(3), QStringLiteral("tester"));
        EXPECT_EQ(d->lstAnhaenge->topLevelItem(1)->text(2), QStringLiteral("08.12.2026 10:30"));
        return mrOk;  // nothing changed: nothing stored twice
    });
    e->btnAnhang->click();
    EXPECT_EQ(anzahl(), 2);
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}

TEST_F(Anhaenge, RemovingMarksStoredOnesAndDropsNewOnes)
{
    auto e = betrachten();
    umg.BeiModal<Tfrmdateianhang>([&](Tfrmdateianhang* d) {
        d->Datei_Hinzufuegen(datei(QStringLiteral("a.txt"), "A"));
        d->Datei_Hinzufuegen(datei(QStringLiteral("b.txt"), "B"));
        return mrOk;
    });
    e->btnAnhang->click();
    ASSERT_EQ(anzahl(), 2);

    umg.BeiModal<Tfrmdateianhang>([&](Tfrmdateianhang* d) {
        d->lstAnhaenge->setCurrentItem(d->lstAnhaenge->topLevelItem(0));
        d->btnEntfernen->click();
        d->Datei_Hinzufuegen(datei(QStringLiteral("c.txt"), "C"));
        d->btnEntfernen->click();  // the new one, selected after adding
        EXPECT_EQ(zeilen(d), (QStringList{QStringLiteral("a.txt (wird entfernt)"), QStringLiteral("b.txt")}));
        return mrOk;
    });
    e->btnAnhang->click();
    EXPECT_EQ(anzahl(), 1);
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT dateiname FROM anhang")).toString(), QStringLiteral("b.txt"));

    // Marking twice takes the mark back.
    umg.BeiModal<Tfrmdateianhang>([&](Tfrmdateianhang* d) {
        d->btnEntfernen->click();
        d->btnEntfernen->click();
        return mrOk;
    });
    e->btnAnhang->click();
    EXPECT_EQ(anzahl(), 1);
}

TEST_F(Anhaenge, ServerRefusesTooLargeUnreadableAndPathNamesAndStoresNothingOfTheList)
{
    IQEL_DokumentServerRef s;
    Glob_WWSServerFactoryClass().DokumentServer_Holen(s);
    const auto neu = [&](const QString& name, const QString& pfad) {
        TQEL_DocAnh d;
        d.Besitzer = mahnungsId;
        d.Dateiname = name;
        d.Quelldatei = pfad;
        return d;
    };
    const TQEL_DocAnh gut = neu(QStringLiteral("gut.txt"), datei(QStringLiteral("gut.txt"), "gut"));
    const QString zuGross = grosseDatei(QStringLiteral("gross.bin"), TDokumentServer::MaxGroesse + 1);
    for (const TQEL_DocAnh& schlecht :
         {neu(QStringLiteral("gross.bin"), zuGross), neu(QStringLiteral("fehlt.txt"), quellen.filePath("fehlt.txt")),
          neu(QStringLiteral("ordner"), quellen.path()), neu(QStringLiteral("../gut.txt"), gut.Quelldatei),
          neu(QStringLiteral("sub/gut.txt"), gut.Quelldatei), neu(QStringLiteral("..\\gut.txt"), gut.Quelldatei),
          neu(QStringLiteral(".."), gut.Quelldatei)}) {
        s->Dokumente_Uebernehmen({gut, schlecht});
        EXPECT_THROW(s->Dokumente_Speichern(), EQELError) << schlecht.Dateiname.toStdString();
        EXPECT_EQ(anzahl(), 0) << schlecht.Dateiname.toStdString();
    }
    try {
        s->Dokumente_Uebernehmen({neu(QStringLiteral("gross.bin"), zuGross)});
        s->Dokumente_Speichern();
        ADD_FAILURE() << "a file over 50 MB was stored";
    } catch (const EQELError& e) {
        EXPECT_TRUE(e.Text().contains(QStringLiteral("höchstens 50 MB"))) << e.what();
    }

    // Exactly the limit is fine.
    s->Dokumente_Uebernehmen({gut, neu(QStringLiteral("genau.bin"), grosseDatei(QStringLiteral("genau.bin"),
                                                                                 TDokumentServer::MaxGroesse))});
    EXPECT_TRUE(s->Dokumente_Speichern());
    EXPECT_EQ(anzahl(), 2);
    const TDocListe gelesen = s->Dokumente_Lesen(mahnungsId, false);
    ASSERT_EQ(gelesen.size(), 2u);
    EXPECT_EQ(gelesen[1].Groesse, TDokumentServer::MaxGroesse);
    EXPECT_TRUE(gelesen[1].Inhalt.isEmpty());
    // A second save does not store the taken list again.
    EXPECT_TRUE(s->Dokumente_Speichern());
    EXPECT_EQ(anzahl(), 2);
    Glob_WWSServerFactoryClass().DokumentServer_Freigeben(s);
}

TEST_F(Anhaenge, DialogRefusesATooLargeFileAtOnceAndTheEditorReportsAServerRefusal)
{
    auto e = betrachten();
    const QString gross = grosseDatei(QStringLiteral("gross.bin"), TDokumentServer::MaxGroesse + 1);
    umg.BeiModal<Tfrmdateianhang>([&](Tfrmdateianhang* d) {
        EXPECT_FALSE(d->Datei_Hinzufuegen(gross));
        EXPECT_TRUE(zeilen(d).isEmpty());
        EXPECT_TRUE(d->Datei_Hinzufuegen(datei(QStringLiteral("klein.txt"), "k")));
        // The file grows after it was chosen: the server refuses it when storing.
        QFile(quellen.filePath(QStringLiteral("klein.txt"))).resize(TDokumentServer::MaxGroesse + 1);
        return mrOk;
    });
    e->btnAnhang->click();
    ASSERT_EQ(umg.Recorder->Meldungen.size(), 1u);
    EXPECT_TRUE(umg.Recorder->Meldungen[0].Text.contains(QStringLiteral("50 MB")));
    ASSERT_EQ(umg.Recorder->Exceptions.size(), 1u);
    EXPECT_EQ(umg.Recorder->Exceptions[0].Kontext, QStringLiteral("TfrmMahnungSchreiben.actAnhangExecute"));
    EXPECT_EQ(anzahl(), 0);
}

TEST_F(Anhaenge, SavingACopyWritesOnlyIntoTheChosenFolder)
{
    QTemporaryDir basis;
    const QString ziel = basis.filePath(QStringLiteral("ziel"));
    QDir().mkpath(ziel);
    auto e = betrachten();
    umg.BeiModal<Tfrmdateianhang>([&](Tfrmdateianhang* d) {
        d->Datei_Hinzufuegen(datei(QStringLiteral("rechnung.pdf"), "PDF-Inhalt"));
        return mrOk;
    });
    e->btnAnhang->click();
    // A name with folder parts as it might come from elsewhere.
    TSqlAbfrage(QStringLiteral("UPDATE anhang SET dateiname = ?")).Bind(QStringLiteral("../boese.pdf")).Exec();

    umg.BeiModal<Tfrmdateianhang>([&](Tfrmdateianhang* d) {
        d->lstAnhaenge->setCurrentItem(d->lstAnhaenge->topLevelItem(0));
        waehlt({ziel});
        d->btnSpeichernUnter->click();
        return mrCancel;
    });
    e->btnAnhang->click();
    QFile kopie(QDir(ziel).filePath(QStringLiteral("boese.pdf")));
    ASSERT_TRUE(kopie.open(QIODevice::ReadOnly));
    EXPECT_EQ(kopie.readAll(), QByteArray("PDF-Inhalt"));
    EXPECT_FALSE(QFile::exists(basis.filePath(QStringLiteral("boese.pdf"))));
    EXPECT_EQ(umg.Recorder->Meldungen.back().Nr, 997);

    // An existing file is kept unless the clerk agrees.
    kopie.close();
    QFile::remove(kopie.fileName());
    QFile alt(kopie.fileName());
    alt.open(QIODevice::WriteOnly);
    alt.write("alt");
    alt.close();
    umg.Recorder->Antworten = {mrNo};
    umg.BeiModal<Tfrmdateianhang>([&](Tfrmdateianhang* d) {
        EXPECT_FALSE(d->Datei_Exportieren(0, ziel));
        return mrCancel;
    });
    e->btnAnhang->click();
    alt.open(QIODevice::ReadOnly);
    EXPECT_EQ(alt.readAll(), QByteArray("alt"));
    EXPECT_TRUE(umg.Recorder->Exceptions.empty());
}

TEST_F(Anhaenge, MergeSendsOnlyNewAndMarkedItems)
{
    const TIntPair gespeichert{1, 5};
    TDatItems items{{gespeichert, mahnungsId, QStringLiteral("alt.txt"), QString(), 3, kJetzt, QStringLiteral("x"), false},
                    {TIntPair{1, 6}, mahnungsId, QStringLiteral("weg.txt"), QString(), 3, kJetzt, QStringLiteral("x"), true},
                    {CLeeresIntPair, mahnungsId, QStringLiteral("neu.txt"), QStringLiteral("/tmp/neu.txt"), 3, kJetzt,
                     QStringLiteral("x"), false},
                    {CLeeresIntPair, mahnungsId, QStringLiteral("nie.txt"), QStringLiteral("/tmp/nie.txt"), 3, kJetzt,
                     QStringLiteral("x"), true}};
    TDocListe liste;
    MergeDatItems2DocListe(items, liste);
    MergeDatItems2DocListe(items, liste);  // merging again does not double the removal
    ASSERT_EQ(liste.size(), 2u);
    EXPECT_EQ(liste[0].Dateiname, QStringLiteral("weg.txt"));
    EXPECT_TRUE(liste[0].Entfernen);
    EXPECT_EQ(liste[1].Quelldatei, QStringLiteral("/tmp/neu.txt"));
    EXPECT_FALSE(liste[1].Entfernen);
    DocListe_Clear(liste);
    EXPECT_TRUE(liste.empty());
}

}  // namespace
