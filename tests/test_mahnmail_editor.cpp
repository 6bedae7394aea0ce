// The dunning editor sends its booked letters by e-mail (F11): a partner with a dunning address gets the
// letter itself as PDF, the one without is listed and printed or filed as PDF as the clerk answers.
#include "druck_testbasis.h"
#include "editor_testbasis.h"
#include "suite/mail/mailkonfiguration.h"
#include "suite/reports/ausgabedialog.h"
#include "suite/ui/dialogs/layoutform.h"
#include "support/smtptestserver.h"

#include <QFileDialog>
#include <QJsonArray>
#include <QRadioButton>
#include <QtTest/QTest>

using namespace drucktest;
using namespace editortest;

namespace {

class MailAusDemEditor : public EditorTest {
protected:
    MailAusDemEditor()
    {
        Verwaltung_LayoutRegistrieren(QStringLiteral("KMAHN"), QStringLiteral("Mahnung Standard"), QStringLiteral("mahnung.html"),
                                      layoutEinstellungen(QStringLiteral("N"), QStringLiteral("LOGO-EIGEN")), true, 1);
        TSqlAbfrage(QStringLiteral("UPDATE mandant SET mail_absender_name = 'Testmandant GmbH', "
                                   "mail_absender_adresse = 'mahnung@testmandant.de' WHERE rnr = ? AND lnr = ?"))
            .Bind({mandant.Id.RNr, mandant.Id.LNr})
            .Exec();
        TSqlAbfrage(QStringLiteral("UPDATE geschaeftspartner SET mahn_email = 'buchhaltung@alpha.de' WHERE rnr = ? AND lnr = ?"))
            .Bind({alpha.RNr, alpha.LNr})
            .Exec();
        TMailKonfiguration k;
        k.Host = QStringLiteral("127.0.0.1");
        k.Port = server.Port();
        k.Sicherheit = TMailSicherheit::Keine;
        k.Speichern(suite.EinstellungsDatei());
    }

    // Books Alpha's and Beta's items (two documents) and declines printing.
    std::unique_ptr<TfrmMahnungSchreiben> gebucht()
    {
        auto e = oeffnen({QStringLiteral("A1"), QStringLiteral("B1")});
        e->redtKopfText->setPlainText(QStringLiteral("Sehr geehrte Damen und Herren,\nbitte zahlen Sie."));
        emit e->redtKopfText->Exit(e->redtKopfText);
        umg.Recorder->Antworten = {mrNo};
        e->actBuchenExecute();
        EXPECT_TRUE(e->Gebucht());
        umg.Recorder->Leeren();
        e->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(e.get()));
        return e;
    }

    void layoutOk()
    {
        umg.BeiModal<TLayoutform>([](TLayoutform*) { return mrOk; });
    }

    TBriefMandant brief{mandant};
    TPdfAusgabe pdf;
    TSmtpTestServer server;
};

}  // namespace

