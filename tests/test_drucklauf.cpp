// Runs of several letters from the dunning editor: one output for the run (printer, one PDF, one PDF
// per partner), the layout kept for all, progress with cancel, failing letters listed, one summary.
#include "druck_testbasis.h"
#include "editor_testbasis.h"
#include "suite/core/servers/dokumentserver.h"
#include "suite/reports/ausgabedialog.h"
#include "suite/reports/briefkopie.h"
#include "suite/reports/drucklauf.h"
#include "suite/ui/dialogs/layoutform.h"

#include <QLabel>
#include <QProcess>
#include <QSet>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>

using namespace drucktest;
using editortest::kHeute;

namespace {

class Drucklauf : public editortest::EditorTest {
protected:
    Drucklauf()
    {
        delta = mandant.Partner(QStringLiteral("../Delta/OHG"));
        mandant.Posten(delta, {QStringLiteral("D1"), kHeute - 50, 75.0, 0, kHeute - 30, 1, false, QString()});
        Verwaltung_LayoutRegistrieren(QStringLiteral("KMAHN"), QStringLiteral("Mahnung Standard"), QStringLiteral("mahnung.html"),
                                      layoutEinstellungen(QStringLiteral("N"), QStringLiteral("LOGO-EIGEN")), true, 1);
        Verwaltung_LayoutRegistrieren(QStringLiteral("KMAHN"), QStringLiteral("Ohne Datei"), QStringLiteral("fehlt.html"),
                                      layoutEinstellungen(QStringLiteral("N"), QString()), false, 1);
        TSuiteKonfiguration k = QELProgramm().Konfiguration();
        k.Rechner = kRechnerZentrale;
        QELProgramm().SetKonfiguration(k);
    }
    ~Drucklauf() override { TLaufFortschritt::SetBeobachter({}); }

    // Books one dunning per partner; printing is declined at booking.
    std::unique_ptr<TfrmMahnungSchreiben> gebucht()
    {
        auto e = oeffnen({QStringLiteral("A1"), QStringLiteral("B1"), QStringLiteral("D1")});
        e->redtKopfText->setPlainText(QStringLiteral("Sehr geehrte Damen und Herren,\nbitte zahlen Sie."));
        emit e->redtKopfText->Exit(e->redtKopfText);
        umg.Recorder->Antworten = {mrNo};
        e->actBuchenExecute();
        EXPECT_TRUE(e->Gebucht());
        EXPECT_EQ(e->Mahnungen().size(), 3u);
        umg.Recorder->Leeren();
        return e;
    }

    // The clerk picks the output in the run's dialog, as a clerk does: a radio button, the path, OK.
    void ausgabe(TLaufZiel ziel, const QString& pfad = QString())
    {
        umg.BeiModal<TAusgabeDialog>([ziel, pfad](TAusgabeDialog* d) {
            d->rgrpZiel->Button(int(ziel))->click();
            if (!pfad.isEmpty())
                d->edtPfad->setText(pfad);
            d->btnOK->click();
            return d->ModalResult();
        });
    }

    void layout(const QString& name = QString(), bool fuerAlle = false, int antwort = mrOk)
    {
        umg.BeiModal<TLayoutform>([name, fuerAlle, antwort](TLayoutform* f) {
            EXPECT_TRUE(f->cbxFuerAlle->isVisible());
            if (!name.isEmpty()) {
                EXPECT_TRUE(f->LayoutWaehlen(name));
            }
            if (fuerAlle)
                f->cbxFuerAlle->click();
            return antwort;
        });
    }

    void drucken(TfrmMahnungSchreiben* e)
    {
        umg.Recorder->Antworten = {mrYes};  // several partners: print anyway
        e->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(e));
        QTest::keyClick(e, Qt::Key_F10);
        EXPECT_TRUE(QTest::qWaitFor([&] { return umg.OffeneSchritte() == 0 && !umg.Recorder->Meldungen.empty()
                                                 && umg.Recorder->Meldungen.back().Art == CMeldung_Hinweis; },
                                    20000));
    }

    QString zusammenfassung() const
    {
        return umg.Recorder->Meldungen.empty() ? QString() : umg.Recorder->Meldungen.back().Text;
    }

    static qint64 offeneAuftraege() { return TTempSuite::Anzahl(QStringLiteral("druckauftrag"), QStringLiteral("beendet = 0")); }

    bool archiviert(const TQEL_Mahnung_Beleg& b)
    {
        QByteArray pdf;
        return TDokumentServer().Brief_Lesen(TQEL_Mahnungsnummer{b.Mandant, b.WirtschaftsJahr, b.RNr, b.LfdNr}, pdf);
    }

