// Period dialog of the suite: a from-date and a to-date.
#pragma once

#include "suite/ui/controls.h"
#include "suite/ui/forms.h"

class TfrmZeitraumWahl : public TQELForm {
    Q_OBJECT
public:
    TfrmZeitraumWahl();

    TDateTime DatumVon() const { return m_von; }
    TDateTime DatumBis() const { return m_bis; }
    void SetDatumVon(TDateTime d);
    void SetDatumBis(TDateTime d);

    TQELStdEdit* edtVon;
    TQELStdEdit* edtBis;
    TResBitBtn* btnOk;
    TResBitBtn* btnAbbrechen;

    // OK: takes the two dates over when they can be read.
    void btnOkClick();

private:
    void kalender(TQELStdEdit* edit);
    TDateTime m_von = 0;
    TDateTime m_bis = 0;
};
