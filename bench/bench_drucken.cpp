// 1,000 one-page dunning letters through the whole print path: print job rows, report parameters,
// template, layout and PDF. Target: median of the runs <= 30 s (30 ms a letter).
#include "suite/ui/dialogs/layoutform.h"
#include "suite/ui/programm.h"
#include "suite/reports/berichtausgabe.h"
#include "suite/reports/crystalrdcn.h"
#include "suite/core/servers/database.h"
#include "suite/demodaten/demodaten.h"

#include "benchhilfe.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <ctime>
#include <cstdio>
#include <vector>

using namespace bench;

namespace {

struct TEmpfaenger {
    TIntPair GepNr, OrgeNr;
};

const QString kText = QStringLiteral(
    "Sehr geehrte Damen und Herren,\r\n\r\nbei der Durchsicht unserer Buchhaltung haben wir festgestellt, dass die "
    "nachstehend aufgeführten Rechnungen noch nicht ausgeglichen sind.\r\n\r\nWir bitten Sie, den offenen Betrag bis "
    "zum angegebenen Zahlungsziel zu überweisen.\r\n\r\nMit freundlichen Grüßen");

void brief(IQEL_PrintEditServer& server, const TIntPair& mandant, const TIntPair& firma, const TEmpfaenger& an, int nr)
{
    const int auftrag = server.Druckauftrag_Beginnen(QStringLiteral("MAHNUNG"));
    TMOLA_PrintEditServer_Record r;
    for (int i = 0; i < 3; ++i) {
        r.Clear();
        r.PrgId = QStringLiteral("MAHNUNG");
        r.Auftrag = auftrag;
        r.Mahnstufe = 1 + i;
        r.Saldo = 100.0 * (i + 1) + nr % 97;
        r.Mahngebuehren = i * 2.5;
        r.Verzugszins = i * 1.25;
        r.Belegnummer = QStringLiteral("RE-%1-%2").arg(nr).arg(i);
        r.Belegdatum = QStringLiteral("01.10.2026");
        r.ZahlbarBis = QStringLiteral("22.12.2026");
        r.Art = i == 0 ? QStringLiteral("Zahlungserinnerung") : QStringLiteral("Mahnung");
        server.Druckdaten_Schreiben(r);
    }
    r.Clear();
    r.PrgId = QStringLiteral("MAHNUNG");
    r.Auftrag = auftrag;
    r.Belegnummer = QStringLiteral("BLOB");
    r.GanzerText = kText;
    server.Druckdaten_Schreiben(r);

    TCrystalRDCn bericht;
    bericht.Clear();
    bericht.SetReport(GetDirWwsByName(qfBerichte, QStringLiteral("mahnung.html"), true), true, server.Druck_Kennung());
    TQELReport* p = bericht.GetReport(0);
    auto n = [](int v) { return QString::number(v); };
    p->SetParameter(QStringLiteral("Param_Beleg_Beschreibung"), QStringLiteral("Zahlungserinnerung / Mahnung"));
    p->SetParameter(QStringLiteral("Param_PRG_ID"), QStringLiteral("MAHNUNG"));
    p->SetParameter(QStringLiteral("Param_Session_ID"), n(auftrag));
    p->SetParameter(QStringLiteral("Param_BelegDatum"), QStringLiteral("08.12.2026"));
    p->SetParameter(QStringLiteral("Param_Belegnummer"), Formatiere_Belegnummer_String(QStringLiteral("AOP"), nr, 2026, 1));
    p->SetParameter(QStringLiteral("Param_GlaeubigerRNr"), n(mandant.RNr));
    p->SetParameter(QStringLiteral("Param_GlaeubigerLNr"), n(mandant.LNr));
    p->SetParameter(QStringLiteral("Param_Firma_OrgeRNr"), n(firma.RNr));
    p->SetParameter(QStringLiteral("Param_Firma_OrgeLNr"), n(firma.LNr));
    p->SetParameter(QStringLiteral("Param_Firma_MitaRNr"), QStringLiteral("0"));
    p->SetParameter(QStringLiteral("Param_Firma_MitaLNr"), QStringLiteral("0"));
    p->SetParameter(QStringLiteral("Param_SchuldnerRNr"), n(an.GepNr.RNr));
    p->SetParameter(QStringLiteral("Param_SchuldnerLNr"), n(an.GepNr.LNr));
    p->SetParameter(QStringLiteral("Param_Anschrift_OrgeRNr"), n(an.OrgeNr.RNr));
    p->SetParameter(QStringLiteral("Param_Anschrift_OrgeLNr"), n(an.OrgeNr.LNr));
    p->SetParameter(QStringLiteral("Param_Schuldner_MitaRNr"), QStringLiteral("0"));
    p->SetParameter(QStringLiteral("Param_Schuldner_MitaLNr"), QStringLiteral("0"));
    p->SetParameter(QStringLiteral("Param_Beruecksichtigt"), QStringLiteral("06.12.2026"));
    p->SetParameter(QStringLiteral("Param_LogoKennung1"), QStringLiteral("BRIEF"));
    p->SetParameter(QStringLiteral("Param_LogoKennung2"), QStringLiteral("BRIEFKO"));
    p->SetParameter(QStringLiteral("Param_LogoName"), QStringLiteral("FIRMA1"));
    p->SetParameter(QStringLiteral("Param_LogoLfdNr"), QStringLiteral("0"));
    for (const char* s : {"Param_AbsenderAnzeigen", "Param_FonFaxMailBuchfiliale", "Param_GrussFilialname",
                          "Param_BelegFussDrucken"})
        p->SetParameter(QString::fromLatin1(s), QStringLiteral("J"));
    p->EngineReport()->Set_TopMargin(qel_mmToTwips(20));
    p->EngineReport()->Set_LeftMargin(qel_mmToTwips(25));
    p->EngineReport()->Set_BottomMargin(qel_mmToTwips(20));
    p->AddLogoConnectionByName(QStringLiteral("Bild5"), QStringLiteral("@const_LogoKennung1"),
                               QStringLiteral("@const_LogoKennung2"), QStringLiteral("@const_LogoName"),
                               QStringLiteral("@const_LogoLfdNr"));
    bericht.GetIReport(0)->Set_PaperOrientation(crPortrait);
    bericht.GetIReport(0)->Set_PaperSize(crPaperA4);
    bericht.Print(0, false);
    server.Druckauftrag_Beenden(QStringLiteral("MAHNUNG"), auftrag);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int briefe = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    const int laeufe = argc > 2 ? std::max(1, atoi(argv[2])) : 3;

    TDemoOptionen demo;
    TBenchSuite suite(&demo);
    const TSuiteKonfiguration& k = suite.Konfiguration;
    QDir().mkpath(k.BerichtsOrdner);
    // The shipped layout from the source tree.
    const QString vorlage = QStringLiteral(MAHNWESEN_SOURCE_DIR "/reports/mahnung.html");
    if (!QFile::copy(vorlage, QDir(k.BerichtsOrdner).filePath(QStringLiteral("mahnung.html")))) {
        std::printf("Briefvorlage fehlt: %s\n", qPrintable(vorlage));
        return 2;
    }

    // The first client writes to its partners.
    IQEL_MandListeServerRef mandanten;
    Glob_WWSServerFactoryClass().MandListeServer_Holen(mandanten);
    const TIntPair mandant = mandanten->Mandanten_Lesen().first().Id;
    Glob_WWSServerFactoryClass().MandListeServer_Freigeben(mandanten, QStringLiteral("bench"));
    IQEL_GPListenServerRef gp;
    Glob_WWSServerFactoryClass().GPListenServer_Holen(gp);
    TIntPair firma;
    gp->Gep_Lesen(mandant, firma);
    std::vector<TEmpfaenger> an;
    TVRList* partner = gp->Gep_Suchen(mandant, QString(), QString(), QString(), QString(), true, 200);
    for (int i = 0; i < partner->GetRowCount(); ++i) {
        TEmpfaenger e;
        e.GepNr = qel_String2TIntPair(partner->GetCellValueAsString(i, CQEL_GPSuchErgebnis_GepNr));
        gp->Gep_Lesen(e.GepNr, e.OrgeNr);
        an.push_back(e);
    }
    Glob_WWSServerFactoryClass().GPListenServer_Freigeben(gp);
    if (an.empty()) {
        std::printf("keine Geschäftspartner in den Demodaten\n");
        return 2;
    }

    IQEL_PrintEditServerRef server;
    Glob_WWSServerFactoryClass().PrintEditServer_Holen(server);
    std::vector<double> sekunden;
    int seiten = 0;
    // A third argument names a folder that keeps the letters for looking at them.
    const QString behalten = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString();
    for (int lauf = 0; lauf < laeufe; ++lauf) {
        QTemporaryDir pdfs;
        TBerichtAusgabe::PdfOrdner(behalten.isEmpty() ? pdfs.path() : behalten);
        QElapsedTimer t;
        t.start();
        const std::clock_t cpu = std::clock();
        for (int i = 0; i < briefe; ++i)
            brief(*server, mandant, firma, an[size_t(i) % an.size()], i + 1);
        sekunden.push_back(t.nsecsElapsed() / 1e9);
        // On a busy machine wall time includes waiting for a core; the CPU time shows the path's own cost.
        std::printf("  davon Rechenzeit %.2f s\n", double(std::clock() - cpu) / CLOCKS_PER_SEC);
        seiten = 0;
        for (const auto& a : TBerichtAusgabe::Ausgaben())
            seiten = std::max(seiten, a.Seiten);
        std::printf("Lauf %d: %d Briefe in %.2f s\n", lauf + 1, briefe, sekunden.back());
    }
    TBerichtAusgabe::PdfOrdner(QString());
    Glob_WWSServerFactoryClass().PrintEditServer_Freigeben(server);

    const double m = median(sekunden);
    const double ziel = 30.0 * briefe / 1000.0;
    std::printf("%-48s %9.2f s  (%.1f ms je Brief; Ziel <= %.1f s)%s\n", "Briefe als PDF (Median)", m, m * 1000 / briefe,
                ziel, m <= ziel ? "" : "  VERFEHLT");
    if (seiten != 1)
        std::printf("Ein Brief hat %d Seiten statt einer.\n", seiten);
    return m <= ziel && seiten == 1 ? 0 : 1;
}
