// Text-block dialog: a short text naming the block and the block's letter text.
#pragma once

#include <array>

#include "suite/ui/controls.h"
#include "suite/ui/forms.h"

class Tkopftextpopupfrm : public TQELForm {
    Q_OBJECT
public:
    Tkopftextpopupfrm();

    QString Kurztext() const;
    void SetKurztext(const QString& v);
    QString Text() const;
    void SetText(const QString& v);

    // Options: offer the short-text field; offer buttons that insert the date placeholders.
    bool MitKurztext() const { return FMitKurztext; }
    void SetMitKurztext(bool v);
    bool MitPlatzhaltern() const { return FMitPlatzhaltern; }
    void SetMitPlatzhaltern(bool v);

    // Window caption and header line.
    void SetCaption(const QString& caption);

    TQELHeaderPanel* pnlHeader;
    TQELAttachLabel* alblKurztext;
    TQELStdEdit* edtKurztext;
    TQELAttachLabel* alblText;
    TQELRichEdit* redtText;
    TResBitBtn* btnHeute;
    TResBitBtn* btnBeruecksichtigt;
    TResBitBtn* btnAnrede;
    TResBitBtn* btnZahlungsziel;
    TResBitBtn* btnGesamtbetrag;
    TResBitBtn* btnAufstellung;
    TResBitBtn* btnOK;
    TResBitBtn* btnAbbrechen;

    void btnOKClick();
    void btnAbbrechenClick();
    void Platzhalter_Einfuegen(const QString& Platzhalter);

protected:
    void FormShow() override;

private:
    std::array<TResBitBtn*, 6> platzhalterKnoepfe() const
    {
        return {btnHeute, btnBeruecksichtigt, btnAnrede, btnZahlungsziel, btnGesamtbetrag, btnAufstellung};
    }
    void aufbauen();
    bool FMitKurztext = false;
    bool FMitPlatzhaltern = false;
};
