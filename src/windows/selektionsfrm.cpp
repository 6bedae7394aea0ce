#include "selektionsfrm.h"
#include "mahnungsdruck.h"
#include "suite/ui/orgemerkmale.h"

#include "mahnungschreiben.h"
#include "suite/ui/vtupdate.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <memory>

namespace {
const QString kKeinGepGewaehlt = QStringLiteral("Kein Geschäftspartner gewählt.");

void hinweis(const QString& text) { qel_Meldung(CMeldung_Hinweis, 994, text); }

TQELStdEdit* nummernFeld(const QString& name, const QString& maske, int von, int bis, int breite, QWidget* parent)
{
    auto* e = new TQELStdEdit(TEditTyp::Integer, parent);
    e->setObjectName(name);
    e->SetMask(maske);
    e->SetRange(von, bis);
    e->setFixedWidth(breite);
    return e;
}
}  // namespace

TfrmSelektion::TfrmSelektion()
{
    aufbauen();
    FormCreate();
}

TfrmSelektion::~TfrmSelektion() { FormDestroy(); }

void TfrmSelektion::aufbauen()
{
    setWindowTitle(QStringLiteral("Liste der Mahnungen"));
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint);
    pnlHintergrund = new TQELStdPanel(this);
    pnlHintergrund->setObjectName(QStringLiteral("pnlHintergrund"));
    pnlHeader = new TQELHeaderPanel(QStringLiteral("Liste der Mahnungen"), pnlHintergrund);

    QFont fett = font();
    fett.setBold(true);
    alblmand = new TQELAttachLabel(QStringLiteral("Mandant:"), nullptr, pnlHintergrund);
    dspMandant = new TQELStdLabel(QStringLiteral("Kein Mandant"), pnlHintergrund);
    dspMandant->setObjectName(QStringLiteral("dspMandant"));
    dspMandant->setFont(fett);
    btnMandantenSuche = new TQELStdSpeedButton(QStringLiteral("lupe"), QStringLiteral("Mandant wählen"), pnlHintergrund);
    alblgep = new TQELAttachLabel(QStringLiteral("Geschäftspartner:"), nullptr, pnlHintergrund);
    dspGep = new TQELStdLabel(QStringLiteral("Kein Geschäftspartner"), pnlHintergrund);
    dspGep->setObjectName(QStringLiteral("dspGep"));
    dspGep->setFont(fett);
    btnGepSuche = new TQELStdSpeedButton(QStringLiteral("lupe"), QStringLiteral("Geschäftspartner suchen"),
                                         pnlHintergrund);
    btnGepLoeschen = new TQELStdSpeedButton(QStringLiteral("loeschen"), QStringLiteral("Kein Geschäftspartner"),
                                            pnlHintergrund);

    edtZeitraumVon = new TQELStdEdit(TEditTyp::Datum, pnlHintergrund);
    edtZeitraumVon->setObjectName(QStringLiteral("edtZeitraumVon"));
    alblZrVon = new TQELAttachLabel(QStringLiteral("Zeitraum von:"), edtZeitraumVon, pnlHintergrund);
    btnZeitraumVon = new TQELStdSpeedButton(QStringLiteral("kalender"), QStringLiteral("Kalender"), pnlHintergrund);
    edtZeitraumBis = new TQELStdEdit(TEditTyp::Datum, pnlHintergrund);
    edtZeitraumBis->setObjectName(QStringLiteral("edtZeitraumBis"));
    alblZrbis = new TQELAttachLabel(QStringLiteral("Zeitraum bis:"), edtZeitraumBis, pnlHintergrund);
    btnZeitraumBis = new TQELStdSpeedButton(QStringLiteral("kalender"), QStringLiteral("Kalender"), pnlHintergrund);
    for (TQELStdEdit* e : {edtZeitraumVon, edtZeitraumBis}) {
        e->SetMask(QStringLiteral("cccccccccc;0"));
        e->setFixedWidth(95);
    }

    albNummer = new TQELStdLabel(QStringLiteral("Belegnummer:"), pnlHintergrund);
    edtphase = new TQELStdEdit(TEditTyp::Text, pnlHintergrund);
    edtphase->setObjectName(QStringLiteral("edtphase"));
    edtphase->SetMask(QStringLiteral("ccc;0"));
    edtphase->setEnabled(false);
    edtphase->setReadOnly(true);
    edtphase->setFocusPolicy(Qt::NoFocus);
    edtphase->setFixedWidth(42);
    edtLfdNr = nummernFeld(QStringLiteral("edtLfdNr"), QStringLiteral("cccccc;0"), 1, 999999, 62, pnlHintergrund);
    lblStricher = new TQELStdLabel(QStringLiteral("-"), pnlHintergrund);
    edtWJ = nummernFeld(QStringLiteral("edtWJ"), QStringLiteral("cccc;0"), 1900, 9999, 46, pnlHintergrund);
    edtRNr = nummernFeld(QStringLiteral("edtRNr"), QStringLiteral("cccc;0"), 1, 9999, 46, pnlHintergrund);
    btnBelegNummernSuche = new TQELStdSpeedButton(QStringLiteral("lupe"), QStringLiteral("Mahnung mit dieser Nummer anzeigen"),
                                                  pnlHintergrund);

    lbRechnerTxt = new TQELStdLabel(QStringLiteral("Es werden nur die Mahnung des aktuellen Rechners angezeigt."),
                                    pnlHintergrund);
    lbRechnerTxt->setObjectName(QStringLiteral("lbRechnerTxt"));
    lbRechnerTxt->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lbRechnerTxt->setStyleSheet(QStringLiteral("color: rgb(184, 16, 32);"));

    vtMahnungen = new TVTVRList(pnlHintergrund);
    vtMahnungen->setObjectName(QStringLiteral("vtMahnungen"));
    vtMahnungen->setFocusPolicy(Qt::StrongFocus);
    // Several dunnings can be chosen to print them again together.
    vtMahnungen->setSelectionMode(QAbstractItemView::ExtendedSelection);

    spnlButtons = new TQELStdPanel(pnlHintergrund);
    btnAnzeigen = new TResBitBtn(QStringLiteral("Anzeigen"), QKeySequence(Qt::Key_Return), spnlButtons);
    btnAnzeigen->setToolTip(QStringLiteral("Gewählte Mahnung anzeigen (Enter)"));
    btnDrucken = new TResBitBtn(QStringLiteral("Drucken"), QKeySequence(Qt::Key_F10), spnlButtons);
    btnDrucken->setToolTip(QStringLiteral("Gewählte Mahnungen erneut drucken, als Kopie (F10)"));
    btnSuchen = new TResBitBtn(QStringLiteral("Aktualisieren"), QKeySequence(Qt::Key_F4), spnlButtons);
    btnSuchen->setToolTip(QStringLiteral("Liste aktualisieren (F4)"));
    btnLoeschen = new TResBitBtn(QStringLiteral("Löschen"), QKeySequence(Qt::SHIFT | Qt::Key_F5), spnlButtons);
    btnLoeschen->setToolTip(QStringLiteral("Mahnung löschen"));
    btnClose = new TResBitBtn(QStringLiteral("Schließen"), QKeySequence(Qt::Key_Escape), spnlButtons);
    btnClose->setToolTip(QStringLiteral("Schließen (Esc)"));
    auto* knoepfe = new QHBoxLayout(spnlButtons);
    knoepfe->setContentsMargins(10, 8, 10, 8);
    knoepfe->addWidget(btnAnzeigen);
    knoepfe->addWidget(btnDrucken);
    knoepfe->addWidget(btnSuchen);
    knoepfe->addWidget(btnLoeschen);
    knoepfe->addStretch(1);
    knoepfe->addWidget(btnClose);
    for (TResBitBtn* b : {btnAnzeigen, btnDrucken, btnSuchen, btnLoeschen, btnClose})
        b->setMinimumWidth(110);
    Mail_Aufbauen(knoepfe);

    auto* kopf = new QGridLayout;
    kopf->setHorizontalSpacing(6);
    kopf->addWidget(alblmand, 0, 0);
    auto* mandZeile = new QHBoxLayout;
    mandZeile->addWidget(dspMandant);
    mandZeile->addWidget(btnMandantenSuche);
    mandZeile->addStretch(1);
    mandZeile->addWidget(albNummer);
    mandZeile->addWidget(edtphase);
    mandZeile->addWidget(edtLfdNr);
    mandZeile->addWidget(lblStricher);
    mandZeile->addWidget(edtWJ);
    mandZeile->addWidget(edtRNr);
    mandZeile->addWidget(btnBelegNummernSuche);
    kopf->addLayout(mandZeile, 0, 1, 1, 5);
    kopf->addWidget(alblgep, 1, 0);
    auto* gepZeile = new QHBoxLayout;
    gepZeile->addWidget(dspGep);
    gepZeile->addWidget(btnGepSuche);
    gepZeile->addWidget(btnGepLoeschen);
    gepZeile->addStretch(1);
    kopf->addLayout(gepZeile, 1, 1, 1, 5);
    kopf->addWidget(alblZrVon, 2, 0);
    auto* zeitZeile = new QHBoxLayout;
    zeitZeile->addWidget(edtZeitraumVon);
    zeitZeile->addWidget(btnZeitraumVon);
    zeitZeile->addSpacing(16);
    zeitZeile->addWidget(alblZrbis);
    zeitZeile->addWidget(edtZeitraumBis);
    zeitZeile->addWidget(btnZeitraumBis);
    zeitZeile->addStretch(1);
    kopf->addLayout(zeitZeile, 2, 1, 1, 5);
    kopf->setColumnStretch(1, 1);

    auto* innen = new QVBoxLayout;
    innen->setContentsMargins(10, 6, 10, 0);
    innen->addLayout(kopf);
    innen->addWidget(lbRechnerTxt);
    innen->addWidget(vtMahnungen, 1);
    auto* panel = new QVBoxLayout(pnlHintergrund);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addWidget(pnlHeader);
    panel->addLayout(innen, 1);
    panel->addWidget(spnlButtons);
    auto* aussen = new QVBoxLayout(this);
    aussen->setContentsMargins(0, 0, 0, 0);
    aussen->addWidget(pnlHintergrund);
    setFixedSize(792, 566);

    connect(btnMandantenSuche, &QToolButton::clicked, this, &TfrmSelektion::btnMandantenSucheClick);
    connect(btnGepSuche, &QToolButton::clicked, this, &TfrmSelektion::btnGepSucheClick);
    connect(btnGepLoeschen, &QToolButton::clicked, this, &TfrmSelektion::btngeploeschenClick);
    connect(btnZeitraumVon, &QToolButton::clicked, this, [this] { DatumSetzen(btnZeitraumVon); });
    connect(btnZeitraumBis, &QToolButton::clicked, this, [this] { DatumSetzen(btnZeitraumBis); });
    connect(edtZeitraumVon, &TQELStdEdit::Exit, this, &TfrmSelektion::edtZeitraumVonExit);
    connect(edtZeitraumBis, &TQELStdEdit::Exit, this, &TfrmSelektion::edtZeitraumBisExit);
    for (TQELStdEdit* e : {edtLfdNr, edtWJ, edtRNr}) {
        connect(e, &TQELStdEdit::KeyDown, this, &TfrmSelektion::BelegnummerKeyDown);
        e->installEventFilter(this);
    }
    connect(btnBelegNummernSuche, &QToolButton::clicked, this, &TfrmSelektion::btnbelegnummersucheClick);
    connect(vtMahnungen, &TVTVRList::DblClick, this, &TfrmSelektion::vtMahnungenDblClick);
    connect(btnAnzeigen, &QPushButton::clicked, this, &TfrmSelektion::btnAnzeigenClick);
    connect(btnDrucken, &QPushButton::clicked, this, &TfrmSelektion::btnDruckenClick);
    connect(btnSuchen, &QPushButton::clicked, this, &TfrmSelektion::btnSuchenClick);
    connect(btnLoeschen, &QPushButton::clicked, this, &TfrmSelektion::btnLoeschenClick);
    connect(btnClose, &QPushButton::clicked, this, &TfrmSelektion::btnCloseClick);

    dlgMandant.ShowOneMand = false;
    dlgMandant.MandIndependent = false;
    dlgMandant.SetQELProgrammAktMandant = false;

    // The partner search keeps its defaults, the main menu's settings: name, city, street, country;
    // active partners only.
}

