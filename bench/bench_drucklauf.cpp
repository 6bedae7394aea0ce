// A run of 2,000 dunning letters of one to three pages into one PDF, the way the editor's run makes
// them: print job rows and report parameters on the GUI thread, layout and painting on all cores.
// Targets: median <= 20 s; peak memory <= 500 MB. Prints wall and CPU time, the machine's load, and
// where the time goes.
#include "suite/reports/briefsatz.h"
#include "suite/reports/crystalrdcn.h"
#include "suite/reports/drucklauf.h"
#include "suite/ui/programm.h"
#include "suite/core/servers/database.h"
#include "suite/demodaten/demodaten.h"

#include "benchbrief.h"
#include "benchhilfe.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <sys/resource.h>
#include <cstdio>
#include <vector>

using namespace bench;

namespace {

double threadMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

using TEmpfaenger = TBriefEmpfaenger;

// Rows and parameters of one letter; the letter's data gathered as the run does it on the GUI thread.
std::unique_ptr<TBriefsatz> brief(IQEL_PrintEditServer& server, const TIntPair& mandant, const TIntPair& firma,
                                  const TEmpfaenger& an, int nr, int posten)
{
    const int auftrag = server.Druckauftrag_Beginnen(QStringLiteral("MAHNUNG"));
    briefZeilen(server, auftrag, nr, posten);

    TCrystalRDCn bericht;
    briefBericht(bericht, server, auftrag, mandant, firma, an.GepNr, an.OrgeNr, nr);
    auto satz = bericht.Satz();
    server.Druckauftrag_Beenden(QStringLiteral("MAHNUNG"), auftrag);
    return satz;
}

int pdfSeiten(const QString& datei)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {datei});
    p.waitForFinished(60000);
    for (const QString& z : QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (z.startsWith(QLatin1String("Pages:")))
            return z.mid(6).trimmed().toInt();
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int briefe = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;
    const int laeufe = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    // "archiv": every letter is also made as its own PDF/A, as a run of freshly booked dunnings does
    // for the archive.
    const bool archiv = argc > 3 && QByteArray(argv[3]) == "archiv";

    TDemoOptionen demo;
    TBenchSuite suite(&demo);
    TIntPair mandant, firma;
    std::vector<TEmpfaenger> an;
    if (!briefUmgebung(suite.Konfiguration, mandant, firma, an))
        return 2;

    std::printf("Rechner: %d Kerne, %d Briefe gleichzeitig; Last vorher %.2f%s\n", QThread::idealThreadCount(),
                TDruckLauf::Gleichzeitig(), bench::last(), archiv ? "; jeder Brief auch als PDF/A fürs Archiv" : "");
    IQEL_PrintEditServerRef server;
    Glob_WWSServerFactoryClass().PrintEditServer_Holen(server);
    std::vector<double> sekunden;
    int seiten = 0;
    qint64 groesse = 0;
    bool fehlerfrei = true;
    for (int lauf = 0; lauf < laeufe; ++lauf) {
        QTemporaryDir ordner;
        const QString datei = ordner.filePath(QStringLiteral("lauf.pdf"));
        QElapsedTimer t;
        t.start();
        const double cpu0 = bench::cpuMs() / 1000;
        qint64 sammelnNs = 0;
        TDruckLauf::TZeiten z;
        int ausgegeben = 0;
        {
            TDruckLauf druck(TLaufWahl{TLaufZiel::EinePdf, datei});
            for (int i = 0; i < briefe; ++i) {
                // One, two or three pages: a few items, a long list, a very long list.
                const int posten = i % 3 == 0 ? 3 : i % 3 == 1 ? 40 : 80;
                const double s0 = threadMs();
                auto satz = brief(*server, mandant, firma, an[size_t(i) % an.size()], i + 1, posten);
                sammelnNs += qint64((threadMs() - s0) * 1e6);
                druck.Brief(i, std::move(satz), QByteArray(), an[size_t(i) % an.size()].Name, archiv);
            }
            druck.Beenden();
            z = druck.Zeiten();
            ausgegeben = druck.Ausgegeben();
            if (!druck.Fehlgeschlagen().isEmpty()) {
                fehlerfrei = false;
                std::printf("  Fehler: %s\n", qPrintable(druck.Fehlgeschlagen().first()));
            }
        }
        sekunden.push_back(t.nsecsElapsed() / 1e9);
        const double cpu = bench::cpuMs() / 1000 - cpu0;
        seiten = pdfSeiten(datei);
        groesse = QFileInfo(datei).size();
        std::printf("Lauf %d: %d von %d Briefen, %d Seiten, %.1f MB in %.2f s (Rechenzeit %.2f s, %.1f ms je Brief); "
                    "Last %.2f\n",
                    lauf + 1, ausgegeben, briefe, seiten, groesse / 1048576.0, sekunden.back(), cpu,
                    cpu * 1000 / briefe, bench::last());
        std::printf("  je Brief (CPU): Daten sammeln (GUI) %.2f ms, Setzen (Worker, Summe) %.2f ms, Ausgabe (GUI) "
                    "%.2f ms; Warten (GUI, Wand) %.2f ms; Datei schließen %.2f s\n",
                    sammelnNs / 1e6 / briefe, z.Setzen / 1e6 / briefe, z.Ausgabe / 1e6 / briefe,
                    z.Warten / 1e6 / briefe, z.Abschluss / 1e9);
    }
    Glob_WWSServerFactoryClass().PrintEditServer_Freigeben(server);

    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    const double spitze = r.ru_maxrss / 1024.0;
    const double m = median(sekunden);
    bool ok = pruefe("Lauf in eine PDF-Datei (Median)", m, 20.0 * briefe / 2000.0, "s");
    ok = pruefe("Speicher (max RSS)", spitze, 500, "MB") && ok;
    return ok && fehlerfrei ? 0 : 1;
}
