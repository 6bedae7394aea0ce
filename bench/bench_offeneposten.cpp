// Open-items window with 100,000 open items of one client: load, filters, check all, hand-over, memory.
#include "mahnungschreiben.h"
#include "mainu.h"
#include "suite/ui/programm.h"
#include "suite/core/servers/database.h"
#include "suite/demodaten/demodaten.h"
#include "benchhilfe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace bench;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TDemoOptionen demo;
    demo.GrossMandantOP = 100000;
    TBenchSuite suite(&demo);
    qel_SetModalHandler([](QDialog*) { return mrCancel; });

    const TMandantInfo gross = benchmarkMandant();
    if (!IntPairDefined(gross.Id)) {
        std::fprintf(stderr, "Benchmark-Mandant fehlt\n");
        return 2;
    }

    // The first open as the clerk has it: window made, shown, list loaded with its count and sum line.
    QElapsedTimer uhr;
    uhr.start();
    const double cpuStart = cpuMs();
    auto fenster = std::make_unique<Tfrmmainu>();
    Tfrmmainu& f = *fenster;
    f.SetSelectedMandant(gross.Id);
    f.SetSelectedMandant_Bez(gross.Name);
    f.SetSelectedPeriodeVon(CDatum_01_01_2005);
    f.SetSelectedPeriodeBis(qel_Now());
    f.show();
    const double erstesOeffnen = double(uhr.nsecsElapsed()) / 1e6, erstesOeffnenCpu = cpuMs() - cpuStart;
    const int zeilen = f.vtOffenePosten->NodeCount();
    std::printf("Offene Posten geladen: %d (%s)\n", zeilen, qPrintable(f.dspAuswahl->text()));
    if (zeilen < 90000)
        return 2;

    bool ok = true;
    ok &= pruefe("Erstes Öffnen mit Laden", erstesOeffnen, erstesOeffnenCpu, 1500);
    // The server's share of a load, for orientation.
    double abfrageCpu = 0;
    const double abfrage = messen(3, nullptr, [&] {
        const QVector<TSRVTyp> typen{TSRVTyp::srvDebitoren};
        f.ZahlungEditServer()->OffenePosten_Abfragen(gross.Id, CLeeresIntPair, CDatum_01_01_2005, qel_Now(), 0,
                                                     qel_Now(), qel_Now(), typen, 1, 1);
    }, &abfrageCpu);
    std::printf("%-56s %9.1f ms  CPU %9.1f ms  (Last %.2f)\n", "davon OffenePosten_Abfragen (Median aus 3)", abfrage,
                abfrageCpu, last());
    double ladenCpu = 0;
    const double laden = messen(5, nullptr, [&] { f.actAktualisierenExecute(); }, &ladenCpu);
    ok &= pruefe("Offene_Posten_Laden (Median aus 5)", laden, ladenCpu, 1500);

    // A partner of the client for the partner filter.
    const TIntPair partner = qel_String2TIntPair(
        f.vtOffenePosten->GetCellValueAsString(f.vtOffenePosten->GetFirst(), f.ZahlungEditServer()->Spalte_GepNr()));
    ok &= pruefe("Geschäftspartner-Filter setzen",
                 messen(7, [&] { f.SetSelectedGepNr(CLeeresIntPair); }, [&] {
                     f.SetSelectedGepNr(partner);
                     f.ZeilenSichtbarkeit_schalten();
                 }),
                 300);
    ok &= pruefe("Geschäftspartner-Filter aufheben", messen(7, [&] { f.SetSelectedGepNr(partner); f.ZeilenSichtbarkeit_schalten(); },
                                                           [&] { f.btnGepDeleteClick(); }),
                 300);
    ok &= pruefe("Zentralregulierung umschalten", messen(7, nullptr, [&] { f.cbxzentralregulierung->click(); }), 300);
    ok &= pruefe("Alle auswählen mit Anzahl und Summe",
                 messen(7, [&] { f.actAuswahlaufhebenExecute(); }, [&] { f.btnAuswahlAlle->click(); }), 100);
    std::printf("  %s\n", qPrintable(f.dspAuswahl->text()));

    // Hand-over of 10,000 checked items (the editor is created and answered at once).
    auto zehntausend = [&] {
        f.actAuswahlaufhebenExecute();
        f.vtOffenePosten->BeginUpdate();
        int n = 0;
        for (TVirtualNode* node = f.vtOffenePosten->GetFirstVisible(); node && n < 10000;
             node = f.vtOffenePosten->GetNextVisible(node), ++n)
            f.vtOffenePosten->SetCheckState(node, csCheckedNormal);
        f.vtOffenePosten->EndUpdate();
    };
    ok &= pruefe("Übernehmen von 10.000 Posten", messen(5, zehntausend, [&] { f.actWeiterExecute(); }), 500);
    if (!f.Uebergabeliste() || f.Uebergabeliste()->GetRowCount() != 10000) {
        std::fprintf(stderr, "Übergabeliste hat nicht 10.000 Zeilen\n");
        ok = false;
    }
    ok &= pruefe("Spitzenspeicher (VmHWM)", spitzeMb(), 400, "MB");
    return ok ? 0 : 1;
}