// Enter in a number field belongs to the number search, not to the window's "Anzeigen" shortcut.
bool TfrmSelektion::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            event->accept();
            return true;
        }
    }
    return TQELForm::eventFilter(watched, event);
}

void TfrmSelektion::FormCreate()
{
    Guard(__func__, [&] {
        QELFormInit(QStringLiteral("frmSelektion"), true);
        CenterOnScreen();
        Glob_ServerFactoryClass().MahnungEditServer_Holen(FMahnungEditServer);
    });
}

void TfrmSelektion::FormDestroy()
{
    Guard(__func__, [&] { qel_ListenLoesen(this); }, false);
    Guard(__func__,
              [&] { Glob_ServerFactoryClass().MahnungEditServer_Freigeben(FMahnungEditServer); }, false);
    QELInfo().FehlerTerminate(Kontext(__func__), 0, QString(), QString(), 0, 0);
}

void TfrmSelektion::FormShow()
{
    Guard(__func__, [&] {
        FSelectedDatumVon = qel_Now() - 365;
        FSelectedDatumBis = qel_Now();
        FGepGewaehlt = false;
        FGepName = kKeinGepGewaehlt;
        Maske_Aktualisieren();
        edtphase->setText(QStringLiteral("AOP"));
        lbRechnerTxt->setVisible(FSelectedRechner > 0);
        if (FSelectedRechner > 0) {
            edtRNr->SetAsInteger(FSelectedRechner);
            edtRNr->setEnabled(false);
        } else {
            edtRNr->clear();
            edtRNr->setEnabled(true);
        }
        // F4 fills the list, the arrow keys choose, Enter shows.
        ActivateControl(vtMahnungen);
    });
}

