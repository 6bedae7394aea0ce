// True copies: the letter that went out is archived with its dunning (PDF/A), and every later print
// is that letter marked "Kopie"; dunnings from before the archive are rebuilt from their booking.
#include "druck_testbasis.h"
#include "editor_testbasis.h"
#include "selektionsfrm.h"
#include "suite/core/servers/dokumentserver.h"
#include "support/buchung.h"
#include "suite/reports/ausgabedialog.h"
#include "suite/reports/briefkopie.h"
#include "suite/ui/dialogs/layoutform.h"

#include <QRadioButton>
#include <QtTest/QTest>

using namespace drucktest;
using editortest::kHeute;

namespace {

// The text of a letter without the copy mark, line by line with the spacing evened out.
std::string ohneMarke(QString text)
{
    text.remove(QStringLiteral("Kopie"));
    QStringList zeilen;
    for (const QString& z : text.split(QLatin1Char('\n')))
        if (!z.simplified().isEmpty())
            zeilen << z.simplified();
    return zeilen.join(QLatin1Char('\n')).toStdString();
}

QString qpdfPruefen(const QString& datei)
{
    QProcess p;
    p.start(QStringLiteral("qpdf"), {QStringLiteral("--check"), datei});
    if (!p.waitForFinished(30000))
        return QStringLiteral("qpdf läuft nicht");
    return p.exitCode() == 0 ? QString() : QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

class Kopie : public editortest::EditorTest {
protected:
    Kopie()
    {
        Verwaltung_LayoutRegistrieren(QStringLiteral("KMAHN"), QStringLiteral("Mahnung Standard"), QStringLiteral("mahnung.html"),
                                      layoutEinstellungen(QStringLiteral("N"), QStringLiteral("LOGO-EIGEN")), true, 1);
        TSuiteKonfiguration k = QELProgramm().Konfiguration();
        k.Rechner = kRechnerZentrale;
        QELProgramm().SetKonfiguration(k);
    }

    // Books the items in the editor with F5; the question whether to print is answered as given.
    std::unique_ptr<TfrmMahnungSchreiben> buchen(const QStringList& belege, int drucken, const QString& text)
    {
        auto e = oeffnen(belege);
        e->redtKopfText->setPlainText(text);
        emit e->redtKopfText->Exit(e->redtKopfText);
        umg.Recorder->Antworten = {drucken};
        if (drucken == mrYes)
            umg.BeiModal<TLayoutform>([](TLayoutform*) { return mrOk; });
        e->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(e.get()));
        QTest::keyClick(e.get(), Qt::Key_F5);
        EXPECT_TRUE(QTest::qWaitFor([&] { return e->Gebucht(); }, 3000));
        EXPECT_TRUE(umg.Recorder->Exceptions.empty()) << umg.Recorder->Exceptions.front().Text.toStdString();
        return e;
    }

    // The dunning list of the client, loaded with F4.
    std::unique_ptr<TfrmSelektion> liste()
    {
        auto f = std::make_unique<TfrmSelektion>();
        f->SetSelectedMandant(mandant.Id);
        f->SetSelectedMandant_Bez(mandant.Name);
        f->show();
        f->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(f.get()));
        QTest::keyClick(f.get(), Qt::Key_F4);
        EXPECT_TRUE(QTest::qWaitFor([&] { return f->vtMahnungen->GetFirst() != nullptr; }, 3000));
        return f;
    }

    // Prints the row of this partner from the list's viewing editor (F10).
    void ausDerListeDrucken(const QString& partner)
    {
        auto f = liste();
        TVTVRList* vt = f->vtMahnungen;
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
            if (vt->GetCellValueAsString(n, f->MahnungEditServer()->Spalte_M_GepName()) == partner)
                vt->SetSelected(n, true);
        umg.BeiModal<TfrmMahnungSchreiben>([this](TfrmMahnungSchreiben* e) {
            umg.BeiModal<TLayoutform>([](TLayoutform*) { return mrOk; });
            e->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(e));
            const int vorher = TBerichtAusgabe::Ausgaben().size();
            QTest::keyClick(e, Qt::Key_F10);
            EXPECT_TRUE(QTest::qWaitFor([&] { return TBerichtAusgabe::Ausgaben().size() > vorher; }, 5000));
            return mrCancel;
        });
        f->btnAnzeigen->click();
        EXPECT_EQ(umg.OffeneSchritte(), 0);
    }

    static TQEL_Mahnungsnummer nummer(const TQEL_Mahnung_Beleg& b)
    {
        return TQEL_Mahnungsnummer{b.Mandant, b.WirtschaftsJahr, b.RNr, b.LfdNr};
    }

    QByteArray archiv(const TQEL_Mahnung_Beleg& b)
    {
        QByteArray pdf;
        TDokumentServer().Brief_Lesen(nummer(b), pdf);
        return pdf;
    }

    TBriefMandant brief{mandant};
    TPdfAusgabe pdf;
};

