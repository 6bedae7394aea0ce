// Dunning editor: layout and lifecycle.
#include "mahnungschreiben.h"

#include "suite/ui/orgemerkmale.h"
#include "suite/ui/programm.h"
#include "suite/ui/vtupdate.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>
#include <cmath>

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
        // What the nine places can show ("-9.999,99" to "99.999,99"); fee and interest may be negative.
        e->SetRange(-9999.99, 99999.99);
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
        e->setFixedWidth(88);

    dspSummeOP = new TQELStdLabel(QString(), this);
    dspMahngebuehren = new TQELStdLabel(QString(), this);
    dspVerzugszins = new TQELStdLabel(QString(), this);
    dspGesamt = new TQELStdLabel(QString(), this);
    dspPauschalen = new TQELStdLabel(QString(), this);
    for (TQELStdLabel* d : {dspSummeOP, dspMahngebuehren, dspVerzugszins, dspPauschalen, dspGesamt}) {
        d->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        d->setMinimumWidth(100);
    }
    dspSummeOP->setObjectName(QStringLiteral("dspSummeOP"));
    dspMahngebuehren->setObjectName(QStringLiteral("dspMahngebuehren"));
    dspVerzugszins->setObjectName(QStringLiteral("dspVerzugszins"));
    dspGesamt->setObjectName(QStringLiteral("dspGesamt"));
    dspPauschalen->setObjectName(QStringLiteral("dspPauschalen"));
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
    btnStornieren = new TResBitBtn(QStringLiteral("Stornieren"), QKeySequence(), this);
    btnStornieren->setToolTip(QStringLiteral("Mahnung stornieren"));
    btnStornieren->setVisible(false);
    lblStorniert = new TQELStdLabel(QString(), this);
    lblStorniert->setObjectName(QStringLiteral("lblStorniert"));
    lblStorniert->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    lblStorniert->setVisible(false);

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

    // The item's values and the letter's dates are two blocks, so Tab finishes the item first.
    auto* postenWerte = new QGridLayout;
    postenWerte->addWidget(alblZahlungsziel, 0, 0);
    postenWerte->addWidget(edtZahlungsziel, 0, 1);
    postenWerte->addWidget(btnZahlungsziel, 0, 2);
    postenWerte->addWidget(alblmahngbeuehrenpo, 1, 0);
    postenWerte->addWidget(edtMahngebueren, 1, 1);
    postenWerte->addWidget(alblVerzugszinsen, 2, 0);
    postenWerte->addWidget(edtZinssatz, 2, 1);
    postenWerte->setRowStretch(3, 1);
    auto* briefDaten = new QGridLayout;
    briefDaten->addWidget(alblMahnungsDatum, 0, 0);
    briefDaten->addWidget(edtMahnungsdatum, 0, 1);
    briefDaten->addWidget(btnMahnungsdatum, 0, 2);
    briefDaten->addWidget(alblBeruecksichtigungsD, 1, 0);
    briefDaten->addWidget(edtBeruecksichtigt, 1, 1);
    briefDaten->addWidget(btnBeruecksichtigt, 1, 2);
    briefDaten->setRowStretch(2, 1);
    briefDaten->setColumnStretch(3, 1);  // the room left over, between the dates and the sums
    for (QGridLayout* g : {postenWerte, briefDaten})
        g->setHorizontalSpacing(6);
    auto* werte = new QHBoxLayout;
    werte->setSpacing(6);
    werte->addLayout(postenWerte);
    werte->addLayout(briefDaten, 1);
    auto* summen = new QGridLayout;
    const QStringList titel{QStringLiteral("Summe der Forderungen"), QStringLiteral("Mahngebühren"),
                            QStringLiteral("Verzugszinsen"), QStringLiteral("Pauschalen"), QStringLiteral("Gesamt")};
    const QList<TQELStdLabel*> anzeigen{dspSummeOP, dspMahngebuehren, dspVerzugszins, dspPauschalen, dspGesamt};
    for (int i = 0; i < int(anzeigen.size()); ++i) {
        summen->addWidget(new TQELAttachLabel(titel[i], anzeigen[i], this), i, 0);
        summen->addWidget(anzeigen[i], i, 1);
    }
    werte->addLayout(summen);

    auto* texte = new QHBoxLayout;
    texte->addWidget(grpTextbausteine, 1);
    texte->addWidget(grpVorschau, 2);
    auto* knoepfe = new QHBoxLayout;
    knoepfe->addWidget(btnAnhang);
    knoepfe->addWidget(btnStornieren);
    dspGebucht = new TQELStdLabel(QString(), this);
    dspGebucht->setObjectName(QStringLiteral("dspGebucht"));
    dspGebucht->setVisible(false);
    knoepfe->addWidget(dspGebucht);
    knoepfe->addStretch(1);
    knoepfe->addWidget(btnUebernehmen);
    knoepfe->addWidget(btnDrucken);
    knoepfe->addWidget(btnAbbrechen);
    for (TResBitBtn* b : {btnUebernehmen, btnDrucken, btnAnhang, btnAbbrechen, btnStornieren})
        b->setMinimumWidth(110);
    Mail_Aufbauen(knoepfe);
    auto* innen = new QVBoxLayout;
    innen->setContentsMargins(10, 6, 10, 10);
    innen->addLayout(kopf);
    innen->addWidget(lblStorniert);
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

    using T = TfrmMahnungSchreiben;
    connect(btnZahlungsziel, &QToolButton::clicked, this, [this] { DatumSetzen(btnZahlungsziel); });
    connect(btnBeruecksichtigt, &QToolButton::clicked, this, [this] { DatumSetzen(btnBeruecksichtigt); });
    connect(btnMahnungsdatum, &QToolButton::clicked, this, [this] { DatumSetzen(btnMahnungsdatum); });
    connect(edtZahlungsziel, &TQELStdEdit::Exit, this, &T::edtZahlungszielExit);
    connect(edtMahngebueren, &TQELStdEdit::Exit, this, &T::edtMahngebuerenExit);
    connect(edtZinssatz, &TQELStdEdit::Exit, this, &T::edtZinssatzExit);
    edtZinssatz->SetEingabehilfe([this] { Verzugszins_Eingabehilfe(); });
    connect(edtBeruecksichtigt, &TQELStdEdit::Exit, this, &T::edtBeruecksichtigtExit);
    connect(edtMahnungsdatum, &TQELStdEdit::Exit, this, &T::edtMahnungsdatumExit);
    connect(vtGewaehltePosten, &TVTVRList::Change, this, &T::vtGewaehltePostenChange);
    connect(vtTextbausteine, &TVTVRList::Change, this, &T::vtTextbausteineChange);
    connect(vtTextbausteine, &TVTVRList::DblClick, this, &T::vtTextbausteineDblClick);
    connect(btnneu, &QToolButton::clicked, this, &T::btnneuClick);
    connect(btnbearbeiten, &QToolButton::clicked, this, &T::btnbearbeitenClick);
    connect(btnloeschen, &QToolButton::clicked, this, &T::btnloeschenClick);
    connect(btnPlatzhalter, &QToolButton::clicked, this, &T::btnPlatzhalterClick);
    connect(redtKopfText, &TQELRichEdit::Exit, this, &T::redtKopfTextExit);
    connect(btnUebernehmen, &QPushButton::clicked, this, &T::actBuchenExecute);
    connect(btnDrucken, &QPushButton::clicked, this, &T::actDruckenExecute);
    connect(btnAnhang, &QPushButton::clicked, this, &T::actAnhangExecute);
    connect(btnAbbrechen, &QPushButton::clicked, this, &T::actZurueckExecute);
    connect(btnStornieren, &QPushButton::clicked, this, &T::actStornierenExecute);
}

