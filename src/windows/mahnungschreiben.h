// Dunning editor: writes new dunnings from handed-over open items, or shows a booked one.
#pragma once

#include "suite/ui/controls.h"
#include "suite/ui/dialogs/calendardialog.h"
#include "suite/ui/forms.h"
#include "suite/core/servers/interfaces.h"
#include "suite/ui/vtvrlist.h"
#include "mahnungsdruck.h"

#include <QTextEdit>
#include <memory>

class QBoxLayout;

enum TModus : uint8_t {
    CQEL_Mahnungen_Schreiben = 0,
    CQEL_Mahnung_Lesen = 1,
};

class TQEL_OrgeMerkmaleDM;

class TfrmMahnungSchreiben : public TQELForm {
    Q_OBJECT
public:
    TfrmMahnungSchreiben();
    ~TfrmMahnungSchreiben() override;

    // --- properties
    TModus Modus() const { return FModus; }
    void Modus_Set(TModus value);
    TVRList* GewaehltePosten() const { return FGewaehltePosten; }
    void SetGewaehltePosten(TVRList* v) { FGewaehltePosten = v; }
    TIntPair SelectedMandant() const { return FSelectedMandant; }
    void SetSelectedMandant(const TIntPair& v) { FSelectedMandant = v; }
    TIntPair SelectedGepNr() const { return FSelectedGepNr; }
    void SetSelectedGepNr(const TIntPair& v) { FSelectedGepNr = v; }
    TIntPair SelectedOrgeNr() const { return FSelectedOrgeNr; }
    void SetSelectedOrgeNr(const TIntPair& v) { FSelectedOrgeNr = v; }
    QString GepName() const { return FGepName; }
    void SetGepName(const QString& v) { FGepName = v; }
    QString SelectedMandant_Bez() const { return FSelectedMandant_Bez; }
    void SetSelectedMandant_Bez(const QString& v) { FSelectedMandant_Bez = v; }
    QString MahnungsText() const { return FMahnungsText; }
    void SetMahnungsText(const QString& v) { FMahnungsText = v; }
    TDateTime Mahnungsdatum() const { return FMahnungsdatum; }
    void SetMahnungsdatum(TDateTime v) { FMahnungsdatum = v; }
    TDateTime Beruecksichtigt() const { return FBeruecksichtigt; }
    void SetBeruecksichtigt(TDateTime v) { FBeruecksichtigt = v; }
    int LfdNr() const { return FLfdNr; }
    void SetLfdNr(int v) { FLfdNr = v; }
    int WirtschaftsJahr() const { return FWirtschaftsJahr; }
    void SetWirtschaftsJahr(int v) { FWirtschaftsJahr = v; }
    int RNr() const { return FRNr; }
    void SetRNr(int v) { FRNr = v; }
    QString Belegnummer() const { return FBelegnummer; }
    void SetBelegnummer(const QString& v) { FBelegnummer = v; }
    TIntPair MahnungsID() const { return FMahnungsID; }
    void SetMahnungsID(const TIntPair& v) { FMahnungsID = v; }
    int ColGep() const { return FColGep; }
    void SetColGep(int v) { FColGep = v; }
    int ColBelegNr() const { return FColBelegNr; }
    void SetColBelegNr(int v) { FColBelegNr = v; }
    int ColDatum() const { return FColDatum; }
    void SetColDatum(int v) { FColDatum = v; }
    int ColSoll() const { return FColSoll; }
    void SetColSoll(int v) { FColSoll = v; }
    int ColHaben() const { return FColHaben; }
    void SetColHaben(int v) { FColHaben = v; }
    int ColSaldo() const { return FColSaldo; }
    void SetColSaldo(int v) { FColSaldo = v; }
    int ColZahlbarbis() const { return FColZahlbarbis; }
    void SetColZahlbarbis(int v) { FColZahlbarbis = v; }
    int ColKommentar() const { return FColKommentar; }
    void SetColKommentar(int v) { FColKommentar = v; }
    int ColMahnstufe() const { return FColMahnstufe; }
    void SetColMahnstufe(int v) { FColMahnstufe = v; }
    int ColMahngebuehren() const { return FColMahngebuehren; }
    void SetColMahngebuehren(int v) { FColMahngebuehren = v; }
    int ColVerzugszins() const { return FColVerzugszins; }
    void SetColVerzugszins(int v) { FColVerzugszins = v; }
    int ColGepNr() const { return FColGepNr; }
    void SetColGepNr(int v) { FColGepNr = v; }
    int ColRNr() const { return FColRNr; }
    void SetColRNr(int v) { FColRNr = v; }
    int ColLNr() const { return FColLNr; }
    void SetColLNr(int v) { FColLNr = v; }
    int ColTRansNr() const { return FColTransNr; }
    void SetColTRansNr(int v) { FColTransNr = v; }
    // The flat fee of § 288 (5) BGB per item; -1: the table has no such column.
    int ColPauschale() const { return FColPauschale; }
    void SetColPauschale(int v) { FColPauschale = v; }

