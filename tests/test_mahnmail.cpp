// Dunning mails of booked dunnings: a run against the loopback server with partners whose address is
// missing, malformed or refused, the proof in the database, the list's column, sending again, dry runs.
#include "selektionsfrm.h"
#include "suite/core/servers/database_intern.h"
#include "suite/core/servers/mahnversandserver.h"
#include "suite/core/servers/servermeldung.h"
#include "suite/core/servers/stammdaten.h"
#include "suite/core/servers/interfaces.h"
#include "suite/mail/mahnmaillauf.h"
#include "suite/ui/programm.h"
#include "support/buchung.h"
#include "support/smtptestserver.h"
#include "support/temp_suite.h"
#include "support/testdaten.h"
#include "support/umgebung.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

const TDateTime kJetzt = 46364.4375;  // 08.12.2026 10:30
const QByteArray kPdf = "%PDF-1.4\n% Brief\n1 0 obj << >> endobj\ntrailer << >>\n%%EOF\n";

class MahnMail : public ::testing::Test {
protected:
    MahnMail() : umg(kJetzt)
    {
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
        TSqlAbfrage(QStringLiteral("UPDATE mandant SET mail_absender_name = ?, mail_absender_adresse = ? WHERE rnr = ? AND lnr = ?"))
            .Bind({QStringLiteral("Müller Großhandel – Buchhaltung"), QStringLiteral("mahnung@mueller.de"), mandant.Id.RNr,
                   mandant.Id.LNr})
            .Exec();
        mahnen(QStringLiteral("Alpha Getränke GmbH"), QStringLiteral("buchhaltung@alpha.de"), 1);
        mahnen(QStringLiteral("Beta Bau KG"), QString(), 1);
        mahnen(QStringLiteral("Gamma Öl AG"), QStringLiteral("buchhaltung.gamma.de"), 2);
        mahnen(QStringLiteral("Delta Dübel OHG"), QStringLiteral("weg@delta.de"), 2);
        qel_SetServerMeldung([this](const QString& t) { serverMeldungen << t; });
    }
    ~MahnMail() override { qel_SetServerMeldung(nullptr); }

    void mahnen(const QString& name, const QString& email, int stufe)
    {
        const TIntPair gep = mandant.Partner(name);
        TSqlAbfrage(QStringLiteral("UPDATE geschaeftspartner SET mahn_email = ? WHERE rnr = ? AND lnr = ?"))
            .Bind({email, gep.RNr, gep.LNr})
            .Exec();
        const TTestPosten p{QStringLiteral("RE-%1").arg(ids.size() + 1), kJetzt - 40, 100.0, 0, kJetzt - 26, stufe - 1,
                            false, QString()};
        const TIntTrio trio = mandant.Posten(gep, p);
        TTestBuchung b(mandant.Id);
        b.Mahnung(gep, kJetzt, QStringLiteral("Text"));
        b.Posten(trio, p, 2.5);
        try {
            ids << qel_TestMahnungsID(b.Buchen().front());
        } catch (...) {
            ADD_FAILURE() << umg.Recorder->Texte().join('\n').toStdString();
            throw;
        }
    }

    TMailKonfiguration konf(quint16 port)
    {
        TMailKonfiguration k;
        k.Host = QStringLiteral("127.0.0.1");
        k.Port = port;
        k.Sicherheit = TMailSicherheit::Keine;
        k.TimeoutSek = 5;
        return k;
    }

    QStringList listenSpalte()
    {
        IQEL_MahnungEditServerRef s;
        Glob_ServerFactoryClass().MahnungEditServer_Holen(s);
        s->Mahnungen_Abfragen(mandant.Id, 0, kJetzt - 10, kJetzt);
        QStringList l;
        TVRList* liste = s->Mahnungen_Liste();
        for (int r = 0; r < liste->GetRowCount(); ++r)
            l << liste->GetCell(r, s->Spalte_M_GepName()).AsString() + QStringLiteral(": ") +
                     liste->GetCell(r, s->Spalte_M_Email()).AsString();
        return l;
    }

    TTempSuite suite;
    TTestUmgebung umg;
    TTestMandant mandant{1, QStringLiteral("Müller Großhandel")};
    QVector<TIntPair> ids;
    QStringList serverMeldungen;
};

}  // namespace