    TBriefMandant brief{mandant};
    TPdfAusgabe pdf;
    TIntPair delta;
};

TEST_F(Drucklauf, ABatchOfThreeWithTheSecondFailingListsItAndGoesOnIntoOnePdf)
{
    auto e = gebucht();
    const QString datei = pdf.ordner.filePath(QStringLiteral("lauf.pdf"));
    ausgabe(TLaufZiel::EinePdf, datei);
    layout();
    layout(QStringLiteral("Ohne Datei"));
    layout();
    drucken(e.get());
    EXPECT_EQ(umg.OffeneSchritte(), 0);

    const auto m = e->Mahnungen();
    const QString zweiter = Formatiere_Belegnummer_String(QStringLiteral("AOP"), m[1].LfdNr, m[1].WirtschaftsJahr, m[1].RNr);
    const QString text = zusammenfassung();
    EXPECT_TRUE(text.startsWith(QStringLiteral("2 von 3 Mahnungen wurden ausgegeben."))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Nicht ausgegeben:\r\n") + zweiter)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("fehlt.html")));
    EXPECT_EQ(umg.Recorder->Meldungen.back().Nr, 991);
    // Letters one and three, each beginning on a page of its own; the failed one is not in the file.
    const QString inhalt = pdfText(datei);
    for (size_t i : {size_t(0), size_t(2)}) {
        const QString n = Formatiere_Belegnummer_String(QStringLiteral("AOP"), m[i].LfdNr, m[i].WirtschaftsJahr, m[i].RNr);
        EXPECT_TRUE(inhalt.contains(n)) << n.toStdString();
        EXPECT_TRUE(archiviert(m[i]));
    }
    EXPECT_FALSE(inhalt.contains(zweiter));
    EXPECT_FALSE(archiviert(m[1]));
    EXPECT_EQ(inhalt.count(QLatin1Char('\f')), pdfSeiten(datei));
    EXPECT_EQ(offeneAuftraege(), 0);
    EXPECT_TRUE(umg.Recorder->Exceptions.empty()) << umg.Recorder->Exceptions.front().Text.toStdString();
}

// Fonts of a PDF as pdffonts lists them: name, type, embedded.
QStringList pdfSchriften(const QString& datei)
{
    QProcess p;
    p.start(QStringLiteral("pdffonts"), {datei});
    p.waitForFinished(30000);
    QStringList zeilen = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList namen;
    for (const QString& z : zeilen.mid(2))
        namen << z.section(QLatin1Char(' '), 0, 0);
    return namen;
}

TEST_F(Drucklauf, ARunPutsCopiesAndOriginalsInOrderEachLetterOnItsOwnSheetsAndEmbedsEachFontOnce)
{
    auto e = gebucht();
    const auto m = e->Mahnungen();
    const auto nummer = [&](size_t i) {
        return Formatiere_Belegnummer_String(QStringLiteral("AOP"), m[i].LfdNr, m[i].WirtschaftsJahr, m[i].RNr);
    };
    // The first run leaves the second letter unsent; the second run makes copies of the others.
    ausgabe(TLaufZiel::EinePdf, pdf.ordner.filePath(QStringLiteral("erster.pdf")));
    layout();
    layout(QStringLiteral("Ohne Datei"));
    layout();
    drucken(e.get());
    ASSERT_TRUE(archiviert(m[0]) && !archiviert(m[1]) && archiviert(m[2]));
    QByteArray archiv1;
    TDokumentServer().Brief_Lesen(TQEL_Mahnungsnummer{m[0].Mandant, m[0].WirtschaftsJahr, m[0].RNr, m[0].LfdNr}, archiv1);
    umg.Recorder->Leeren();

    const QString datei = pdf.ordner.filePath(QStringLiteral("zweiter.pdf"));
    ausgabe(TLaufZiel::EinePdf, datei);
    layout(QString(), true);
    drucken(e.get());
    EXPECT_TRUE(zusammenfassung().startsWith(QStringLiteral("Alle 3 Mahnungen wurden ausgegeben."))) << zusammenfassung().toStdString();
    EXPECT_TRUE(archiviert(m[1]));

    // Pages in the order of the letters: each letter's first page carries its number and the letter
    // starts there; only the copies carry the mark.
    const QStringList seiten = pdfText(datei).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(seiten.size(), pdfSeiten(datei));
    std::vector<int> anfang;
    for (size_t i = 0; i < 3; ++i) {
        int s = 0;
        while (s < int(seiten.size()) && !seiten[s].contains(nummer(i)))
            ++s;
        anfang.push_back(s);
        EXPECT_TRUE(seiten.value(s).contains(QStringLiteral("Aufstellung der offenen Rechnungen"))) << i;
    }
    EXPECT_EQ(anfang[0], 0);
    EXPECT_LT(anfang[0], anfang[1]);
    EXPECT_LT(anfang[1], anfang[2]);
    EXPECT_LT(anfang[2], int(seiten.size()));
    EXPECT_EQ(anfang[1] - anfang[0], qel_PdfSeiten(archiv1));
    for (int s = 0; s < int(seiten.size()); ++s)
        EXPECT_EQ(seiten[s].contains(QStringLiteral("Kopie")), s < anfang[1] || s >= anfang[2]) << s;

    // Letters laid out in one run share their fonts: each is embedded once in the file.
    const QStringList schriften = pdfSchriften(pdf.ordner.filePath(QStringLiteral("erster.pdf")));
    ASSERT_FALSE(schriften.isEmpty());
    EXPECT_EQ(schriften.size(), QSet<QString>(schriften.begin(), schriften.end()).size())
        << schriften.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(offeneAuftraege(), 0);
}

TEST_F(Drucklauf, ThePreviewOfARunShowsEveryLetterInOrderInOneDocument)
{
    auto e = gebucht();
    ausgabe(TLaufZiel::Vorschau);
    layout(QString(), true);
    drucken(e.get());
    const auto ausgaben = TBerichtAusgabe::Ausgaben();
    ASSERT_EQ(ausgaben.size(), 1);
    EXPECT_TRUE(ausgaben.first().Vorschau);
    const QStringList seiten = pdfText(ausgaben.first().Datei).split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(seiten.size(), pdfSeiten(ausgaben.first().Datei));
    int vorige = -1;
    for (const TQEL_Mahnung_Beleg& b : e->Mahnungen()) {
        const QString n = Formatiere_Belegnummer_String(QStringLiteral("AOP"), b.LfdNr, b.WirtschaftsJahr, b.RNr);
        int s = 0;
        while (s < int(seiten.size()) && !seiten[s].contains(n))
            ++s;
        EXPECT_GT(s, vorige) << n.toStdString();
        vorige = s;
    }
    EXPECT_LT(vorige, int(seiten.size()));
    EXPECT_EQ(offeneAuftraege(), 0);
}

TEST_F(Drucklauf, TheLayoutKeptForAllAndOnePdfPerPartnerWithSafeNames)
{
    auto e = gebucht();
    ausgabe(TLaufZiel::PdfJePartner, pdf.ordner.path());
    layout(QString(), true);  // asked once for the whole run
    drucken(e.get());
    EXPECT_EQ(umg.OffeneSchritte(), 0);
    EXPECT_TRUE(zusammenfassung().startsWith(QStringLiteral("Alle 3 Mahnungen wurden ausgegeben.")))
        << zusammenfassung().toStdString();
    QStringList dateien = QDir(pdf.ordner.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    ASSERT_EQ(dateien.size(), 3) << dateien.join(QLatin1Char(',')).toStdString();
    for (const TQEL_Mahnung_Beleg& b : e->Mahnungen()) {
        const QString n = Formatiere_Belegnummer_String(QStringLiteral("AOP"), b.LfdNr, b.WirtschaftsJahr, b.RNr);
        const QStringList passend = dateien.filter(n + QLatin1Char(' '));
        ASSERT_EQ(passend.size(), 1) << n.toStdString();
        EXPECT_TRUE(pdfText(pdf.ordner.filePath(passend.first())).contains(n));
        EXPECT_TRUE(archiviert(b));
    }
    // The partner "../Delta/OHG" stays inside the folder, under a name without folder parts.
    const QStringList deltaDatei = dateien.filter(QStringLiteral("Delta"));
    ASSERT_EQ(deltaDatei.size(), 1);
    EXPECT_FALSE(deltaDatei.first().contains(QStringLiteral("..")));
    EXPECT_FALSE(deltaDatei.first().contains(QLatin1Char('/')));
    EXPECT_EQ(offeneAuftraege(), 0);
}

TEST_F(Drucklauf, CancelAfterTheFirstLetterStopsAndSaysHowManyWereDone)
{
    auto e = gebucht();
    const QString datei = pdf.ordner.filePath(QStringLiteral("lauf.pdf"));
    ausgabe(TLaufZiel::EinePdf, datei);
    layout(QString(), true);
    QStringList gesehen;
    TLaufFortschritt::SetBeobachter([&](TLaufFortschritt* f) {
        gesehen << f->lblText->text();
        if (gesehen.size() == 2)
            QTest::mouseClick(f->btnAbbrechen, Qt::LeftButton);
    });
    drucken(e.get());
    ASSERT_GE(gesehen.size(), 2);
    EXPECT_TRUE(gesehen[0].startsWith(QStringLiteral("Brief 1 von 3: "))) << gesehen[0].toStdString();
    EXPECT_TRUE(gesehen[1].startsWith(QStringLiteral("Brief 2 von 3: "))) << gesehen[1].toStdString();
    EXPECT_EQ(zusammenfassung(), QStringLiteral("Der Lauf wurde abgebrochen: 1 von 3 Mahnungen wurden ausgegeben.\r\nDatei: %1")
                                     .arg(QDir::toNativeSeparators(datei)));
    const QString inhalt = pdfText(datei);
    const auto nummer = [](const TQEL_Mahnung_Beleg& b) {
        return Formatiere_Belegnummer_String(QStringLiteral("AOP"), b.LfdNr, b.WirtschaftsJahr, b.RNr);
    };
    EXPECT_TRUE(inhalt.contains(nummer(e->Mahnungen()[0])));
    EXPECT_FALSE(inhalt.contains(nummer(e->Mahnungen()[1])));
    EXPECT_TRUE(archiviert(e->Mahnungen()[0]));
    EXPECT_FALSE(archiviert(e->Mahnungen()[1]));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("druckauftrag")), 1);
    EXPECT_EQ(offeneAuftraege(), 0);
}

