// The print-layout dialog: the clerk picks one of the suite's layouts of the asked kinds.
#pragma once

#include "suite/ui/controls.h"
#include "suite/ui/forms.h"
#include "suite/ui/programm.h"
#include "suite/core/servers/interfaces.h"

#include <QStringList>
#include <memory>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

// Options of the dialog (ordinals of its option set).
enum TZIM_LayoutOption : int {
    loMehrfachauswahl = 0,
    loEinstellungenZeigen = 1,
    loDateiPruefen = 2,
    loBearbeiten = 3,
    loStandardVorwaehlen = 4,
};
using TZIM_LayoutOptionen = uint8_t;
inline bool qel_HatOption(TZIM_LayoutOptionen set, TZIM_LayoutOption o) { return (set >> int(o)) & 1u; }

struct TZIM_LayoutDialog_InputData {
    QString Ordner;              // folder name of the layouts' report files
    QString TitelEinstellungen;  // heading of the settings
    QString Ueberschrift;        // window heading
    QString TitelLayouts;        // heading of the layout list
    TZIM_LayoutOptionen Optionen = 0;
    QStringList Arten;           // layout kinds offered
    bool FuerAlleAnbieten = false;  // a run of several documents: offer to keep the choice for the rest
    void Init() { *this = TZIM_LayoutDialog_InputData(); }
};

struct TZIM_SelectedLayout {
    QString Bezeichnung;
    QString Berichtsdatei;   // report file name within the layout folder
    QStringList Einstellungen;  // name=value
    bool FuerAlleWeiteren = false;  // the clerk wants no further question in this run
    // Value of a setting; a missing key reads as empty text.
    QString Wert(const QString& name) const;
};
using TZIM_SelectedLayout_List = std::vector<std::unique_ptr<TZIM_SelectedLayout>>;

class TLayoutform : public TQELForm {
    Q_OBJECT
public:
    TLayoutform();
    ~TLayoutform() override;

    // Shows the dialog; OK puts the chosen layout into liste, cancel leaves it empty.
    bool Execute(const TZIM_LayoutDialog_InputData& eingabe, TZIM_SelectedLayout_List& liste);

    TQELHeaderPanel* pnlHeader;
    TQELStdGroupBox* grpLayouts;
    QTreeWidget* lvLayouts;
    TQELStdGroupBox* grpEinstellungen;
    QTreeWidget* lvEinstellungen;
    TQELStdLabel* lblDatei;
    TQELStdCheckBox* cbxFuerAlle;
    TResBitBtn* btnOK;
    TResBitBtn* btnAbbrechen;

    const QVector<TDruckLayout>& Layouts() const { return FLayouts; }
    // Selects the layout with this name; false when there is none.
    bool LayoutWaehlen(const QString& bezeichnung);

private:
    void FormCreate();
    void FormDestroy();
    void Layouts_Laden();
    void lvLayoutsChange();
    void btnOKClick();

    IQEL_SystemServerRef FSystemServer;
    TZIM_LayoutDialog_InputData FEingabe;
    QVector<TDruckLayout> FLayouts;
};