void TfrmSelektion::Maske_Aktualisieren()
{
    Guard(__func__, [&] {
        dspMandant->setText(FSelectedMandant_Bez);
        dspGep->setText(FGepName);
        for (auto [edit, datum] : {std::pair{edtZeitraumVon, FSelectedDatumVon}, std::pair{edtZeitraumBis, FSelectedDatumBis}}) {
            if (!edit->Schreiben(datum, QStringLiteral("Fehler beim Schreiben des Datums.")))
                return;
        }
    });
}

void TfrmSelektion::Mahnungen_Laden()
{
    Guard(__func__, [&] {
        vtMahnungen->ListeLoesen();
        if (FMahnungEditServer->Mahnungen_Abfragen(FSelectedMandant, FSelectedRechner, FSelectedDatumVon,
                                                   FSelectedDatumBis))
            vtMahnungen->ListeBinden(FMahnungEditServer->Mahnungen_Liste());
        Gep_Ausblenden();
        Mahnungen_Spalten_einstellen();
    });
}

void TfrmSelektion::Mahnungen_Spalten_einstellen()
{
    Guard(__func__, [&] {
        // Without a bound table (the query found nothing to ask for) there are no columns to set.
        if (!vtMahnungen->GetVRList())
            return;
        IQEL_MahnungEditServer* s = FMahnungEditServer.get();
        TVirtualTreeColumns spalten = vtMahnungen->Columns();
        spalten.GetItem(s->Spalte_M_GepName()).SetWidth(280);
        spalten.GetItem(s->Spalte_Mahnungsdatum()).SetWidth(80);
        spalten.GetItem(s->Spalte_MahnungsText()).SetWidth(300);
        spalten.GetItem(s->Spalte_M_Belegnummer()).SetWidth(100);
        spalten.GetItem(s->Spalte_M_Zusatz()).SetWidth(120);
        // The window's width is fixed: the mail state is a symbol (its text the tool tip), and the
        // partner's name gives way for the others, shown in full as a tool tip where it is cut.
        vtMahnungen->SetSymbolSpalte(s->Spalte_M_Email(), QIcon(QStringLiteral(":/suite/icons/brief.svg")),
                                     [](const QString& stand) {
                                         if (stand.startsWith(QLatin1String("versendet")))
                                             return QIcon(QStringLiteral(":/suite/icons/versendet.svg"));
                                         if (!stand.isEmpty())
                                             return QIcon(QStringLiteral(":/suite/icons/fehler.svg"));
                                         return QIcon();
                                     });
        spalten.GetItem(s->Spalte_M_Email()).SetWidth(20);
        vtMahnungen->SetAusgleichSpalte(s->Spalte_M_GepName());
        for (int spalte : {s->Spalte_MahnungsID(), s->Spalte_M_GepNr(), s->Spalte_M_OrgeNr(), s->Spalte_MahnungsText()})
            vtMahnungen->SetColumnVisible(spalte, false);
        vtMahnungen->SetColumnVisible(s->Spalte_M_GepName(), !FGepGewaehlt);
        vtMahnungen->UpdateColumnLayout(0, 0);
    });
}

