// Takes the guides' screenshots: walks through the program on the demo database as a clerk would
// (client, "Neu", period, open items, editor, letter, dunning list) and saves each window as PNG.
// Run by scripts/screenshots.sh under Xvfb; messages go to stderr (QEL_SUITE_UNBEAUFSICHTIGT).
#include "hauptmnufrm.h"
#include "mahnungschreiben.h"
#include "mainu.h"
#include "selektionsfrm.h"
#include "suite/reports/ausgabedialog.h"
#include "suite/reports/berichtausgabe.h"
#include "suite/reports/crystalrdcn.h"
#include "suite/reports/drucklauf.h"
#include "suite/ui/dialogs/dateianhang.h"
#include "suite/ui/dialogs/kopftextpopup.h"
#include "suite/ui/dialogs/wartemaske.h"
#include "suite/ui/dialogs/layoutform.h"
#include "suite/ui/info.h"
#include "suite/ui/dialogs/manddialog.h"
#include "suite/ui/dialogs/zeitraumwahl.h"
#include "suite/ui/forms.h"
#include "suite/ui/programm.h"
#include "suite/ui/vtvrlist.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QItemSelectionModel>
#include <QLocale>
#include <QTimer>
#include <cstdio>
#include <deque>
#include <functional>

namespace {

QString g_ziel;
QStringList g_fehler;

void warten(int ms = 150)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void bild(QWidget* w, const QString& name)
{
    w->raise();
    w->activateWindow();
    warten();
    const QString datei = QDir(g_ziel).filePath(name + QStringLiteral(".png"));
    if (!w->grab().save(datei))
        g_fehler << QStringLiteral("kann %1 nicht speichern").arg(datei);
    else
        std::printf("%s\n", qPrintable(datei));
}

// Each modal window of the walk is answered by the next step, in order.
std::deque<std::function<int(QDialog*)>> g_schritte;

template <class T>
void dann(std::function<int(T*)> schritt)
{
    g_schritte.push_back([schritt](QDialog* d) -> int {
        auto* t = dynamic_cast<T*>(d);
        if (!t) {
            g_fehler << QStringLiteral("unerwartetes Fenster %1").arg(QString::fromLatin1(d->metaObject()->className()));
            return mrCancel;
        }
        return schritt(t);
    });
}

int modal(QDialog* d)
{
    if (g_schritte.empty()) {
        g_fehler << QStringLiteral("kein Schritt für %1").arg(QString::fromLatin1(d->metaObject()->className()));
        return mrCancel;
    }
    auto schritt = g_schritte.front();
    g_schritte.pop_front();
    d->show();
    warten();
    const int r = schritt(d);
    d->hide();
    return r;
}

// Questions are answered with yes (book, then print); everything else is only reported.
class TAntworten : public IMeldungSink {
public:
    int Meldung(int art, const QString& text, int, const QString&) override
    {
        std::fprintf(stderr, "Meldung: %s\n", qPrintable(text));
        return art == CMeldung_Frage ? mrYes : mrOk;
    }
    void Hinweis(const QString& text, const QString&) override { std::fprintf(stderr, "Hinweis: %s\n", qPrintable(text)); }
    void Exception(const QString& kontext, const QString& text, bool) override
    {
        g_fehler << QStringLiteral("%1: %2").arg(kontext, text);
    }
};

// A letter over three pages: the walk's letter again, with a long list of invoices.
void dreiseitigerBrief()
{
    const auto ausgaben = TBerichtAusgabe::Ausgaben();
    if (ausgaben.isEmpty()) {
        g_fehler << QStringLiteral("kein Brief, nach dem der dreiseitige gesetzt werden kann");
        return;
    }
    const TBerichtAusgabe::TAusgabe& vorbild = ausgaben.first();
    const QString kPrg = QStringLiteral("MAHNUNG");
    IQEL_PrintEditServerRef server;
    Glob_WWSServerFactoryClass().PrintEditServer_Holen(server);
    const int auftrag = server->Druckauftrag_Beginnen(kPrg);
    TMOLA_PrintEditServer_Record r;
    for (int i = 0; i < 85; ++i) {
        r.Clear();
        r.PrgId = kPrg;
        r.Auftrag = auftrag;
        r.Mahnstufe = 1 + i % 3;
        r.Saldo = 80.45 + (i * 137) % 900;
        r.Mahngebuehren = r.Mahnstufe > 1 ? 5.0 : 0.0;
        r.Belegnummer = QStringLiteral("RE-2026-%1").arg(4000 + 7 * i);
        r.Belegdatum = DateToStr(qel_Now() - 150 + i);
        r.ZahlbarBis = DateToStr(qel_Now() + 14);
        r.Art = r.Mahnstufe == 1 ? QStringLiteral("Zahlungserinnerung") : QStringLiteral("Mahnung");
        server->Druckdaten_Schreiben(r);
    }
    r.Clear();
    r.PrgId = kPrg;
    r.Auftrag = auftrag;
    r.Belegnummer = QStringLiteral("BLOB");
    r.GanzerText = QStringLiteral(
        "#Anrede\r\n\r\nfür die nachstehend aufgeführten Rechnungen konnten wir bis zum #Berücksichtigt keinen "
        "Zahlungseingang feststellen.\r\n\r\nBitte überweisen Sie den Gesamtbetrag von #Gesamtbetrag bis zum "
        "#Zahlungsziel.\r\n\r\nMit freundlichen Grüßen");
    server->Druckdaten_Schreiben(r);
    {
        TCrystalRDCn bericht;
        bericht.SetReport(GetDirWwsByName(qfBerichte, QStringLiteral("mahnung.html"), true), true, server->Druck_Kennung());
        TQELReport* p = bericht.GetReport(0);
        for (const auto& par : vorbild.Parameter)
            p->SetParameter(par.first, par.second);
        p->SetParameter(QStringLiteral("Param_Session_ID"), QString::number(auftrag));
        p->SetParameter(QStringLiteral("Param_Beleg_Beschreibung"), QStringLiteral("Zahlungserinnerung / Mahnung"));
        p->AddLogoConnectionByName(QStringLiteral("Bild5"), QStringLiteral("@const_LogoKennung1"),
                                   QStringLiteral("@const_LogoKennung2"), QStringLiteral("@const_LogoName"),
                                   QStringLiteral("@const_LogoLfdNr"));
        p->EngineReport()->Set_TopMargin(vorbild.Oben);
        p->EngineReport()->Set_LeftMargin(vorbild.Links);
        p->EngineReport()->Set_BottomMargin(vorbild.Unten);
        bericht.ShowReport();
    }
    server->Druckauftrag_Beenden(kPrg, auftrag);
    Glob_WWSServerFactoryClass().PrintEditServer_Freigeben(server);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: mahnwesen_bilder ZIELORDNER\n");
        return 2;
    }
    g_ziel = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(g_ziel);
    qel_SetModalHandler(modal);
    QELInfo().SetSink(std::make_shared<TAntworten>());
    QELProgramm().Init(QStringLiteral("MAHNWESEN"), 3, 0, 0, true);
    QApplication::setApplicationDisplayName(QStringLiteral("Mahnwesen"));

