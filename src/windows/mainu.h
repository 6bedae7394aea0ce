// Open-items window: selection criteria, the list of open items and the hand-over to the dunning editor.
#pragma once

#include "suite/ui/controls.h"
#include "suite/ui/dialogs/calendardialog.h"
#include "suite/ui/dialogs/gpsuchdialog.h"
#include "suite/ui/dialogs/wartemaske.h"
#include "suite/ui/forms.h"
#include "suite/core/servers/interfaces.h"
#include "suite/ui/vtvrlist.h"

#include <memory>

class QAction;

class Tfrmmainu : public TQELForm {
    Q_OBJECT
public:
    Tfrmmainu();
    ~Tfrmmainu() override;

    // --- properties
    TIntPair SelectedMandant() const { return FSelectedMandant; }
    void SetSelectedMandant(const TIntPair& v) { FSelectedMandant = v; }
    QString SelectedMandant_Bez() const { return FSelectedMandant_Bez; }
    void SetSelectedMandant_Bez(const QString& v) { FSelectedMandant_Bez = v; }
    int SelectedMandant_Nr() const { return FSelectedMandant_Nr; }
    void SetSelectedMandant_Nr(int v) { FSelectedMandant_Nr = v; }
    TDateTime SelectedPeriodeVon() const { return FSelectedPeriodeVon; }
    void SetSelectedPeriodeVon(TDateTime v) { FSelectedPeriodeVon = v; }
    TDateTime SelectedPeriodeBis() const { return FSelectedPeriodeBis; }
    void SetSelectedPeriodeBis(TDateTime v) { FSelectedPeriodeBis = v; }
    TIntPair SelectedGepNr() const { return FSelectedGepNr; }
    void SetSelectedGepNr(const TIntPair& v) { FSelectedGepNr = v; }

    // Read access for checks.
    bool DatenEingelesen() const { return FDatenEingelesen; }
    int Alter() const { return FAlter; }
    TDateTime SelectedZahlungsziel() const { return FSelectedZahlungsziel; }
    QString GepNameAnzeige() const { return FGepName; }
    TVRList* Uebergabeliste() const { return Fuebergabeliste.get(); }
    int ColGep() const { return FColGep; }
    int ColBelegnr() const { return FColBelegnr; }
    int ColDatum() const { return FColDatum; }
    int ColSoll() const { return FColSoll; }
    int ColHaben() const { return FColHaben; }
    int ColSaldo() const { return FColSaldo; }
    int ColZahlungsziel() const { return FColZahlungsziel; }
    int ColKommentar() const { return FColKommentar; }
    int ColMahnstufe() const { return FColMahnstufe; }
    int ColMahngebuehren() const { return FColMahngebuehren; }
    int ColVerzugszinsen() const { return FColVerzugszinsen; }
    int ColGepNr() const { return FColGepNr; }
    int ColRechnerNummer() const { return FColRechnerNummer; }
    int ColTransNummer() const { return FColTransNummer; }
    int ColLfdNummer() const { return FColLfdNummer; }
    int ColPauschale() const { return FColPauschale; }
    IQEL_ZahlungEditServer* ZahlungEditServer() const { return FZahlungEditServer.get(); }

    // --- controls
    TQELStdPanel* pnlHintergrund;
    TQELHeaderPanel* pnlHeader;
    TQELStdPanel* spnlButtons;
    TQELAttachLabel* alblMandant;
    TQELStdLabel* dspMandant;
    TQELStdRadioGroup* rgrpAuswahlArt;
    TQELStdCheckBox* cbxzentralregulierung;
    TQELStdGroupBox* grpWahlNachZeitraum;
    TQELAttachLabel* alblZrVon;
    TQELStdEdit* edtZeitraumVon;
    TQELStdSpeedButton* btnZeitraumVon;
    TQELAttachLabel* alblZrbis;
    TQELStdEdit* edtZeitraumBis;
    TQELStdSpeedButton* btnZeitraumBis;
    TQELAttachLabel* albldh;
    TQELStdEdit* edtAlter;
    TQELStdLabel* albltage2;
    TQELStdGroupBox* grpWahlnachZahlungsziel;
    TQELAttachLabel* alblmindalter;
    TQELStdEdit* edtZahlungszielAlter;
    TQELStdLabel* alblueberzahlungsziel;
    TQELStdEdit* edtZahlungsziel;
    TQELAttachLabel* alblGep;
    TQELStdLabel* dspGep;
    TQELStdSpeedButton* btnGepSearch;
    TQELStdSpeedButton* btnGepDelete;
    TVTVRList* vtOffenePosten;
    TQELStdLabel* dspAuswahl;  // under the list: checked items, their sum, listed items
    TResBitBtn* btnSuchen;
    TResBitBtn* btnUebernehmen;
    TResBitBtn* btnAuswahlAlle;
    TResBitBtn* btnAuswahlUmkehren;
    TResBitBtn* btnHistorie;
    TResBitBtn* btnAbbrechen;
    TCalendarDialog dlgKalender;
    TGpSuchDialog dlgGepSuche;

