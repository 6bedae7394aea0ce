// Open-items window: loading, filtering and checking the list, and the hand-over to the editor.
#include "mahnungschreiben.h"
#include "mainu.h"
#include "suite/ui/dialogs/mahnunghistorie.h"
#include "suite/ui/programm.h"
#include "suite/ui/vtupdate.h"

#include <QPointer>

void Tfrmmainu::Offene_Posten_Laden()
{
    Guard(__func__, [&] {
        if (!FZahlungEditServer || !FMAhnungEditServer || !FWartemaske)
            throw EQELError(QStringLiteral("Die offenen Posten können nicht geladen werden: "
                                           "der Server der Suite steht nicht zur Verfügung."));
        FWartemaske->Zeigen();
        // Hiding the content takes the focus from it: the clerk gets it back where it was.
        QPointer<QWidget> fokus = focusWidget();
        pnlHintergrund->setVisible(false);
        struct Aufraeumen {
            Tfrmmainu* f;
            QPointer<QWidget> fokus;
            ~Aufraeumen()
            {
                f->pnlHintergrund->setVisible(true);
                f->FWartemaske->Verbergen();
                f->activateWindow();
                if (fokus && fokus->isVisible() && fokus->isEnabled())
                    fokus->setFocus(Qt::OtherFocusReason);
            }
        } aufraeumen{this, fokus};
        vtOffenePosten->ListeLoesen();
        const QVector<TSRVTyp> typen{TSRVTyp(1)};
        const TDateTime jetzt = qel_Now();
        FZahlungEditServer->OffenePosten_Abfragen(FSelectedMandant, CLeeresIntPair, FSelectedPeriodeVon,
                                                  FSelectedPeriodeBis, 0, jetzt, jetzt, typen, 1, 1);
        FWartemaske->Zeigen(QStringLiteral("%1 offene Posten werden angezeigt ...")
                                .arg(QLocale(QLocale::German).toString(FZahlungEditServer->OffenePosten_Liste()->GetRowCount())));
        {
            TVTUpdate u(vtOffenePosten);
            vtOffenePosten->ListeBinden(FZahlungEditServer->OffenePosten_Liste());
            ZeilenSichtbarkeit_schalten();
            Akutelle_Zahlungsziele_Schreiben();
            Spaltensichtbarkeit_Schalten_OffenePosten();
        }
        Maske_Schalten(true);
    });
}

void Tfrmmainu::Spaltensichtbarkeit_Schalten_OffenePosten()
{
    Guard(__func__, [&] {
        IQEL_ZahlungEditServer* s = FZahlungEditServer.get();
        TVirtualTreeColumns spalten = vtOffenePosten->Columns();
        spalten.GetItem(s->Spalte_Gep()).SetWidth(200);
        spalten.GetItem(s->Spalte_Belegnummer()).SetWidth(105);
        spalten.GetItem(s->Spalte_Datum()).SetWidth(80);
        spalten.GetItem(s->Spalte_Haben()).SetWidth(90);
        spalten.GetItem(s->Spalte_Soll()).SetWidth(90);
        spalten.GetItem(s->Spalte_Saldo()).SetWidth(100);
        spalten.GetItem(s->Spalte_Verdeckt_07()).SetWidth(90);
        spalten.GetItem(s->Spalte_Zahlungsziel()).SetWidth(80);
        spalten.GetItem(s->Spalte_Verdeckt_13()).SetWidth(80);
        spalten.GetItem(s->Spalte_Verdeckt_14()).SetWidth(80);
        spalten.GetItem(s->Spalte_Kommentar()).SetWidth(80);
        spalten.GetItem(s->Spalte_Mahnsperre()).SetWidth(250);
        for (int spalte :
             {s->Spalte_GepNr(), s->Spalte_RechnerNummer(), s->Spalte_TransNummer(), s->Spalte_LfdNummer(),
              s->Spalte_Verdeckt_01(), s->Spalte_Verdeckt_02(), s->Spalte_Verdeckt_03(), s->Spalte_Verdeckt_04(),
              s->Spalte_Verdeckt_05(), s->Spalte_Verdeckt_06(), s->Spalte_Verdeckt_07(), s->Spalte_Verdeckt_08(),
              s->Spalte_Verdeckt_09(), s->Spalte_Verdeckt_10(), s->Spalte_Verdeckt_11(), s->Spalte_Verdeckt_12(),
              s->Spalte_Verdeckt_13(), s->Spalte_Verdeckt_14(), s->Spalte_Verdeckt_15(), s->Spalte_Verdeckt_16(),
              s->Spalte_Verdeckt_17()})
            vtOffenePosten->SetColumnVisible(spalte, false);
        vtOffenePosten->UpdateColumnLayout(0, 0);
    });
}

