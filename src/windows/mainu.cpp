#include "mainu.h"

#include "suite/ui/programm.h"
#include "suite/ui/vtupdate.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <cmath>

namespace {
const QString kKeinGep = QStringLiteral("Kein Geschäftspartner");

// Whole days from a moment up to now, never negative.
int tageBisJetzt(TDateTime bis)
{
    const double tage = std::floor(qel_Now() - bis);
    return tage > 0 ? int(std::min(tage, 1e6)) : 0;
}
}  // namespace

Tfrmmainu::Tfrmmainu()
{
    aufbauen();
    FormCreate();
}

Tfrmmainu::~Tfrmmainu() { FormDestroy(); }

void Tfrmmainu::aufbauen()
{
    setWindowTitle(QStringLiteral("Liste offener Posten"));
    pnlHintergrund = new TQELStdPanel(this);
    pnlHintergrund->setObjectName(QStringLiteral("pnlHintergrund"));
    pnlHeader = new TQELHeaderPanel(QStringLiteral("Liste offener Posten"), pnlHintergrund);

    alblMandant = new TQELAttachLabel(QStringLiteral("Mandant:"), nullptr, pnlHintergrund);
    dspMandant = new TQELStdLabel(QString(), pnlHintergrund);
    dspMandant->setObjectName(QStringLiteral("dspMandant"));
    QFont fett = dspMandant->font();
    fett.setBold(true);
    dspMandant->setFont(fett);

    rgrpAuswahlArt = new TQELStdRadioGroup(QString(), pnlHintergrund);
    rgrpAuswahlArt->setObjectName(QStringLiteral("rgrpAuswahlArt"));
    cbxzentralregulierung = new TQELStdCheckBox(QStringLiteral("mit zentralregulierten Belegen"), pnlHintergrund);
    cbxzentralregulierung->setToolTip(QStringLiteral("Blendet zentralregulierte Belege ein."));

    grpWahlNachZeitraum = new TQELStdGroupBox(QString(), pnlHintergrund);
    edtZeitraumVon = new TQELStdEdit(TEditTyp::Datum, grpWahlNachZeitraum);
    edtZeitraumVon->setObjectName(QStringLiteral("edtZeitraumVon"));
    edtZeitraumVon->SetMask(QStringLiteral("cccccccccc;0"));
    alblZrVon = new TQELAttachLabel(QStringLiteral("Zeitraum von:"), edtZeitraumVon, grpWahlNachZeitraum);
    btnZeitraumVon = new TQELStdSpeedButton(QStringLiteral("kalender"), QStringLiteral("Kalender"), grpWahlNachZeitraum);
    edtZeitraumBis = new TQELStdEdit(TEditTyp::Datum, grpWahlNachZeitraum);
    edtZeitraumBis->setObjectName(QStringLiteral("edtZeitraumBis"));
    edtZeitraumBis->SetMask(QStringLiteral("cccccccccc;0"));
    alblZrbis = new TQELAttachLabel(QStringLiteral("Zeitraum bis:"), edtZeitraumBis, grpWahlNachZeitraum);
    btnZeitraumBis = new TQELStdSpeedButton(QStringLiteral("kalender"), QStringLiteral("Kalender"), grpWahlNachZeitraum);
    edtAlter = new TQELStdEdit(TEditTyp::Integer, grpWahlNachZeitraum);
    edtAlter->setObjectName(QStringLiteral("edtAlter"));
    edtAlter->SetMask(QStringLiteral("cccc;0"));
    edtAlter->SetRange(1, 9999);
    albldh = new TQELAttachLabel(QStringLiteral("d.h.: Seit"), edtAlter, grpWahlNachZeitraum);
    albltage2 = new TQELStdLabel(QStringLiteral("Tagen."), grpWahlNachZeitraum);
    auto* zeitraum = new QGridLayout(grpWahlNachZeitraum);
    zeitraum->addWidget(alblZrVon, 0, 0);
    zeitraum->addWidget(edtZeitraumVon, 0, 1);
    zeitraum->addWidget(btnZeitraumVon, 0, 2);
    zeitraum->addWidget(alblZrbis, 0, 3);
    zeitraum->addWidget(edtZeitraumBis, 0, 4);
    zeitraum->addWidget(btnZeitraumBis, 0, 5);
    auto* alterZeile = new QHBoxLayout;
    alterZeile->addWidget(albldh);
    alterZeile->addWidget(edtAlter);
    alterZeile->addWidget(albltage2);
    alterZeile->addStretch(1);
    zeitraum->addLayout(alterZeile, 1, 0, 1, 6);
    for (TQELStdEdit* e : {edtZeitraumVon, edtZeitraumBis})
        e->setFixedWidth(95);
    edtAlter->setFixedWidth(55);

    grpWahlnachZahlungsziel = new TQELStdGroupBox(QString(), pnlHintergrund);
    edtZahlungszielAlter = new TQELStdEdit(TEditTyp::Integer, grpWahlnachZahlungsziel);
    edtZahlungszielAlter->setObjectName(QStringLiteral("edtZahlungszielAlter"));
    edtZahlungszielAlter->SetMask(QStringLiteral("cccc;0"));
    edtZahlungszielAlter->SetRange(0, 999);
    edtZahlungszielAlter->setFixedWidth(55);
    alblmindalter = new TQELAttachLabel(QStringLiteral("Mindestens"), edtZahlungszielAlter, grpWahlnachZahlungsziel);
    alblueberzahlungsziel = new TQELStdLabel(QStringLiteral("Tage über Zahlungsziel."), grpWahlnachZahlungsziel);
    edtZahlungsziel = new TQELStdEdit(TEditTyp::Datum, grpWahlnachZahlungsziel);
    edtZahlungsziel->setObjectName(QStringLiteral("edtZahlungsziel"));
    edtZahlungsziel->setFixedWidth(95);
    auto* zz = new QHBoxLayout(grpWahlnachZahlungsziel);
    zz->addWidget(alblmindalter);
    zz->addWidget(edtZahlungszielAlter);
    zz->addWidget(alblueberzahlungsziel);
    zz->addWidget(edtZahlungsziel);
    zz->addStretch(1);

    alblGep = new TQELAttachLabel(QStringLiteral("Geschäftspartner:"), nullptr, pnlHintergrund);
    dspGep = new TQELStdLabel(kKeinGep, pnlHintergrund);
    dspGep->setObjectName(QStringLiteral("dspGep"));
    dspGep->setFont(fett);
    btnGepSearch = new TQELStdSpeedButton(QStringLiteral("lupe"), QString(), pnlHintergrund);
    btnGepDelete = new TQELStdSpeedButton(QStringLiteral("loeschen"), QString(), pnlHintergrund);

    vtOffenePosten = new TVTVRList(pnlHintergrund);
    vtOffenePosten->setObjectName(QStringLiteral("vtOffenePosten"));
    vtOffenePosten->SetCheckBoxes(true);
    // Tab reaches the list: checking items must work without a mouse.
    vtOffenePosten->setFocusPolicy(Qt::StrongFocus);

    dspAuswahl = new TQELStdLabel(QString(), pnlHintergrund);
    dspAuswahl->setObjectName(QStringLiteral("dspAuswahl"));

    spnlButtons = new TQELStdPanel(pnlHintergrund);
    spnlButtons->setFixedHeight(85);
    btnSuchen = new TResBitBtn(QStringLiteral("Aktualisieren"), QKeySequence(Qt::Key_F4), spnlButtons);
    btnSuchen->setToolTip(QStringLiteral("Liste aktualisieren"));
    btnUebernehmen = new TResBitBtn(QStringLiteral("Übernehmen"), QKeySequence(Qt::Key_F5), spnlButtons);
    btnAuswahlAlle = new TResBitBtn(QStringLiteral("Alle auswählen"), QKeySequence(), spnlButtons);
    btnAuswahlAlle->setToolTip(QStringLiteral("Alles auswählen"));
    btnAuswahlUmkehren = new TResBitBtn(QStringLiteral("Umkehren"), QKeySequence(), spnlButtons);
    btnAuswahlUmkehren->setToolTip(QStringLiteral("Auswahl umkehren"));
    btnHistorie = new TResBitBtn(QStringLiteral("Historie"), QKeySequence(), spnlButtons);
    btnHistorie->setToolTip(QStringLiteral("Anzeigen der Mahn-Historie"));
    btnAbbrechen = new TResBitBtn(QStringLiteral("Abbrechen"), QKeySequence(), spnlButtons);
    auto* knoepfe = new QHBoxLayout(spnlButtons);
    for (TResBitBtn* b : {btnSuchen, btnAuswahlAlle, btnAuswahlUmkehren, btnHistorie})
        knoepfe->addWidget(b);
    knoepfe->addStretch(1);
    knoepfe->addWidget(btnUebernehmen);
    knoepfe->addWidget(btnAbbrechen);
    for (TResBitBtn* b : {btnSuchen, btnUebernehmen, btnAuswahlAlle, btnAuswahlUmkehren, btnHistorie, btnAbbrechen})
        b->setMinimumWidth(110);

    auto* kopfzeile = new QHBoxLayout;
    kopfzeile->addWidget(alblMandant);
    kopfzeile->addWidget(dspMandant, 1);
    kopfzeile->addWidget(cbxzentralregulierung);
    auto* kriterien = new QGridLayout;
    kriterien->addWidget(rgrpAuswahlArt, 0, 0, 2, 1);
    kriterien->addWidget(grpWahlNachZeitraum, 0, 1);
    kriterien->addWidget(grpWahlnachZahlungsziel, 1, 1);
    kriterien->setColumnStretch(1, 1);
    auto* gepZeile = new QHBoxLayout;
    gepZeile->addWidget(alblGep);
    gepZeile->addWidget(dspGep);
    gepZeile->addWidget(btnGepSearch);
    gepZeile->addWidget(btnGepDelete);
    gepZeile->addStretch(1);
    auto* innen = new QVBoxLayout;
    innen->setContentsMargins(10, 6, 10, 0);
    innen->addLayout(kopfzeile);
    innen->addLayout(kriterien);
    innen->addLayout(gepZeile);
    innen->addWidget(vtOffenePosten, 1);
    innen->addWidget(dspAuswahl);
    auto* panel = new QVBoxLayout(pnlHintergrund);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addWidget(pnlHeader);
    panel->addLayout(innen, 1);
    panel->addWidget(spnlButtons);
    auto* aussen = new QVBoxLayout(this);
    aussen->setContentsMargins(0, 0, 0, 0);
    aussen->addWidget(pnlHintergrund);
    // Client area 838 x 586; the minimum of 686 x 593 counts the frame (caption and borders).
    setMinimumSize(686 - 8, 593 - 31);
    resize(838, 586);

    connect(rgrpAuswahlArt, &TQELStdRadioGroup::Click, this, &Tfrmmainu::rgrpAuswahlArtClick);
    connect(cbxzentralregulierung, &QCheckBox::clicked, this, &Tfrmmainu::cbxzentralregulierungClick);
    for (TQELStdEdit* e : {edtZeitraumVon, edtZeitraumBis, edtAlter, edtZahlungszielAlter, edtZahlungsziel})
        connect(e, &QLineEdit::textChanged, this, &Tfrmmainu::edtSelektionChange);
    for (TQELStdEdit* e : {edtZeitraumVon, edtZeitraumBis, edtAlter})
        connect(e, &TQELStdEdit::Exit, this, &Tfrmmainu::ZeitAktualisieren);
    connect(edtZahlungszielAlter, &TQELStdEdit::Exit, this, &Tfrmmainu::ZahlungszielAktualisieren);
    connect(edtZeitraumBis, &TQELStdEdit::KeyDown, this, &Tfrmmainu::edtZeitraumBisKeyDown);
    connect(edtAlter, &TQELStdEdit::KeyDown, this, &Tfrmmainu::edtAlterKeyDown);
    connect(btnZeitraumVon, &QToolButton::clicked, this, [this] { DatumVonClick(btnZeitraumVon); });
    connect(btnZeitraumBis, &QToolButton::clicked, this, [this] { DatumVonClick(btnZeitraumBis); });
    connect(btnGepSearch, &QToolButton::clicked, this, &Tfrmmainu::btnGepSearchClick);
    connect(btnGepDelete, &QToolButton::clicked, this, &Tfrmmainu::btnGepDeleteClick);
    connect(vtOffenePosten, &TVTVRList::InitNode, this, &Tfrmmainu::vtOffenePostenInitNode);
    connect(vtOffenePosten, &TVTVRList::PaintText, this, &Tfrmmainu::vtOPPaintText);
    connect(vtOffenePosten, &TVTVRList::DblClick, this, &Tfrmmainu::vtOffenePostenDblClick);
    connect(vtOffenePosten, &TVTVRList::AuswahlGeaendert, this, &Tfrmmainu::Auswahl_Anzeigen);
    connect(btnSuchen, &QPushButton::clicked, this, &Tfrmmainu::actAktualisierenExecute);
    connect(btnUebernehmen, &QPushButton::clicked, this, &Tfrmmainu::actWeiterExecute);
    connect(btnAuswahlAlle, &QPushButton::clicked, this, &Tfrmmainu::actAllesWaehlenExecute);
    connect(btnAuswahlUmkehren, &QPushButton::clicked, this, &Tfrmmainu::actAuswahlUmkehrenExecute);
    connect(btnHistorie, &QPushButton::clicked, this, &Tfrmmainu::actMahnungHistorieExecute);
    connect(btnAbbrechen, &QPushButton::clicked, this, &Tfrmmainu::actZurueckExecute);

    // The partner search keeps its defaults: name, city, street, country; active partners only.

    // The list and its buttons start disabled until the first load.
    for (QWidget* w : std::initializer_list<QWidget*>{btnAuswahlUmkehren, btnAuswahlAlle, btnHistorie, btnUebernehmen,
                                                      btnGepDelete, btnGepSearch, vtOffenePosten})
        w->setEnabled(false);
    edtZahlungsziel->setEnabled(false);
}