    // --- criteria
    void Selektionsmodus_Fuellen();
    void Maske_Aktualisieren();
    void Maske_Schalten(bool Enable);
    TDateTime DatumLesen(TQELStdEdit* Edit);
    void DatumSchreiben(TQELStdEdit* Edit, TDateTime Date);
    void ZeitAktualisieren(QObject* Sender);
    void ZahlungszielAktualisieren(QObject* Sender);
    void rgrpAuswahlArtClick(QObject* Sender);
    void DatumVonClick(QObject* Sender);
    void btnGepSearchClick();
    void btnGepDeleteClick();
    void edtSelektionChange();
    void edtZeitraumBisKeyDown(QObject* Sender, int Key);
    void edtAlterKeyDown(QObject* Sender, int Key);

    // --- list
    void Offene_Posten_Laden();
    void Spaltensichtbarkeit_Schalten_OffenePosten();
    void ZeilenSichtbarkeit_schalten();
    void Akutelle_Zahlungsziele_Schreiben();
    void OffenePostenChecked_Schalten(bool Check);
    void Auswahl_Anzeigen();
    void actAktualisierenExecute();
    void cbxzentralregulierungClick();
    void vtOffenePostenInitNode(TVTVRList* Sender, TVirtualNode* Node);
    void vtOPPaintText(TVTVRList* Sender, TVirtualNode* Node, int Column, QColor* Color);
    void vtOffenePostenDblClick();
    void actAllesWaehlenExecute();
    void actAuswahlaufhebenExecute();
    void actAuswahlUmkehrenExecute();
    void actMahnungHistorieExecute();
    // Dunning blocks from the list's context menu (right 203): of the selected item or its partner.
    void actMahnsperreExecute(bool Partner);
    void actMahnsperreAufhebenExecute(bool Partner);
    QAction* actPostenSperren = nullptr;
    QAction* actPartnerSperren = nullptr;
    QAction* actPostenEntsperren = nullptr;
    QAction* actPartnerEntsperren = nullptr;
    // A row the clerk cannot check: blocked, or dunned too recently.
    static bool Ist_Gesperrt(TVirtualNode* Node) { return Node && Node->CheckType != ctCheckBox; }

    // --- hand-over
    void Uebergabeliste_Erstellen();
    void actWeiterExecute();
    void actZurueckExecute();

protected:
    void FormCreate();
    void FormShow() override;
    void FormDestroy();

private:
    // The context menu of the list for users with right 203.
    void Mahnsperren_Einrichten();
    void aufbauen();
    bool ModusF() const;
    bool ZeitTesten();
    void GewaehltePostenListe_fuellen(int Row);

    TIntPair FSelectedMandant;
    QString FSelectedMandant_Bez;
    int FSelectedMandant_Nr = 0;
    TDateTime FSelectedPeriodeVon = 0;
    TDateTime FSelectedPeriodeBis = 0;
    TIntPair FSelectedGepNr;
    QString FGepName;
    int FAlter = 0;
    TDateTime FSelectedZahlungsziel = 0;
    int FZahlungszielAlter = 0;
    bool FDatenEingelesen = false;

    IQEL_ZahlungEditServerRef FZahlungEditServer;
    IQEL_MahnungEditServerRef FMAhnungEditServer;
    std::unique_ptr<TfrmWartemaske> FWartemaske;
    std::unique_ptr<TVRList> Fuebergabeliste;
    // The client's dunning rules as of the last hand-over: the preset fee per level.
    TMahnEinstellungen FMahnEinstellungen;

    int FColGep = 0, FColBelegnr = 0, FColDatum = 0, FColSoll = 0, FColHaben = 0, FColSaldo = 0,
        FColZahlungsziel = 0, FColKommentar = 0, FColMahnstufe = 0, FColMahngebuehren = 0, FColVerzugszinsen = 0,
        FColGepNr = 0, FColRechnerNummer = 0, FColTransNummer = 0, FColLfdNummer = 0, FColPauschale = 0;
};