void TfrmSelektion::Gep_Ausblenden()
{
    Guard(__func__, [&] {
        if (!FGepGewaehlt)
            return;
        const int spalte = FMahnungEditServer->Spalte_M_GepNr();
        TVTUpdate u(vtMahnungen);
        for (TVirtualNode* node = vtMahnungen->GetFirst(); node; node = vtMahnungen->GetNext(node)) {
            TIntPair gep;
            try {
                gep = qel_String2TIntPair(vtMahnungen->GetCellValueAsString(node, spalte));
            } catch (const std::exception&) {
                hinweis(QStringLiteral("Fehler beim Lesen der GepNr."));
                return;
            }
            if (!IntPairEqual(gep, FSelectedGepNr))
                vtMahnungen->SetVisible(node, false);
        }
    });
}

bool TfrmSelektion::MandantWaehlen()
{
    bool uebernommen = false;
    Guard(__func__, [&] {
        if (dlgMandant.Ausfuehrend())
            return;
        dlgMandant.Mandant = FSelectedMandant;
        if (!dlgMandant.Execute(nullptr))
            return;
        FSelectedMandant = dlgMandant.Mandant;
        FSelectedMandant_Bez = dlgMandant.MandantBez;
        dspMandant->setText(FSelectedMandant_Bez);
        uebernommen = true;
    });
    return uebernommen;
}

