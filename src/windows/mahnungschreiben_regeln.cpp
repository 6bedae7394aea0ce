// Dunning editor: default interest by law as the input help of the interest edit, and the flat fee.
#include "mahnungschreiben.h"
#include "suite/ui/dialogs/grunddialog.h"
#include "suite/ui/dialogs/verzugszinsdialog.h"
#include "suite/ui/programm.h"
#include "suite/ui/vtupdate.h"

bool TfrmMahnungSchreiben::Hat_Pauschale() const
{
    return FGewaehltePosten && FColPauschale >= 0 && FColPauschale < FGewaehltePosten->GetColumnCount();
}

void TfrmMahnungSchreiben::Verzugszins_Eingabehilfe()
{
    Guard(__func__, [&] {
        if (FModus != CQEL_Mahnungen_Schreiben)
            return;
        TVTVRList* vt = vtGewaehltePosten;
        TVirtualNode* gewaehlt = vt->GetFirstSelected();
        auto dialog = std::make_unique<TfrmVerzugszins>();
        dialog->cbxPauschale->setVisible(Hat_Pauschale());
        if (!gewaehlt)
            dialog->rgrpUmfang->SetItemIndex(1);
        // The partner's master data presets the debtor's kind; the clerk can still change it.
        const TIntPair partner = IntPairDefined(FSelectedGepNr) || !gewaehlt
                                     ? FSelectedGepNr
                                     : qel_String2TIntPair(vt->GetCellValueAsString(gewaehlt, FColGepNr));
        if (IntPairDefined(partner) && FMahnungEditServer->Ist_Verbraucher(partner))
            dialog->rgrpSchuldner->SetItemIndex(1);
        if (dialog->ShowModal() != mrOk)
            return;
        std::vector<TVirtualNode*> knoten;
        if (dialog->AllePosten()) {
            for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
                knoten.push_back(n);
        } else if (gewaehlt) {
            knoten.push_back(gewaehlt);
        }
        std::vector<TZinsPosten> posten;
        posten.reserve(knoten.size());
        for (TVirtualNode* n : knoten)
            posten.push_back({int(vt->GetCellValueAsInteger(n, FColRNr)), int(vt->GetCellValueAsInteger(n, FColTransNr)),
                              int(vt->GetCellValueAsInteger(n, FColLNr)), vt->GetCellValueAsFloat(n, FColSaldo),
                              vt->GetCellValueAsString(n, FColBelegNr)});
        // The server names an item it cannot compute; then nothing changes.
        if (!FMahnungEditServer->Verzugszinsen_Berechnen(FMahnungsdatum, dialog->Verbraucher(), posten))
            return;
        {
            TVTUpdate u(vt);
            for (size_t i = 0; i < knoten.size(); ++i) {
                Float2VRItem(vt->GetCellValue(knoten[i], FColVerzugszins), posten[i].Zins);
                if (!Hat_Pauschale())
                    continue;
                // Once per invoice: not when a standing dunning charged it already.
                const bool pauschale = dialog->Pauschale() &&
                                       !FMahnungEditServer->Pauschale_Berechnet(posten[i].RNr, posten[i].TransNr,
                                                                                posten[i].LfdNr);
                Float2VRItem(vt->GetCellValue(knoten[i], FColPauschale), pauschale ? CMahnregel_Pauschale : 0.0);
            }
        }
        if (gewaehlt)
            edtZinssatz->SetAsFloat(vt->GetCellValueAsFloat(gewaehlt, FColVerzugszins));
        SummeOPBerechnen();
    });
}

void TfrmMahnungSchreiben::Storno_Anzeigen()
{
    qel_Guard(QStringLiteral("Storno_Anzeigen"), [&] {
        FStornoText = IntPairDefined(FMahnungsID) ? FMahnungEditServer->Storno_Text(FMahnungsID) : QString();
        lblStorniert->setText(FStornoText.isEmpty() ? QString() : QStringLiteral("STORNIERT - ") + FStornoText);
        lblStorniert->setVisible(!FStornoText.isEmpty());
        const bool anbieten = FModus == CQEL_Mahnung_Lesen && IntPairDefined(FMahnungsID) && FStornoText.isEmpty() &&
                              UserHatRecht(203);
        btnStornieren->setVisible(anbieten);
        btnStornieren->setEnabled(anbieten);
    });
}

void TfrmMahnungSchreiben::actStornierenExecute()
{
    Guard(__func__, [&] {
        if (FModus != CQEL_Mahnung_Lesen || !IntPairDefined(FMahnungsID))
            return;
        auto dialog = std::make_unique<TfrmGrundDialog>(
            QStringLiteral("Mahnung stornieren"),
            QStringLiteral("Die Mahnstufen der Posten werden zurückgesetzt; die Mahnung bleibt als storniert erhalten."),
            false);
        if (dialog->ShowModal() != mrOk)
            return;
        // The server refuses with its reason, e.g. when an item was dunned again since.
        if (!FMahnungEditServer->Mahnung_Stornieren(FMahnungsID, dialog->Grund()))
            return;
        Storno_Anzeigen();
        qel_Meldung(CMeldung_Hinweis, 997, QStringLiteral("Die Mahnung wurde storniert."));
    });
}
