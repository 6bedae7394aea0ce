#include "manddialog.h"

#include "suite/ui/controls.h"
#include "suite/ui/programm.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

TfrmMandantWahl::TfrmMandantWahl(const QVector<TMandantInfo>& mandanten, const TIntPair& vorwahl)
    : m_liste(new QTreeWidget(this))
{
    QELFormInit(QStringLiteral("frmMandantWahl"), true);
    setWindowTitle(QStringLiteral("Mandant auswählen"));
    m_liste->setHeaderLabels({QStringLiteral("Nr."), QStringLiteral("Mandant"), QStringLiteral("Ort")});
    m_liste->setRootIsDecorated(false);
    m_liste->setUniformRowHeights(true);
    m_liste->setAllColumnsShowFocus(true);
    int vorwahlIndex = 0;
    for (int i = 0; i < mandanten.size(); ++i) {
        const TMandantInfo& m = mandanten[i];
        auto* item = new QTreeWidgetItem(m_liste, {QString::number(m.Nr), m.Name, m.Ort});
        item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        if (IntPairEqual(m.Id, vorwahl))
            vorwahlIndex = i;
    }
    m_liste->header()->resizeSection(0, 50);
    m_liste->header()->resizeSection(1, 260);
    Waehlen(vorwahlIndex);

    btnOk = new TResBitBtn(QStringLiteral("OK"), QKeySequence(), this);
    btnAbbrechen = new TResBitBtn(QStringLiteral("Abbrechen"), QKeySequence(), this);
    btnOk->setDefault(true);
    btnOk->setEnabled(!mandanten.isEmpty());
    connect(btnOk, &QPushButton::clicked, this, [this] {
        if (GewaehlterIndex() >= 0)
            SetModalResult(mrOk);
    });
    connect(btnAbbrechen, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
    connect(m_liste, &QTreeWidget::itemDoubleClicked, this, [this] { SetModalResult(mrOk); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnAbbrechen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new TQELStdLabel(mandanten.isEmpty()
                                           ? QStringLiteral("In der Suite ist kein Mandant angelegt. Einen Mandanten legt "
                                                            "\"mahnwesen-admin mandant add\" an.")
                                           : QStringLiteral("Bitte wählen Sie den Mandanten:"),
                                       this));
    layout->addWidget(m_liste);
    layout->addLayout(buttons);
    resize(480, 300);
}

int TfrmMandantWahl::GewaehlterIndex() const
{
    QTreeWidgetItem* item = m_liste->currentItem();
    return item ? m_liste->indexOfTopLevelItem(item) : -1;
}

void TfrmMandantWahl::Waehlen(int index)
{
    if (QTreeWidgetItem* item = m_liste->topLevelItem(index))
        m_liste->setCurrentItem(item);
}

bool TMandDialog::Execute(QWidget*)
{
    m_ausfuehrend = true;
    struct Ende {
        bool& flag;
        ~Ende() { flag = false; }
    } ende{m_ausfuehrend};

    IQEL_MandListeServerRef server;
    Glob_WWSServerFactoryClass().MandListeServer_Holen(server);
    const QVector<TMandantInfo> mandanten = server->Mandanten_Lesen();
    Glob_WWSServerFactoryClass().MandListeServer_Freigeben(server, QStringLiteral("TMandDialog.Execute"));

    int gewaehlt = -1;
    if (mandanten.size() == 1 && !ShowOneMand) {
        gewaehlt = 0;
    } else {
        const TIntPair vorwahl = IntPairDefined(Mandant) ? Mandant : QELProgramm().AktMandant();
        TfrmMandantWahl frm(mandanten, vorwahl);
        if (frm.ShowModal() != mrOk)
            return false;
        gewaehlt = frm.GewaehlterIndex();
    }
    if (gewaehlt < 0 || gewaehlt >= mandanten.size())
        return false;
    const TMandantInfo& m = mandanten[gewaehlt];
    Mandant = m.Id;
    MandantBez = m.Name;
    MandantNr = m.Nr;
    if (SetQELProgrammAktMandant)
        QELProgramm().SetAktMandant(m.Id);
    return true;
}
