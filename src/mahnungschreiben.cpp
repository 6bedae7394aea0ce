// Dunning editor: layout and lifecycle.
#include "mahnungschreiben.h"

#include "suite/orgemerkmale.h"
#include "suite/vtupdate.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

TfrmMahnungSchreiben::TfrmMahnungSchreiben()
{
    aufbauen();
    FormCreate();
}

TfrmMahnungSchreiben::~TfrmMahnungSchreiben() { FormDestroy(); }

void TfrmMahnungSchreiben::aufbauen()
{
    setWindowTitle(QStringLiteral("Auswahlmöglichkeiten"));
    pnlHeader = new TQELHeaderPanel(QStringLiteral("Mahnschreiben"), this);

    dspMandant = new TQELStdLabel(QStringLiteral("Kein Mandant"), this);
    dspMandant->setObjectName(QStringLiteral("dspMandant"));
    alblmand = new TQELAttachLabel(QStringLiteral("Mandant:"), dspMandant, this);
    dspGep = new TQELStdLabel(QStringLiteral("Kein Geschäftspartner"), this);
    dspGep->setObjectName(QStringLiteral("dspGep"));
    alblgep = new TQELAttachLabel(QStringLiteral("Geschäftspartner:"), dspGep, this);
    QFont fett = dspMandant->font();
    fett.setBold(true);
    dspMandant->setFont(fett);
    dspGep->setFont(fett);
    albNummer = new TQELStdLabel(QStringLiteral("Belegnummer:"), this);
    edtphase = new TQELStdEdit(TEditTyp::Text, this);
    edtphase->SetMask(QStringLiteral("ccc;0"));
    edtLfdNr = new TQELStdEdit(TEditTyp::Integer, this);
    edtLfdNr->SetMask(QStringLiteral("cccccc;0"));
    edtLfdNr->SetRange(1, 999999);
    lblStricher = new TQELStdLabel(QStringLiteral("-"), this);
    edtWJ = new TQELStdEdit(TEditTyp::Integer, this);
    edtWJ->SetMask(QStringLiteral("cccc;0"));
    edtWJ->SetRange(1900, 9999);
    edtRNr = new TQELStdEdit(TEditTyp::Integer, this);
    edtRNr->SetMask(QStringLiteral("cccc;0"));
    edtRNr->SetRange(1, 9999);
    edtphase->setFixedWidth(45);
    edtLfdNr->setFixedWidth(70);
    edtWJ->setFixedWidth(50);
    edtRNr->setFixedWidth(50);
    for (TQELStdEdit* e : {edtphase, edtLfdNr, edtWJ, edtRNr})
        e->setEnabled(false);

    vtGewaehltePosten = new TVTVRList(this);
    vtGewaehltePosten->setObjectName(QStringLiteral("vtGewaehltePosten"));

    edtZahlungsziel = new TQELStdEdit(TEditTyp::Datum, this);
    edtZahlungsziel->setObjectName(QStringLiteral("edtZahlungsziel"));
    alblZahlungsziel = new TQELAttachLabel(QStringLiteral("neues Zahlungsziel:"), edtZahlungsziel, this);
    btnZahlungsziel = new TQELStdSpeedButton(QStringLiteral("kalender"), QStringLiteral("Kalender"), this);
    edtMahngebueren = new TQELStdEdit(TEditTyp::Float, this);
    edtMahngebueren->setObjectName(QStringLiteral("edtMahngebueren"));
    alblmahngbeuehrenpo = new TQELAttachLabel(QStringLiteral("Mahngebühren:"), edtMahngebueren, this);
    edtZinssatz = new TQELStdEdit(TEditTyp::Float, this);
    edtZinssatz->setObjectName(QStringLiteral("edtZinssatz"));
    alblVerzugszinsen = new TQELAttachLabel(QStringLiteral("Verzugszinsen:"), edtZinssatz, this);
    for (TQELStdEdit* e : {edtMahngebueren, edtZinssatz}) {
        e->setMaxLength(9);
        e->SetDecimals(2);
        e->SetThousandSeparator(true);
    }
    edtBeruecksichtigt = new TQELStdEdit(TEditTyp::Datum, this);
    edtBeruecksichtigt->setObjectName(QStringLiteral("edtBeruecksichtigt"));
    alblBeruecksichtigungsD =
        new TQELAttachLabel(QStringLiteral("Zahlungen berücksichtigt bis:"), edtBeruecksichtigt, this);
    btnBeruecksichtigt = new TQELStdSpeedButton(QStringLiteral("kalender"), QStringLiteral("Kalender"), this);
    edtMahnungsdatum = new TQELStdEdit(TEditTyp::Datum, this);
    edtMahnungsdatum->setObjectName(QStringLiteral("edtMahnungsdatum"));
    alblMahnungsDatum = new TQELAttachLabel(QStringLiteral("Mahnungsdatum:"), edtMahnungsdatum, this);
    btnMahnungsdatum = new TQELStdSpeedButton(QStringLiteral("kalender"), QStringLiteral("Kalender"), this);
    for (QWidget* w : std::initializer_list<QWidget*>{alblZahlungsziel, edtZahlungsziel, btnZahlungsziel,
                                                      alblmahngbeuehrenpo, edtMahngebueren, alblVerzugszinsen,
                                                      edtZinssatz})
        w->setEnabled(false);
    for (TQELStdEdit* e : {edtZahlungsziel, edtBeruecksichtigt, edtMahnungsdatum, edtMahngebueren, edtZinssatz})
        e->setFixedWidth(95);

    dspSummeOP = new TQELStdLabel(QString(), this);
    dspMahngebuehren = new TQELStdLabel(QString(), this);
    dspVerzugszins = new TQELStdLabel(QString(), this);
    dspGesamt = new TQELStdLabel(QString(), this);
    for (TQELStdLabel* d : {dspSummeOP, dspMahngebuehren, dspVerzugszins, dspGesamt}) {
        d->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        d->setMinimumWidth(130);
    }
    dspSummeOP->setObjectName(QStringLiteral("dspSummeOP"));
    dspMahngebuehren->setObjectName(QStringLiteral("dspMahngebuehren"));
    dspVerzugszins->setObjectName(QStringLiteral("dspVerzugszins"));
    dspGesamt->setObjectName(QStringLiteral("dspGesamt"));
    dspGesamt->setFont(fett);

    grpTextbausteine = new TQELStdGroupBox(QStringLiteral(" Textbausteine "), this);
    vtTextbausteine = new TVTVRList(grpTextbausteine);
    vtTextbausteine->setObjectName(QStringLiteral("vtTextbausteine"));
    btnneu = new TQELStdSpeedButton(QString(), QStringLiteral("Neuen Textbaustein erstellen"), grpTextbausteine);
    btnneu->setText(QStringLiteral("Neu"));
    btnbearbeiten = new TQELStdSpeedButton(QString(), QStringLiteral("Textbaustein bearbeiten"), grpTextbausteine);
    btnbearbeiten->setText(QStringLiteral("Bearbeiten"));
    btnloeschen = new TQELStdSpeedButton(QString(), QStringLiteral("Textbaustein löschen"), grpTextbausteine);
    btnloeschen->setText(QStringLiteral("Löschen"));
    btnPlatzhalter = new TQELStdSpeedButton(QString(), QStringLiteral("Legende Platzhalter"), grpTextbausteine);
    btnPlatzhalter->setText(QStringLiteral("Platzhalter"));
    for (TQELStdSpeedButton* b : {btnneu, btnbearbeiten, btnloeschen, btnPlatzhalter})
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto* tbKnoepfe = new QHBoxLayout;
    for (TQELStdSpeedButton* b : {btnneu, btnbearbeiten, btnloeschen, btnPlatzhalter})
        tbKnoepfe->addWidget(b);
    tbKnoepfe->addStretch(1);
    auto* tb = new QVBoxLayout(grpTextbausteine);
    tb->addWidget(vtTextbausteine, 1);
    tb->addLayout(tbKnoepfe);

    grpVorschau = new TQELStdGroupBox(QStringLiteral(" Vorschau "), this);
    redtKopfText = new TQELRichEdit(grpVorschau);
    redtKopfText->setObjectName(QStringLiteral("redtKopfText"));
    redtKopfText->setAcceptRichText(false);
    redtKopfText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* vs = new QVBoxLayout(grpVorschau);
    vs->addWidget(redtKopfText);

    btnUebernehmen = new TResBitBtn(QStringLiteral("Übernehmen"), QKeySequence(Qt::Key_F5), this);
    btnUebernehmen->setToolTip(QStringLiteral("Mahnungen buchen (F5)"));
    btnDrucken = new TResBitBtn(QStringLiteral("Drucken"), QKeySequence(Qt::Key_F10), this);
    btnDrucken->setToolTip(QStringLiteral("Mahnungen drucken (F10)"));
    btnAnhang = new TResBitBtn(QStringLiteral("Anhang"), QKeySequence(), this);
    btnAbbrechen = new TResBitBtn(QStringLiteral("Abbrechen"), QKeySequence(), this);
    btnAbbrechen->setToolTip(QStringLiteral("Schließen (Esc)"));

    // Header lines: client and partner on the left, the document number on the right.
    auto* kopf = new QGridLayout;
    kopf->addWidget(alblmand, 0, 0);
    kopf->addWidget(dspMandant, 0, 1);
    kopf->addWidget(alblgep, 1, 0);
    kopf->addWidget(dspGep, 1, 1);
    auto* nummer = new QHBoxLayout;
    nummer->addWidget(albNummer);
    nummer->addWidget(edtphase);
    nummer->addWidget(edtLfdNr);
    nummer->addWidget(lblStricher);
    nummer->addWidget(edtWJ);
    nummer->addWidget(edtRNr);
    kopf->addLayout(nummer, 0, 2, Qt::AlignRight);
    kopf->setColumnStretch(1, 1);

    auto* werte = new QGridLayout;
    werte->addWidget(alblZahlungsziel, 0, 0);
    werte->addWidget(edtZahlungsziel, 0, 1);
    werte->addWidget(btnZahlungsziel, 0, 2);
    werte->addWidget(alblmahngbeuehrenpo, 1, 0);
    werte->addWidget(edtMahngebueren, 1, 1);
    werte->addWidget(alblVerzugszinsen, 2, 0);
    werte->addWidget(edtZinssatz, 2, 1);
    werte->addWidget(alblMahnungsDatum, 0, 3);
    werte->addWidget(edtMahnungsdatum, 0, 4);
    werte->addWidget(btnMahnungsdatum, 0, 5);
    werte->addWidget(alblBeruecksichtigungsD, 1, 3);
    werte->addWidget(edtBeruecksichtigt, 1, 4);
    werte->addWidget(btnBeruecksichtigt, 1, 5);
    werte->setColumnStretch(6, 1);
    auto* summen = new QGridLayout;
    const QStringList titel{QStringLiteral("Summe der Forderungen"), QStringLiteral("Mahngebühren"),
                            QStringLiteral("Verzugszinsen"), QStringLiteral("Gesamt")};
    const QList<TQELStdLabel*> anzeigen{dspSummeOP, dspMahngebuehren, dspVerzugszins, dspGesamt};
    for (int i = 0; i < 4; ++i) {
        summen->addWidget(new TQELAttachLabel(titel[i], anzeigen[i], this), i, 0);
        summen->addWidget(anzeigen[i], i, 1);
    }
    werte->addLayout(summen, 0, 7, 3, 1);

    auto* texte = new QHBoxLayout;
    texte->addWidget(grpTextbausteine, 1);
    texte->addWidget(grpVorschau, 2);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addWidget(btnAnhang);
    knoepfe->addStretch(1);
    knoepfe->addWidget(btnUebernehmen);
    knoepfe->addWidget(btnDrucken);
    knoepfe->addWidget(btnAbbrechen);
    for (TResBitBtn* b : {btnUebernehmen, btnDrucken, btnAnhang, btnAbbrechen})
        b->setMinimumWidth(110);
    auto* innen = new QVBoxLayout;
    innen->setContentsMargins(10, 6, 10, 10);
    innen->addLayout(kopf);
    innen->addWidget(vtGewaehltePosten, 3);
    innen->addLayout(werte);
    innen->addLayout(texte, 2);
    innen->addLayout(knoepfe);
    auto* aussen = new QVBoxLayout(this);
    aussen->setContentsMargins(0, 0, 0, 0);
    aussen->addWidget(pnlHeader);
    aussen->addLayout(innen, 1);
    setMinimumSize(840, 573);
    resize(840, 698);

    connect(btnAbbrechen, &QPushButton::clicked, this, &TfrmMahnungSchreiben::actZurueckExecute);
}