TEST_F(MahnMail, RunMailsWhatItCanTellsEachPartnerWhyNotAndBooksTheProof)
{
    TSmtpTestServer::TVerhalten v;
    v.AbgelehnteEmpfaenger = {"weg@delta.de"};
    TSmtpTestServer server(v);
    TMahnMailLauf lauf(konf(server.Port()));
    QVector<TMahnMailErgebnis> e;
    for (const TIntPair& id : ids)
        e << lauf.Senden(lauf.Daten(id), kPdf);

    EXPECT_TRUE(e[0].Versendet) << e[0].Meldung.toStdString();
    EXPECT_TRUE(e[1].OhneAdresse);
    EXPECT_EQ(e[1].Meldung, QStringLiteral("Beta Bau KG hat keine E-Mail-Adresse für Mahnungen."));
    EXPECT_FALSE(e[2].Versendet);
    EXPECT_EQ(e[2].Meldung, QStringLiteral("Die E-Mail-Adresse „buchhaltung.gamma.de“ von Gamma Öl AG enthält kein „@“. "
                                           "Die Mahnung wurde nicht versendet."));
    EXPECT_FALSE(e[3].Versendet);
    EXPECT_TRUE(e[3].Meldung.startsWith(QStringLiteral("Der Mailserver hat den Empfänger „weg@delta.de“ abgelehnt: 550 5.1.1")));
    EXPECT_EQ(lauf.Verbindungen(), 1);

    // What the server received is the proof stored with the dunning, and it carries the letter.
    const auto empfangen = server.Nachrichten();
    ASSERT_EQ(empfangen.size(), 1);
    const QByteArray eml = TTempSuite::Wert(QStringLiteral("SELECT inhalt FROM anhang WHERE besitzer_rnr = ? AND besitzer_lnr = ?"),
                                            {ids[0].RNr, ids[0].LNr})
                               .toByteArray();
    EXPECT_EQ(eml, empfangen[0].Daten);
    const QString name = TTempSuite::Wert(QStringLiteral("SELECT dateiname FROM anhang WHERE besitzer_rnr = ? AND besitzer_lnr = ?"),
                                          {ids[0].RNr, ids[0].LNr})
                             .toString();
    EXPECT_TRUE(name.startsWith(QStringLiteral("E-Mail AOP ")) && name.endsWith(QStringLiteral(" 2026-12-08 10-30-00.eml")))
        << name.toStdString();
    const QJsonObject m = qel_MimeLesen(eml);
    EXPECT_EQ(m.value(QStringLiteral("subject")).toString(), QStringLiteral("Zahlungserinnerung ") + e[0].Belegnummer);
    EXPECT_EQ(m.value(QStringLiteral("from_name")).toString(), QStringLiteral("Müller Großhandel – Buchhaltung"));
    EXPECT_EQ(m.value(QStringLiteral("to_name")).toString(), QStringLiteral("Alpha Getränke GmbH"));
    const QJsonArray teile = m.value(QStringLiteral("parts")).toArray();
    ASSERT_EQ(teile.size(), 2);
    const QString text = teile[0].toObject().value(QStringLiteral("text")).toString().replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_TRUE(text.startsWith(
        QStringLiteral("Sehr geehrte Damen und Herren,\n\nim Anhang erhalten Sie unser heutiges Schreiben vom 08.12.2026")));
    EXPECT_TRUE(text.contains(QStringLiteral("Betrag von 102,50 EUR bis zum 22.12.2026"))) << text.toStdString();
    EXPECT_EQ(teile[1].toObject().value(QStringLiteral("filename")).toString(),
              QStringLiteral("Zahlungserinnerung %1 Alpha Getränke GmbH.pdf").arg(e[0].Belegnummer));
    EXPECT_EQ(teile[1].toObject().value(QStringLiteral("size")).toInt(), kPdf.size());

    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("anhang")), 1);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_versand")), 3);  // no address: no attempt
    EXPECT_EQ(TTempSuite::Wert(QStringLiteral("SELECT antwort FROM mahnung_versand WHERE angenommen = 1")).toString(),
              QStringLiteral("250 2.0.0 Ok: queued as Q1"));
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_versand"), QStringLiteral("angenommen = 0 AND pdf IS NOT NULL")), 2);

    EXPECT_EQ(listenSpalte(), (QStringList{QStringLiteral("Alpha Getränke GmbH: versendet am 08.12.2026 10:30"),
                                           QStringLiteral("Beta Bau KG: "),
                                           QStringLiteral("Gamma Öl AG: nicht versendet (08.12.2026 10:30): ") + e[2].Meldung,
                                           QStringLiteral("Delta Dübel OHG: nicht versendet (08.12.2026 10:30): ") + e[3].Meldung}));
}

