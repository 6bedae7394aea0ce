// Attachment dialog of the suite: the files stored with a document, to add, remove and save a copy of.
#pragma once

#include "suite/ui/controls.h"
#include "suite/ui/forms.h"
#include "suite/core/servers/interfaces.h"

#include <vector>

class QTreeWidget;

// One attachment as the dialog lists it.
struct TDatAnhItem {
    TIntPair Id;          // stored attachment; empty for one added in this dialog
    TIntPair Besitzer;    // the document it belongs to
    QString Dateiname;    // bare file name
    QString Pfad;         // added in this dialog: the file on disk
    qint64 Groesse = 0;
    TDateTime Zeit = 0;
    QString Benutzer;
    bool Entfernen = false;  // stored attachment marked for removal
};
using TDatItems = std::vector<TDatAnhItem>;

// Adds what the dialog's items ask the attachment server to do: new files to store, marked ones to remove.
// Unchanged stored attachments are left out; an entry for the same attachment or file is replaced.
void MergeDatItems2DocListe(const TDatItems& items, TDocListe& liste);

class Tfrmdateianhang : public TQELForm {
    Q_OBJECT
public:
    Tfrmdateianhang();
    ~Tfrmdateianhang() override;

    // The document whose attachments are shown.
    TIntPair Besitzer() const { return FBesitzer; }
    void SetBesitzer(const TIntPair& v) { FBesitzer = v; }
    // Attachments may be added and removed; otherwise they can only be saved elsewhere.
    bool Aenderbar() const { return FAenderbar; }
    void SetAenderbar(bool v);

    TDatItems DatItems_Get() const { return FItems; }

    TQELHeaderPanel* pnlHeader;
    QTreeWidget* lstAnhaenge;
    TResBitBtn* btnHinzufuegen;
    TResBitBtn* btnEntfernen;
    TResBitBtn* btnSpeichernUnter;
    TResBitBtn* btnOk;
    TResBitBtn* btnAbbrechen;

    void btnHinzufuegenClick();
    void btnEntfernenClick();
    void btnSpeichernUnterClick();
    // Adds one file from disk; false (with a message) when it cannot be attached.
    bool Datei_Hinzufuegen(const QString& pfad);
    // Writes a copy of item `index` into `ordner`, under its bare name only; false when refused.
    bool Datei_Exportieren(int index, const QString& ordner);

protected:
    void FormCreate();
    void FormShow() override;
    void FormDestroy();

private:
    void Anhaenge_Laden();
    void Liste_Zeigen();
    int GewaehlterIndex() const;
    QByteArray Inhalt(const TDatAnhItem& item);

    IQEL_DokumentServerRef FDokumentServer;
    TIntPair FBesitzer;
    bool FAenderbar = false;
    TDatItems FItems;
};