TEST_F(MailAusDemEditor, F11MailsTheLetterAsPdfAndTheClerkOutputsTheOneWithoutAddress)
{
    auto e = gebucht();
    ASSERT_NE(e->btnMail, nullptr);
    EXPECT_TRUE(e->btnMail->isVisible());
    const TQEL_Mahnung_Beleg& a = e->Mahnungen().front();
    const QString alphaNr = Formatiere_Belegnummer_String(QStringLiteral("AOP"), a.LfdNr, a.WirtschaftsJahr, a.RNr);
    layoutOk();  // Alpha's letter, mailed
    umg.BeiModal<TAusgabeDialog>([](TAusgabeDialog* d) {
        // Beta's letter: the rest of a mail run is not offered by mail again.
        EXPECT_FALSE(d->rgrpZiel->Button(int(TLaufZiel::EMail))->isVisible());
        d->rgrpZiel->Button(int(TLaufZiel::Drucker))->click();
        d->btnOK->click();
        return d->ModalResult();
    });
    layoutOk();  // Beta's letter, printed
    QTest::keyClick(e.get(), Qt::Key_F11);
    ASSERT_TRUE(QTest::qWaitFor([&] { return umg.OffeneSchritte() == 0 && umg.Recorder->Meldungen.size() >= 3; }, 20000));
    EXPECT_TRUE(umg.Recorder->Exceptions.empty()) << umg.Recorder->Exceptions.front().Text.toStdString();

    const auto& m = umg.Recorder->Meldungen;
    EXPECT_EQ(m[0].Nr, 997);
    EXPECT_TRUE(m[0].Text.startsWith(QStringLiteral("1 von 1 Mahnungen wurden per E-Mail versendet."))) << m[0].Text.toStdString();
    EXPECT_TRUE(m[1].Text.contains(QStringLiteral("keine E-Mail-Adresse")) && m[1].Text.contains(QStringLiteral("Beta KG")))
        << m[1].Text.toStdString();

    // The mail carries Alpha's letter itself: the PDF reads as that letter.
    ASSERT_EQ(server.Nachrichten().size(), 1);
    QTemporaryDir teile;
    const QJsonObject mail = qel_MimeLesen(server.Nachrichten()[0].Daten, teile.path());
    EXPECT_EQ(mail.value(QStringLiteral("subject")).toString(), QStringLiteral("Zahlungserinnerung ") + alphaNr);
    EXPECT_EQ(mail.value(QStringLiteral("to_addr")).toString(), QStringLiteral("buchhaltung@alpha.de"));
    const QJsonObject anhang = mail.value(QStringLiteral("parts")).toArray()[1].toObject();
    EXPECT_EQ(anhang.value(QStringLiteral("filename")).toString(), QStringLiteral("Zahlungserinnerung %1 Alpha GmbH.pdf").arg(alphaNr));
    const QString text = pdfText(anhang.value(QStringLiteral("file")).toString());
    EXPECT_TRUE(text.contains(QStringLiteral("Alpha GmbH"))) << text.toStdString();
    EXPECT_TRUE(text.contains(alphaNr)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("bitte zahlen Sie."))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Beta KG")));

    // Beta's letter went to the printer (here: the test folder), not by mail.
    ASSERT_EQ(TBerichtAusgabe::Dateien().size(), 1);
    EXPECT_TRUE(pdfText(TBerichtAusgabe::Dateien().front()).contains(QStringLiteral("Beta KG")));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_versand"), QStringLiteral("angenommen = 1")), 1);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("druckauftrag"), QStringLiteral("beendet = 0")), 0);
}

TEST_F(MailAusDemEditor, PrintRunOffersMailAsItsOutputAndReportsEachPartner)
{
    TSqlAbfrage(QStringLiteral("UPDATE geschaeftspartner SET mahn_email = 'buchhaltung.beta.de' WHERE rnr = ? AND lnr = ?"))
        .Bind({beta.RNr, beta.LNr})
        .Exec();
    auto e = gebucht();
    umg.BeiModal<TAusgabeDialog>([](TAusgabeDialog* d) {
        QRadioButton* mail = d->rgrpZiel->Button(int(TLaufZiel::EMail));
        EXPECT_TRUE(mail->isVisible());
        mail->click();
        d->btnOK->click();
        return d->ModalResult();
    });
    layoutOk();
    layoutOk();
    umg.Recorder->Antworten = {mrYes};  // more than one partner: print anyway
    QTest::keyClick(e.get(), Qt::Key_F10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return umg.OffeneSchritte() == 0 && umg.Recorder->Meldungen.size() >= 2; }, 20000));
    const auto& m = umg.Recorder->Meldungen.back();
    EXPECT_EQ(m.Nr, 991);
    EXPECT_TRUE(m.Text.startsWith(QStringLiteral("1 von 2 Mahnungen wurden per E-Mail versendet."))) << m.Text.toStdString();
    EXPECT_TRUE(m.Text.contains(QStringLiteral("Die E-Mail-Adresse „buchhaltung.beta.de“ von Beta KG enthält kein „@“.")))
        << m.Text.toStdString();
    ASSERT_EQ(server.Nachrichten().size(), 1);
    EXPECT_TRUE(TBerichtAusgabe::Dateien().isEmpty());
    // Beta's failure is listed and kept for sending again.
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_versand"), QStringLiteral("angenommen = 0 AND pdf IS NOT NULL")), 1);
}