TEST_F(Kopie, ACopyIsTheArchivedLetterWithTheMarkAlsoAfterTheAddressesChanged)
{
    auto e = buchen({QStringLiteral("A1"), QStringLiteral("A2")}, mrYes,
                    QStringLiteral("Sehr geehrte Damen und Herren,\nbitte zahlen Sie bis #Heute. Danke!"));
    const TQEL_Mahnung_Beleg beleg = e->Mahnungen().front();
    e.reset();
    ASSERT_EQ(TBerichtAusgabe::Ausgaben().size(), 1);
    const TBerichtAusgabe::TAusgabe original = TBerichtAusgabe::Ausgaben().first();
    EXPECT_FALSE(original.Kopie);
    const QString originalText = pdfText(original.Datei);
    EXPECT_FALSE(originalText.contains(QStringLiteral("Kopie")));

    // The archive: PDF/A, sound, and not among the attachments the clerk manages.
    const QByteArray archiviert = archiv(beleg);
    ASSERT_TRUE(archiviert.startsWith("%PDF-"));
    EXPECT_TRUE(archiviert.contains("pdfaid:part"));
    const QString archivDatei = pdf.ordner.filePath(QStringLiteral("archiv.pdf"));
    {
        QFile f(archivDatei);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(archiviert);
    }
    EXPECT_EQ(qpdfPruefen(archivDatei), QString());
    EXPECT_EQ(ohneMarke(pdfText(archivDatei)), ohneMarke(originalText));
    EXPECT_TRUE(TDokumentServer().Dokumente_Lesen(qel_TestMahnungsID(beleg), true).empty());
    EXPECT_FALSE(TDokumentServer().Brief_Offen(nummer(beleg)));

    // Letterhead and partner move; the copy still shows what was sent.
    TSqlAbfrage(QStringLiteral("UPDATE organisation SET strasse = 'Neuer Weg 99' WHERE rnr = ? AND lnr = ?"))
        .Bind({brief.orge.RNr, brief.orge.LNr})
        .Exec();
    const TIntPair orgeAlpha = orgeDesPartners(alpha);
    TSqlAbfrage(QStringLiteral("UPDATE organisation SET strasse = 'Umzugsallee 7' WHERE rnr = ? AND lnr = ?"))
        .Bind({orgeAlpha.RNr, orgeAlpha.LNr})
        .Exec();
    ausDerListeDrucken(QStringLiteral("Alpha GmbH"));
    ASSERT_EQ(TBerichtAusgabe::Ausgaben().size(), 2);
    const TBerichtAusgabe::TAusgabe kopie = TBerichtAusgabe::Ausgaben().last();
    EXPECT_TRUE(kopie.Kopie);
    EXPECT_TRUE(kopie.Vorschau);
    const QString kopieText = pdfText(kopie.Datei);
    EXPECT_EQ(kopieText.count(QStringLiteral("Kopie")), kopie.Seiten);
    EXPECT_EQ(kopie.Seiten, original.Seiten);
    EXPECT_EQ(ohneMarke(kopieText), ohneMarke(originalText));
    EXPECT_TRUE(kopieText.contains(QStringLiteral("Am Markt 1")));
    EXPECT_FALSE(kopieText.contains(QStringLiteral("Neuer Weg 99")));
    EXPECT_FALSE(kopieText.contains(QStringLiteral("Umzugsallee 7")));
    // A later print never replaces the archived letter.
    EXPECT_EQ(archiv(beleg), archiviert);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("druckauftrag"), QStringLiteral("beendet = 0")), 0);
}