void Tfrmmainu::ZeilenSichtbarkeit_schalten()
{
    Guard(__func__, [&] {
        IQEL_ZahlungEditServer* s = FZahlungEditServer.get();
        TVTUpdate u(vtOffenePosten);
        TVirtualNode* node = nullptr;
        auto GepNummerbesorgen = [&]() {
            TIntPair gep = CLeeresIntPair;
            qel_Guard(QStringLiteral("GepNummerbesorgen"), [&] {
                try {
                    gep = qel_String2TIntPair(vtOffenePosten->GetCellValueAsString(node, s->Spalte_GepNr()));
                } catch (const std::exception&) {
                    qel_Meldung(CMeldung_Hinweis, 994,
                                QStringLiteral("Fehler beim Lesen der Geschäftspartner-Nrummer."));
                }
            });
            return gep;
        };
        auto Zentralreguliert = [&]() {
            bool ja = false;
            qel_Guard(QStringLiteral("Zentralreguliert"), [&] {
                const int lfd = int(vtOffenePosten->GetCellValueAsInteger(node, s->Spalte_LfdNummer()));
                const int trans = int(vtOffenePosten->GetCellValueAsInteger(node, s->Spalte_TransNummer()));
                const int rechner = int(vtOffenePosten->GetCellValueAsInteger(node, s->Spalte_RechnerNummer()));
                ja = FMAhnungEditServer->Ist_Zentralreguliert(rechner, trans, lfd);
            });
            return ja;
        };
        const bool modusF = ModusF();
        const bool gepGewaehlt = IntPairDefined(FSelectedGepNr);
        const bool mitZentral = cbxzentralregulierung->isChecked();
        for (node = vtOffenePosten->GetFirst(); node; node = vtOffenePosten->GetNext(node)) {
            vtOffenePosten->SetVisible(node, true);
            if (modusF && vtOffenePosten->GetCellValueAsDate(node, s->Spalte_Zahlungsziel()) > FSelectedZahlungsziel) {
                vtOffenePosten->SetVisible(node, false);
                continue;
            }
            if (gepGewaehlt && !IntPairEqual(GepNummerbesorgen(), FSelectedGepNr)) {
                vtOffenePosten->SetVisible(node, false);
                continue;
            }
            if (!mitZentral && Zentralreguliert())
                vtOffenePosten->SetVisible(node, false);
        }
    });
}

void Tfrmmainu::Akutelle_Zahlungsziele_Schreiben()
{
    Guard(__func__, [&] {
        IQEL_ZahlungEditServer* s = FZahlungEditServer.get();
        TVTUpdate u(vtOffenePosten);
        for (TVirtualNode* node = vtOffenePosten->GetFirstVisible(); node;
             node = vtOffenePosten->GetNextVisible(node)) {
            TVRItem& ziel = vtOffenePosten->GetCellValue(node, s->Spalte_Zahlungsziel());
            const int lfd = int(vtOffenePosten->GetCellValueAsInteger(node, s->Spalte_LfdNummer()));
            const int trans = int(vtOffenePosten->GetCellValueAsInteger(node, s->Spalte_TransNummer()));
            const int rechner = int(vtOffenePosten->GetCellValueAsInteger(node, s->Spalte_RechnerNummer()));
            DateTime2VRItem(ziel, FMAhnungEditServer->Aktuelles_Zahlungsziel(rechner, trans, lfd));
        }
    });
}