void TfrmSelektion::btnMandantenSucheClick()
{
    Guard(__func__, [&] {
        MandantWaehlen();
        Mahnungen_Laden();
    });
}

void TfrmSelektion::btnSuchenClick()
{
    Guard(__func__, [&] { Mahnungen_Laden(); });
}

void TfrmSelektion::btnGepSucheClick()
{
    Guard(__func__, [&] {
        dlgGepSuche.Mandant = FSelectedMandant;
        if (!dlgGepSuche.Execute(nullptr, true))
            return;
        FSelectedGepNr = dlgGepSuche.GepNr;
        FGepName = dlgGepSuche.GepName;
        dspGep->setText(FGepName);
        FGepGewaehlt = true;
    });
}

void TfrmSelektion::btngeploeschenClick()
{
    Guard(__func__, [&] {
        FGepGewaehlt = false;
        FGepName = kKeinGepGewaehlt;
        Maske_Aktualisieren();
    });
}

bool TfrmSelektion::Zeitraum_Testen(TDateTime Von, TDateTime Bis)
{
    bool ok = false;
    Guard(__func__, [&] {
        ok = Bis >= Von;
        if (!ok)
            hinweis(QStringLiteral("Das Von-Datum darf nicht nach dem Bis-Datum liegen!"));
    });
    return ok;
}

void TfrmSelektion::DatumSetzen(QObject* Sender)
{
    Guard(__func__, [&] {
        if (Sender == btnZeitraumVon) {
            dlgKalender.Date = FSelectedDatumVon;
            dlgKalender.Execute();
            if (!Zeitraum_Testen(dlgKalender.Date, FSelectedDatumBis))
                return;
            FSelectedDatumVon = dlgKalender.Date;
        } else if (Sender == btnZeitraumBis) {
            dlgKalender.Date = FSelectedDatumBis;
            dlgKalender.Execute();
            if (!Zeitraum_Testen(FSelectedDatumVon, dlgKalender.Date))
                return;
            FSelectedDatumBis = dlgKalender.Date;
        } else {
            return;
        }
        Maske_Aktualisieren();
    });
}

void TfrmSelektion::edtZeitraumVonExit(QObject*)
{
    Guard(__func__, [&] {
        TDateTime datum = 0;
        if (!edtZeitraumVon->Lesen(datum, QStringLiteral("Fehler beim Lesen des Datums.")))
            return;
        if (Zeitraum_Testen(datum, FSelectedDatumBis))
            FSelectedDatumVon = datum;
        else
            Maske_Aktualisieren();
    });
}