TEST_F(Kopie, AnUnsentLetterIsTheOriginalUntilItWentOutOnce)
{
    // A first print that fails archives nothing: the letter is still owed.
    Verwaltung_LayoutRegistrieren(QStringLiteral("KMAHN"), QStringLiteral("Ohne Datei"), QStringLiteral("fehlt.html"),
                                  layoutEinstellungen(QStringLiteral("N"), QString()), false, 1);
    auto e = buchen({QStringLiteral("B1")}, mrNo, QStringLiteral("Bitte zahlen Sie."));
    const TQEL_Mahnung_Beleg beleg = e->Mahnungen().front();
    EXPECT_TRUE(TDokumentServer().Brief_Offen(nummer(beleg)));
    umg.BeiModal<TLayoutform>([](TLayoutform* f) {
        EXPECT_TRUE(f->LayoutWaehlen(QStringLiteral("Ohne Datei")));
        return mrOk;
    });
    e->btnDrucken->click();
    EXPECT_EQ(umg.Recorder->Exceptions.size(), 1u);
    EXPECT_TRUE(archiv(beleg).isEmpty());
    e.reset();
    umg.Recorder->Leeren();

    // The first print from the list is the original, the second a copy.
    ausDerListeDrucken(QStringLiteral("Beta KG"));
    ausDerListeDrucken(QStringLiteral("Beta KG"));
    ASSERT_EQ(TBerichtAusgabe::Ausgaben().size(), 2);
    EXPECT_FALSE(TBerichtAusgabe::Ausgaben()[0].Kopie);
    EXPECT_FALSE(pdfText(TBerichtAusgabe::Ausgaben()[0].Datei).contains(QStringLiteral("Kopie")));
    EXPECT_TRUE(TBerichtAusgabe::Ausgaben()[1].Kopie);
    EXPECT_FALSE(archiv(beleg).isEmpty());
    EXPECT_TRUE(umg.Recorder->Exceptions.empty()) << umg.Recorder->Exceptions.front().Text.toStdString();
}

TEST_F(Kopie, ADunningFromBeforeTheArchiveIsRebuiltAsItWasSent)
{
    TIntPair kontakt;
    const TIntPair delta = brief.partner(QStringLiteral("Delta OHG"), &kontakt);
    const TTestPosten d1{QStringLiteral("D1"), kHeute - 60, 120.0, 0, kHeute - 40, 1, false, QString()};
    const TIntTrio trio = mandant.Posten(delta, d1);
    kontaktDesPostens(trio, kontakt);
    TTestBuchung buchung(mandant.Id);
    buchung.Mahnung(delta, kHeute - 10, QStringLiteral("Bitte zahlen Sie bis #Heute."), kHeute - 11);
    buchung.Posten(trio, d1, 2.5, 1.25);
    const TQEL_Mahnung_Beleg beleg = buchung.Buchen().front();
    // Printed back then, before letters were archived.
    TSqlAbfrage(QStringLiteral("UPDATE mahnung SET brief_offen = 0")).Exec();

    ausDerListeDrucken(QStringLiteral("Delta OHG"));
    ASSERT_EQ(TBerichtAusgabe::Ausgaben().size(), 1);
    const TBerichtAusgabe::TAusgabe a = TBerichtAusgabe::Ausgaben().first();
    EXPECT_TRUE(a.Kopie);
    const QString text = pdfText(a.Datei);
    EXPECT_EQ(text.count(QStringLiteral("Kopie")), a.Seiten);
    EXPECT_TRUE(text.contains(QStringLiteral("Bitte zahlen Sie bis %1.").arg(DateToStr(kHeute - 10))));
    EXPECT_FALSE(text.contains(DateToStr(kHeute)));
    EXPECT_TRUE(text.contains(QStringLiteral("Klaus Becker")));  // the item's contact person
    EXPECT_EQ(a.Parameterwert(QStringLiteral("Param_Schuldner_MitaLNr")), QString::number(kontakt.LNr));
    EXPECT_TRUE(text.contains(qel_FormatMoney(123.75)));
    // Rebuilding is no sending: nothing is archived for it.
    EXPECT_TRUE(archiv(beleg).isEmpty());
}

