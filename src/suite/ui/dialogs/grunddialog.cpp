#include "grunddialog.h"

#include <QGridLayout>
#include <QHBoxLayout>

TfrmGrundDialog::TfrmGrundDialog(const QString& titel, const QString& hinweis, bool mitDatum) : m_mitDatum(mitDatum)
{
    QELFormInit(QStringLiteral("frmGrundDialog"), true);
    setWindowTitle(titel);
    edtGrund = new TQELStdEdit(TEditTyp::Text, this);
    edtGrund->setObjectName(QStringLiteral("edtGrund"));
    edtGrund->setMaxLength(200);
    edtGrund->setMinimumWidth(320);
    edtBis = new TQELStdEdit(TEditTyp::Datum, this);
    edtBis->setObjectName(QStringLiteral("edtBis"));
    auto* btnBis = new TQELStdSpeedButton(QStringLiteral("kalender"), QStringLiteral("Kalender"), this);
    connect(btnBis, &QToolButton::clicked, this, [this] {
        edtBis->setFocus();
        edtBis->Eingabehilfe();
    });
    btnOk = new TResBitBtn(QStringLiteral("OK"), QKeySequence(), this);
    btnAbbrechen = new TResBitBtn(QStringLiteral("Abbrechen"), QKeySequence(), this);
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &TfrmGrundDialog::btnOkClick);
    connect(btnAbbrechen, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });

    auto* grid = new QGridLayout;
    grid->addWidget(new TQELAttachLabel(QStringLiteral("&Grund:"), edtGrund, this), 0, 0);
    grid->addWidget(edtGrund, 0, 1, 1, 2);
    auto* lblBis = new TQELAttachLabel(QStringLiteral("gesperrt &bis:"), edtBis, this);
    grid->addWidget(lblBis, 1, 0);
    grid->addWidget(edtBis, 1, 1);
    grid->addWidget(btnBis, 1, 2, Qt::AlignLeft);
    for (QWidget* w : std::initializer_list<QWidget*>{lblBis, edtBis, btnBis})
        w->setVisible(mitDatum);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnAbbrechen);
    auto* layout = new QVBoxLayout(this);
    auto* text = new TQELStdLabel(hinweis, this);
    text->setWordWrap(true);
    layout->addWidget(text);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void TfrmGrundDialog::SetBis(TDateTime d)
{
    m_bis = d;
    edtBis->SetAsDate(d);
}

void TfrmGrundDialog::btnOkClick()
{
    qel_Guard(QStringLiteral("TfrmGrundDialog.btnOkClick"), [&] {
        const QString grund = edtGrund->text().trimmed();
        if (grund.isEmpty()) {
            qel_Meldung(CMeldung_Hinweis, 994, QStringLiteral("Bitte einen Grund angeben."));
            ActivateControl(edtGrund);
            return;
        }
        if (m_mitDatum) {
            TDateTime bis = 0;
            try {
                bis = edtBis->GetAsDate();
            } catch (const EConvertError&) {
                qel_Meldung(CMeldung_Hinweis, 994, QStringLiteral("Bitte ein gültiges Datum eingeben."));
                ActivateControl(edtBis);
                return;
            }
            if (qel_DateOf(bis) < qel_DateOf(qel_Now())) {
                qel_Meldung(CMeldung_Hinweis, 994,
                            QStringLiteral("Das Ende der Mahnsperre darf nicht in der Vergangenheit liegen."));
                ActivateControl(edtBis);
                return;
            }
            m_bis = bis;
        }
        m_grund = grund;
        SetModalResult(mrOk);
    });
}