namespace {

void hinweis(const QString& text) { qel_Meldung(CMeldung_Hinweis, 994, text); }

// "#,##0.00", a blank and the currency; the sign is not shown.
QString geldText(double betrag) { return qel_FormatMoney(std::fabs(betrag)) + QLatin1Char(' ') + QELProgramm().GetWaehrung(); }
}  // namespace

void TfrmMahnungSchreiben::FormCreate()
{
    Guard(__func__, [&] {
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
    const QString k = Kontext(__func__);
    qel_Guard(k, [&] { qel_ListenLoesen(this); }, false);
    qel_Guard(k, [&] { FOrgeMerkmaleDM.reset(); }, false);
    qel_Guard(k, [&] { Glob_WWSServerFactoryClass().MandListeServer_Freigeben(FMandListeServer, k); }, false);
    qel_Guard(k, [&] { Glob_WWSServerFactoryClass().PrintEditServer_Freigeben(FPrintEditServer); }, false);
    qel_Guard(k, [&] { Glob_WWSServerFactoryClass().GPListenServer_Freigeben(FGPListenServer); }, false);
    qel_Guard(k, [&] { Glob_ServerFactoryClass().MahnungEditServer_Freigeben(FMahnungEditServer); }, false);
    QELInfo().FehlerTerminate(k, 0, QString(), QString(), 0, 0);
}

void TfrmMahnungSchreiben::Modus_Set(TModus value)
{
    Guard(__func__, [&] {
        FModus = value;
        btnAnhang->setVisible(FModus == CQEL_Mahnung_Lesen);
        btnAnhang->setEnabled(FModus == CQEL_Mahnung_Lesen);
    });
}

void TfrmMahnungSchreiben::FormShow()
{
    Guard(__func__, [&] {
        FEinstellungen = FMahnungEditServer->Mahneinstellungen(FSelectedMandant);
        PosListe_Zeigen();
        VorgabenSetzen();
        Textbausteine_Laden();
        if (FModus == CQEL_Mahnung_Lesen)
            Nur_bei_Lesen();
        else {
            Nur_bei_Schreiben();
            Textbaustein_Vorwaehlen();
        }
        if (TVirtualNode* erste = vtGewaehltePosten->GetFirst())
            vtGewaehltePosten->SetSelected(erste, true);
        FStandBeiOeffnen = Eingabestand();
    });
}

void TfrmMahnungSchreiben::PosListe_Zeigen()
{
    qel_Guard(QStringLiteral("PosListe_Zeigen"), [&] {
        vtGewaehltePosten->ListeLoesen();
        vtGewaehltePosten->ListeBinden(FGewaehltePosten);
        Spaltensichtbarkeit_Schalten_GewaehltePosten();
    });
}

void TfrmMahnungSchreiben::Spaltensichtbarkeit_Schalten_GewaehltePosten()
{
    Guard(__func__, [&] {
        if (!FGewaehltePosten)
            return;
        struct Breite {
            int Spalte;
            int Pixel;
        };
        std::vector<Breite> breiten{{FColDatum, 80},     {FColSaldo, 70},         {FColZahlbarbis, 100},
                                    {FColBelegNr, 105},  {FColMahnstufe, 80},     {FColMahngebuehren, 80},
                                    {FColVerzugszins, 80},  {FColPauschale, 80}};
        if (FModus == CQEL_Mahnungen_Schreiben)
            breiten.insert(breiten.begin(), {{FColGep, 170}, {FColHaben, 70}, {FColSoll, 70}, {FColKommentar, 70}});
        // The clerk sees the columns sized here. The transfer table's first flags would show its four key
        // columns and hide balance and dunning level, which the clerk needs to set fees.
        const int spalten = FGewaehltePosten->GetColumnCount();
        for (int c = 0; c < spalten; ++c)
            vtGewaehltePosten->SetColumnVisible(c, false);
        for (const Breite& b : breiten) {
            if (b.Spalte < 0 || b.Spalte >= spalten)
                continue;
            vtGewaehltePosten->SetColumnVisible(b.Spalte, true);
            vtGewaehltePosten->Columns().GetItem(b.Spalte).SetWidth(b.Pixel);
        }
        vtGewaehltePosten->UpdateColumnLayout(0, 0);
    });
}

void TfrmMahnungSchreiben::VorgabenSetzen()
{
    qel_Guard(QStringLiteral("VorgabenSetzen"), [&] {
        if (FModus == CQEL_Mahnungen_Schreiben) {
            FBeruecksichtigt = qel_Now();
            FMahnungsdatum = qel_Now();
            Zahlungsziele_bestimmen();
        }
        SummeOPBerechnen();
    });
}

void TfrmMahnungSchreiben::Eingaben_Schalten(bool Enable)
{
    for (QWidget* w : std::initializer_list<QWidget*>{
             edtZahlungsziel, alblZahlungsziel, btnZahlungsziel, edtMahngebueren, alblmahngbeuehrenpo, edtZinssatz,
             alblVerzugszinsen, edtBeruecksichtigt, edtMahnungsdatum, btnBeruecksichtigt, btnMahnungsdatum})
        w->setEnabled(Enable);
}

void TfrmMahnungSchreiben::Nur_bei_Lesen()
{
    qel_Guard(QStringLiteral("Nur_bei_Lesen"), [&] {
        dspGep->setText(FGepName);
        edtphase->setText(QStringLiteral("AOP"));
        setWindowTitle(QStringLiteral("Mahnung"));
        btnUebernehmen->setVisible(false);
        btnUebernehmen->setEnabled(false);
        Eingaben_Schalten(false);
        // One message for the whole number; the parts after a failing one stay empty.
        const QString fehler = QStringLiteral("Fehler beim Schreiben der Belegnummer.");
        edtLfdNr->Schreiben(FLfdNr, fehler) && edtWJ->Schreiben(FWirtschaftsJahr, fehler) && edtRNr->Schreiben(FRNr, fehler);
        Storno_Anzeigen();
    });
}

void TfrmMahnungSchreiben::Nur_bei_Schreiben()
{
    qel_Guard(QStringLiteral("Nur_bei_Schreiben"), [&] {
        for (QWidget* w : std::initializer_list<QWidget*>{dspGep, alblgep, albNummer, lblStricher, edtphase, edtLfdNr,
                                                          edtWJ, edtRNr, btnDrucken})
            w->setVisible(false);
        for (QWidget* w : std::initializer_list<QWidget*>{btnloeschen, btnAnhang}) {
            w->setVisible(false);
            w->setEnabled(false);
        }
        Eingaben_Schalten(true);
        if (IntPairDefined(FSelectedGepNr)) {
            dspGep->setText(FGepName);
            dspGep->setVisible(true);
            alblgep->setVisible(true);
            if (FGewaehltePosten && FColGep < FGewaehltePosten->GetColumnCount())
                vtGewaehltePosten->SetColumnVisible(FColGep, false);
        }
    });
}

QString TfrmMahnungSchreiben::Eingabestand() const
{
    QStringList stand{QString::number(FMahnungsdatum, 'f', 6), QString::number(FBeruecksichtigt, 'f', 6),
                      FMahnungsText, redtKopfText->PlainText()};
    TVTVRList* vt = vtGewaehltePosten;
    if (FGewaehltePosten)
        for (TVirtualNode* k = vt->GetFirst(); k; k = vt->GetNext(k))
            stand << vt->GetCellValueAsString(k, FColMahngebuehren) << vt->GetCellValueAsString(k, FColVerzugszins)
                  << vt->GetCellValueAsString(k, FColZahlbarbis);
    // A value typed into an edit but not left yet counts too.
    for (const TQELStdEdit* e : {edtZahlungsziel, edtMahngebueren, edtZinssatz, edtBeruecksichtigt, edtMahnungsdatum})
        if (e->isModified())
            stand << e->objectName() + QLatin1Char('=') + e->text();
    return stand.join(QChar(0x1f));
}

void TfrmMahnungSchreiben::reject()
{
    Guard(__func__, [&] {
        if (FModus == CQEL_Mahnungen_Schreiben && !FGebucht && Eingabestand() != FStandBeiOeffnen &&
            qel_Meldung(CMeldung_Frage, 981,
                        QStringLiteral("Die Änderungen sind nicht gebucht. Trotzdem schließen und sie verwerfen?")) != mrYes)
            return;
        actZurueckExecute();
    });
}

void TfrmMahnungSchreiben::actZurueckExecute()
{
    Guard(__func__, [&] { SetModalResult(FGebucht ? mrOk : mrCancel); });
}

void TfrmMahnungSchreiben::albNummerClick() {}

void TfrmMahnungSchreiben::btnUebernehmenClick() {}

// --- totals and display ----------------------------------------------------------

void TfrmMahnungSchreiben::SummeOPBerechnen()
{
    Guard(__func__, [&] {
        FSumme = 0;
        FMahngebuehren = 0;
        FVerzugszins = 0;
        FPauschalen = 0;
        TVTVRList* vt = vtGewaehltePosten;
        const bool mitPauschale = Hat_Pauschale();
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n)) {
            FSumme += vt->GetCellValueAsFloat(n, FColSaldo);
            FMahngebuehren += vt->GetCellValueAsFloat(n, FColMahngebuehren);
            FVerzugszins += vt->GetCellValueAsFloat(n, FColVerzugszins);
            if (mitPauschale)
                FPauschalen += vt->GetCellValueAsFloat(n, FColPauschale);
        }
        FGesamt = FSumme + FMahngebuehren + FVerzugszins + FPauschalen;
        Maske_Aktualisieren();
    });
}

