// Input help of the default interest: the debtor's kind, which items, the flat fee.
#pragma once

#include "suite/ui/controls.h"
#include "suite/ui/forms.h"

class TfrmVerzugszins : public TQELForm {
    Q_OBJECT
public:
    TfrmVerzugszins();

    bool Verbraucher() const { return rgrpSchuldner->ItemIndex() == 1; }
    bool AllePosten() const { return rgrpUmfang->ItemIndex() == 1; }
    bool Pauschale() const { return cbxPauschale->isEnabled() && cbxPauschale->isChecked(); }

    TQELStdRadioGroup* rgrpSchuldner;
    TQELStdRadioGroup* rgrpUmfang;
    TQELStdCheckBox* cbxPauschale;
    TResBitBtn* btnOk;
    TResBitBtn* btnAbbrechen;

private:
    void rgrpSchuldnerClick();
};