void Tfrmmainu::cbxzentralregulierungClick()
{
    Guard(__func__, [&] { ZeilenSichtbarkeit_schalten(); });
}

void Tfrmmainu::vtOffenePostenInitNode(TVTVRList* Sender, TVirtualNode* Node)
{
    Guard(__func__, [&] {
        // A blocked item, or one dunned too recently, shows no check box and cannot be checked.
        const bool gesperrt = !Sender->GetCellValueAsString(Node, FZahlungEditServer->Spalte_Mahnsperre()).isEmpty();
        Sender->SetCheckType(Node, gesperrt ? ctNone : ctCheckBox);
        Sender->SetCheckState(Node, csUncheckedNormal);
    });
}

void Tfrmmainu::vtOPPaintText(TVTVRList* Sender, TVirtualNode* Node, int, QColor* Color)
{
    Guard(__func__, [&] {
        if (Ist_Gesperrt(Node))
            *Color = QColor(128, 128, 128);
        else if (Sender->GetCheckState(Node) == csCheckedNormal)
            *Color = QColor(0, 0, 255);
    });
}

void Tfrmmainu::vtOffenePostenDblClick()
{
    Guard(__func__, [&] {
        TVTUpdate u(vtOffenePosten);
        TVirtualNode* node = vtOffenePosten->GetFirstSelected();
        if (!node || Ist_Gesperrt(node))
            return;
        vtOffenePosten->SetCheckState(node, vtOffenePosten->GetCheckState(node) == csCheckedNormal
                                                ? csUncheckedNormal
                                                : csCheckedNormal);
    });
}

void Tfrmmainu::Auswahl_Anzeigen()
{
    Guard(__func__, [&] {
        TVTVRList* vt = vtOffenePosten;
        const int saldo = FZahlungEditServer ? FZahlungEditServer->Spalte_Saldo() : -1;
        int gewaehlt = 0, gelistet = 0;
        qint64 summeCent = 0;  // in cents: 100,000 doubles would drift
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n)) {
            if (vt->GetVisible(n))
                ++gelistet;
            if (vt->GetCheckState(n) == csCheckedNormal) {
                ++gewaehlt;
                if (saldo >= 0)
                    summeCent += qRound64(vt->GetCellValueAsFloat(n, saldo) * 100.0);
            }
        }
        const QLocale de(QLocale::German);
        dspAuswahl->setText(QStringLiteral("%1 Posten ausgewählt, Summe %2 %3 · %4 Posten aufgelistet")
                                .arg(de.toString(gewaehlt), qel_FormatMoney(summeCent / 100.0),
                                     QELProgramm().GetWaehrung(), de.toString(gelistet)));
    });
}

void Tfrmmainu::OffenePostenChecked_Schalten(bool Check)
{
    Guard(__func__, [&] {
        TVTUpdate u(vtOffenePosten);
        for (TVirtualNode* node = vtOffenePosten->GetFirst(); node; node = vtOffenePosten->GetNext(node))
            vtOffenePosten->SetCheckState(
                node, Check && vtOffenePosten->GetVisible(node) && !Ist_Gesperrt(node) ? csCheckedNormal
                                                                                       : csUncheckedNormal);
    });
}

void Tfrmmainu::actAllesWaehlenExecute()
{
    Guard(__func__, [&] { OffenePostenChecked_Schalten(true); });
}

void Tfrmmainu::actAuswahlaufhebenExecute()
{
    Guard(__func__, [&] { OffenePostenChecked_Schalten(false); });
}

void Tfrmmainu::actAuswahlUmkehrenExecute()
{
    Guard(__func__, [&] {
        TVTUpdate u(vtOffenePosten);
        for (TVirtualNode* node = vtOffenePosten->GetFirst(); node; node = vtOffenePosten->GetNext(node)) {
            const bool pruefen =
                vtOffenePosten->GetCheckState(node) == csUncheckedNormal && vtOffenePosten->GetVisible(node) &&
                !Ist_Gesperrt(node);
            vtOffenePosten->SetCheckState(node, pruefen ? csCheckedNormal : csUncheckedNormal);
        }
    });
}

