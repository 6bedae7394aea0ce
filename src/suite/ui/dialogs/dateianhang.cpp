#include "dateianhang.h"

#include "suite/ui/programm.h"
#include "suite/core/servers/dokumentserver.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QSaveFile>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString groesseText(qint64 bytes)
{
    return QLocale(QLocale::German, QLocale::Germany).formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QString zeitText(TDateTime zeit) { return qel_ToQDateTime(zeit).toString(QStringLiteral("dd.MM.yyyy hh:mm")); }

void hinweis(int nr, const QString& text) { qel_Meldung(CMeldung_Hinweis, nr, text); }

// Files and folders are chosen through the framework's modal call, so that tests can answer them.
QStringList dateienWaehlen(QFileDialog::FileMode modus, const QString& titel)
{
    QFileDialog dlg(nullptr, titel);
    dlg.setFileMode(modus);
    if (modus == QFileDialog::Directory)
        dlg.setOption(QFileDialog::ShowDirsOnly, true);
    if (qel_ShowModal(&dlg) != QDialog::Accepted)
        return {};
    return dlg.selectedFiles();
}

}  // namespace

void MergeDatItems2DocListe(const TDatItems& items, TDocListe& liste)
{
    for (const TDatAnhItem& item : items) {
        const bool gespeichert = IntPairDefined(item.Id);
        if (gespeichert && !item.Entfernen)
            continue;
        if (!gespeichert && item.Entfernen)
            continue;
        TQEL_DocAnh doc;
        doc.Id = item.Id;
        doc.Besitzer = item.Besitzer;
        doc.Dateiname = item.Dateiname;
        doc.Groesse = item.Groesse;
        doc.Zeit = item.Zeit;
        doc.Benutzer = item.Benutzer;
        doc.Entfernen = item.Entfernen;
        doc.Quelldatei = item.Pfad;
        // The same stored attachment, or the same file added, is one entry.
        auto vorhanden = std::find_if(liste.begin(), liste.end(), [&](const TQEL_DocAnh& d) {
            return gespeichert ? IntPairEqual(d.Id, item.Id)
                               : !IntPairDefined(d.Id) && d.Quelldatei == item.Pfad && d.Dateiname == item.Dateiname;
        });
        if (vorhanden != liste.end())
            *vorhanden = doc;
        else
            liste.push_back(doc);
    }
}