void Tfrmmainu::FormCreate()
{
    Guard(__func__, [&] {
        QELFormInit(QStringLiteral("frmmainu"), true);
        CenterOnScreen();
        Glob_ServerFactoryClass().ZahlungEditServer_Holen(FZahlungEditServer);
        Glob_ServerFactoryClass().MahnungEditServer_Holen(FMAhnungEditServer);
    });
    // Without its servers the window still opens with its criteria: the failure was reported above.
    Guard(__func__, [&] {
        FWartemaske = std::make_unique<TfrmWartemaske>();
        Selektionsmodus_Fuellen();
        Fuebergabeliste.reset();
        Mahnsperren_Einrichten();
    });
}

void Tfrmmainu::FormDestroy()
{
    Guard(__func__, [&] { qel_ListenLoesen(this); }, false);
    FWartemaske.reset();
    Guard(__func__, [&] { Fuebergabeliste.reset(); }, false);
    Guard(__func__,
              [&] { Glob_ServerFactoryClass().MahnungEditServer_Freigeben(FMAhnungEditServer); }, false);
    Guard(__func__,
              [&] { Glob_ServerFactoryClass().ZahlungEditServer_Freigeben(FZahlungEditServer); }, false);
    QELInfo().FehlerTerminate(Kontext(__func__), 0, QString(), QString(), 0, 0);
}

