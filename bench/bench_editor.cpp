// Dunning editor on 10,000 handed-over items: opening it (FormShow: list, presets, payment terms,
// totals, text blocks, first row) and one fee change with the totals recomputed.
#include "mahnungschreiben.h"
#include "suite/ui/programm.h"
#include "suite/core/servers/database.h"
#include "suite/core/servers/interfaces.h"
#include "benchhilfe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace bench;

namespace {

constexpr int kPosten = 10000;
constexpr int kPartner = 500;
constexpr int kLaeufe = 7;
constexpr int kGebuehrLaeufe = 21;

// The transfer table the open-items window hands over: its fifteen columns in their order.
struct TUebergabe {
    TVRList liste;
    int gep, gepNr, belegNr, datum, soll, haben, saldo, zahlbarBis, kommentar, stufe, gebuehr, zins, rnr, trans, lfd;

    TUebergabe()
    {
        auto spalte = [this](int& index, const char* titel, int typ, bool geld, bool sichtbar) {
            TVRColumn& c = liste.ColumnAdd();
            index = liste.GetColumnCount() - 1;
            c.Name = QString::fromUtf8(titel);
            c.DataType = typ;
            c.Formatted = geld;
            c.Format = geld ? QStringLiteral("%n") : QString();
            c.Flag1 = sichtbar;
        };
        spalte(gep, "Geschäftspartner", CVR_Text, false, true);
        spalte(gepNr, "GeschäftspartnerNr", CVR_Text, false, true);
        spalte(belegNr, "Belegnummer", CVR_Text, false, true);
        spalte(datum, "Rechnungsdatum", CVR_Date, false, true);
        spalte(soll, "Soll", CVR_Number, true, true);
        spalte(haben, "Haben", CVR_Number, true, true);
        spalte(saldo, "Saldo", CVR_Number, true, false);
        spalte(zahlbarBis, "Zahlbar bis", CVR_Date, false, true);
        spalte(kommentar, "Kommentar", CVR_Text, false, true);
        spalte(stufe, "Mahnstufe", CVR_Integer, false, false);
        spalte(gebuehr, "Mahngebühren", CVR_Number, true, true);
        spalte(zins, "Verzugszinsen", CVR_Number, true, true);
        spalte(rnr, "RechnerNummer", CVR_Integer, false, true);
        spalte(trans, "TransaktionsNummer", CVR_Integer, false, true);
        spalte(lfd, "LfdNummer", CVR_Integer, false, true);
        liste.Reserve(kPosten);
        const TDateTime heute = qel_DateOf(qel_Now());
        for (int i = 0; i < kPosten; ++i) {
            const int p = i % kPartner;
            const qint64 mahnstufe = i % 4;
            const double betrag = 100.0 + (i % 997) * 1.37;
            liste.RowAdd({TVRItem(QStringLiteral("Partner %1 GmbH").arg(p, 4, 10, QLatin1Char('0'))),
                          TVRItem(QStringLiteral("1;%1").arg(p + 1)), TVRItem(QStringLiteral("RE-%1").arg(100000 + i)),
                          TVRItem(heute - 30 - i % 300), TVRItem(betrag), TVRItem(0.0), TVRItem(betrag),
                          TVRItem(qint64(0)), TVRItem(QString()), TVRItem(mahnstufe),
                          TVRItem(mahnstufe > 1 ? 2.5 : 0.0), TVRItem(qint64(0)), TVRItem(qint64(1)),
                          TVRItem(qint64(10000 + i)), TVRItem(qint64(1))});
        }
    }

    void anEditor(TfrmMahnungSchreiben& e)
    {
        e.SetGewaehltePosten(&liste);
        e.SetSelectedMandant(TIntPair{1, 1});
        e.SetSelectedMandant_Bez(QStringLiteral("Benchmark GmbH"));
        e.SetColGep(gep);
        e.SetColGepNr(gepNr);
        e.SetColBelegNr(belegNr);
        e.SetColDatum(datum);
        e.SetColSoll(soll);
        e.SetColHaben(haben);
        e.SetColSaldo(saldo);
        e.SetColZahlbarbis(zahlbarBis);
        e.SetColKommentar(kommentar);
        e.SetColMahnstufe(stufe);
        e.SetColMahngebuehren(gebuehr);
        e.SetColVerzugszins(zins);
        e.SetColRNr(rnr);
        e.SetColTRansNr(trans);
        e.SetColLNr(lfd);
    }
};

void textbausteineAnlegen()
{
    IQEL_MahnungEditServerRef s;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(s);
    for (int i = 0; i < 40; ++i)
        s->Textbaustein_Anlegen(QStringLiteral("Vorlage %1").arg(i),
                                QStringLiteral("Sehr geehrte Damen und Herren,\nStand #Heute, Zahlungen bis "
                                               "#Berücksichtigt.\n")
                                    .repeated(20));
    Glob_ServerFactoryClass().MahnungEditServer_Freigeben(s);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TBenchSuite suite;
    qel_SetModalHandler([](QDialog*) { return mrCancel; });
    textbausteineAnlegen();

    TUebergabe uebergabe;
    std::vector<double> oeffnen, sichtbar;
    for (int lauf = 0; lauf < kLaeufe; ++lauf) {
        TfrmMahnungSchreiben e;
        uebergabe.anEditor(e);
        QElapsedTimer t;
        t.start();
        e.show();  // FormShow runs inside
        oeffnen.push_back(double(t.nsecsElapsed()) / 1e6);
        QApplication::processEvents();  // layout and first paint
        sichtbar.push_back(double(t.nsecsElapsed()) / 1e6);
        if (e.vtGewaehltePosten->NodeCount() != kPosten || e.Summe() <= 0) {
            std::fprintf(stderr, "Editor zeigt %d statt %d Posten\n", e.vtGewaehltePosten->NodeCount(), kPosten);
            return 2;
        }
    }

    TfrmMahnungSchreiben e;
    uebergabe.anEditor(e);
    e.show();
    QApplication::processEvents();
    TVTVRList* vt = e.vtGewaehltePosten;
    vt->SetSelected(vt->NodeAtDisplayRow(kPosten / 2), true);
    std::vector<double> gebuehr;
    for (int lauf = 0; lauf < kGebuehrLaeufe; ++lauf) {
        const double wert = 1.0 + (lauf % 2);
        e.edtMahngebueren->setText(lauf % 2 ? QStringLiteral("2,00") : QStringLiteral("1,00"));
        QElapsedTimer t;
        t.start();
        emit e.edtMahngebueren->Exit(e.edtMahngebueren);
        QApplication::processEvents();  // the repaint the change causes
        gebuehr.push_back(double(t.nsecsElapsed()) / 1e6);
        if (vt->GetCellValueAsFloat(vt->GetFirstSelected(), uebergabe.gebuehr) != wert) {
            std::fprintf(stderr, "Die Gebühr wurde nicht gespeichert\n");
            return 2;
        }
    }

    std::printf("Mahnschreiben mit %d Posten, Median aus %d bzw. %d Läufen\n", kPosten, kLaeufe, kGebuehrLaeufe);
    bool ok = pruefe("Öffnen (FormShow)", median(oeffnen), 500);
    std::printf("%-60s %9.1f ms\n", "Öffnen bis zur ersten Darstellung", median(sichtbar));
    ok = pruefe("Mahngebühr ändern (Summen neu, Darstellung)", median(gebuehr), 50) && ok;
    return ok ? 0 : 1;
}
