// Asks for a reason, and optionally an end date: dunning blocks and cancellations.
#pragma once

#include "suite/ui/controls.h"
#include "suite/ui/forms.h"

class TfrmGrundDialog : public TQELForm {
    Q_OBJECT
public:
    // mitDatum: the end date field is shown and must hold a date not before today.
    TfrmGrundDialog(const QString& titel, const QString& hinweis, bool mitDatum);

    QString Grund() const { return m_grund; }
    TDateTime Bis() const { return m_bis; }
    void SetBis(TDateTime d);

    TQELStdEdit* edtGrund;
    TQELStdEdit* edtBis;
    TResBitBtn* btnOk;
    TResBitBtn* btnAbbrechen;

    // OK: takes reason and date over when both are valid.
    void btnOkClick();

private:
    bool m_mitDatum;
    QString m_grund;
    TDateTime m_bis = 0;
};