void TfrmSelektion::edtZeitraumBisExit(QObject*)
{
    Guard(__func__, [&] {
        TDateTime datum = 0;
        if (!edtZeitraumBis->Lesen(datum, QStringLiteral("Fehler beim Lesen des Datums.")))
            return;
        if (Zeitraum_Testen(FSelectedDatumVon, datum))
            FSelectedDatumBis = datum;
        else
            Maske_Aktualisieren();
    });
}

void TfrmSelektion::btnLoeschenClick()
{
    Guard(__func__,
              [&] { qel_Meldung(CMeldung_Hinweis, 997, QStringLiteral("Noch nicht implementiert!")); });
}

void TfrmSelektion::btnCloseClick()
{
    Guard(__func__, [&] { SetModalResult(mrCancel); });
}

// --- finding and viewing ------------------------------------------------------

void TfrmSelektion::vtMahnungenDblClick()
{
    Guard(__func__, [&] { Mahnung_Betrachten(false); });
}

void TfrmSelektion::btnAnzeigenClick()
{
    Guard(__func__, [&] { Mahnung_Betrachten(false); });
}

void TfrmSelektion::btnbelegnummersucheClick()
{
    Guard(__func__, [&] { Suche_Belegnummer(true); });
}

void TfrmSelektion::BelegnummerKeyDown(QObject* Sender, int Key)
{
    Guard(__func__, [&] {
        if (Key == VK_RETURN)
            Suche_Belegnummer(Sender == edtRNr);
    });
}

void TfrmSelektion::Suche_Belegnummer(bool MitMeldung)
{
    Guard(__func__, [&] {
        int lfdNr = -1, wirtschaftsJahr = -1, rNr = -1;
        edtLfdNr->Lesen(lfdNr, QStringLiteral("Fehler bei der Konvertierung der lfd. Nummer."));
        edtWJ->Lesen(wirtschaftsJahr, QStringLiteral("Fehler bei der Konvertierung des Wirtschaftsjahres."));
        edtRNr->Lesen(rNr, QStringLiteral("Fehler bei der Konvertierung der Rechnernummer."));
        const auto abweisen = [&](const QString& text, TQELStdEdit* edit) {
            if (MitMeldung)
                hinweis(text);
            ActivateControl(edit);
        };
        if (lfdNr == 0) {
            abweisen(QStringLiteral("Laufende Nummer ist nicht gefüllt."), edtLfdNr);
            return;
        }
        if (wirtschaftsJahr <= 1996) {
            abweisen(QStringLiteral("Das Wirtschaftsjahr ist zu klein."), edtWJ);
            return;
        }
        if (rNr <= 0) {
            abweisen(QStringLiteral("Bitte eine gültige Rechnernummer eingeben!"), edtRNr);
            return;
        }
        if (!FMahnungEditServer->Mahnung_Suchen_Belegnummer(FSelectedMandant, lfdNr, wirtschaftsJahr, rNr)) {
            hinweis(QStringLiteral("Diese Belegnummer wurde nicht vergeben."));
            return;
        }
        vtMahnungen->ListeBinden(FMahnungEditServer->Mahnungen_Liste());
        Mahnung_Betrachten(true);
    });
}

