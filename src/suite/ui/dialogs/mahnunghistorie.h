// Dunning history of one open item.
#pragma once

#include "suite/ui/controls.h"
#include "suite/ui/forms.h"
#include "suite/core/servers/interfaces.h"
#include "suite/ui/vtvrlist.h"

class TfrmMahnungHistorie : public TQELForm {
    Q_OBJECT
public:
    TfrmMahnungHistorie();
    ~TfrmMahnungHistorie() override;

    // The item and what the header shows about it.
    int RechnerNummer = 0;
    int TransNummer = 0;
    int LfdNummer = 0;
    QString Belegnummer;
    QString Mandant_Bez;
    TDateTime Rechnungsdatum = 0;
    QString GepName;

    TQELStdLabel* dspBeleg;
    TQELStdLabel* dspMandant;
    TQELStdLabel* dspGep;
    TVTVRList* vtHistorie;
    TResBitBtn* btnSchliessen;

protected:
    void FormShow() override;

private:
    IQEL_MahnungEditServerRef FMahnungEditServer;
};
