#include "verzugszinsdialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

TfrmVerzugszins::TfrmVerzugszins()
{
    QELFormInit(QStringLiteral("frmVerzugszins"), true);
    setWindowTitle(QStringLiteral("Verzugszinsen nach § 288 BGB"));
    rgrpSchuldner = new TQELStdRadioGroup(QStringLiteral(" Schuldner "), this);
    rgrpSchuldner->AddItem(QStringLiteral("&Unternehmer: Basiszinssatz + 9 Prozentpunkte"), QLatin1Char('U'));
    rgrpSchuldner->AddItem(QStringLiteral("&Verbraucher: Basiszinssatz + 5 Prozentpunkte"), QLatin1Char('V'));
    rgrpSchuldner->SetItemIndex(0);
    rgrpUmfang = new TQELStdRadioGroup(QStringLiteral(" Berechnen für "), this);
    rgrpUmfang->AddItem(QStringLiteral("den &gewählten Posten"), QLatin1Char('E'));
    rgrpUmfang->AddItem(QStringLiteral("&alle Posten der Liste"), QLatin1Char('A'));
    rgrpUmfang->SetItemIndex(0);
    cbxPauschale = new TQELStdCheckBox(QStringLiteral("&Pauschale von 40,00 EUR je Rechnung (§ 288 Abs. 5 BGB)"), this);
    btnOk = new TResBitBtn(QStringLiteral("OK"), QKeySequence(), this);
    btnAbbrechen = new TResBitBtn(QStringLiteral("Abbrechen"), QKeySequence(), this);
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, [this] { SetModalResult(mrOk); });
    connect(btnAbbrechen, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
    connect(rgrpSchuldner, &TQELStdRadioGroup::Click, this, &TfrmVerzugszins::rgrpSchuldnerClick);

    auto* text = new TQELStdLabel(QStringLiteral("Zinsen vom Tag nach dem Zahlungsziel des Postens bis zum Mahnungsdatum, "
                                                 "taggenau mit dem jeweils geltenden Basiszinssatz."),
                                  this);
    text->setWordWrap(true);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch(1);
    knoepfe->addWidget(btnOk);
    knoepfe->addWidget(btnAbbrechen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(rgrpSchuldner);
    layout->addWidget(rgrpUmfang);
    layout->addWidget(cbxPauschale);
    layout->addLayout(knoepfe);
}

// The flat fee is owed by business debtors only.
void TfrmVerzugszins::rgrpSchuldnerClick()
{
    qel_Guard(QStringLiteral("TfrmVerzugszins.rgrpSchuldnerClick"), [&] { cbxPauschale->setEnabled(!Verbraucher()); });
}