void TfrmMahnungSchreiben::Maske_Aktualisieren()
{
    Guard(__func__, [&] {
        dspSummeOP->setText(geldText(FSumme));
        dspGesamt->setText(geldText(FGesamt));
        dspVerzugszins->setText(geldText(FVerzugszins));
        dspMahngebuehren->setText(geldText(FMahngebuehren));
        dspPauschalen->setText(geldText(FPauschalen));
        dspMandant->setText(FSelectedMandant_Bez);
        Text_Anzeigen();
        edtBeruecksichtigt->Schreiben(FBeruecksichtigt, QStringLiteral("Fehler beim Schreiben des Berücksichtigungs-Datums."));
        edtMahnungsdatum->Schreiben(FMahnungsdatum, QStringLiteral("Fehler beim Schreiben des Rechnungsdatums."));
    });
}

// --- per-item values ---------------------------------------------------------------

void TfrmMahnungSchreiben::Auswahl_Festigen(TVTVRList* Liste, TVirtualNode* Node)
{
    if (Node && Liste->GetFirstSelected() != Node)
        Liste->SetSelected(Node, true);
}

void TfrmMahnungSchreiben::vtGewaehltePostenChange(TVTVRList* Sender, TVirtualNode* Node)
{
    Guard(__func__, [&] {
        if (!Node)
            return;
        Auswahl_Festigen(Sender, Node);
        try {
            edtZahlungsziel->SetAsDate(Sender->GetCellValueAsDate(Node, FColZahlbarbis));
        } catch (const std::exception&) {
            hinweis(QStringLiteral("Fehler beim Übertragen des Datums."));
            return;
        }
        try {
            edtMahngebueren->SetAsFloat(Sender->GetCellValueAsFloat(Node, FColMahngebuehren));
        } catch (const std::exception&) {
            hinweis(QStringLiteral("Fehler beim Übertragen der Mahngebühren."));
            return;
        }
        try {
            edtZinssatz->SetAsFloat(Sender->GetCellValueAsFloat(Node, FColVerzugszins));
        } catch (const std::exception&) {
            hinweis(QStringLiteral("Fehler beim Übertragen der Verzugszinsen."));
            return;
        }
        Maske_Aktualisieren();
    });
}

