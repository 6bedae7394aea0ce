#include "gpsuchdialog.h"

#include "suite/ui/programm.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QString spaltenTitel(TGPSuchErgebnisSpalte s)
{
    switch (s) {
    case CQEL_GPSuchErgebnis_NameFormatted: return QStringLiteral("Name");
    case CQEL_GPSuchErgebnis_Ort: return QStringLiteral("Ort");
    case CQEL_GPSuchErgebnis_Strasse: return QStringLiteral("Straße");
    case CQEL_GPSuchErgebnis_Land: return QStringLiteral("Land");
    case CQEL_GPSuchErgebnis_Nummer: return QStringLiteral("Nr.");
    case CQEL_GPSuchErgebnis_PLZ: return QStringLiteral("PLZ");
    case CQEL_GPSuchErgebnis_GepNr: return QStringLiteral("Schlüssel");
    }
    return QString();
}
constexpr int RolleSchluessel = Qt::UserRole + 1;
constexpr int RolleName = Qt::UserRole + 2;
}  // namespace

TfrmGpSuche::TfrmGpSuche(const TGpSuchEinstellungen& einstellungen, const TIntPair& mandant)
    : m_einst(einstellungen), m_mandant(mandant)
{
    QELFormInit(QStringLiteral("frmGpSuche"), true);
    setWindowTitle(QStringLiteral("Geschäftspartner suchen"));
    Glob_WWSServerFactoryClass().GPListenServer_Holen(m_server);

    edtName = new TQELStdEdit(TEditTyp::Text, this);
    edtOrt = new TQELStdEdit(TEditTyp::Text, this);
    edtStrasse = new TQELStdEdit(TEditTyp::Text, this);
    edtLand = new TQELStdEdit(TEditTyp::Text, this);
    for (TQELStdEdit* e : {edtName, edtOrt, edtStrasse, edtLand}) {
        e->setMaxLength(80);
        connect(e, &QLineEdit::returnPressed, this, &TfrmGpSuche::Suchen);
        if (m_einst.AutoStart)
            connect(e, &QLineEdit::textEdited, this, &TfrmGpSuche::Suchen);
    }
    btnSuchen = new TResBitBtn(QStringLiteral("Suchen"), QKeySequence(Qt::Key_F4), this);
    btnOk = new TResBitBtn(QStringLiteral("Übernehmen"), QKeySequence(), this);
    btnAbbrechen = new TResBitBtn(QStringLiteral("Abbrechen"), QKeySequence(), this);
    connect(btnSuchen, &QPushButton::clicked, this, &TfrmGpSuche::Suchen);
    connect(btnOk, &QPushButton::clicked, this, [this] {
        if (Uebernehmen())
            SetModalResult(mrOk);
    });
    connect(btnAbbrechen, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });

    lstErgebnis = new QTreeWidget(this);
    lstErgebnis->setRootIsDecorated(false);
    lstErgebnis->setUniformRowHeights(true);
    lstErgebnis->setAllColumnsShowFocus(true);
    lstErgebnis->setSortingEnabled(true);
    QStringList titel;
    for (TGPSuchErgebnisSpalte s : m_einst.Darstellung_Spalten)
        titel << spaltenTitel(s);
    lstErgebnis->setHeaderLabels(titel);
    lstErgebnis->header()->resizeSection(0, 260);
    connect(lstErgebnis, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (Uebernehmen() && m_einst.SuchExit)
            SetModalResult(mrOk);
    });
    lblTreffer = new QLabel(this);

    auto* grid = new QGridLayout;
    grid->addWidget(new TQELAttachLabel(QStringLiteral("&Name:"), edtName, this), 0, 0);
    grid->addWidget(edtName, 0, 1);
    grid->addWidget(new TQELAttachLabel(QStringLiteral("&Ort:"), edtOrt, this), 0, 2);
    grid->addWidget(edtOrt, 0, 3);
    grid->addWidget(new TQELAttachLabel(QStringLiteral("St&raße:"), edtStrasse, this), 1, 0);
    grid->addWidget(edtStrasse, 1, 1);
    grid->addWidget(new TQELAttachLabel(QStringLiteral("&Land:"), edtLand, this), 1, 2);
    grid->addWidget(edtLand, 1, 3);
    grid->addWidget(btnSuchen, 0, 4, 2, 1);
    auto* unten = new QHBoxLayout;
    unten->addWidget(lblTreffer, 1);
    unten->addWidget(btnOk);
    unten->addWidget(btnAbbrechen);
    auto* layout = new QVBoxLayout(this);
    auto* kopf = new QWidget(this);
    kopf->setLayout(grid);
    kopf->setVisible(m_einst.EditsVisible);
    layout->addWidget(kopf);
    layout->addWidget(lstErgebnis, 1);
    layout->addLayout(unten);
    resize(720, 460);
}

