#include "hauptmnufrm.h"

#include "mainu.h"
#include "selektionsfrm.h"
#include "suite/ui/dialogs/zeitraumwahl.h"
#include "suite/ui/programm.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <memory>

TfrmHauptmnu::TfrmHauptmnu()
{
    setWindowTitle(QStringLiteral("Mahnwesen - Hauptmenü"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    pnlHintergrund = new TQELStdPanel(this);
    pnlHintergrund->setObjectName(QStringLiteral("pnlHintergrund"));
    pnlHintergrund->SetColor(Qt::white);
    pnlHintergrund->setFrameShape(QFrame::Panel);
    pnlHintergrund->setFrameShadow(QFrame::Sunken);

    dspMandant = new TQELStdLabel(QString(), pnlHintergrund);
    dspMandant->setObjectName(QStringLiteral("dspMandant"));
    QFont gross = dspMandant->font();
    gross.setBold(true);
    gross.setPointSize(14);
    dspMandant->setFont(gross);
    dspMandant->setStyleSheet(QStringLiteral("color: rgb(184, 16, 32);"));
    btnMandantOeffnen = new TQELStdSpeedButton(QStringLiteral("mandant"), QStringLiteral("Mandant auswählen"),
                                               pnlHintergrund);
    btnMandantOeffnen->setObjectName(QStringLiteral("btnMandantOeffnen"));
    btnMandantOeffnen->setFixedSize(26, 26);
    btnEnde = new TQELStdSpeedButton(QStringLiteral("beenden"), QStringLiteral("Beenden"), pnlHintergrund);
    btnEnde->setObjectName(QStringLiteral("btnEnde"));
    btnEnde->setFixedSize(26, 26);
    bvlButtons = new TQELStdBevel(pnlHintergrund);

    btsMain = new TButtons(pnlHintergrund);
    btsMain->setObjectName(QStringLiteral("btsMain"));
    btsMain->AddButton(QStringLiteral("btnVerwaltungHead"), TButtonKind::btHead,
                       QStringLiteral("Zahlungserinnerung / Mahnung"), QString());
    btsMain->AddButton(QStringLiteral("btnNeu"), TButtonKind::btMenu, QStringLiteral(" "), QStringLiteral("Neu"));
    btsMain->AddButton(QStringLiteral("btnLaden"), TButtonKind::btMenu, QStringLiteral(" "), QStringLiteral("Laden"));

    auto* oben = new QHBoxLayout;
    oben->addWidget(dspMandant, 1);
    oben->addWidget(btnMandantOeffnen);
    oben->addStretch(0);
    oben->addWidget(btnEnde);
    auto* innen = new QVBoxLayout(pnlHintergrund);
    innen->setContentsMargins(10, 6, 10, 10);
    innen->addLayout(oben);
    innen->addWidget(bvlButtons);
    innen->addWidget(btsMain, 1);
    auto* aussen = new QVBoxLayout(this);
    aussen->setContentsMargins(0, 0, 0, 0);
    aussen->addWidget(pnlHintergrund);
    setFixedSize(400, 170);

    connect(btsMain, &TButtons::BtnClick, this, &TfrmHauptmnu::btsMainBtnClick);
    connect(btnEnde, &QToolButton::clicked, this, &TfrmHauptmnu::btnEndeClick);
    connect(btnMandantOeffnen, &QToolButton::clicked, this, &TfrmHauptmnu::btnMandantOeffnenClick);

    dlgMandant.ShowOneMand = false;
    dlgMandant.MandIndependent = false;
    dlgMandant.SetQELProgrammAktMandant = true;
    FormCreate();
}

TfrmHauptmnu::~TfrmHauptmnu() { FormDestroy(); }

void TfrmHauptmnu::FormCreate()
{
    Guard(__func__, [&] {
        QELFormInit(QStringLiteral("frmHauptmnu"), true);
        CenterOnScreen();
    });
}

void TfrmHauptmnu::FormShow()
{
    Guard(__func__, [&] {
        if (!Mandant_Oeffnen())
            QELProgramm().Terminate();
        FilialeZuAktRechner();
        // Enter starts a new run.
        ActivateControl(btsMain->Button(QStringLiteral("btnNeu")));
    });
}

void TfrmHauptmnu::FormDestroy()
{
    QELInfo().FehlerTerminate(Kontext(__func__), 0, QString(), QString(), 0, 0);
}

bool TfrmHauptmnu::Mandant_Oeffnen()
{
    bool ergebnis = false;
    Guard(__func__, [&] {
        if (dlgMandant.Ausfuehrend())
            return;
        if (!dlgMandant.Execute(nullptr)) {
            QELProgramm().Terminate();
            return;
        }
        FSelectedMandant = dlgMandant.Mandant;
        FSelectedMandant_Bez = dlgMandant.MandantBez;
        FSelectedMandant_Nr = dlgMandant.MandantNr;
        dspMandant->setText(FSelectedMandant_Bez);
        ergebnis = true;
    });
    return ergebnis;
}

void TfrmHauptmnu::FilialeZuAktRechner()
{
    Guard(__func__, [&] {
        const TRVRInfoUmfang umfang = RVRTab().GetRNrUmfang(QELProgramm().GetRId());
        FSelectedRechner = umfang.Filiale > 0 ? QELProgramm().GetRId() : 0;
    });
}

void TfrmHauptmnu::btsMainBtnClick(QObject*, int, const QString& buttonName)
{
    Guard(__func__, [&] {
        if (buttonName == QLatin1String("btnNeu"))
            NeueMahnung();
        else if (buttonName == QLatin1String("btnLaden"))
            BestehendeMahnungen();
    });
}

void TfrmHauptmnu::btnEndeClick()
{
    Guard(__func__, [&] { QELProgramm().Terminate(); });
}

void TfrmHauptmnu::actBeendenExecute()
{
    Guard(__func__, [&] { QELProgramm().Terminate(); });
}

void TfrmHauptmnu::btnMandantOeffnenClick()
{
    Guard(__func__, [&] { Mandant_Oeffnen(); });
}

void TfrmHauptmnu::NeueMahnung()
{
    Guard(__func__, [&] {
        auto zeitraum = std::make_unique<TfrmZeitraumWahl>();
        zeitraum->SetDatumVon(CDatum_01_01_2005);
        zeitraum->SetDatumBis(qel_Now());
        if (zeitraum->ShowModal() != mrOk)
            return;
        const TDateTime jetzt = qel_Now();
        if (!(zeitraum->DatumBis() <= jetzt)) {
            QELHinweisBox(QStringLiteral("Die Rechnung muss bereits gestellt sein. (Bis-Datum vor Heute)"), QString());
            return;
        }
        auto offenePosten = std::make_unique<Tfrmmainu>();
        offenePosten->SetSelectedPeriodeVon(zeitraum->DatumVon());
        offenePosten->SetSelectedPeriodeBis(zeitraum->DatumBis());
        offenePosten->SetSelectedMandant(FSelectedMandant);
        offenePosten->SetSelectedMandant_Bez(FSelectedMandant_Bez);
        offenePosten->SetSelectedMandant_Nr(FSelectedMandant_Nr);
        offenePosten->ShowModal();
    });
}

void TfrmHauptmnu::BestehendeMahnungen()
{
    Guard(__func__, [&] {
        auto liste = std::make_unique<TfrmSelektion>();
        liste->SetSelectedMandant(FSelectedMandant);
        liste->SetSelectedMandant_Bez(FSelectedMandant_Bez);
        liste->SetSelectedRechner(FSelectedRechner);
        liste->ShowModal();
    });
}

void TfrmHauptmnu::reject() { actBeendenExecute(); }

void TfrmHauptmnu::closeEvent(QCloseEvent* event)
{
    QELProgramm().Terminate();
    event->accept();
}
