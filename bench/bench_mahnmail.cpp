// 500 booked dunnings mailed with their letter as PDF to an SMTP server on the loopback address: mail data
// from the server, the MIME message, SMTP over one connection, and the proof (.eml) booked per dunning.
// Target: <= 30 s for the run. The letters are rendered once beforehand (printing has its own benchmark).
#include "suite/core/servers/stammdaten.h"
#include "suite/mail/mahnmaillauf.h"
#include "../tests/support/smtptestserver.h"

#include "benchhilfe.h"

#include <QPdfWriter>
#include <QPainter>
#include <QTextDocument>
#include <cstdio>

using namespace bench;

namespace {

constexpr int kMahnungen = 500;

// A one-page letter as PDF, about the size of a real one with its fonts.
QByteArray briefPdf()
{
    QTemporaryDir dir;
    const QString datei = dir.filePath(QStringLiteral("brief.pdf"));
    {
        QPdfWriter pdf(datei);
        pdf.setResolution(300);
        QTextDocument doc;
        QString html = QStringLiteral("<h2>Zahlungserinnerung</h2><p>Sehr geehrte Damen und Herren,</p>");
        for (int i = 0; i < 12; ++i)
            html += QStringLiteral("<p>Rechnung RE-%1 vom 01.10.2026 über 1.234,56 € ist noch offen. Bitte überweisen "
                                   "Sie den Betrag bis zum 22.12.2026.</p>")
                        .arg(1000 + i);
        doc.setHtml(html);
        doc.setPageSize(QSizeF(pdf.width(), pdf.height()));
        QPainter p(&pdf);
        doc.drawContents(&p);
    }
    QFile f(datei);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// One dunning per open item of the client (items repeat at their next level when there are fewer).
std::vector<TIntPair> mahnungenBuchen(const TIntPair& mandant)
{
    std::vector<TIntPair> ids;
    IQEL_ZahlungEditServerRef zahlung;
    Glob_ServerFactoryClass().ZahlungEditServer_Holen(zahlung);
    const TDateTime jetzt = qel_Now();
    zahlung->OffenePosten_Abfragen(mandant, CLeeresIntPair, CDatum_01_01_2005, jetzt, 0, jetzt, jetzt,
                                   {TSRVTyp::srvDebitoren}, 1, 1);
    TVRList* op = zahlung->OffenePosten_Liste();
    IQEL_GPListenServerRef gp;
    Glob_WWSServerFactoryClass().GPListenServer_Holen(gp);
    IQEL_MahnungEditServerRef mahnung;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(mahnung);
    TQEL_Mahnung_Beleg_Array belege;
    for (int r = 0; r < op->GetRowCount() && int(belege.size()) < kMahnungen; ++r) {
        TQEL_Mahnung_Beleg b;
        b.Mandant = mandant;
        b.GepNr = qel_String2TIntPair(op->GetCellValueAsString(r, zahlung->Spalte_GepNr()));
        gp->Gep_Lesen(b.GepNr, b.OrgeNr);
        b.Mahnungsdatum = jetzt;
        b.Beruecksichtigt = jetzt;
        b.MahnungsText = QStringLiteral("Bitte begleichen Sie den offenen Betrag.");
        TQEL_Mahnung_Belegpositionen p;
        p.RNr = int(op->GetCellValueAsInteger(r, zahlung->Spalte_RechnerNummer()));
        p.TransNr = int(op->GetCellValueAsInteger(r, zahlung->Spalte_TransNummer()));
        p.LfdNr = int16_t(op->GetCellValueAsInteger(r, zahlung->Spalte_LfdNummer()));
        p.Mahnstufe = int(op->GetCellValueAsInteger(r, zahlung->Spalte_Mahnstufe())) + 1;
        p.Saldo = op->GetCellValueAsFloat(r, zahlung->Spalte_Saldo());
        p.Mahngebuehren = 2.5;
        p.ZahlbarBis = jetzt + 14;
        p.Belegnummer = op->GetCellValueAsString(r, zahlung->Spalte_Belegnummer());
        p.Belegdatum = op->GetCellValueAsDate(r, zahlung->Spalte_Datum());
        b.Positionen.push_back(p);
        belege.push_back(std::move(b));
    }
    if (mahnung->Mahnungen_Buchen(belege)) {
        mahnung->Mahnungen_Abfragen(mandant, 0, jetzt - 1, jetzt);
        TVRList* l = mahnung->Mahnungen_Liste();
        for (int r = 0; r < l->GetRowCount(); ++r)
            ids.push_back(qel_String2TIntPair(l->GetCellValueAsString(r, mahnung->Spalte_MahnungsID())));
    }
    Glob_ServerFactoryClass().ZahlungEditServer_Freigeben(zahlung);
    Glob_ServerFactoryClass().MahnungEditServer_Freigeben(mahnung);
    Glob_WWSServerFactoryClass().GPListenServer_Freigeben(gp);
    return ids;
}

// Every partner of the client gets a dunning address, the client a sender.
void adressenSetzen(int mandantNr)
{
    TMandantStamm m;
    Stammdaten_MandantLesen(mandantNr, m);
    m.MailAbsenderName = QStringLiteral("%1 – Buchhaltung").arg(m.Org.Name1);
    m.MailAbsenderAdresse = QStringLiteral("mahnung@mandant%1.de").arg(mandantNr);
    Stammdaten_MandantAendern(m);
    for (TPartnerStamm p : Stammdaten_Partner(mandantNr)) {
        p.MahnEmail = QStringLiteral("buchhaltung%1@kunde.de").arg(p.Nr);
        Stammdaten_PartnerAendern(p);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TDemoOptionen demo;
    demo.GrossMandantOP = 2000;
    TBenchSuite suite(&demo);
    const TMandantInfo gross = benchmarkMandant();
    adressenSetzen(gross.Nr);
    const std::vector<TIntPair> ids = mahnungenBuchen(gross.Id);
    if (int(ids.size()) != kMahnungen) {
        std::fprintf(stderr, "nur %d Mahnungen gebucht\n", int(ids.size()));
        return 2;
    }
    const QByteArray pdf = briefPdf();
    std::printf("%d Mahnungen gebucht, Brief als PDF: %.1f KB\n", kMahnungen, pdf.size() / 1024.0);

    TSmtpTestServer server;
    TMailKonfiguration k;
    k.Host = QStringLiteral("127.0.0.1");
    k.Port = server.Port();
    k.Sicherheit = TMailSicherheit::Keine;
    int versendet = 0, verbindungen = 0;
    double cpu = 0;
    const double ms = messen(
        1, nullptr,
        [&] {
            TMahnMailLauf lauf(k);
            for (const TIntPair& id : ids)
                versendet += lauf.Senden(lauf.Daten(id), pdf).Versendet ? 1 : 0;
            verbindungen = lauf.Verbindungen();
        },
        &cpu);
    std::printf("versendet: %d, beim Server angekommen: %d, Verbindungen: %d, CPU (Programm und Testserver): %.1f s\n",
                versendet, int(server.Nachrichten().size()), verbindungen, cpu / 1000.0);
    const bool ok = pruefe("500 Mahnungen per E-Mail (Wand)", ms / 1000.0, 30.0, "s");
    return ok && versendet == kMahnungen ? 0 : 1;
}