void TfrmMahnungSchreiben::Zahlungsziele_bestimmen()
{
    Guard(__func__, [&] {
        TVTVRList* vt = vtGewaehltePosten;
        // One outer bracket: the view repaints once, not once per item.
        TVTUpdate alle(vt);
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n)) {
            const int stufe = int(vt->GetCellValueAsInteger(n, FColMahnstufe));
            const TDateTime ziel = FEinstellungen.Zahlungsziel(FMahnungsdatum, stufe);
            TVTUpdate u(vt);
            if (stufe == 0)
                DateTime2VRItem(vt->GetCellValue(n, FColZahlbarbis), ziel);
            else
                Date2VRItem(vt->GetCellValue(n, FColZahlbarbis), ziel);
        }
    });
}

void TfrmMahnungSchreiben::Zahlungsziel_uebernehmen()
{
    Guard(__func__, [&] {
        TDateTime ziel = 0;
        if (!edtZahlungsziel->Lesen(ziel, QStringLiteral("Fehler beim lesen des Datums.")))
            return;
        TVirtualNode* n = vtGewaehltePosten->GetFirstSelected();
        if (!n)
            return;
        TVTUpdate u(vtGewaehltePosten);
        DateTime2VRItem(vtGewaehltePosten->GetCellValue(n, FColZahlbarbis), ziel);
    });
}