TEST_F(MahnMail, AFailedDunningIsSentAgainFromItsKeptLetterToTheCorrectedAddress)
{
    {
        TSmtpTestServer::TVerhalten v;
        v.AbbruchBeiNachricht = 1;
        TSmtpTestServer server(v);
        TMahnMailLauf lauf(konf(server.Port()));
        const TMahnMailErgebnis e = lauf.Senden(lauf.Daten(ids[3]), kPdf);
        EXPECT_FALSE(e.Versendet);
        EXPECT_TRUE(e.Meldung.contains(QStringLiteral("wurde während des Versands unterbrochen")));
        EXPECT_THROW(lauf.Erneut_Senden(ids[0]), EQELError);  // never tried: nothing kept
    }
    TSqlAbfrage(QStringLiteral("UPDATE geschaeftspartner SET mahn_email = 'neu@delta.de' WHERE name = 'Delta Dübel OHG'")).Exec();
    qel_SetNow(kJetzt + 1.0 / 24);
    TSmtpTestServer server;
    TMahnMailLauf lauf(konf(server.Port()));
    const TMahnMailErgebnis e = lauf.Erneut_Senden(ids[3]);
    EXPECT_TRUE(e.Versendet) << e.Meldung.toStdString();
    ASSERT_EQ(server.Nachrichten().size(), 1);
    EXPECT_EQ(server.Nachrichten()[0].An, QList<QByteArray>{"neu@delta.de"});
    const QJsonObject m = qel_MimeLesen(server.Nachrichten()[0].Daten);
    EXPECT_EQ(m.value(QStringLiteral("subject")).toString(), QStringLiteral("Mahnung ") + e.Belegnummer);
    EXPECT_EQ(m.value(QStringLiteral("parts")).toArray()[1].toObject().value(QStringLiteral("size")).toInt(), kPdf.size());
    // Sent: the kept letter is dropped, the list shows the success, not the older failure.
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_versand"), QStringLiteral("pdf IS NOT NULL")), 0);
    EXPECT_TRUE(listenSpalte().contains(QStringLiteral("Delta Dübel OHG: versendet am 08.12.2026 11:30")));
}

TEST_F(MahnMail, DryRunWritesMessagesAsFilesAndBooksNothing)
{
    QTemporaryDir ordner;
    TMailKonfiguration k;
    k.Probelaufordner = ordner.filePath(QStringLiteral("probe"));
    TMahnMailLauf lauf(k);
    QStringList dateien;
    for (const TIntPair& id : ids) {
        const TMahnMailErgebnis e = lauf.Senden(lauf.Daten(id), kPdf);
        EXPECT_FALSE(e.Versendet);
        if (!e.Datei.isEmpty())
            dateien << QFileInfo(e.Datei).fileName();
    }
    EXPECT_EQ(dateien.size(), 2);  // Alpha and Delta; Beta has no address, Gamma's is malformed
    EXPECT_EQ(QDir(k.Probelaufordner).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("mahnung_versand")), 0);
    EXPECT_EQ(TTempSuite::Anzahl(QStringLiteral("anhang")), 0);
    QFile f(QDir(k.Probelaufordner).filePath(dateien.front()));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(qel_MimeLesen(f.readAll()).value(QStringLiteral("to_addr")).toString(), QStringLiteral("buchhaltung@alpha.de"));
}