TEST_F(Drucklauf, WithoutAPrinterTheRunOffersPdfAndACancelledLayoutEndsIt)
{
    TBerichtAusgabe::PdfOrdner(pdf.ordner.path(), false);
    auto e = gebucht();
    const QString datei = pdf.ordner.filePath(QStringLiteral("ohne Drucker.pdf"));
    umg.BeiModal<TAusgabeDialog>([&](TAusgabeDialog* d) {
        EXPECT_FALSE(d->rgrpZiel->Button(int(TLaufZiel::Drucker))->isEnabled());
        EXPECT_TRUE(d->rgrpZiel->Button(int(TLaufZiel::EinePdf))->isChecked());
        EXPECT_TRUE(d->lblDrucker->text().contains(QStringLiteral("kein Drucker")));
        d->edtPfad->setText(datei);
        d->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(d));
        QTest::keyClick(d, Qt::Key_F5);
        EXPECT_TRUE(QTest::qWaitFor([&] { return d->ModalResult() == mrOk; }, 2000));
        return d->ModalResult();
    });
    layout();
    layout();
    layout(QString(), false, mrCancel);
    drucken(e.get());
    EXPECT_EQ(zusammenfassung(),
              QStringLiteral("Der Lauf wurde abgebrochen (es wurde kein Drucklayout gewählt): 2 von 3 Mahnungen wurden "
                             "ausgegeben.\r\nDatei: %1")
                  .arg(QDir::toNativeSeparators(datei)));
    EXPECT_GE(pdfSeiten(datei), 2);
    EXPECT_EQ(offeneAuftraege(), 0);
    EXPECT_TRUE(umg.Recorder->Exceptions.empty()) << umg.Recorder->Exceptions.front().Text.toStdString();
}