TfrmGpSuche::~TfrmGpSuche()
{
    Guard("FormDestroy",
              [&] { Glob_WWSServerFactoryClass().GPListenServer_Freigeben(m_server); }, false);
}

void TfrmGpSuche::FormShow()
{
    edtName->setFocus();
    if (m_einst.SuchInit)
        Suchen();
}

void TfrmGpSuche::Suchen()
{
    Guard(__func__, [&] {
        const QString name = edtName->text().trimmed(), ort = edtOrt->text().trimmed(),
                      strasse = edtStrasse->text().trimmed(), land = edtLand->text().trimmed();
        if (!m_einst.AllowUngefiltert && name.isEmpty() && ort.isEmpty() && strasse.isEmpty() && land.isEmpty()) {
            qel_Meldung(CMeldung_Hinweis, 994, QStringLiteral("Bitte mindestens einen Suchbegriff eingeben."));
            return;
        }
        TVRList* liste = m_server->Gep_Suchen(m_mandant, name, ort, strasse, land, m_einst.ActiveOnly, MaxTreffer + 1);
        lstErgebnis->setSortingEnabled(false);
        lstErgebnis->clear();
        const int zeilen = std::min(liste->GetRowCount(), MaxTreffer);
        QList<QTreeWidgetItem*> items;
        items.reserve(zeilen);
        for (int r = 0; r < zeilen; ++r) {
            QStringList werte;
            for (TGPSuchErgebnisSpalte s : m_einst.Darstellung_Spalten)
                werte << liste->GetCellValueAsString(r, s);
            auto* item = new QTreeWidgetItem(werte);
            item->setData(0, RolleSchluessel, liste->GetCellValueAsString(r, CQEL_GPSuchErgebnis_GepNr));
            item->setData(0, RolleName, liste->GetCellValueAsString(r, CQEL_GPSuchErgebnis_NameFormatted));
            items << item;
        }
        lstErgebnis->addTopLevelItems(items);
        lstErgebnis->setSortingEnabled(true);
        lstErgebnis->sortByColumn(0, Qt::AscendingOrder);
        if (!items.isEmpty())
            lstErgebnis->setCurrentItem(lstErgebnis->topLevelItem(0));
        lblTreffer->setText(liste->GetRowCount() > MaxTreffer
                                ? QStringLiteral("Mehr als %1 Treffer: bitte die Suche eingrenzen.").arg(MaxTreffer)
                                : QStringLiteral("%1 Treffer").arg(zeilen));
        if (zeilen == 1 && m_einst.AutoUebername && Uebernehmen())
            SetModalResult(mrOk);
    });
}

bool TfrmGpSuche::Uebernehmen()
{
    QTreeWidgetItem* item = lstErgebnis->currentItem();
    if (!item)
        return false;
    m_gepNr = qel_String2TIntPair(item->data(0, RolleSchluessel).toString());
    m_gepName = item->data(0, RolleName).toString();
    return IntPairDefined(m_gepNr);
}

bool TGpSuchDialog::Execute(QWidget*, bool)
{
    const TIntPair mandant = IntPairDefined(Mandant) ? Mandant : QELProgramm().AktMandant();
    TfrmGpSuche frm(*this, mandant);
    if (frm.ShowModal() != mrOk || !IntPairDefined(frm.GepNr()))
        return false;
    GepNr = frm.GepNr();
    GepName = frm.GepName();
    return true;
}

void TfrmGpSuche::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && focusWidget() == lstErgebnis && lstErgebnis->currentItem()) {
        event->accept();
        if (Uebernehmen())
            SetModalResult(mrOk);
        return;
    }
    TQELForm::keyPressEvent(event);
}
