#include "zeitraumwahl.h"

#include "calendardialog.h"

#include <QGridLayout>
#include <QHBoxLayout>

TfrmZeitraumWahl::TfrmZeitraumWahl()
{
    QELFormInit(QStringLiteral("frmZeitraumWahl"), true);
    setWindowTitle(QStringLiteral("Zeitraum wählen"));
    edtVon = new TQELStdEdit(TEditTyp::Datum, this);
    edtBis = new TQELStdEdit(TEditTyp::Datum, this);
    edtVon->setObjectName(QStringLiteral("edtVon"));
    edtBis->setObjectName(QStringLiteral("edtBis"));
    auto* btnVon = new TQELStdSpeedButton(QStringLiteral("kalender"), QStringLiteral("Kalender"), this);
    auto* btnBis = new TQELStdSpeedButton(QStringLiteral("kalender"), QStringLiteral("Kalender"), this);
    connect(btnVon, &QToolButton::clicked, this, [this] { kalender(edtVon); });
    connect(btnBis, &QToolButton::clicked, this, [this] { kalender(edtBis); });
    btnOk = new TResBitBtn(QStringLiteral("OK"), QKeySequence(), this);
    btnAbbrechen = new TResBitBtn(QStringLiteral("Abbrechen"), QKeySequence(), this);
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &TfrmZeitraumWahl::btnOkClick);
    connect(btnAbbrechen, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });

    auto* grid = new QGridLayout;
    grid->addWidget(new TQELAttachLabel(QStringLiteral("Zeitraum &von:"), edtVon, this), 0, 0);
    grid->addWidget(edtVon, 0, 1);
    grid->addWidget(btnVon, 0, 2);
    grid->addWidget(new TQELAttachLabel(QStringLiteral("Zeitraum &bis:"), edtBis, this), 1, 0);
    grid->addWidget(edtBis, 1, 1);
    grid->addWidget(btnBis, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnAbbrechen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new TQELStdLabel(QStringLiteral("Bitte den Rechnungszeitraum angeben."), this));
    layout->addLayout(grid);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(320, 150)));
}

void TfrmZeitraumWahl::SetDatumVon(TDateTime d)
{
    m_von = d;
    edtVon->SetAsDate(d);
}

void TfrmZeitraumWahl::SetDatumBis(TDateTime d)
{
    m_bis = d;
    edtBis->SetAsDate(d);
}

void TfrmZeitraumWahl::kalender(TQELStdEdit* edit)
{
    edit->setFocus();
    edit->Eingabehilfe();
}

void TfrmZeitraumWahl::btnOkClick()
{
    Guard(__func__, [&] {
        TDateTime von = 0, bis = 0;
        if (!edtVon->Lesen(von, QStringLiteral("Bitte ein gültiges Von-Datum eingeben."))) {
            ActivateControl(edtVon);
            return;
        }
        if (!edtBis->Lesen(bis, QStringLiteral("Bitte ein gültiges Bis-Datum eingeben."))) {
            ActivateControl(edtBis);
            return;
        }
        // The to-date keeps the time of day it was preset with when the day is unchanged.
        m_von = qel_DateOf(m_von) == von ? m_von : von;
        m_bis = qel_DateOf(m_bis) == bis ? m_bis : bis;
        SetModalResult(mrOk);
    });
}
