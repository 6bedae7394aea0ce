#include "kopftextpopup.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
// Same limit as the short-text column of the suite's text-block table.
constexpr int kKurztextLaenge = 120;
}

Tkopftextpopupfrm::Tkopftextpopupfrm()
{
    aufbauen();
    QELFormInit(QStringLiteral("kopftextpopupfrm"), true);
    SetMitKurztext(false);
    SetMitPlatzhaltern(false);
}

void Tkopftextpopupfrm::aufbauen()
{
    pnlHeader = new TQELHeaderPanel(QStringLiteral("Textbaustein"), this);
    edtKurztext = new TQELStdEdit(TEditTyp::Text, this);
    edtKurztext->setObjectName(QStringLiteral("edtKurztext"));
    edtKurztext->setMaxLength(kKurztextLaenge);
    alblKurztext = new TQELAttachLabel(QStringLiteral("&Kurztext:"), edtKurztext, this);
    redtText = new TQELRichEdit(this);
    redtText->setObjectName(QStringLiteral("redtText"));
    redtText->setAcceptRichText(false);
    redtText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    alblText = new TQELAttachLabel(QStringLiteral("&Text:"), redtText, this);
    btnHeute = new TResBitBtn(QStringLiteral("#Heute"), QKeySequence(), this);
    btnHeute->setToolTip(QStringLiteral("Platzhalter für das heutige Datum einfügen"));
    btnBeruecksichtigt = new TResBitBtn(QStringLiteral("#Berücksichtigt"), QKeySequence(), this);
    btnBeruecksichtigt->setToolTip(QStringLiteral("Platzhalter für das Berücksichtigungsdatum einfügen"));
    btnOK = new TResBitBtn(QStringLiteral("OK"), QKeySequence(Qt::CTRL | Qt::Key_Return), this);
    btnOK->setToolTip(QStringLiteral("Speichern (Strg+Eingabe)"));
    btnAbbrechen = new TResBitBtn(QStringLiteral("Abbrechen"), QKeySequence(), this);
    btnAbbrechen->setToolTip(QStringLiteral("Abbrechen (Esc)"));
    btnAnrede = new TResBitBtn(QStringLiteral("#Anrede"), QKeySequence(), this);
    btnAnrede->setToolTip(QStringLiteral("Platzhalter für die Anrede des Ansprechpartners beim Kunden einfügen"));
    btnZahlungsziel = new TResBitBtn(QStringLiteral("#Zahlungsziel"), QKeySequence(), this);
    btnZahlungsziel->setToolTip(QStringLiteral("Platzhalter für das späteste neue Zahlungsziel einfügen"));
    btnGesamtbetrag = new TResBitBtn(QStringLiteral("#Gesamtbetrag"), QKeySequence(), this);
    btnGesamtbetrag->setToolTip(QStringLiteral("Platzhalter für den zu zahlenden Gesamtbetrag einfügen"));
    btnAufstellung = new TResBitBtn(QStringLiteral("#Aufstellung"), QKeySequence(), this);
    btnAufstellung->setToolTip(QStringLiteral("Stelle markieren, an der im Brief die Aufstellung der Rechnungen steht"));

    auto* felder = new QGridLayout;
    felder->addWidget(alblKurztext, 0, 0);
    felder->addWidget(edtKurztext, 0, 1);
    felder->addWidget(alblText, 1, 0, Qt::AlignTop);
    felder->addWidget(redtText, 1, 1);
    felder->setRowStretch(1, 1);
    auto* platzhalter = new QHBoxLayout;
    for (TResBitBtn* b : platzhalterKnoepfe())
        platzhalter->addWidget(b);
    platzhalter->addStretch(1);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch(1);
    knoepfe->addWidget(btnOK);
    knoepfe->addWidget(btnAbbrechen);
    for (TResBitBtn* b : {btnOK, btnAbbrechen})
        b->setMinimumWidth(100);
    auto* innen = new QVBoxLayout;
    innen->setContentsMargins(10, 8, 10, 10);
    innen->addLayout(felder, 1);
    innen->addLayout(platzhalter);
    innen->addLayout(knoepfe);
    auto* aussen = new QVBoxLayout(this);
    aussen->setContentsMargins(0, 0, 0, 0);
    aussen->addWidget(pnlHeader);
    aussen->addLayout(innen, 1);
    setMinimumSize(480, 320);
    resize(600, 420);

    connect(btnOK, &QPushButton::clicked, this, &Tkopftextpopupfrm::btnOKClick);
    connect(btnAbbrechen, &QPushButton::clicked, this, &Tkopftextpopupfrm::btnAbbrechenClick);
    // Each button puts its own caption, the placeholder, into the text.
    for (TResBitBtn* b : platzhalterKnoepfe())
        connect(b, &QPushButton::clicked, this, [this, b] { Platzhalter_Einfuegen(b->text()); });
}

QString Tkopftextpopupfrm::Kurztext() const { return edtKurztext->text(); }

void Tkopftextpopupfrm::SetKurztext(const QString& v) { edtKurztext->setText(v); }

QString Tkopftextpopupfrm::Text() const { return redtText->PlainText(); }

void Tkopftextpopupfrm::SetText(const QString& v) { redtText->setPlainText(v); }

void Tkopftextpopupfrm::SetMitKurztext(bool v)
{
    FMitKurztext = v;
    alblKurztext->setVisible(v);
    edtKurztext->setVisible(v);
}

void Tkopftextpopupfrm::SetMitPlatzhaltern(bool v)
{
    FMitPlatzhaltern = v;
    for (TResBitBtn* b : platzhalterKnoepfe())
        b->setVisible(v);
}

void Tkopftextpopupfrm::SetCaption(const QString& caption)
{
    setWindowTitle(caption);
    pnlHeader->setText(caption);
}

void Tkopftextpopupfrm::FormShow()
{
    Guard(__func__, [&] {
        // A new block starts with its name, a shown-again one where the clerk left off.
        if (FMitKurztext && edtKurztext->text().isEmpty())
            ActivateControl(edtKurztext);
        else
            ActivateControl(redtText);
    });
}

void Tkopftextpopupfrm::btnOKClick()
{
    Guard(__func__, [&] { SetModalResult(mrOk); });
}

void Tkopftextpopupfrm::btnAbbrechenClick()
{
    Guard(__func__, [&] { SetModalResult(mrCancel); });
}

void Tkopftextpopupfrm::Platzhalter_Einfuegen(const QString& Platzhalter)
{
    Guard(__func__, [&] {
        redtText->insertPlainText(Platzhalter);
        ActivateControl(redtText);
    });
}