std::unique_ptr<TfrmMahnungSchreiben> TfrmSelektion::Editor_Fuellen(TVirtualNode* zeile)
{
    auto editor = std::make_unique<TfrmMahnungSchreiben>();
    editor->Modus_Set(CQEL_Mahnung_Lesen);
    IQEL_MahnungEditServer* s = FMahnungEditServer.get();
    const TIntPair mahnungsId = qel_String2TIntPair(vtMahnungen->GetCellValueAsString(zeile, s->Spalte_MahnungsID()));
    s->Mahnung_Abfragen(mahnungsId);
    editor->SetGewaehltePosten(s->Positionen_Liste());
    editor->SetColBelegNr(s->PosSpalte_BelegNr());
    editor->SetColDatum(s->PosSpalte_Datum());
    editor->SetColZahlbarbis(s->PosSpalte_Zahlbarbis());
    editor->SetColSaldo(s->PosSpalte_Saldo());
    editor->SetColMahnstufe(s->PosSpalte_Mahnstufe());
    editor->SetColMahngebuehren(s->PosSpalte_Mahngebuehren());
    editor->SetColVerzugszins(s->PosSpalte_Verzugszins());
    editor->SetColPauschale(s->PosSpalte_Pauschale());
    editor->SetBeruecksichtigt(vtMahnungen->GetCellValueAsDate(zeile, s->Spalte_Beruecksichtigt()));
    editor->SetMahnungsdatum(vtMahnungen->GetCellValueAsDate(zeile, s->Spalte_Mahnungsdatum()));
    editor->SetMahnungsText(vtMahnungen->GetCellValueAsString(zeile, s->Spalte_MahnungsText()));
    editor->SetGepName(vtMahnungen->GetCellValueAsString(zeile, s->Spalte_M_GepName()));
    editor->SetSelectedGepNr(qel_String2TIntPair(vtMahnungen->GetCellValueAsString(zeile, s->Spalte_M_GepNr())));
    editor->SetSelectedOrgeNr(qel_String2TIntPair(vtMahnungen->GetCellValueAsString(zeile, s->Spalte_M_OrgeNr())));
    editor->SetSelectedMandant_Bez(FSelectedMandant_Bez);
    editor->SetSelectedMandant(FSelectedMandant);
    editor->SetLfdNr(int(vtMahnungen->GetCellValueAsInteger(zeile, s->Spalte_M_LfdNr())));
    editor->SetWirtschaftsJahr(int(vtMahnungen->GetCellValueAsInteger(zeile, s->Spalte_M_WirtschaftsJahr())));
    editor->SetRNr(int(vtMahnungen->GetCellValueAsInteger(zeile, s->Spalte_M_RNr())));
    editor->SetBelegnummer(vtMahnungen->GetCellValueAsString(zeile, s->Spalte_M_Belegnummer()));
    editor->SetMahnungsID(mahnungsId);
    return editor;
}

void TfrmSelektion::btnDruckenClick()
{
    Guard(__func__, [&] { Mahnungen_Drucken(); });
}

void TfrmSelektion::Mahnungen_Drucken()
{
    Guard(__func__, [&] {
        std::vector<TVirtualNode*> zeilen;
        for (TVirtualNode* n = vtMahnungen->GetFirstVisible(); n; n = vtMahnungen->GetNextVisible(n))
            if (vtMahnungen->GetSelected(n))
                zeilen.push_back(n);
        if (zeilen.empty()) {
            hinweis(QStringLiteral("Bitte zuerst eine Mahnung auswählen!"));
            return;
        }
        // Each letter as the editor shows the dunning: its positions, text and dates.
        std::vector<TMahnungsDruck> belege;
        for (TVirtualNode* zeile : zeilen) {
            auto editor = Editor_Fuellen(zeile);
            editor->setAttribute(Qt::WA_DontShowOnScreen);
            editor->show();
            if (!editor->MahnungsStruktur_fuellen())
                return;
            for (TMahnungsDruck& m : editor->Druckdaten())
                belege.push_back(std::move(m));
            editor->close();
        }
        struct TServer {
            QString Kontext;
            IQEL_PrintEditServerRef Druck;
            IQEL_GPListenServerRef Gp;
            ~TServer()
            {
                qel_Guard(Kontext, [&] { Glob_WWSServerFactoryClass().GPListenServer_Freigeben(Gp); }, false);
                if (Druck)
                    qel_Guard(Kontext, [&] { Glob_WWSServerFactoryClass().PrintEditServer_Freigeben(Druck); }, false);
            }
        } server{Kontext(__func__), nullptr, nullptr};
        Glob_WWSServerFactoryClass().GPListenServer_Holen(server.Gp);
        std::unique_ptr<TQEL_OrgeMerkmaleDM> merkmale;
        TMahnungsDrucker drucker(server.Druck, *server.Gp, merkmale, Kontext(__func__));
        if (belege.size() == 1)
            drucker.Einzeln(belege.front(), true);
        else
            drucker.Lauf(belege);
    });
}

void TfrmSelektion::Mahnung_Betrachten(bool ErsteZeile)
{
    Guard(__func__, [&] {
        TVirtualNode* zeile = ErsteZeile ? vtMahnungen->GetFirst() : vtMahnungen->GetFirstSelected();
        if (!zeile) {
            hinweis(QStringLiteral("Bitte zuerst eine Mahnung auswählen!"));
            return;
        }
        auto editor = Editor_Fuellen(zeile);
        editor->ShowModal();
        Mahnungen_Laden();
    });
}