TEST_F(MahnMail, MailTextIsABlockOfItsOwnKindAndTheSenderIsCheckedByTheServer)
{
    IQEL_MahnVersandServerRef s;
    MahnVersandServer_Holen(s);
    EXPECT_EQ(s->Mailtext(), CQEL_StandardMailtext);
    ASSERT_TRUE(s->Mailtext_Speichern(QStringLiteral("Mail"), QStringLiteral("#Anrede bis #Zahlungsziel bitte #Gesamtbetrag.")));
    EXPECT_EQ(s->Mailtext(), QStringLiteral("#Anrede bis #Zahlungsziel bitte #Gesamtbetrag."));
    IQEL_MahnungEditServerRef m;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(m);
    ASSERT_TRUE(m->Textbaustein_Anlegen(QStringLiteral("Brief"), QStringLiteral("Brieftext")));
    m->Textbausteine_Abfragen();
    ASSERT_EQ(m->Textbausteine_Liste()->GetRowCount(), 1);  // the mail's block is no letter text
    EXPECT_FALSE(s->Mailtext_Speichern(QStringLiteral("Brief"), QStringLiteral("x")));
    EXPECT_TRUE(serverMeldungen.join('\n').contains(QStringLiteral("gehört schon zu einem Textbaustein des Briefs")));

    TMahnMailDaten d;
    ASSERT_TRUE(s->Mahnung_Maildaten(ids[0], d));
    d.Anrede = QStringLiteral("Frau");
    d.Kontakt = QStringLiteral("Öztürk");
    EXPECT_EQ(qel_MailtextFuellen(s->Mailtext(), d, QStringLiteral("EUR")),
              QStringLiteral("Sehr geehrte Frau Öztürk, bis 22.12.2026 bitte 102,50 EUR."));

    TMandantStamm ms;
    ASSERT_TRUE(Stammdaten_MandantLesen(1, ms));
    ms.Org.Name1 = QStringLiteral("Müller Großhandel");
    ms.MailAbsenderAdresse = QStringLiteral("mahnung.mueller.de");
    try {
        Stammdaten_MandantAendern(ms);
        ADD_FAILURE() << "no refusal";
    } catch (const EQELError& e) {
        EXPECT_TRUE(e.Text().contains(QStringLiteral("Mail-Absenderadresse: \"mahnung.mueller.de\" ist keine E-Mail-Adresse")))
            << e.Text().toStdString();
    }
    ms.MailAbsenderAdresse = QStringLiteral(" mahnung@mueller.de ");
    Stammdaten_MandantAendern(ms);
    ASSERT_TRUE(Stammdaten_MandantLesen(1, ms));
    EXPECT_EQ(ms.MailAbsenderAdresse, QStringLiteral("mahnung@mueller.de"));
}

// --- the dunning list ---------------------------------------------------------------------------------

TEST_F(MahnMail, ClerkSendsAFailedDunningAgainFromTheListWithF11AndSeesItMailed)
{
    {
        TSmtpTestServer::TVerhalten v;
        v.AbgelehnteEmpfaenger = {"weg@delta.de"};
        TSmtpTestServer server(v);
        TMahnMailLauf lauf(konf(server.Port()));
        for (const TIntPair& id : {ids[0], ids[3]})
            lauf.Senden(lauf.Daten(id), kPdf);
    }
    TSqlAbfrage(QStringLiteral("UPDATE geschaeftspartner SET mahn_email = 'neu@delta.de' WHERE name = 'Delta Dübel OHG'")).Exec();
    TSmtpTestServer server;
    konf(server.Port()).Speichern(suite.EinstellungsDatei());

    TfrmSelektion f;
    f.SetSelectedMandant(mandant.Id);
    f.SetSelectedMandant_Bez(mandant.Name);
    f.show();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    QTest::keyClick(&f, Qt::Key_F4);
    TVTVRList* vt = f.vtMahnungen;
    const int email = f.MahnungEditServer()->Spalte_M_Email();
    auto zeileVon = [&](const QString& name) -> TVirtualNode* {
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
            if (vt->GetCellValueAsString(n, f.MahnungEditServer()->Spalte_M_GepName()) == name)
                return n;
        return nullptr;
    };
    ASSERT_NE(zeileVon(QStringLiteral("Delta Dübel OHG")), nullptr);
    EXPECT_TRUE(vt->GetCellValueAsString(zeileVon(QStringLiteral("Delta Dübel OHG")), email).startsWith(QStringLiteral("nicht versendet")));
    EXPECT_TRUE(vt->GetColumnVisible(email));

    // An already mailed dunning is not sent twice.
    vt->SetSelected(zeileVon(QStringLiteral("Alpha Getränke GmbH")), true);
    QTest::keyClick(&f, Qt::Key_F11);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !umg.Recorder->Meldungen.empty(); }, 5000));
    EXPECT_TRUE(umg.Recorder->Meldungen.back().Text.contains(QStringLiteral("wurde bereits am 08.12.2026 10:30 an „buchhaltung@alpha.de“ versendet.")));
    umg.Recorder->Leeren();

    vt->SetSelected(zeileVon(QStringLiteral("Delta Dübel OHG")), true);
    QTest::keyClick(&f, Qt::Key_F11);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !umg.Recorder->Meldungen.empty(); }, 5000));
    EXPECT_EQ(umg.Recorder->Meldungen.back().Nr, 997);
    EXPECT_TRUE(umg.Recorder->Meldungen.back().Text.endsWith(QStringLiteral("Die E-Mail an „neu@delta.de“ wurde vom Mailserver angenommen.")))
        << umg.Recorder->Meldungen.back().Text.toStdString();
    ASSERT_EQ(server.Nachrichten().size(), 1);
    EXPECT_EQ(vt->GetCellValueAsString(zeileVon(QStringLiteral("Delta Dübel OHG")), email),
              QStringLiteral("versendet am 08.12.2026 10:30"));
}