    // Read access for checks.
    bool Gebucht() const { return FGebucht; }
    double Summe() const { return FSumme; }
    double Mahngebuehren() const { return FMahngebuehren; }
    double Verzugszins() const { return FVerzugszins; }
    double Gesamt() const { return FGesamt; }
    double Pauschalen() const { return FPauschalen; }
    const TQEL_Mahnung_Beleg_Array& Mahnungen() const { return FMahnungen; }

    // --- controls
    TQELHeaderPanel* pnlHeader;
    TQELAttachLabel* alblmand;
    TQELStdLabel* dspMandant;
    TQELAttachLabel* alblgep;
    TQELStdLabel* dspGep;
    TQELStdLabel* albNummer;
    TQELStdEdit* edtphase;
    TQELStdEdit* edtLfdNr;
    TQELStdLabel* lblStricher;
    TQELStdEdit* edtWJ;
    TQELStdEdit* edtRNr;
    TVTVRList* vtGewaehltePosten;
    TQELAttachLabel* alblZahlungsziel;
    TQELStdEdit* edtZahlungsziel;
    TQELStdSpeedButton* btnZahlungsziel;
    TQELAttachLabel* alblmahngbeuehrenpo;
    TQELStdEdit* edtMahngebueren;
    TQELAttachLabel* alblVerzugszinsen;
    TQELStdEdit* edtZinssatz;
    TQELAttachLabel* alblBeruecksichtigungsD;
    TQELStdEdit* edtBeruecksichtigt;
    TQELStdSpeedButton* btnBeruecksichtigt;
    TQELAttachLabel* alblMahnungsDatum;
    TQELStdEdit* edtMahnungsdatum;
    TQELStdSpeedButton* btnMahnungsdatum;
    TQELStdLabel* dspSummeOP;
    TQELStdLabel* dspMahngebuehren;
    TQELStdLabel* dspVerzugszins;
    TQELStdLabel* dspGesamt;
    TQELStdLabel* dspPauschalen;
    TQELStdGroupBox* grpTextbausteine;
    TVTVRList* vtTextbausteine;
    TQELStdSpeedButton* btnneu;
    TQELStdSpeedButton* btnbearbeiten;
    TQELStdSpeedButton* btnloeschen;
    TQELStdSpeedButton* btnPlatzhalter;
    TQELStdGroupBox* grpVorschau;
    TQELRichEdit* redtKopfText;
    TResBitBtn* btnUebernehmen;
    TResBitBtn* btnDrucken;
    TResBitBtn* btnAnhang;
    TResBitBtn* btnAbbrechen;
    TResBitBtn* btnStornieren;   // viewing mode, right 203, while the dunning stands
    TQELStdLabel* lblStorniert;  // viewing mode: the cancellation of the dunning
    TQELStdLabel* dspGebucht;
    TCalendarDialog dlgKalender;

    // --- editor (mahnungschreiben.cpp)
    void DatumSetzen(QObject* Sender);
    void edtZahlungszielExit(QObject* Sender);
    void edtMahngebuerenExit(QObject* Sender);
    void edtZinssatzExit(QObject* Sender);
    void edtBeruecksichtigtExit(QObject* Sender);
    void edtMahnungsdatumExit(QObject* Sender);
    void vtGewaehltePostenChange(TVTVRList* Sender, TVirtualNode* Node);
    void actZurueckExecute();
    void albNummerClick();
    void btnUebernehmenClick();
    void SummeOPBerechnen();
    void Maske_Aktualisieren();
    void Zahlungsziel_uebernehmen();
    void Zahlungsziele_bestimmen();
    void Spaltensichtbarkeit_Schalten_GewaehltePosten();
    // F2 of the interest edit: default interest by law for the selected or every item, and the flat fee.
    void Verzugszins_Eingabehilfe();
    // Cancels the viewed dunning with a reason (mahnungschreiben_regeln.cpp).
    void actStornierenExecute();
    // Shows whether the viewed dunning is cancelled and offers the cancellation while it stands.
    void Storno_Anzeigen();

    // --- text blocks (mahnungschreiben_texte.cpp)
    void btnneuClick();
    void btnbearbeitenClick();
    void btnloeschenClick();
    void btnPlatzhalterClick();
    void vtTextbausteineChange(TVTVRList* Sender, TVirtualNode* Node);
    void vtTextbausteineDblClick();
    void redtKopfTextExit(QObject* Sender);
    void actloeschenExecute();
    void Textbausteine_Laden();
    void Spaltensichtbarkeit_Schalten_Textbausteine();
    void Textbaustein_Bearbeiten();
    void TextbausteinLoeschen();
    bool Textbaustein_testen(const QString& Kurztext, const QString& Text, TVirtualNode* Bearbeitet);
    void Baustein_Selektieren(const TIntPair& Id);
    void Textbaustein_uebernehmen();
    void Text_Anzeigen();
    void Text_uebernehmen();
    // What the letter placeholders stand for in the preview: empty where the items belong to several
    // partners (each letter then fills its own) or the value is not known here.
    struct TPlatzhalterWerte {
        QString Anrede, Zahlungsziel, Gesamtbetrag;
    };
    TPlatzhalterWerte Platzhalter_Werte();
    // The open item of a row: from the transfer table, or from a booked dunning's positions when they
    // carry it (false otherwise).
    bool Posten_Trio(TVirtualNode* zeile, TIntTrio& trio);