TEST(Dateiname, TextFromTheDataBecomesASafeFileName)
{
    EXPECT_EQ(TBerichtAusgabe::SichererDateiname(QStringLiteral("AOP 1-2026 1 Becker Autohaus e.K..pdf")),
              QStringLiteral("AOP 1-2026 1 Becker Autohaus e.K.pdf"));
    for (const QString& boese : {QStringLiteral("../../etc/passwd"), QStringLiteral(".."), QStringLiteral("a/../b.pdf"),
                                 QStringLiteral(".versteckt"), QStringLiteral("C:\\Windows\\x.pdf")}) {
        const QString n = TBerichtAusgabe::SichererDateiname(boese);
        EXPECT_FALSE(n.isEmpty());
        EXPECT_FALSE(n.contains(QStringLiteral(".."))) << n.toStdString();
        EXPECT_FALSE(n.contains(QLatin1Char('/')) || n.contains(QLatin1Char('\\'))) << n.toStdString();
        EXPECT_FALSE(n.startsWith(QLatin1Char('.'))) << n.toStdString();
    }
    EXPECT_EQ(TBerichtAusgabe::SichererDateiname(QStringLiteral("..")), QStringLiteral("Brief"));
    EXPECT_EQ(TBerichtAusgabe::SichererDateiname(QStringLiteral("A\tB\nC:D*?.pdf")), QStringLiteral("A_B_C_D__.pdf"));
    EXPECT_EQ(TBerichtAusgabe::SichererDateiname(QString(300, QLatin1Char('x')) + QStringLiteral(".pdf")).size(), 124);
}

}  // namespace
