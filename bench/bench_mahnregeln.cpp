// Dunning rules on the demo's 100,000 open items: default interest of 10,000 listed items, and loading
// the open-items window with dunning blocks and minimum-days marks.
#include "mahnungschreiben.h"
#include "mainu.h"
#include "suite/ui/dialogs/verzugszinsdialog.h"
#include "suite/core/servers/mahnregelnserver.h"
#include "benchhilfe.h"

#include <cstdio>

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

    Tfrmmainu f;
    f.SetSelectedMandant(gross.Id);
    f.SetSelectedMandant_Bez(gross.Name);
    f.SetSelectedPeriodeVon(CDatum_01_01_2005);
    f.SetSelectedPeriodeBis(qel_Now());
    f.show();
    // The same load without any block or minimum, for comparison on this machine at this moment.
    double ohneCpu = 0;
    const double ohne = messen(5, nullptr, [&] { f.actAktualisierenExecute(); }, &ohneCpu);
    std::printf("%-56s %9.1f ms  CPU %9.1f ms  (Last %.2f)\n", "Offene_Posten_Laden ohne Sperren (Median aus 5)", ohne,
                ohneCpu, last());

    // Blocks: every 20th partner and every 100th item; at least 30 days between two dunnings.
    {
        IQEL_ZahlungEditServerRef z;
        Glob_ServerFactoryClass().ZahlungEditServer_Holen(z);
        z->OffenePosten_Abfragen(gross.Id, CLeeresIntPair, CDatum_01_01_2005, qel_Now(), 0, qel_Now(), qel_Now(),
                                 {TSRVTyp::srvDebitoren}, 1, 1);
        TVRList* l = z->OffenePosten_Liste();
        QSet<QString> partner;
        for (int i = 0; i < l->GetRowCount(); ++i) {
            const QString gep = l->GetCellValueAsString(i, z->Spalte_GepNr());
            if (i % 100 == 0)
                MahnRegeln_Sperren({gross.Id, CLeeresIntPair,
                                    TIntTrio{int(l->GetCellValueAsInteger(i, z->Spalte_RechnerNummer())),
                                             int(l->GetCellValueAsInteger(i, z->Spalte_TransNummer())),
                                             int(l->GetCellValueAsInteger(i, z->Spalte_LfdNummer()))},
                                    QStringLiteral("Reklamation"), qel_Now() + 30, QString()});
            if (!partner.contains(gep)) {
                if (partner.size() % 20 == 0)
                    MahnRegeln_Sperren({gross.Id, qel_String2TIntPair(gep), TIntTrio{}, QStringLiteral("Insolvenz"),
                                        qel_Now() + 90, QString()});
                partner.insert(gep);
            }
        }
        Glob_ServerFactoryClass().ZahlungEditServer_Freigeben(z);
        TMahnEinstellungen e;
        e.MindestTage = 30;
        MahnRegeln_Speichern(gross.Id, e);
    }

    f.actAktualisierenExecute();
    TVTVRList* vt = f.vtOffenePosten;
    int gesperrt = 0;
    for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
        gesperrt += Tfrmmainu::Ist_Gesperrt(n) ? 1 : 0;
    std::printf("Offene Posten geladen: %d, davon gesperrt oder zu kurz nach der letzten Mahnung: %d\n",
                vt->NodeCount(), gesperrt);
    if (vt->NodeCount() < 90000 || gesperrt == 0)
        return 2;

    double ladenCpu = 0;
    const double laden = messen(5, nullptr, [&] { f.actAktualisierenExecute(); }, &ladenCpu);
    bool ok = pruefe("Offene_Posten_Laden mit Sperren (Median aus 5)", laden, ladenCpu, 1500);

    // Interest of 10,000 items up to the last day the shipped base-rate table covers.
    const TDateTime bis = qel_DateFromQDate(MahnRegeln_Basiszinsen().Ende());
    std::vector<TZinsPosten> posten;
    IQEL_ZahlungEditServer* s = f.ZahlungEditServer();
    for (TVirtualNode* n = vt->GetFirst(); n && posten.size() < 10000; n = vt->GetNext(n))
        posten.push_back({int(vt->GetCellValueAsInteger(n, s->Spalte_RechnerNummer())),
                          int(vt->GetCellValueAsInteger(n, s->Spalte_TransNummer())),
                          int(vt->GetCellValueAsInteger(n, s->Spalte_LfdNummer())),
                          vt->GetCellValueAsFloat(n, s->Spalte_Saldo()), vt->GetCellValueAsString(n, s->Spalte_Belegnummer())});
    IQEL_MahnungEditServerRef m;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(m);
    bool berechnet = true;
    double cpu = 0;
    const double zins = messen(7, nullptr, [&] { berechnet &= m->Verzugszinsen_Berechnen(bis, false, posten); }, &cpu);
    double summe = 0;
    for (const TZinsPosten& p : posten)
        summe += p.Zins;
    std::printf("Verzugszinsen von %zu Posten bis %s: %.2f EUR (CPU %.1f ms)\n", posten.size(),
                qPrintable(DateToStr(bis)), summe, cpu);
    ok &= berechnet && pruefe("Verzugszinsen für 10.000 Posten (Median aus 7)", zins, cpu, 50);
    Glob_ServerFactoryClass().MahnungEditServer_Freigeben(m);
    return ok ? 0 : 1;
}