    dann<TfrmMandantWahl>([](TfrmMandantWahl* f) {
        f->Waehlen(0);
        bild(f, QStringLiteral("mandant"));
        return mrOk;
    });
    TfrmHauptmnu menue;
    menue.show();
    bild(&menue, QStringLiteral("hauptmenue"));

    // "Neu": period, open items of one partner, editor, letter.
    dann<TfrmZeitraumWahl>([](TfrmZeitraumWahl* f) {
        bild(f, QStringLiteral("zeitraum"));
        return mrOk;
    });
    dann<Tfrmmainu>([](Tfrmmainu* f) {
        f->btnSuchen->click();
        warten();
        TVTVRList* vt = f->vtOffenePosten;
        const int spalte = f->ColGep();
        const TVirtualNode* erster = vt->GetFirst();
        const QString partner = erster ? vt->GetCellValueAsString(const_cast<TVirtualNode*>(erster), spalte) : QString();
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
            if (vt->GetCellValueAsString(n, spalte) == partner)
                vt->SetCheckState(n, csCheckedNormal);
        bild(f, QStringLiteral("offeneposten"));
        dann<TfrmMahnungSchreiben>([](TfrmMahnungSchreiben* e) {
            // The text block of the second dunning, then booking (F5), which offers to print.
            TVTVRList* texte = e->vtTextbausteine;
            if (TVirtualNode* n = texte->GetFirst() ? texte->GetNext(texte->GetFirst()) : nullptr)
                texte->SetSelected(n, true);
            bild(e, QStringLiteral("editor"));
            // The text-block dialog as "Neu" opens it, with a block begun.
            dann<Tkopftextpopupfrm>([](Tkopftextpopupfrm* d) {
                d->SetKurztext(QStringLiteral("Letzte Mahnung"));
                d->SetText(QStringLiteral("#Anrede\n\nleider konnten wir bis zum #Berücksichtigt keinen Zahlungseingang "
                                          "feststellen.\n\n#Aufstellung\n\nMit freundlichen Grüßen"));
                bild(d, QStringLiteral("textbaustein"));
                return mrCancel;
            });
            e->btnneu->click();
            dann<TLayoutform>([](TLayoutform* l) {
                bild(l, QStringLiteral("layout"));
                l->btnOK->click();
                return mrOk;
            });
            e->btnUebernehmen->click();
            warten();
            return mrOk;
        });
        f->btnUebernehmen->click();
        return mrCancel;
    });
    const QString pdf = QDir(g_ziel).filePath(QStringLiteral("pdf"));
    QDir().mkpath(pdf);
    TBerichtAusgabe::PdfOrdner(pdf);
    menue.btsMain->Button(QStringLiteral("btnNeu"))->click();
    dreiseitigerBrief();