void Tfrmmainu::actAktualisierenExecute()
{
    Guard(__func__, [&] { Offene_Posten_Laden(); });
}

void Tfrmmainu::actMahnungHistorieExecute()
{
    Guard(__func__, [&] {
        TVirtualNode* node = vtOffenePosten->GetFirstSelected();
        if (!node) {
            qel_Meldung(CMeldung_Hinweis, 997, QStringLiteral("Bitte selektieren Sie zunächst eine Zeile."));
            return;
        }
        IQEL_ZahlungEditServer* s = FZahlungEditServer.get();
        auto historie = std::make_unique<TfrmMahnungHistorie>();
        historie->RechnerNummer = int(vtOffenePosten->GetCellValueAsInteger(node, s->Spalte_RechnerNummer()));
        historie->TransNummer = int(vtOffenePosten->GetCellValueAsInteger(node, s->Spalte_TransNummer()));
        historie->LfdNummer = int(vtOffenePosten->GetCellValueAsInteger(node, s->Spalte_LfdNummer()));
        historie->Belegnummer = vtOffenePosten->GetCellValueAsString(node, s->Spalte_Belegnummer());
        historie->Mandant_Bez = FSelectedMandant_Bez;
        historie->Rechnungsdatum = vtOffenePosten->GetCellValueAsDate(node, s->Spalte_Datum());
        historie->GepName = vtOffenePosten->GetCellValueAsString(node, s->Spalte_Gep());
        historie->ShowModal();
    });
}

// --- hand-over -----------------------------------------------------------------

void Tfrmmainu::Uebergabeliste_Erstellen()
{
    Guard(__func__, [&] {
        if (Fuebergabeliste) {
            Fuebergabeliste->RowsClear();
            return;
        }
        Fuebergabeliste = std::make_unique<TVRList>();
        TVRList* l = Fuebergabeliste.get();
        // The editor finds each column through the index kept here.
        const auto spalte = [l](const TVRSpalte& s) {
            l->ColumnAdd(s);
            return l->GetColumnCount() - 1;
        };
        FColGep = spalte({"Geschäftspartner"});
        FColGepNr = spalte({"GeschäftspartnerNr"});
        FColBelegnr = spalte({"Belegnummer"});
        FColDatum = spalte({"Rechnungsdatum", CVR_Date});
        FColSoll = spalte({"Soll", CVR_Number, true});
        FColHaben = spalte({"Haben", CVR_Number, true});
        FColSaldo = spalte({"Saldo", CVR_Number, true, false});
        FColZahlungsziel = spalte({"Zahlbar bis", CVR_Date});
        FColKommentar = spalte({"Kommentar"});
        FColMahnstufe = spalte({"Mahnstufe", CVR_Integer, false, false});
        FColMahngebuehren = spalte({"Mahngebühren", CVR_Number, true, true, 0, true});
        FColVerzugszinsen = spalte({"Verzugszinsen", CVR_Number, true, true, 0, true});
        FColRechnerNummer = spalte({"RechnerNummer", CVR_Integer});
        FColTransNummer = spalte({"TransaktionsNummer", CVR_Integer});
        FColLfdNummer = spalte({"LfdNummer", CVR_Integer});
        FColPauschale = spalte({"Pauschale", CVR_Number, true, true, 0, true});
    });
}