TEST_F(Kopie, SeveralDunningsChosenInTheListArePrintedTogetherAsCopies)
{
    const TIntPair delta = brief.partner(QStringLiteral("Delta OHG"));
    const TTestPosten d1{QStringLiteral("D1"), kHeute - 60, 120.0, 0, kHeute - 40, 1, false, QString()};
    const TTestPosten b9{QStringLiteral("B9"), kHeute - 70, 80.0, 0, kHeute - 50, 0, false, QString()};
    const TIntTrio tD1 = mandant.Posten(delta, d1), tB9 = mandant.Posten(beta, b9);
    TTestBuchung buchung(mandant.Id);
    buchung.Mahnung(delta, kHeute - 10, QStringLiteral("Bitte zahlen Sie."), kHeute - 11);
    buchung.Posten(tD1, d1);
    buchung.Mahnung(beta, kHeute - 9, QStringLiteral("Bitte zahlen Sie jetzt."), kHeute - 11);
    buchung.Posten(tB9, b9);
    buchung.Buchen();
    TSqlAbfrage(QStringLiteral("UPDATE mahnung SET brief_offen = 0")).Exec();

    auto f = liste();
    TVTVRList* vt = f->vtMahnungen;
    ASSERT_EQ(vt->model()->rowCount(), 2);
    // The clerk clicks the first row and adds the second with Ctrl.
    QTest::mouseClick(vt->viewport(), Qt::LeftButton, Qt::NoModifier, vt->visualRect(vt->model()->index(0, 0)).center());
    QTest::mouseClick(vt->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      vt->visualRect(vt->model()->index(1, 0)).center());
    const QString datei = pdf.ordner.filePath(QStringLiteral("kopien.pdf"));
    umg.BeiModal<TAusgabeDialog>([&](TAusgabeDialog* d) {
        d->rgrpZiel->Button(int(TLaufZiel::EinePdf))->click();
        d->edtPfad->setText(datei);
        d->btnOK->click();
        return d->ModalResult();
    });
    umg.BeiModal<TLayoutform>([](TLayoutform* l) {
        l->cbxFuerAlle->click();
        return mrOk;
    });
    QTest::keyClick(f.get(), Qt::Key_F10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !umg.Recorder->Meldungen.empty(); }, 10000));
    EXPECT_EQ(umg.Recorder->Meldungen.back().Text.section(QLatin1Char('\r'), 0, 0),
              QStringLiteral("Alle 2 Mahnungen wurden ausgegeben."));
    const QString text = pdfText(datei);
    EXPECT_EQ(text.count(QStringLiteral("Kopie")), pdfSeiten(datei));
    EXPECT_TRUE(text.contains(QStringLiteral("Delta OHG")));
    EXPECT_TRUE(text.contains(QStringLiteral("Beta KG")));
    EXPECT_TRUE(text.contains(QStringLiteral("Bitte zahlen Sie jetzt.")));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("druckauftrag"), QStringLiteral("beendet = 0")), 0);
    EXPECT_TRUE(umg.Recorder->Exceptions.empty()) << umg.Recorder->Exceptions.front().Text.toStdString();
}

TEST_F(Kopie, BadArchivesAndNamesAreRefusedInGerman)
{
    EXPECT_THROW(qel_PdfKopie(QByteArray("%PDF-1.4 kaputt")), EQELError);
    EXPECT_EQ(qel_PdfSeiten(QByteArray("keine PDF")), 0);
    TDokumentServer s;
    TQEL_Mahnungsnummer unbekannt{mandant.Id, 2026, 1, 999};
    try {
        s.Brief_Archivieren(unbekannt, QStringLiteral("Brief.pdf"), QByteArray("%PDF-1.4"));
        ADD_FAILURE() << "an unknown dunning was archived";
    } catch (const EQELError& x) {
        EXPECT_TRUE(QString::fromUtf8(x.what()).contains(QStringLiteral("nicht gebucht")));
    }
    EXPECT_THROW(s.Brief_Archivieren(unbekannt, QStringLiteral("../Brief.pdf"), QByteArray("%PDF-1.4")), EQELError);
    EXPECT_THROW(s.Brief_Archivieren(unbekannt, QStringLiteral("Brief.pdf"), QByteArray("<html>")), EQELError);
    EXPECT_FALSE(s.Brief_Offen(unbekannt));
}

}  // namespace
