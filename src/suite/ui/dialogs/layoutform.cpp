#include "layoutform.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

QString TZIM_SelectedLayout::Wert(const QString& name) const
{
    const QString praefix = name + QLatin1Char('=');
    for (const QString& e : Einstellungen)
        if (e.startsWith(praefix))
            return e.mid(praefix.size());
    return QString();
}

TLayoutform::TLayoutform()
{
    setWindowTitle(QStringLiteral("Drucklayout"));
    pnlHeader = new TQELHeaderPanel(QStringLiteral("Drucklayout wählen"), this);
    grpLayouts = new TQELStdGroupBox(QString(), this);
    lvLayouts = new QTreeWidget(grpLayouts);
    lvLayouts->setObjectName(QStringLiteral("lvLayouts"));
    lvLayouts->setHeaderLabels({QStringLiteral("Bezeichnung"), QStringLiteral("Berichtsdatei")});
    lvLayouts->setRootIsDecorated(false);
    lvLayouts->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lblDatei = new TQELStdLabel(QString(), grpLayouts);
    lblDatei->setWordWrap(true);
    auto* gl = new QVBoxLayout(grpLayouts);
    gl->addWidget(lvLayouts, 1);
    gl->addWidget(lblDatei);

    grpEinstellungen = new TQELStdGroupBox(QString(), this);
    lvEinstellungen = new QTreeWidget(grpEinstellungen);
    lvEinstellungen->setObjectName(QStringLiteral("lvEinstellungen"));
    lvEinstellungen->setHeaderLabels({QStringLiteral("Einstellung"), QStringLiteral("Wert")});
    lvEinstellungen->setRootIsDecorated(false);
    lvEinstellungen->setSelectionMode(QAbstractItemView::NoSelection);
    lvEinstellungen->setFocusPolicy(Qt::TabFocus);  // scrolled by the arrow keys
    auto* el = new QVBoxLayout(grpEinstellungen);
    el->addWidget(lvEinstellungen);

    btnOK = new TResBitBtn(QStringLiteral("OK"), QKeySequence(Qt::Key_F5), this);
    btnOK->setDefault(true);  // Enter confirms the chosen layout
    btnOK->setToolTip(QStringLiteral("Mit diesem Layout drucken (F5)"));
    btnAbbrechen = new TResBitBtn(QStringLiteral("Abbrechen"), QKeySequence(), this);
    btnAbbrechen->setToolTip(QStringLiteral("Nicht drucken (Esc)"));
    for (TResBitBtn* b : {btnOK, btnAbbrechen})
        b->setMinimumWidth(110);

    auto* mitte = new QHBoxLayout;
    // Equal halves: the settings' names are long, the layouts' are short.
    mitte->addWidget(grpLayouts, 1);
    mitte->addWidget(grpEinstellungen, 1);
    cbxFuerAlle = new TQELStdCheckBox(QStringLiteral("Für alle weiteren Dokumente verwenden"), this);
    cbxFuerAlle->setObjectName(QStringLiteral("cbxFuerAlle"));
    cbxFuerAlle->setVisible(false);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addWidget(cbxFuerAlle);
    knoepfe->addStretch(1);
    knoepfe->addWidget(btnOK);
    knoepfe->addWidget(btnAbbrechen);
    auto* innen = new QVBoxLayout;
    innen->setContentsMargins(10, 6, 10, 10);
    innen->addLayout(mitte, 1);
    innen->addLayout(knoepfe);
    auto* aussen = new QVBoxLayout(this);
    aussen->setContentsMargins(0, 0, 0, 0);
    aussen->addWidget(pnlHeader);
    aussen->addLayout(innen, 1);
    resize(720, 400);

    connect(lvLayouts, &QTreeWidget::currentItemChanged, this, [this] { lvLayoutsChange(); });
    connect(lvLayouts, &QTreeWidget::itemDoubleClicked, this, [this] { btnOKClick(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnAbbrechen, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
    FormCreate();
}

TLayoutform::~TLayoutform() { FormDestroy(); }

void TLayoutform::FormCreate()
{
    Guard(__func__, [&] {
        QELFormInit(QStringLiteral("Layoutform"), true);
        CenterOnScreen();
        Glob_WWSServerFactoryClass().SystemServer_Holen(FSystemServer);
    });
}

void TLayoutform::FormDestroy()
{
    const QString kontext = Kontext(__func__);
    qel_Guard(kontext, [&] { Glob_WWSServerFactoryClass().SystemServer_Freigeben(FSystemServer); }, false);
    QELInfo().FehlerTerminate(kontext, 0, QString(), QString(), 0, 0);
}

void TLayoutform::Layouts_Laden()
{
    FLayouts.clear();
    for (const QString& art : FEingabe.Arten)
        FLayouts += FSystemServer->Layouts_Lesen(art);
    lvLayouts->clear();
    QTreeWidgetItem* standard = nullptr;
    for (const TDruckLayout& l : FLayouts) {
        auto* item = new QTreeWidgetItem(lvLayouts, {l.Bezeichnung, l.Berichtsdatei});
        if (l.Standard && !standard) {
            QFont f = item->font(0);
            f.setBold(true);
            item->setFont(0, f);
            standard = item;
        }
    }
    if (qel_HatOption(FEingabe.Optionen, loStandardVorwaehlen) && standard)
        lvLayouts->setCurrentItem(standard);
    else if (lvLayouts->topLevelItemCount() > 0)
        lvLayouts->setCurrentItem(lvLayouts->topLevelItem(0));
    lvLayoutsChange();
}

void TLayoutform::lvLayoutsChange()
{
    Guard(__func__, [&] {
        lvEinstellungen->clear();
        const int i = lvLayouts->indexOfTopLevelItem(lvLayouts->currentItem());
        btnOK->setEnabled(i >= 0);
        if (i < 0) {
            lblDatei->setText(FLayouts.isEmpty() ? QStringLiteral("Es ist kein Drucklayout eingerichtet.") : QString());
            return;
        }
        const TDruckLayout& l = FLayouts[i];
        for (const QString& e : l.Einstellungen) {
            const int gleich = e.indexOf(QLatin1Char('='));
            new QTreeWidgetItem(lvEinstellungen, {gleich < 0 ? e : e.left(gleich), gleich < 0 ? QString() : e.mid(gleich + 1)});
        }
        lvEinstellungen->resizeColumnToContents(0);
        QString datei;
        try {
            datei = GetDirWwsByName(qfBerichte, l.Berichtsdatei, false);
        } catch (const std::exception&) {
            datei = l.Berichtsdatei;
        }
        const bool fehlt = !QFileInfo(datei).isFile();
        lblDatei->setText(fehlt ? QStringLiteral("Die Berichtsdatei fehlt: %1").arg(datei)
                                : QStringLiteral("Berichtsdatei: %1").arg(datei));
    });
}

bool TLayoutform::LayoutWaehlen(const QString& bezeichnung)
{
    for (int i = 0; i < FLayouts.size(); ++i)
        if (FLayouts[i].Bezeichnung == bezeichnung) {
            lvLayouts->setCurrentItem(lvLayouts->topLevelItem(i));
            return true;
        }
    return false;
}

void TLayoutform::btnOKClick()
{
    Guard(__func__, [&] {
        if (lvLayouts->currentItem())
            SetModalResult(mrOk);
    });
}

bool TLayoutform::Execute(const TZIM_LayoutDialog_InputData& eingabe, TZIM_SelectedLayout_List& liste)
{
    bool ok = false;
    Guard(__func__, [&] {
        FEingabe = eingabe;
        if (!FEingabe.Ueberschrift.isEmpty()) {
            pnlHeader->setText(FEingabe.Ueberschrift);
            setWindowTitle(FEingabe.Ueberschrift);
        }
        grpLayouts->setTitle(QLatin1Char(' ') + FEingabe.TitelLayouts + QLatin1Char(' '));
        grpEinstellungen->setTitle(QLatin1Char(' ') + FEingabe.TitelEinstellungen + QLatin1Char(' '));
        grpEinstellungen->setVisible(qel_HatOption(FEingabe.Optionen, loEinstellungenZeigen));
        cbxFuerAlle->setVisible(FEingabe.FuerAlleAnbieten);
        cbxFuerAlle->setChecked(false);
        Layouts_Laden();
        if (ShowModal() != mrOk)
            return;
        const int i = lvLayouts->indexOfTopLevelItem(lvLayouts->currentItem());
        if (i < 0)
            return;
        auto gewaehlt = std::make_unique<TZIM_SelectedLayout>();
        gewaehlt->Bezeichnung = FLayouts[i].Bezeichnung;
        gewaehlt->Berichtsdatei = FLayouts[i].Berichtsdatei;
        gewaehlt->Einstellungen = FLayouts[i].Einstellungen;
        gewaehlt->FuerAlleWeiteren = FEingabe.FuerAlleAnbieten && cbxFuerAlle->isChecked();
        liste.push_back(std::move(gewaehlt));
        ok = true;
    });
    return ok;
}