    // --- booking (mahnungschreiben_buchen.cpp)
    void actBuchenExecute();
    bool MahnungsStruktur_fuellen();
    // What was booked, in the editor: the documents' numbers and the items' new levels.
    void Gebucht_Anzeigen();

    // --- printing (mahnungschreiben_drucken.cpp)
    void actDruckenExecute();
    void Drucken_Struktur();
    // The documents of FMahnungen with the letter's text and dates, as printing takes them.
    std::vector<TMahnungsDruck> Druckdaten() const;
    static QString getBlobText(const QString& Text, int N);

    // --- attachments (mahnungschreiben_anhang.cpp)
    void actAnhangExecute();

    // --- dunning mails (mahnungschreiben_mail.cpp): shown with "Drucken" when this workstation sends mail
    TResBitBtn* btnMail = nullptr;
    void actMailExecute();
    void Mail_Struktur();

protected:
    void FormCreate();
    void FormShow() override;
    void FormDestroy();
    // Esc and the close box end the window like "Abbrechen": OK once a booking succeeded. With changes
    // not booked yet the clerk is asked first.
    void reject() override;

private:
    void aufbauen();
    void Mail_Aufbauen(QBoxLayout* knoepfe);
    // Steps of FormShow.
    void PosListe_Zeigen();
    void VorgabenSetzen();
    void Nur_bei_Lesen();
    void Nur_bei_Schreiben();
    // Whether the listed items carry a flat-fee column.
    bool Hat_Pauschale() const;
    // Selects the text block the client set for the highest level this dunning reaches.
    void Textbaustein_Vorwaehlen();
    // What the clerk can change before booking, to tell whether Esc would discard something.
    QString Eingabestand() const;
    QString FStandBeiOeffnen;
    // The per-item values, the two letter dates and their calendar buttons.
    void Eingaben_Schalten(bool Enable);
    // A node made current without being selected (focus, mouse press) becomes the selected one,
    // so that "the selected row" and the row the clerk sees are the same.
    static void Auswahl_Festigen(TVTVRList* Liste, TVirtualNode* Node);
    // Text blocks are listed by short text: a created block is found again by it.
    void Baustein_Selektieren_Kurztext(const QString& Kurztext);

    IQEL_MahnungEditServerRef FMahnungEditServer;
    IQEL_GPListenServerRef FGPListenServer;
    IQEL_PrintEditServerRef FPrintEditServer;
    IQEL_MandListeServerRef FMandListeServer;
    std::unique_ptr<TQEL_OrgeMerkmaleDM> FOrgeMerkmaleDM;
    double FSumme = 0;
    double FMahngebuehren = 0;
    double FGesamt = 0;
    double FVerzugszins = 0;
    double FPauschalen = 0;
    TDateTime FBeruecksichtigt = 0;
    TVRList* FGewaehltePosten = nullptr;
    TIntPair FSelectedMandant;
    TIntPair FSelectedGepNr;
    TIntPair FSelectedOrgeNr;
    QString FGepName;
    QString FSelectedMandant_Bez;
    TQEL_Mahnung_Beleg_Array FMahnungen;
    TDateTime FMahnungsdatum = 0;
    QString FMahnungsText;
    // The salutation is read once per first item (key in FAnredeFuer).
    QString FAnredeFuer, FAnrede;
    bool FGebucht = false;
    int FColSoll = 0, FColHaben = 0, FColZahlbarbis = 0, FColBelegNr = 0, FColMahngebuehren = 0, FColMahnstufe = 0,
        FColSaldo = 0, FColGep = 0, FColDatum = 0, FColKommentar = 0, FColVerzugszins = 0, FColLNr = 0,
        FColGepNr = 0, FColRNr = 0, FColTransNr = 0;
    int FColPauschale = -1;
    TModus FModus = CQEL_Mahnungen_Schreiben;
    int FLfdNr = 0;
    int FWirtschaftsJahr = 0;
    int FRNr = 0;
    QString FBelegnummer;
    TIntPair FMahnungsID;
    // Viewing mode: the cancellation of the dunning, empty while it stands.
    QString FStornoText;
    // The client's dunning rules: fee cap, payment terms, text block per level.
    TMahnEinstellungen FEinstellungen;
    // The documents as the server booked them: each partner's own document number for a later print.
    TQEL_Mahnung_Beleg_Array FGebuchteMahnungen;
};