void Tfrmmainu::FormShow()
{
    Guard(__func__, [&] {
        Maske_Aktualisieren();
        // A missing server was reported when the window was made; Aktualisieren (F4) reports it again.
        if (FZahlungEditServer && FMAhnungEditServer)
            Offene_Posten_Laden();
        // The clerk starts by checking items (arrow keys, Space).
        ActivateControl(vtOffenePosten);
    });
}

void Tfrmmainu::Selektionsmodus_Fuellen()
{
    Guard(__func__, [&] {
        rgrpAuswahlArt->AddItem(QStringLiteral("Auswahl über Rechnungsdatum."), QLatin1Char('R'));
        rgrpAuswahlArt->AddItem(QStringLiteral("Auswahl über Fälligkeitsdatum."), QLatin1Char('F'));
    });
}

bool Tfrmmainu::ModusF() const
{
    const int i = rgrpAuswahlArt->ItemIndex();
    return i >= 0 && rgrpAuswahlArt->ItemTag(i) == QLatin1Char('F');
}

void Tfrmmainu::Maske_Aktualisieren()
{
    Guard(__func__, [&] {
        dspMandant->setText(FSelectedMandant_Bez);
        rgrpAuswahlArt->SetItemIndex(0);
        FAlter = tageBisJetzt(FSelectedPeriodeBis);
        edtAlter->Schreiben(FAlter, QStringLiteral("Fehler beim Schreiben des Alters!"));
        DatumSchreiben(edtZeitraumVon, FSelectedPeriodeVon);
        DatumSchreiben(edtZeitraumBis, FSelectedPeriodeBis);
    });
}