Tfrmdateianhang::Tfrmdateianhang()
{
    setWindowTitle(QStringLiteral("Dateianhänge"));
    pnlHeader = new TQELHeaderPanel(QStringLiteral("Dateianhänge"), this);
    lstAnhaenge = new QTreeWidget(this);
    lstAnhaenge->setObjectName(QStringLiteral("lstAnhaenge"));
    lstAnhaenge->setRootIsDecorated(false);
    lstAnhaenge->setHeaderLabels({QStringLiteral("Datei"), QStringLiteral("Größe"), QStringLiteral("Zeit"),
                                  QStringLiteral("Benutzer")});
    lstAnhaenge->header()->resizeSection(0, 260);
    lstAnhaenge->header()->resizeSection(1, 80);
    lstAnhaenge->header()->resizeSection(2, 120);

    btnHinzufuegen = new TResBitBtn(QStringLiteral("Hinzufügen..."), QKeySequence(Qt::Key_Insert), this);
    btnEntfernen = new TResBitBtn(QStringLiteral("Entfernen"), QKeySequence(Qt::Key_Delete), this);
    btnSpeichernUnter = new TResBitBtn(QStringLiteral("Öffnen/Speichern unter..."), QKeySequence(), this);
    btnOk = new TResBitBtn(QStringLiteral("OK"), QKeySequence(Qt::Key_F5), this);
    btnAbbrechen = new TResBitBtn(QStringLiteral("Abbrechen"), QKeySequence(), this);
    auto* seite = new QVBoxLayout;
    for (TResBitBtn* b : {btnHinzufuegen, btnEntfernen, btnSpeichernUnter}) {
        b->setMinimumWidth(170);
        seite->addWidget(b);
    }
    seite->addStretch(1);
    auto* mitte = new QHBoxLayout;
    mitte->addWidget(lstAnhaenge, 1);
    mitte->addLayout(seite);
    auto* unten = new QHBoxLayout;
    unten->addStretch(1);
    for (TResBitBtn* b : {btnOk, btnAbbrechen}) {
        b->setMinimumWidth(110);
        unten->addWidget(b);
    }
    auto* innen = new QVBoxLayout;
    innen->setContentsMargins(10, 6, 10, 10);
    innen->addLayout(mitte, 1);
    innen->addLayout(unten);
    auto* aussen = new QVBoxLayout(this);
    aussen->setContentsMargins(0, 0, 0, 0);
    aussen->addWidget(pnlHeader);
    aussen->addLayout(innen, 1);
    resize(720, 380);

    connect(btnHinzufuegen, &QPushButton::clicked, this, &Tfrmdateianhang::btnHinzufuegenClick);
    connect(btnEntfernen, &QPushButton::clicked, this, &Tfrmdateianhang::btnEntfernenClick);
    connect(btnSpeichernUnter, &QPushButton::clicked, this, &Tfrmdateianhang::btnSpeichernUnterClick);
    connect(btnOk, &QPushButton::clicked, this, [this] { SetModalResult(mrOk); });
    connect(btnAbbrechen, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
    connect(lstAnhaenge, &QTreeWidget::itemDoubleClicked, this, [this] { btnSpeichernUnterClick(); });
    SetAenderbar(false);
    FormCreate();
}

Tfrmdateianhang::~Tfrmdateianhang() { FormDestroy(); }

void Tfrmdateianhang::FormCreate()
{
    Guard(__func__, [&] {
        QELFormInit(QStringLiteral("frmdateianhang"), true);
        CenterOnScreen();
    });
}

void Tfrmdateianhang::FormDestroy()
{
    Guard(__func__,
              [&] { Glob_WWSServerFactoryClass().DokumentServer_Freigeben(FDokumentServer); }, false);
    QELInfo().FehlerTerminate(Kontext(__func__), 0, QString(), QString(), 0, 0);
}

void Tfrmdateianhang::FormShow()
{
    Guard(__func__, [&] { Anhaenge_Laden(); });
}

void Tfrmdateianhang::SetAenderbar(bool v)
{
    FAenderbar = v;
    btnHinzufuegen->setEnabled(v);
    btnEntfernen->setEnabled(v);
}

void Tfrmdateianhang::Anhaenge_Laden()
{
    Guard(__func__, [&] {
        FItems.clear();
        if (IntPairDefined(FBesitzer)) {
            if (!FDokumentServer)
                Glob_WWSServerFactoryClass().DokumentServer_Holen(FDokumentServer);
            for (const TQEL_DocAnh& d : FDokumentServer->Dokumente_Lesen(FBesitzer, false))
                FItems.push_back(TDatAnhItem{d.Id, d.Besitzer, d.Dateiname, QString(), d.Groesse, d.Zeit, d.Benutzer, false});
        }
        Liste_Zeigen();
    });
}

void Tfrmdateianhang::Liste_Zeigen()
{
    const int vorher = GewaehlterIndex();
    lstAnhaenge->clear();
    for (const TDatAnhItem& item : FItems) {
        QString name = item.Dateiname;
        if (item.Entfernen)
            name += QStringLiteral(" (wird entfernt)");
        else if (!IntPairDefined(item.Id))
            name += QStringLiteral(" (neu)");
        auto* zeile = new QTreeWidgetItem(
            lstAnhaenge, {name, groesseText(item.Groesse), zeitText(item.Zeit), item.Benutzer});
        zeile->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        if (item.Entfernen) {
            QFont f = zeile->font(0);
            f.setStrikeOut(true);
            for (int c = 0; c < 4; ++c) {
                zeile->setFont(c, f);
                zeile->setForeground(c, Qt::gray);
            }
        }
    }
    if (lstAnhaenge->topLevelItemCount() > 0)
        lstAnhaenge->setCurrentItem(lstAnhaenge->topLevelItem(std::clamp(vorher, 0, lstAnhaenge->topLevelItemCount() - 1)));
    btnSpeichernUnter->setEnabled(!FItems.empty());
}

int Tfrmdateianhang::GewaehlterIndex() const
{
    QTreeWidgetItem* item = lstAnhaenge->currentItem();
    return item ? lstAnhaenge->indexOfTopLevelItem(item) : -1;
}

bool Tfrmdateianhang::Datei_Hinzufuegen(const QString& pfad)
{
    bool ok = false;
    Guard(__func__, [&] {
        const QFileInfo info(pfad);
        try {
            TDokumentServer::Datei_Pruefen(info.fileName(), pfad);
        } catch (const EQELError& e) {
            hinweis(994, e.Text());
            return;
        }
        FItems.push_back(TDatAnhItem{CLeeresIntPair, FBesitzer, info.fileName(), info.absoluteFilePath(), info.size(),
                                     qel_Now(), QELProgramm().Benutzer(), false});
        Liste_Zeigen();
        lstAnhaenge->setCurrentItem(lstAnhaenge->topLevelItem(int(FItems.size()) - 1));
        ok = true;
    });
    return ok;
}

void Tfrmdateianhang::btnHinzufuegenClick()
{
    Guard(__func__, [&] {
        if (!FAenderbar)
            return;
        for (const QString& pfad : dateienWaehlen(QFileDialog::ExistingFiles, QStringLiteral("Dateien anhängen")))
            Datei_Hinzufuegen(pfad);
    });
}

void Tfrmdateianhang::btnEntfernenClick()
{
    Guard(__func__, [&] {
        const int i = GewaehlterIndex();
        if (!FAenderbar || i < 0 || i >= int(FItems.size()))
            return;
        // A file added in this dialog is simply dropped; a stored one is marked (again: unmarked).
        if (IntPairDefined(FItems[i].Id))
            FItems[i].Entfernen = !FItems[i].Entfernen;
        else
            FItems.erase(FItems.begin() + i);
        Liste_Zeigen();
    });
}

QByteArray Tfrmdateianhang::Inhalt(const TDatAnhItem& item)
{
    if (!IntPairDefined(item.Id)) {
        QFile f(item.Pfad);
        if (!f.open(QIODevice::ReadOnly))
            throw EQELError(QStringLiteral("Die Datei „%1“ kann nicht gelesen werden: %2").arg(item.Pfad, f.errorString()));
        return f.readAll();
    }
    if (!FDokumentServer)
        Glob_WWSServerFactoryClass().DokumentServer_Holen(FDokumentServer);
    for (const TQEL_DocAnh& d : FDokumentServer->Dokumente_Lesen(FBesitzer, true))
        if (IntPairEqual(d.Id, item.Id))
            return d.Inhalt;
    throw EQELError(QStringLiteral("Der Anhang „%1“ ist nicht mehr gespeichert.").arg(item.Dateiname));
}

bool Tfrmdateianhang::Datei_Exportieren(int index, const QString& ordner)
{
    bool ok = false;
    Guard(__func__, [&] {
        if (index < 0 || index >= int(FItems.size()))
            return;
        const TDatAnhItem& item = FItems[index];
        // Only the bare name is used, so a stored name can never point outside the chosen folder.
        const QString name = QFileInfo(item.Dateiname).fileName();
        const QDir zielOrdner(ordner);
        if (!TDokumentServer::IstBlosserDateiname(name) || !zielOrdner.exists()) {
            hinweis(994, QStringLiteral("Die Datei „%1“ kann dort nicht gespeichert werden.").arg(item.Dateiname));
            return;
        }
        const QString ziel = zielOrdner.absoluteFilePath(name);
        if (QFileInfo(ziel).absolutePath() != zielOrdner.absolutePath()) {
            hinweis(994, QStringLiteral("Die Datei „%1“ kann dort nicht gespeichert werden.").arg(item.Dateiname));
            return;
        }
        if (QFileInfo::exists(ziel)
            && qel_Meldung(CMeldung_Frage, 981,
                           QStringLiteral("Die Datei „%1“ gibt es dort schon. Soll sie überschrieben werden?").arg(ziel))
                   != mrYes)
            return;
        const QByteArray inhalt = Inhalt(item);
        QSaveFile datei(ziel);
        if (!datei.open(QIODevice::WriteOnly) || datei.write(inhalt) != inhalt.size() || !datei.commit())
            throw EQELError(QStringLiteral("Die Datei „%1“ kann nicht geschrieben werden: %2").arg(ziel, datei.errorString()));
        hinweis(997, QStringLiteral("Die Datei wurde als „%1“ gespeichert.").arg(ziel));
        ok = true;
    });
    return ok;
}

void Tfrmdateianhang::btnSpeichernUnterClick()
{
    Guard(__func__, [&] {
        const int i = GewaehlterIndex();
        if (i < 0) {
            hinweis(994, QStringLiteral("Bitte zuerst einen Anhang auswählen!"));
            return;
        }
        const QStringList ordner = dateienWaehlen(QFileDialog::Directory, QStringLiteral("Ordner zum Speichern wählen"));
        if (!ordner.isEmpty())
            Datei_Exportieren(i, ordner.first());
    });
}