void Tfrmmainu::GewaehltePostenListe_fuellen(int Row)
{
    qel_Guard(QStringLiteral("GewaehltePostenListe_fuellen"), [&] {
        TVRList* quelle = FZahlungEditServer->OffenePosten_Liste();
        IQEL_ZahlungEditServer* s = FZahlungEditServer.get();
        const int zeilen = Fuebergabeliste->GetRowCount();
        const qint64 mahnstufe = quelle->GetCellValueAsInteger(Row, s->Spalte_Mahnstufe());
        const double gebuehr = FMahnEinstellungen.Gebuehr(int(mahnstufe));
        std::vector<TVRItem> werte{
            TVRItem(quelle->GetCellValueAsString(Row, s->Spalte_Gep())),
            TVRItem(quelle->GetCellValueAsString(Row, s->Spalte_GepNr())),
            TVRItem(quelle->GetCellValueAsString(Row, s->Spalte_Belegnummer())),
            TVRItem(quelle->GetCellValueAsDate(Row, s->Spalte_Datum())),
            TVRItem(quelle->GetCellValueAsFloat(Row, s->Spalte_Soll())),
            TVRItem(quelle->GetCellValueAsFloat(Row, s->Spalte_Haben())),
            TVRItem(quelle->GetCellValueAsFloat(Row, s->Spalte_Saldo())),
            TVRItem(qint64(0)),
            TVRItem(quelle->GetCellValueAsString(Row, s->Spalte_Kommentar())),
            TVRItem(mahnstufe),
            TVRItem(gebuehr),
            TVRItem(qint64(0)),
            TVRItem(quelle->GetCellValueAsInteger(Row, s->Spalte_RechnerNummer())),
            TVRItem(quelle->GetCellValueAsInteger(Row, s->Spalte_TransNummer())),
            TVRItem(quelle->GetCellValueAsInteger(Row, s->Spalte_LfdNummer())),
            TVRItem(0.0),
        };
        Fuebergabeliste->RowAdd(werte, int(werte.size()) - 1, zeilen);
    });
}

void Tfrmmainu::actWeiterExecute()
{
    Guard(__func__, [&] {
        auto editor = std::make_unique<TfrmMahnungSchreiben>();
        Uebergabeliste_Erstellen();
        TVirtualNode* node = vtOffenePosten->GetFirstChecked(csCheckedNormal);
        if (!node) {
            qel_Meldung(CMeldung_Hinweis, 994, QStringLiteral("Bitte mindestens einen Offenen Posten selektieren!"));
            return;
        }
        if (!Fuebergabeliste)
            return;
        FMahnEinstellungen = FMAhnungEditServer->Mahneinstellungen(FSelectedMandant);
        for (; node; node = vtOffenePosten->GetNextChecked(node, csCheckedNormal))
            GewaehltePostenListe_fuellen(vtOffenePosten->GetNodeData(node)->RowNr - 1);

        editor->SetGewaehltePosten(Fuebergabeliste.get());
        editor->SetSelectedMandant(FSelectedMandant);
        editor->SetSelectedGepNr(FSelectedGepNr);
        editor->SetSelectedOrgeNr(CLeeresIntPair);
        editor->SetGepName(FGepName);
        editor->SetSelectedMandant_Bez(FSelectedMandant_Bez);
        editor->SetColGep(FColGep);
        editor->SetColGepNr(FColGepNr);
        editor->SetColBelegNr(FColBelegnr);
        editor->SetColDatum(FColDatum);
        editor->SetColSoll(FColSoll);
        editor->SetColHaben(FColHaben);
        editor->SetColSaldo(FColSaldo);
        editor->SetColZahlbarbis(FColZahlungsziel);
        editor->SetColKommentar(FColKommentar);
        editor->SetColMahnstufe(FColMahnstufe);
        editor->SetColMahngebuehren(FColMahngebuehren);
        editor->SetColVerzugszins(FColVerzugszinsen);
        editor->SetColRNr(FColRechnerNummer);
        editor->SetColTRansNr(FColTransNummer);
        editor->SetColLNr(FColLfdNummer);
        editor->SetColPauschale(FColPauschale);
        if (editor->ShowModal() == mrOk) {
            Maske_Aktualisieren();
            Offene_Posten_Laden();
        }
    });
}

void Tfrmmainu::actZurueckExecute()
{
    Guard(__func__, [&] { SetModalResult(mrCancel); });
}
