// Takes the guides' screenshots: walks through the program on the demo database as a clerk would
// (client, "Neu", period, open items, editor, letter, dunning list) and saves each window as PNG.
// Run by scripts/screenshots.sh under Xvfb; messages go to stderr (QEL_SUITE_UNBEAUFSICHTIGT).
#include "hauptmnufrm.h"
#include "mahnungschreiben.h"
#include "mainu.h"
#include "selektionsfrm.h"
#include "suite/reports/berichtausgabe.h"
#include "suite/ui/dialogs/dateianhang.h"
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
        vt->SetSelected(letzte, true);
        dann<TfrmMahnungSchreiben>([](TfrmMahnungSchreiben* e) {
            bild(e, QStringLiteral("mahnung_anzeigen"));
            dann<Tfrmdateianhang>([](Tfrmdateianhang* a) {
                bild(a, QStringLiteral("anhang"));
                return mrCancel;
            });
            e->btnAnhang->click();
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