    // The wait window while the open items load.
    {
        TfrmWartemaske warten;
        warten.Zeigen();
        bild(&warten, QStringLiteral("warten"));  // its progress shows after a moment
        warten.Fortschritt(412, 1136);
        bild(&warten, QStringLiteral("warten"));
        warten.Verbergen();
    }

    // "Laden": the dunning list of the client.
    dann<TfrmSelektion>([](TfrmSelektion* f) {
        f->btnSuchen->click();
        warten();
        bild(f, QStringLiteral("mahnungsliste"));
        // The newest dunning, shown again: reprint and attachments live there.
        TVTVRList* vt = f->vtMahnungen;
        TVirtualNode* letzte = nullptr;
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
            letzte = n;
        if (!letzte)
            return mrCancel;
        // Three dunnings printed again in one run: the output choice and the run's progress.
        vt->selectionModel()->select(QItemSelection(vt->model()->index(0, 0), vt->model()->index(2, 0)),
                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        dann<TAusgabeDialog>([](TAusgabeDialog* d) {
            d->rgrpZiel->SetItemIndex(int(TLaufZiel::EinePdf));
            d->edtPfad->setText(QDir(g_ziel).filePath(QStringLiteral("lauf.pdf")));
            bild(d, QStringLiteral("ausgabe"));
            d->btnOK->click();
            return d->result();
        });
        dann<TLayoutform>([](TLayoutform* l) {
            l->cbxFuerAlle->setChecked(true);
            l->btnOK->click();
            return mrOk;
        });
        bool fortschrittGezeigt = false;
        TLaufFortschritt::SetBeobachter([&fortschrittGezeigt](TLaufFortschritt* p) {
            if (fortschrittGezeigt)
                return;
            fortschrittGezeigt = true;
            bild(p, QStringLiteral("fortschritt"));
        });
        f->btnDrucken->click();
        TLaufFortschritt::SetBeobachter({});
        vt->clearSelection();
        vt->SetSelected(letzte, true);
        dann<TfrmMahnungSchreiben>([](TfrmMahnungSchreiben* e) {
            bild(e, QStringLiteral("mahnung_anzeigen"));
            dann<Tfrmdateianhang>([](Tfrmdateianhang* a) {
                bild(a, QStringLiteral("anhang"));
                return mrCancel;
            });
            e->btnAnhang->click();
            // Printed twice: whatever the first print was, the second is a copy of the letter sent.
            for (int i = 0; i < 2; ++i) {
                dann<TLayoutform>([](TLayoutform* l) {
                    l->btnOK->click();
                    return mrOk;
                });
                e->btnDrucken->click();
                warten();
            }
            return mrCancel;
        });
        f->btnAnzeigen->click();
        return mrCancel;
    });
    menue.btsMain->Button(QStringLiteral("btnLaden"))->click();

    for (const QString& f : g_fehler)
        std::fprintf(stderr, "%s\n", qPrintable(f));
    if (!g_schritte.empty())
        std::fprintf(stderr, "%d Schritte nicht erreicht\n", int(g_schritte.size()));
    return g_fehler.isEmpty() && g_schritte.empty() ? 0 : 1;
}
