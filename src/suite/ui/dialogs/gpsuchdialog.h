// Business-partner search dialog of the suite.
#pragma once

#include "suite/ui/controls.h"
#include "suite/ui/forms.h"
#include "suite/core/servers/interfaces.h"

class QLabel;
class QTreeWidget;

enum class TGpSuchArt { saAllgemein, saNummer };

struct TGpSuchEinstellungen {
    QVector<TGPSuchErgebnisSpalte> Darstellung_Spalten{CQEL_GPSuchErgebnis_NameFormatted, CQEL_GPSuchErgebnis_Ort,
                                                      CQEL_GPSuchErgebnis_Strasse, CQEL_GPSuchErgebnis_Land};
    TGpSuchArt SuchArt = TGpSuchArt::saAllgemein;
    bool SuchInit = false;          // search at once when the dialog opens
    bool SuchExit = true;           // choosing a partner closes the dialog
    bool AutoStart = false;         // search while typing
    bool AutoUebername = false;     // a single hit is taken over without asking
    bool EditsVisible = true;
    bool AllowNeuanlage = false;
    bool AllowUngefiltert = true;   // a search without any criterion is allowed
    bool ActiveOnly = true;
    bool CheckboxenSupport = false;
};

// The search window.
class TfrmGpSuche : public TQELForm {
    Q_OBJECT
public:
    TfrmGpSuche(const TGpSuchEinstellungen& einstellungen, const TIntPair& mandant);
    ~TfrmGpSuche() override;

    TQELStdEdit* edtName;
    TQELStdEdit* edtOrt;
    TQELStdEdit* edtStrasse;
    TQELStdEdit* edtLand;
    TResBitBtn* btnSuchen;
    TResBitBtn* btnOk;
    TResBitBtn* btnAbbrechen;
    QTreeWidget* lstErgebnis;
    QLabel* lblTreffer;

    void Suchen();
    bool Uebernehmen();  // takes the current row; false without one
    TIntPair GepNr() const { return m_gepNr; }
    QString GepName() const { return m_gepName; }

    static constexpr int MaxTreffer = 500;

protected:
    void FormShow() override;
    // Enter (also on the keypad) in the result list takes the hit, like a double click.
    void keyPressEvent(QKeyEvent* event) override;

private:
    TGpSuchEinstellungen m_einst;
    TIntPair m_mandant;
    IQEL_GPListenServerRef m_server;
    TIntPair m_gepNr;
    QString m_gepName;
};

class TGpSuchDialog : public TGpSuchEinstellungen {
public:
    TIntPair Mandant;  // empty: the program's current client
    // On true, GepNr and GepName hold the chosen partner.
    bool Execute(QWidget* owner, bool flag);
    TIntPair GepNr;
    QString GepName;
};
