// Dunning list: booked dunnings of a client and period, the number search and viewing one in the editor.
#pragma once

#include "suite/ui/controls.h"
#include "suite/ui/dialogs/calendardialog.h"
#include "suite/ui/dialogs/gpsuchdialog.h"
#include "suite/ui/dialogs/manddialog.h"
#include "suite/ui/forms.h"
#include "suite/core/servers/interfaces.h"
#include "suite/ui/vtvrlist.h"

class QHBoxLayout;

class TfrmSelektion : public TQELForm {
    Q_OBJECT
public:
    TfrmSelektion();
    ~TfrmSelektion() override;

    // --- properties
    TIntPair SelectedMandant() const { return FSelectedMandant; }
    void SetSelectedMandant(const TIntPair& v) { FSelectedMandant = v; }
    QString SelectedMandant_Bez() const { return FSelectedMandant_Bez; }
    void SetSelectedMandant_Bez(const QString& v) { FSelectedMandant_Bez = v; }
    int SelectedRechner() const { return FSelectedRechner; }
    void SetSelectedRechner(int v) { FSelectedRechner = v; }

    // Read access for checks.
    TDateTime SelectedDatumVon() const { return FSelectedDatumVon; }
    TDateTime SelectedDatumBis() const { return FSelectedDatumBis; }
    TIntPair SelectedGepNr() const { return FSelectedGepNr; }
    QString GepName() const { return FGepName; }
    bool GepGewaehlt() const { return FGepGewaehlt; }
    IQEL_MahnungEditServer* MahnungEditServer() const { return FMahnungEditServer.get(); }

    // --- controls
    TQELStdPanel* pnlHintergrund;
    TQELHeaderPanel* pnlHeader;
    TQELAttachLabel* alblmand;
    TQELStdLabel* dspMandant;
    TQELStdSpeedButton* btnMandantenSuche;
    TQELAttachLabel* alblgep;
    TQELStdLabel* dspGep;
    TQELStdSpeedButton* btnGepSuche;
    TQELStdSpeedButton* btnGepLoeschen;
    TQELAttachLabel* alblZrVon;
    TQELStdEdit* edtZeitraumVon;
    TQELStdSpeedButton* btnZeitraumVon;
    TQELAttachLabel* alblZrbis;
    TQELStdEdit* edtZeitraumBis;
    TQELStdSpeedButton* btnZeitraumBis;
    TQELStdLabel* albNummer;
    TQELStdEdit* edtphase;
    TQELStdEdit* edtLfdNr;
    TQELStdLabel* lblStricher;
    TQELStdEdit* edtWJ;
    TQELStdEdit* edtRNr;
    TQELStdSpeedButton* btnBelegNummernSuche;
    TQELStdLabel* lbRechnerTxt;
    TVTVRList* vtMahnungen;
    TQELStdPanel* spnlButtons;
    TResBitBtn* btnAnzeigen;
    TResBitBtn* btnDrucken;  // the selected dunnings printed again, together (copies)
    TResBitBtn* btnSuchen;
    TResBitBtn* btnLoeschen;
    TResBitBtn* btnClose;
    TResBitBtn* btnMailSenden;
    TMandDialog dlgMandant;
    TGpSuchDialog dlgGepSuche;
    TCalendarDialog dlgKalender;

    // --- list
    void Mahnungen_Laden();
    void Mahnungen_Spalten_einstellen();
    void Gep_Ausblenden();
    bool MandantWaehlen();
    void btnMandantenSucheClick();
    void btnSuchenClick();
    void btnGepSucheClick();
    void btngeploeschenClick();
    void DatumSetzen(QObject* Sender);
    bool Zeitraum_Testen(TDateTime Von, TDateTime Bis);
    void edtZeitraumVonExit(QObject* Sender);
    void edtZeitraumBisExit(QObject* Sender);
    void Maske_Aktualisieren();
    void btnLoeschenClick();
    void btnCloseClick();

    // --- finding and viewing
    void vtMahnungenDblClick();
    void btnAnzeigenClick();
    void btnDruckenClick();
    // Prints the selected dunnings again in one run.
    void Mahnungen_Drucken();
    void btnbelegnummersucheClick();
    void BelegnummerKeyDown(QObject* Sender, int Key);
    void Suche_Belegnummer(bool MitMeldung);
    void Mahnung_Betrachten(bool ErsteZeile);
    // An editor in viewing mode on the dunning of this row.
    std::unique_ptr<class TfrmMahnungSchreiben> Editor_Fuellen(TVirtualNode* zeile);

    // --- dunning mails (selektionsfrm_mail.cpp)
    void btnMailSendenClick();
    void Mahnungen_Erneut_Senden();

protected:
    void FormCreate();
    void FormShow() override;
    void FormDestroy();
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void aufbauen();
    void Mail_Aufbauen(QHBoxLayout* knoepfe);

    IQEL_MahnungEditServerRef FMahnungEditServer;
    TIntPair FSelectedMandant;
    TDateTime FSelectedDatumVon = 0;
    TDateTime FSelectedDatumBis = 0;
    int FSelectedRechner = 0;
    QString FSelectedMandant_Bez;
    TIntPair FSelectedGepNr;
    QString FGepName;
    bool FGepGewaehlt = false;
};
