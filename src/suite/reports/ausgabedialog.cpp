#include "ausgabedialog.h"

#include "berichtausgabe.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace {

constexpr int kDrucker = 0, kEinePdf = 1, kJePartner = 2, kVorschau = 3, kEMail = 4;

QString vorgabeOrdner()
{
    const QString d = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return d.isEmpty() ? QDir::homePath() : d;
}

}  // namespace

TAusgabeDialog::TAusgabeDialog(int anzahl)
{
    setWindowTitle(QStringLiteral("Ausgabe der Mahnungen"));
    pnlHeader = new TQELHeaderPanel(QStringLiteral("Ausgabe von %1 Mahnungen").arg(anzahl), this);
    rgrpZiel = new TQELStdRadioGroup(QStringLiteral(" Ausgabe für alle Briefe des Laufs "), this);
    rgrpZiel->AddItem(QStringLiteral("&Drucker"), QLatin1Char('D'));
    rgrpZiel->AddItem(QStringLiteral("&Eine PDF-Datei (jeder Brief beginnt auf einem neuen Blatt)"), QLatin1Char('E'));
    rgrpZiel->AddItem(QStringLiteral("Eine PDF-Datei &je Geschäftspartner in einen Ordner"), QLatin1Char('J'));
    rgrpZiel->AddItem(QStringLiteral("&Vorschau des ganzen Laufs"), QLatin1Char('V'));
    rgrpZiel->AddItem(QStringLiteral("Per E-&Mail senden (Partner ohne E-Mail-Adresse werden danach ausgegeben)"),
                      QLatin1Char('M'));
    rgrpZiel->Button(kEMail)->setVisible(false);
    lblDrucker = new TQELStdLabel(QString(), this);
    lblDrucker->setWordWrap(true);
    edtPfad = new TQELStdEdit(TEditTyp::Text, this);
    edtPfad->setObjectName(QStringLiteral("edtPfad"));
    alblPfad = new TQELAttachLabel(QStringLiteral("Datei:"), edtPfad, this);
    btnPfad = new TQELStdSpeedButton(QStringLiteral("lupe"), QStringLiteral("Datei oder Ordner wählen"), this);
    btnOK = new TResBitBtn(QStringLiteral("OK"), QKeySequence(Qt::Key_F5), this);
    btnOK->setDefault(true);
    btnAbbrechen = new TResBitBtn(QStringLiteral("Abbrechen"), QKeySequence(), this);

    auto* pfad = new QHBoxLayout;
    pfad->addWidget(alblPfad);
    pfad->addWidget(edtPfad, 1);
    pfad->addWidget(btnPfad);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addStretch(1);
    knoepfe->addWidget(btnOK);
    knoepfe->addWidget(btnAbbrechen);
    auto* innen = new QVBoxLayout;
    innen->setContentsMargins(10, 6, 10, 10);
    innen->addWidget(rgrpZiel);
    innen->addWidget(lblDrucker);
    innen->addLayout(pfad);
    innen->addStretch(1);
    innen->addLayout(knoepfe);
    auto* aussen = new QVBoxLayout(this);
    aussen->setContentsMargins(0, 0, 0, 0);
    aussen->addWidget(pnlHeader);
    aussen->addLayout(innen, 1);
    resize(560, 300);

    connect(rgrpZiel, &TQELStdRadioGroup::Click, this, [this] { rgrpZielClick(); });
    connect(btnPfad, &QToolButton::clicked, this, [this] { btnPfadClick(); });
    connect(btnOK, &QPushButton::clicked, this, [this] { btnOKClick(); });
    connect(btnAbbrechen, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
    Guard("FormCreate", [&] {
        QELFormInit(QStringLiteral("Ausgabedialog"), true);
        CenterOnScreen();
    });
}

TAusgabeDialog::~TAusgabeDialog() = default;

TLaufZiel TAusgabeDialog::Ziel() const
{
    switch (rgrpZiel->ItemIndex()) {
    case kDrucker:
        return TLaufZiel::Drucker;
    case kJePartner:
        return TLaufZiel::PdfJePartner;
    case kVorschau:
        return TLaufZiel::Vorschau;
    case kEMail:
        return TLaufZiel::EMail;
    default:
        return TLaufZiel::EinePdf;
    }
}

void TAusgabeDialog::rgrpZielClick()
{
    Guard(__func__, [&] {
        const TLaufZiel z = Ziel();
        const bool datei = z == TLaufZiel::EinePdf || z == TLaufZiel::PdfJePartner;
        edtPfad->setEnabled(datei);
        btnPfad->setEnabled(datei);
        alblPfad->setEnabled(datei);
        const QString bisher = edtPfad->text().trimmed();
        if (z == TLaufZiel::EinePdf) {
            alblPfad->setText(QStringLiteral("Datei:"));
            if (bisher.isEmpty() || QFileInfo(bisher).isDir())
                edtPfad->setText(QDir(bisher.isEmpty() ? vorgabeOrdner() : bisher).filePath(QStringLiteral("Mahnungen.pdf")));
        } else if (z == TLaufZiel::PdfJePartner) {
            alblPfad->setText(QStringLiteral("Ordner:"));
            if (bisher.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
                edtPfad->setText(QFileInfo(bisher).absolutePath());
            else if (bisher.isEmpty())
                edtPfad->setText(vorgabeOrdner());
        }
    });
}

void TAusgabeDialog::btnPfadClick()
{
    Guard(__func__, [&] {
        QString pfad;
        if (Ziel() == TLaufZiel::EinePdf)
            pfad = QFileDialog::getSaveFileName(this, QStringLiteral("Mahnungen als PDF speichern"), edtPfad->text(),
                                                QStringLiteral("PDF-Dateien (*.pdf)"));
        else if (Ziel() == TLaufZiel::PdfJePartner)
            pfad = QFileDialog::getExistingDirectory(this, QStringLiteral("Ordner für die PDF-Dateien"), edtPfad->text());
        if (!pfad.isEmpty())
            edtPfad->setText(pfad);
    });
}

void TAusgabeDialog::btnOKClick()
{
    Guard(__func__, [&] {
        const TLaufZiel z = Ziel();
        const QString pfad = edtPfad->text().trimmed();
        QString fehler;
        if (z == TLaufZiel::Drucker && !FDrucker)
            fehler = QStringLiteral("Es ist kein Drucker eingerichtet. Bitte wählen Sie eine PDF-Ausgabe.");
        else if (z == TLaufZiel::EinePdf && (pfad.isEmpty() || QFileInfo(pfad).isDir()))
            fehler = QStringLiteral("Bitte geben Sie den Namen der PDF-Datei an.");
        else if (z == TLaufZiel::PdfJePartner && (pfad.isEmpty() || !QFileInfo(pfad).isDir()))
            fehler = QStringLiteral("Der Ordner „%1“ existiert nicht.").arg(pfad);
        if (!fehler.isEmpty()) {
            qel_Meldung(CMeldung_Hinweis, 994, fehler);
            edtPfad->setFocus();
            return;
        }
        SetModalResult(mrOk);
    });
}

void TAusgabeDialog::SetMitEMail(bool v) { rgrpZiel->Button(kEMail)->setVisible(v); }

bool TAusgabeDialog::Execute(TLaufWahl& wahl)
{
    bool ok = false;
    Guard(__func__, [&] {
        FDrucker = TBerichtAusgabe::DruckerVorhanden();
        rgrpZiel->Button(kDrucker)->setEnabled(FDrucker);
        lblDrucker->setText(FDrucker ? QString()
                                     : QStringLiteral("Es ist kein Drucker eingerichtet: die Briefe können als PDF "
                                                      "ausgegeben werden."));
        lblDrucker->setVisible(!FDrucker);
        edtPfad->setText(wahl.Pfad);
        rgrpZiel->SetItemIndex(FDrucker ? kDrucker : kEinePdf);
        rgrpZielClick();
        if (ShowModal() != mrOk)
            return;
        wahl.Ziel = Ziel();
        wahl.Pfad = QDir::cleanPath(edtPfad->text().trimmed());
        ok = true;
    });
    return ok;
}
