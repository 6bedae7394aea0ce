// Main menu of the dunning module.
#pragma once

#include "suite/ui/controls.h"
#include "suite/ui/dialogs/manddialog.h"
#include "suite/ui/forms.h"
#include "suite/core/types.h"

class TGpSuchDialog;

class TfrmHauptmnu : public TQELForm {
    Q_OBJECT
public:
    TfrmHauptmnu();
    ~TfrmHauptmnu() override;

    TQELStdPanel* pnlHintergrund;
    TQELStdBevel* bvlButtons;
    TQELStdSpeedButton* btnEnde;
    TQELStdLabel* dspMandant;
    TQELStdSpeedButton* btnMandantOeffnen;
    TButtons* btsMain;
    TMandDialog dlgMandant;

    // Read access for the windows it opens and for checks.
    TIntPair SelectedMandant() const { return FSelectedMandant; }
    QString SelectedMandant_Bez() const { return FSelectedMandant_Bez; }
    int SelectedMandant_Nr() const { return FSelectedMandant_Nr; }
    int SelectedRechner() const { return FSelectedRechner; }

    void btsMainBtnClick(QObject* sender, int buttonIndex, const QString& buttonName);
    void btnEndeClick();
    void actBeendenExecute();
    void btnMandantOeffnenClick();
    bool Mandant_Oeffnen();
    void FilialeZuAktRechner();
    void NeueMahnung();
    void BestehendeMahnungen();

protected:
    void FormCreate();
    void FormShow() override;
    void FormDestroy();
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    TIntPair FSelectedMandant;
    QString FSelectedMandant_Bez;
    int FSelectedMandant_Nr = 0;
    int FSelectedRechner = 0;
};
