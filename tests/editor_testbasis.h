// Shared fixture of the dunning-editor tests: a small client whose open items are handed over
// through the real open-items window, and the editor opened on that transfer table.
#pragma once

#include "mahnungschreiben.h"
#include "mainu.h"
#include "suite/ui/programm.h"
#include "suite/core/servers/database_intern.h"
#include "support/temp_suite.h"
#include "support/testdaten.h"
#include "support/umgebung.h"

#include <gtest/gtest.h>
#include <memory>

namespace editortest {

inline const TDateTime kHeute = 46364.0;  // 08.12.2026
inline const TDateTime kJetzt = kHeute + 0.4375;  // 10:30

class EditorTest : public ::testing::Test {
protected:
    EditorTest() : umg(kJetzt)
    {
        QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
        alpha = mandant.Partner(QStringLiteral("Alpha GmbH"));
        beta = mandant.Partner(QStringLiteral("Beta KG"));
        gamma = mandant.Partner(QStringLiteral("Gamma AG"));
        mandant.Posten(alpha, {QStringLiteral("A1"), kHeute - 37, 100.0, 0, kHeute - 23, 0, false, QString()});
        mandant.Posten(alpha, {QStringLiteral("A2"), kHeute - 100, 250.5, 0, kHeute - 80, 2, false, QString()});
        mandant.Posten(beta, {QStringLiteral("B1"), kHeute - 84, 1000.0, 0, kHeute - 70, 1, false, QString()});
        mandant.Posten(gamma, {QStringLiteral("G1"), kHeute - 20, 0, 300.0, kHeute - 6, 0, false, QString()});
    }

    // The open-items window hands over the items with these document numbers (in its own list order).
    // The open-items window on the client's items since 2005, shown (its first load has run).
    std::unique_ptr<Tfrmmainu> offenePosten(const TIntPair& partner = CLeeresIntPair)
    {
        auto f = std::make_unique<Tfrmmainu>();
        f->SetSelectedMandant(mandant.Id);
        f->SetSelectedMandant_Bez(mandant.Name);
        f->SetSelectedMandant_Nr(mandant.Nr);
        f->SetSelectedPeriodeVon(CDatum_01_01_2005);
        f->SetSelectedPeriodeBis(kJetzt);
        f->SetSelectedGepNr(partner);
        f->show();
        return f;
    }

    void uebergeben(const QStringList& belege, const TIntPair& partner = CLeeresIntPair)
    {
        mainu = offenePosten(partner);
        TVTVRList* vt = mainu->vtOffenePosten;
        const int spalte = mainu->ZahlungEditServer()->Spalte_Belegnummer();
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
            if (belege.contains(vt->GetCellValueAsString(n, spalte)))
                vt->SetCheckState(n, csCheckedNormal);
        umg.BeiModal<TfrmMahnungSchreiben>([](TfrmMahnungSchreiben*) { return mrCancel; });
        mainu->btnUebernehmen->click();
        umg.Recorder->Leeren();
    }

    // The editor in writing mode on the handed-over items, shown (FormShow has run).
    std::unique_ptr<TfrmMahnungSchreiben> oeffnen(const QStringList& belege, const TIntPair& partner = CLeeresIntPair,
                                                  const QString& gepName = QString())
    {
        uebergeben(belege, partner);
        auto e = std::make_unique<TfrmMahnungSchreiben>();
        e->SetGewaehltePosten(mainu->Uebergabeliste());
        e->SetSelectedMandant(mandant.Id);
        e->SetSelectedMandant_Bez(mandant.Name);
        e->SetSelectedGepNr(partner);
        e->SetSelectedOrgeNr(CLeeresIntPair);
        e->SetGepName(gepName);
        e->SetColGep(mainu->ColGep());
        e->SetColGepNr(mainu->ColGepNr());
        e->SetColBelegNr(mainu->ColBelegnr());
        e->SetColDatum(mainu->ColDatum());
        e->SetColSoll(mainu->ColSoll());
        e->SetColHaben(mainu->ColHaben());
        e->SetColSaldo(mainu->ColSaldo());
        e->SetColZahlbarbis(mainu->ColZahlungsziel());
        e->SetColKommentar(mainu->ColKommentar());
        e->SetColMahnstufe(mainu->ColMahnstufe());
        e->SetColMahngebuehren(mainu->ColMahngebuehren());
        e->SetColVerzugszins(mainu->ColVerzugszinsen());
        e->SetColRNr(mainu->ColRechnerNummer());
        e->SetColTRansNr(mainu->ColTransNummer());
        e->SetColLNr(mainu->ColLfdNummer());
        e->SetColPauschale(mainu->ColPauschale());
        e->show();
        return e;
    }

    static TVirtualNode* zeile(TfrmMahnungSchreiben* e, const QString& beleg)
    {
        TVTVRList* vt = e->vtGewaehltePosten;
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
            if (vt->GetCellValueAsString(n, e->ColBelegNr()) == beleg)
                return n;
        return nullptr;
    }

    static QStringList reihenfolge(TfrmMahnungSchreiben* e)
    {
        QStringList belege;
        TVTVRList* vt = e->vtGewaehltePosten;
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
            belege << vt->GetCellValueAsString(n, e->ColBelegNr());
        return belege;
    }

    static void waehlen(TfrmMahnungSchreiben* e, const QString& beleg)
    {
        e->vtGewaehltePosten->SetSelected(zeile(e, beleg), true);
    }

    // Typing into an edit and leaving it.
    static void verlassen(TQELStdEdit* edit, const QString& text)
    {
        edit->setText(text);
        emit edit->Exit(edit);
    }

    TTempSuite suite{false};
    TTestUmgebung umg;
    TTestMandant mandant{7, QStringLiteral("Testmandant GmbH")};
    TIntPair alpha, beta, gamma;
    std::unique_ptr<Tfrmmainu> mainu;
};

}  // namespace editortest
