// Dunning list of a client with 50,000 booked dunnings in the period: loading with a partner filter,
// and finding one dunning by its number.
#include "selektionsfrm.h"
#include "suite/ui/dialogs/gpsuchdialog.h"
#include "suite/ui/programm.h"
#include "suite/core/servers/database.h"
#include "suite/demodaten/demodaten.h"

#include "benchhilfe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <vector>

using namespace bench;

namespace {

constexpr int kMahnungen = 50000;

struct TBenchPosten {
    TIntPair GepNr;
    TQEL_Mahnung_Belegpositionen Position;
};

bool buchen(IQEL_MahnungEditServer* mahnung, TQEL_Mahnung_Beleg_Array& belege, int& gebucht)
{
    if (belege.empty())
        return true;
    if (!mahnung->Mahnungen_Buchen(belege))
        return false;
    gebucht += int(belege.size());
    belege.clear();
    return true;
}

// One dunning per open item and round, spread over the last 300 days; every round duns the items
// again at their next level, booked in a few large calls.
int mahnungenBuchen(const TIntPair& mandant)
{
    IQEL_ZahlungEditServerRef zahlung;
    Glob_ServerFactoryClass().ZahlungEditServer_Holen(zahlung);
    const TDateTime jetzt = qel_Now();
    zahlung->OffenePosten_Abfragen(mandant, CLeeresIntPair, CDatum_01_01_2005, jetzt, 0, jetzt, jetzt,
                                   {TSRVTyp::srvDebitoren}, 1, 1);
    TVRList* op = zahlung->OffenePosten_Liste();
    std::vector<TBenchPosten> posten;
    for (int r = 0; r < op->GetRowCount(); ++r) {
        TBenchPosten b;
        b.GepNr = qel_String2TIntPair(op->GetCellValueAsString(r, zahlung->Spalte_GepNr()));
        TQEL_Mahnung_Belegpositionen& p = b.Position;
        p.RNr = int(op->GetCellValueAsInteger(r, zahlung->Spalte_RechnerNummer()));
        p.TransNr = int(op->GetCellValueAsInteger(r, zahlung->Spalte_TransNummer()));
        p.LfdNr = int16_t(op->GetCellValueAsInteger(r, zahlung->Spalte_LfdNummer()));
        p.Mahnstufe = int(op->GetCellValueAsInteger(r, zahlung->Spalte_Mahnstufe()));
        p.Saldo = op->GetCellValueAsFloat(r, zahlung->Spalte_Saldo());
        p.Mahngebuehren = 2.5;
        p.Belegnummer = op->GetCellValueAsString(r, zahlung->Spalte_Belegnummer());
        p.Belegdatum = op->GetCellValueAsDate(r, zahlung->Spalte_Datum());
        posten.push_back(b);
    }
    Glob_ServerFactoryClass().ZahlungEditServer_Freigeben(zahlung);
    if (posten.empty())
        return 0;

    IQEL_GPListenServerRef gp;
    Glob_WWSServerFactoryClass().GPListenServer_Holen(gp);
    IQEL_MahnungEditServerRef mahnung;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(mahnung);
    std::map<std::pair<int, int>, TIntPair> orgen;
    TQEL_Mahnung_Beleg_Array belege;
    int gebucht = 0;
    for (int n = 0; gebucht + int(belege.size()) < kMahnungen; ++n) {
        TBenchPosten& bp = posten[n % posten.size()];
        TQEL_Mahnung_Beleg b;
        b.Mandant = mandant;
        b.GepNr = bp.GepNr;
        const std::pair<int, int> gepKey{bp.GepNr.RNr, bp.GepNr.LNr};
        if (!orgen.count(gepKey))
            gp->Gep_Lesen(bp.GepNr, orgen[gepKey]);
        b.OrgeNr = orgen[gepKey];
        b.Mahnungsdatum = jetzt - 1 - (n % 300) - 0.25;
        b.Beruecksichtigt = b.Mahnungsdatum;
        b.MahnungsText = QStringLiteral("Bitte begleichen Sie den offenen Betrag bis #Heute.");
        bp.Position.Mahnstufe += 1;
        bp.Position.ZahlbarBis = b.Mahnungsdatum + 5;
        b.Positionen.push_back(bp.Position);
        belege.push_back(std::move(b));
        // A round ends where the items start over: an item is dunned once per call.
        if ((belege.size() == 10000 || (n + 1) % posten.size() == 0) && !buchen(mahnung.get(), belege, gebucht))
            return -1;
    }
    if (!buchen(mahnung.get(), belege, gebucht))
        return -1;
    Glob_ServerFactoryClass().MahnungEditServer_Freigeben(mahnung);
    Glob_WWSServerFactoryClass().GPListenServer_Freigeben(gp);
    return gebucht;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TDemoOptionen demo;
    demo.GrossMandantOP = 60000;
    TBenchSuite suite(&demo);

    const TMandantInfo gross = benchmarkMandant();
    if (!IntPairDefined(gross.Id)) {
        std::fprintf(stderr, "Benchmark-Mandant fehlt\n");
        return 2;
    }
    QElapsedTimer buchung;
    buchung.start();
    const int gebucht = mahnungenBuchen(gross.Id);
    std::printf("Mahnungen gebucht: %d in %.1f s\n", gebucht, buchung.nsecsElapsed() / 1e9);
    if (gebucht != kMahnungen)
        return 2;


    // The partner search answers with its first hit.
    qel_SetModalHandler([](QDialog* d) {
        auto* s = dynamic_cast<TfrmGpSuche*>(d);
        if (!s)
            return int(mrCancel);
        s->Suchen();
        s->lstErgebnis->setCurrentItem(s->lstErgebnis->topLevelItem(0));
        return s->Uebernehmen() ? int(mrOk) : int(mrCancel);
    });
    TfrmSelektion f;
    f.SetSelectedMandant(gross.Id);
    f.SetSelectedMandant_Bez(gross.Name);
    f.show();

    bool ok = true;
    const double ohne = messen(5, nullptr, [&] { f.Mahnungen_Laden(); });
    std::printf("Mahnungen_Laden ohne Geschäftspartner: %d Zeilen, %.1f ms\n", f.vtMahnungen->NodeCount(), ohne);
    if (f.vtMahnungen->NodeCount() != kMahnungen) {
        std::fprintf(stderr, "Die Liste hat nicht %d Zeilen\n", kMahnungen);
        ok = false;
    }
    f.btnGepSucheClick();
    if (!f.GepGewaehlt()) {
        std::fprintf(stderr, "Kein Geschäftspartner gewählt\n");
        return 2;
    }
    double cpu = 0;
    const double laden = messen(5, nullptr, [&] { f.Mahnungen_Laden(); }, &cpu);
    ok &= pruefe("Mahnungen_Laden mit Geschäftspartner (Median aus 5)", laden, cpu, 500);
    int sichtbar = 0;
    for (TVirtualNode* n = f.vtMahnungen->GetFirstVisible(); n; n = f.vtMahnungen->GetNextVisible(n))
        ++sichtbar;
    std::printf("  davon sichtbar: %d\n", sichtbar);

    // The search refills the server's table; the view must not show it meanwhile.
    {
        f.vtMahnungen->BeginUpdate();
        f.vtMahnungen->Clear();
        f.vtMahnungen->SetVRList(nullptr);
        f.vtMahnungen->EndUpdate();
    }
    IQEL_MahnungEditServer* s = f.MahnungEditServer();
    const int jahr = qel_ToQDate(qel_Now() - 2).year();
    int lfd = 0;
    bool gefunden = true;
    const double suche = messen(21, nullptr, [&] {
        lfd = lfd % 1000 + 1;
        gefunden &= s->Mahnung_Suchen_Belegnummer(gross.Id, lfd, jahr, QELProgramm().GetRId());
    }, &cpu);
    ok &= pruefe("Mahnung_Suchen_Belegnummer (Median aus 21)", suche, cpu, 20);
    if (!gefunden) {
        std::fprintf(stderr, "Eine Belegnummer wurde nicht gefunden\n");
        ok = false;
    }
    qel_SetModalHandler({});
    return ok ? 0 : 1;
}