void Tfrmmainu::Maske_Schalten(bool Enable)
{
    Guard(__func__, [&] {
        if (Enable == FDatenEingelesen)
            return;
        FDatenEingelesen = Enable;
        for (QWidget* w : std::initializer_list<QWidget*>{btnAuswahlUmkehren, btnAuswahlAlle, btnHistorie,
                                                          btnUebernehmen, btnGepDelete, btnGepSearch, vtOffenePosten})
            w->setEnabled(FDatenEingelesen);
    });
}

void Tfrmmainu::edtSelektionChange() { Maske_Schalten(false); }

void Tfrmmainu::edtZeitraumBisKeyDown(QObject*, int Key)
{
    Guard(__func__, [&] {
        if (Key == VK_RETURN)
            Maske_Schalten(false);
    });
}

void Tfrmmainu::edtAlterKeyDown(QObject*, int Key)
{
    Guard(__func__, [&] {
        if (Key == VK_RETURN)
            Maske_Schalten(false);
    });
}

void Tfrmmainu::rgrpAuswahlArtClick(QObject*)
{
    Guard(__func__, [&] {
        if (ModusF()) {
            grpWahlNachZeitraum->SetControlsEnabled(false);
            grpWahlnachZahlungsziel->SetControlsEnabled(true);
            edtZahlungsziel->setEnabled(false);
            FSelectedPeriodeVon = CDatum_01_01_2005;
            FSelectedPeriodeBis = qel_Now();
            DatumSchreiben(edtZeitraumVon, FSelectedPeriodeVon);
            DatumSchreiben(edtZeitraumBis, FSelectedPeriodeBis);
            edtAlter->SetAsInteger(0);
            ZahlungszielAktualisieren(edtZahlungszielAlter);
        } else {
            grpWahlNachZeitraum->SetControlsEnabled(true);
            grpWahlnachZahlungsziel->SetControlsEnabled(false);
        }
        Maske_Schalten(false);
    });
}

