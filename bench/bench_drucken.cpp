// 1,000 one-page dunning letters through the whole print path: print job rows, report parameters,
// template, layout and PDF. Target: median of the runs <= 30 s (30 ms a letter).
#include "suite/ui/dialogs/layoutform.h"
#include "suite/ui/programm.h"
#include "suite/reports/berichtausgabe.h"
#include "suite/reports/crystalrdcn.h"
#include "suite/core/servers/database.h"
#include "suite/demodaten/demodaten.h"

#include "benchbrief.h"
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

using TEmpfaenger = TBriefEmpfaenger;

void brief(IQEL_PrintEditServer& server, const TIntPair& mandant, const TIntPair& firma, const TEmpfaenger& an, int nr)
{
    const int auftrag = server.Druckauftrag_Beginnen(QStringLiteral("MAHNUNG"));
    briefZeilen(server, auftrag, nr, 3);

    TCrystalRDCn bericht;
    briefBericht(bericht, server, auftrag, mandant, firma, an.GepNr, an.OrgeNr, nr);
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
    TIntPair mandant, firma;
    std::vector<TEmpfaenger> an;
    if (!briefUmgebung(suite.Konfiguration, mandant, firma, an))
        return 2;

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
