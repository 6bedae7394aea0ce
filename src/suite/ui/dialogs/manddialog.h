// Client dialog of the suite.
#pragma once

#include "suite/ui/forms.h"
#include "suite/core/servers/interfaces.h"

class QTreeWidget;
class TResBitBtn;

// The list of clients the clerk chooses from.
class TfrmMandantWahl : public TQELForm {
    Q_OBJECT
public:
    explicit TfrmMandantWahl(const QVector<TMandantInfo>& mandanten, const TIntPair& vorwahl);
    QTreeWidget* Liste() const { return m_liste; }
    int GewaehlterIndex() const;
    void Waehlen(int index);  // selects a row (tests and keyboard)
    TResBitBtn* btnOk;
    TResBitBtn* btnAbbrechen;

private:
    QTreeWidget* m_liste;
};

class TMandDialog {
public:
    bool ShowOneMand = false;        // show the dialog also when there is only one client
    bool MandIndependent = false;
    bool SetQELProgrammAktMandant = false;  // the chosen client becomes the program's current client

    // State flag: the dialog is running; a second call must not open it again.
    bool Ausfuehrend() const { return m_ausfuehrend; }

    bool Execute(QWidget* owner = nullptr);

    TIntPair Mandant;
    QString MandantBez;
    int MandantNr = 0;

private:
    bool m_ausfuehrend = false;
};