TDateTime Tfrmmainu::DatumLesen(TQELStdEdit* Edit)
{
    TDateTime ergebnis = qel_Now();
    Guard(__func__, [&] {
        if (!Edit->Lesen(ergebnis, QStringLiteral("Fehler beim Lesen des Datums!"))) {
            ergebnis = qel_Now();
            ActivateControl(Edit);
        }
    });
    return ergebnis;
}

void Tfrmmainu::DatumSchreiben(TQELStdEdit* Edit, TDateTime Date)
{
    Guard(__func__, [&] {
        if (!Edit->Schreiben(Date, QStringLiteral("Fehler beim Schreiben des Datums!"))) {
            Edit->SetAsDate(qel_Now());
            ActivateControl(Edit);
        }
    });
}

bool Tfrmmainu::ZeitTesten()
{
    bool ok = false;
    qel_Guard(QStringLiteral("ZeitTesten"), [&] {
        if (FSelectedPeriodeBis < FSelectedPeriodeVon)
            qel_Meldung(CMeldung_Hinweis, 994, QStringLiteral("Von-Datum muss vor dem Bis-Datum liegen!"));
        else if (FSelectedPeriodeBis > qel_Now())
            qel_Meldung(CMeldung_Hinweis, 994, QStringLiteral("Die Rechnung muss bereits gestellt sein!"));
        else
            ok = true;
    });
    return ok;
}