void TfrmMahnungSchreiben::edtZahlungszielExit(QObject*)
{
    Guard(__func__, [&] {
        TDateTime ziel = 0;
        if (!edtZahlungsziel->Lesen(ziel, QStringLiteral("Fehler beim Lesen des Datums.")))
            return;
        if (qel_DateOf(ziel) >= qel_DateOf(qel_Now())) {
            Zahlungsziel_uebernehmen();
            return;
        }
        hinweis(QStringLiteral("Das Zahlungsziel darf nicht in der Vergangenheit liegen."));
        try {
            TVirtualNode* n = vtGewaehltePosten->GetFirstSelected();
            if (n)
                edtZahlungsziel->SetAsDate(vtGewaehltePosten->GetCellValueAsDate(n, FColZahlbarbis));
            else
                edtZahlungsziel->clear();
        } catch (const std::exception&) {
            hinweis(QStringLiteral("Fehler beim Übertragen des Datums"));
        }
    });
}

void TfrmMahnungSchreiben::edtMahngebuerenExit(QObject*)
{
    Guard(__func__, [&] {
        double gebuehr = 0;
        if (!edtMahngebueren->Lesen(gebuehr, QStringLiteral("Fehler beim Lesen der Mahngebühren")))
            return;
        if (gebuehr > FEinstellungen.MaxGebuehr) {
            hinweis(QStringLiteral("Maximum für Mahngebühren: ") + qel_FormatMoney(FEinstellungen.MaxGebuehr) +
                    QLatin1Char(' ') + QELProgramm().GetWaehrung() + QLatin1Char('!'));
            gebuehr = FEinstellungen.MaxGebuehr;
        }
        edtMahngebueren->SetAsFloat(gebuehr);
        if (TVirtualNode* n = vtGewaehltePosten->GetFirstSelected()) {
            TVTUpdate u(vtGewaehltePosten);
            Float2VRItem(vtGewaehltePosten->GetCellValue(n, FColMahngebuehren), gebuehr);
        }
        SummeOPBerechnen();
    });
}

