#include "mahnunghistorie.h"

#include "suite/ui/vtupdate.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

TfrmMahnungHistorie::TfrmMahnungHistorie()
{
    QELFormInit(QStringLiteral("frmMahnungHistorie"), true);
    setWindowTitle(QStringLiteral("Mahn-Historie"));
    dspMandant = new TQELStdLabel(QString(), this);
    dspGep = new TQELStdLabel(QString(), this);
    dspBeleg = new TQELStdLabel(QString(), this);
    vtHistorie = new TVTVRList(this);
    btnSchliessen = new TResBitBtn(QStringLiteral("Schließen"), QKeySequence(), this);
    connect(btnSchliessen, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
    auto* kopf = new QFormLayout;
    kopf->addRow(QStringLiteral("Mandant:"), dspMandant);
    kopf->addRow(QStringLiteral("Geschäftspartner:"), dspGep);
    kopf->addRow(QStringLiteral("Beleg:"), dspBeleg);
    auto* unten = new QHBoxLayout;
    unten->addStretch(1);
    unten->addWidget(btnSchliessen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new TQELHeaderPanel(QStringLiteral("Mahn-Historie"), this));
    layout->addLayout(kopf);
    layout->addWidget(vtHistorie, 1);
    layout->addLayout(unten);
    resize(700, 380);
    Guard("FormCreate",
              [&] { Glob_ServerFactoryClass().MahnungEditServer_Holen(FMahnungEditServer); });
}

TfrmMahnungHistorie::~TfrmMahnungHistorie()
{
    Guard("FormDestroy", [&] { qel_ListenLoesen(this); }, false);
    Guard("FormDestroy",
              [&] { Glob_ServerFactoryClass().MahnungEditServer_Freigeben(FMahnungEditServer); }, false);
}

void TfrmMahnungHistorie::FormShow()
{
    Guard(__func__, [&] {
        dspMandant->setText(Mandant_Bez);
        dspGep->setText(GepName);
        dspBeleg->setText(QStringLiteral("%1 vom %2").arg(Belegnummer, DateToStr(Rechnungsdatum)));
        vtHistorie->ListeLoesen();
        if (!FMahnungEditServer)
            return;
        vtHistorie->ListeBinden(FMahnungEditServer->Mahnhistorie_Liste(RechnerNummer, TransNummer, LfdNummer));
    });
}