void Tfrmmainu::ZeitAktualisieren(QObject* Sender)
{
    Guard(__func__, [&] {
        if (Sender == edtAlter) {
            if (!edtAlter->Lesen(FAlter, QStringLiteral("Fehler beim Lesen des Alters!")))
                return;
            FSelectedPeriodeBis = qel_Now() - FAlter;
            DatumSchreiben(edtZeitraumBis, FSelectedPeriodeBis);
        } else if (Sender == edtZeitraumVon) {
            const TDateTime alt = FSelectedPeriodeVon;
            FSelectedPeriodeVon = DatumLesen(edtZeitraumVon);
            if (ZeitTesten())
                return;
            FSelectedPeriodeVon = alt;
            DatumSchreiben(edtZeitraumVon, alt);
            ActivateControl(edtZeitraumVon);
        } else if (Sender == edtZeitraumBis) {
            const TDateTime alt = FSelectedPeriodeBis;
            FSelectedPeriodeBis = DatumLesen(edtZeitraumBis);
            if (ZeitTesten()) {
                FAlter = tageBisJetzt(FSelectedPeriodeBis);
                edtAlter->Schreiben(FAlter, QStringLiteral("Fehler beim Schreiben des Alters!"));
                return;
            }
            FSelectedPeriodeBis = alt;
            DatumSchreiben(edtZeitraumBis, alt);
        }
    });
}

void Tfrmmainu::ZahlungszielAktualisieren(QObject*)
{
    Guard(__func__, [&] {
        if (!edtZahlungszielAlter->Lesen(FZahlungszielAlter, QStringLiteral("Fehler beim Lesen des Alters!")))
            return;
        FSelectedZahlungsziel = qel_Now() - FZahlungszielAlter;
        DatumSchreiben(edtZahlungsziel, FSelectedZahlungsziel);
        ZeilenSichtbarkeit_schalten();
    });
}

void Tfrmmainu::DatumVonClick(QObject* Sender)
{
    Guard(__func__, [&] {
        TQELStdEdit* edit = Sender == btnZeitraumBis ? edtZeitraumBis : edtZeitraumVon;
        dlgKalender.Date = DatumLesen(edit);
        if (!dlgKalender.Execute())
            return;
        DatumSchreiben(edit, dlgKalender.Date);
        ZeitAktualisieren(edit);
    });
}

void Tfrmmainu::btnGepSearchClick()
{
    Guard(__func__, [&] {
        dlgGepSuche.Mandant = FSelectedMandant;
        if (dlgGepSuche.Execute(nullptr, true)) {
            FSelectedGepNr = dlgGepSuche.GepNr;
            FGepName = dlgGepSuche.GepName;
            dspGep->setText(FGepName);
        }
        ZeilenSichtbarkeit_schalten();
    });
}

void Tfrmmainu::btnGepDeleteClick()
{
    Guard(__func__, [&] {
        FSelectedGepNr = CLeeresIntPair;
        FGepName = kKeinGep;
        dspGep->setText(FGepName);
        ZeilenSichtbarkeit_schalten();
    });
}
