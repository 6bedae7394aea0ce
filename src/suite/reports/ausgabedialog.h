// The output of a run of several letters, chosen once for the whole run.
#pragma once

#include "suite/ui/controls.h"
#include "suite/ui/forms.h"

// EMail: each letter goes to the caller as it is made (the mail run sends it); no output of its own.
enum class TLaufZiel { Drucker, EinePdf, PdfJePartner, Vorschau, EMail };

struct TLaufWahl {
    TLaufZiel Ziel = TLaufZiel::EinePdf;
    QString Pfad;  // the file (one PDF) or the folder (one PDF per partner)
};

class TAusgabeDialog : public TQELForm {
    Q_OBJECT
public:
    // anzahl: letters in the run, for the heading.
    explicit TAusgabeDialog(int anzahl);
    ~TAusgabeDialog() override;

    // Shows the dialog; false when the clerk cancels. Without a printer the choice starts at one PDF.
    bool Execute(TLaufWahl& wahl);
    // Offers "Per E-Mail senden" (the workstation sends mail, and the letters are not the mail run's rest).
    void SetMitEMail(bool v);

    TQELHeaderPanel* pnlHeader;
    TQELStdRadioGroup* rgrpZiel;  // printer, one PDF, one PDF per partner, preview of the run, e-mail
    TQELStdLabel* lblDrucker;     // says when no printer is set up
    TQELAttachLabel* alblPfad;
    TQELStdEdit* edtPfad;
    TQELStdSpeedButton* btnPfad;
    TResBitBtn* btnOK;
    TResBitBtn* btnAbbrechen;

private:
    void rgrpZielClick();
    void btnPfadClick();
    void btnOKClick();
    TLaufZiel Ziel() const;

    bool FDrucker = false;
};