void TfrmMahnungSchreiben::edtZinssatzExit(QObject*)
{
    Guard(__func__, [&] {
        double zins = 0;
        if (!edtZinssatz->Lesen(zins, QStringLiteral("Fehler beim Lesen der Verzugszinsen.")))
            return;
        if (TVirtualNode* n = vtGewaehltePosten->GetFirstSelected()) {
            TVTUpdate u(vtGewaehltePosten);
            Float2VRItem(vtGewaehltePosten->GetCellValue(n, FColVerzugszins), zins);
        }
        SummeOPBerechnen();
    });
}

void TfrmMahnungSchreiben::edtBeruecksichtigtExit(QObject*)
{
    Guard(__func__, [&] {
        TDateTime datum = 0;
        if (!edtBeruecksichtigt->Lesen(datum, QStringLiteral("Fehler beim Lesen des Berücksichtigungs-Datums."))) {
            Maske_Aktualisieren();
            ActivateControl(edtBeruecksichtigt);
            return;
        }
        if (datum <= qel_Now()) {
            FBeruecksichtigt = datum;
            Text_Anzeigen();
            return;
        }
        hinweis(QStringLiteral("Das Berücksichtigungsdatum darf nicht in der Zukunft liegen!"));
        Maske_Aktualisieren();
        Text_Anzeigen();
    });
}

void TfrmMahnungSchreiben::edtMahnungsdatumExit(QObject*)
{
    Guard(__func__, [&] {
        TDateTime datum = 0;
        if (!edtMahnungsdatum->Lesen(datum, QStringLiteral("Fehler beim Lesen des Datums."))) {
            Maske_Aktualisieren();
            ActivateControl(edtMahnungsdatum);
            return;
        }
        FMahnungsdatum = datum;
        Zahlungsziele_bestimmen();
        // The selected item's payment term was just recomputed: show the new one.
        vtGewaehltePostenChange(vtGewaehltePosten, vtGewaehltePosten->GetFirstSelected());
    });
}

void TfrmMahnungSchreiben::DatumSetzen(QObject* Sender)
{
    Guard(__func__, [&] {
        if (Sender == btnZahlungsziel) {
            dlgKalender.Date = qel_Now() + 14;
            if (!dlgKalender.Execute())
                return;
            if (dlgKalender.Date < qel_Now()) {
                hinweis(QStringLiteral("Das neue Zahlungsziel liegt in der Vergangenheit."));
                return;
            }
            if (!edtZahlungsziel->Schreiben(dlgKalender.Date, QStringLiteral("Fehler beim Schreiben des Datums.")))
                return;
            Zahlungsziel_uebernehmen();
            Text_Anzeigen();
        } else if (Sender == btnBeruecksichtigt) {
            dlgKalender.Date = qel_Now();
            if (!dlgKalender.Execute())
                return;
            if (dlgKalender.Date > qel_Now()) {
                hinweis(QStringLiteral("Das Berücksichtigungsdatum darf nicht in der Zukunft liegen!"));
                return;
            }
            FBeruecksichtigt = dlgKalender.Date;
            Maske_Aktualisieren();
            Text_Anzeigen();
        } else if (Sender == btnMahnungsdatum) {
            dlgKalender.Date = qel_Now();
            if (!dlgKalender.Execute())
                return;
            FMahnungsdatum = dlgKalender.Date;
            Maske_Aktualisieren();
        }
    });
}