void TfrmMahnungSchreiben::FormCreate()
{
    qel_Guard(QStringLiteral("TfrmMahnungSchreiben.FormCreate"), [&] {
        QELFormInit(QStringLiteral("frmMahnungSchreiben"), true);
        CenterOnScreen();
        FModus = CQEL_Mahnungen_Schreiben;
        FRNr = 0;
        FLfdNr = 0;
        FWirtschaftsJahr = 0;
        Glob_ServerFactoryClass().MahnungEditServer_Holen(FMahnungEditServer);
        Glob_WWSServerFactoryClass().GPListenServer_Holen(FGPListenServer);
    });
}

void TfrmMahnungSchreiben::FormDestroy()
{
    const QString kontext = QStringLiteral("TfrmMahnungSchreiben.FormDestroy");
    qel_Guard(kontext, [&] { qel_ListenLoesen(this); }, false);
    qel_Guard(kontext, [&] { FOrgeMerkmaleDM.reset(); }, false);
    qel_Guard(kontext, [&] { Glob_WWSServerFactoryClass().MandListeServer_Freigeben(FMandListeServer, kontext); },
              false);
    qel_Guard(kontext, [&] { Glob_WWSServerFactoryClass().PrintEditServer_Freigeben(FPrintEditServer); }, false);
    qel_Guard(kontext, [&] { Glob_WWSServerFactoryClass().GPListenServer_Freigeben(FGPListenServer); }, false);
    qel_Guard(kontext, [&] { Glob_ServerFactoryClass().MahnungEditServer_Freigeben(FMahnungEditServer); }, false);
    QELInfo().FehlerTerminate(kontext, 0, QString(), QString(), 0, 0);
}

void TfrmMahnungSchreiben::Modus_Set(TModus value)
{
    qel_Guard(QStringLiteral("TfrmMahnungSchreiben.Modus_Set"), [&] {
        FModus = value;
        btnAnhang->setVisible(FModus == CQEL_Mahnung_Lesen);
        btnAnhang->setEnabled(FModus == CQEL_Mahnung_Lesen);
    });
}

void TfrmMahnungSchreiben::FormShow()
{
    qel_Guard(QStringLiteral("TfrmMahnungSchreiben.FormShow"), [&] {
        dspMandant->setText(FSelectedMandant_Bez);
        vtGewaehltePosten->BeginUpdate();
        vtGewaehltePosten->Clear();
        vtGewaehltePosten->SetVRList(FGewaehltePosten);
        vtGewaehltePosten->LoadFromVRList(true);
        vtGewaehltePosten->EndUpdate();
    });
}

void TfrmMahnungSchreiben::actZurueckExecute()
{
    qel_Guard(QStringLiteral("TfrmMahnungSchreiben.actZurueckExecute"),
              [&] { SetModalResult(FGebucht ? mrOk : mrCancel); });
}
