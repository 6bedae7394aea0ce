// Dunning editor: building the dunning documents and booking them.
#include "mahnungschreiben.h"
#include "suite/ui/dialogs/wartemaske.h"
#include "suite/ui/vtupdate.h"

void TfrmMahnungSchreiben::actBuchenExecute()
{
    Guard(__func__, [&] {
        if (FGebucht)
            return;  // a second booking of the same items would dun them twice
        Text_uebernehmen();
        if (FMahnungsText.isEmpty() &&
            qel_Meldung(CMeldung_Frage, 981, QStringLiteral("Es wurde kein Text geschrieben. Trotzdem buchen?")) != mrYes)
            return;
        if (!MahnungsStruktur_fuellen()) {
            qel_Meldung(CMeldung_Hinweis, 991, QStringLiteral("Buchen fehlgeschlagen!"));
            return;
        }
        bool gebucht = false;
        {
            TfrmWartemaske warten;
            warten.Zeigen(FMahnungen.size() == 1 ? QStringLiteral("Die Mahnung wird gebucht ...")
                                                 : QStringLiteral("%1 Mahnungen werden gebucht ...").arg(FMahnungen.size()));
            gebucht = FMahnungEditServer->Mahnungen_Buchen(FMahnungen);
        }
        if (!gebucht)
            return;
        // The booking is committed: enter the booked state before anything else can fail.
        FGebucht = true;
        FGebuchteMahnungen = FMahnungen;
        btnUebernehmen->setVisible(false);
        btnUebernehmen->setEnabled(false);
        btnDrucken->setVisible(true);
        btnDrucken->setEnabled(true);
        // Booked values are final: a later print must show what was booked.
        Eingaben_Schalten(false);
        if (!FMahnungen.empty()) {
            FLfdNr = FMahnungen.front().LfdNr;
            FWirtschaftsJahr = FMahnungen.front().WirtschaftsJahr;
            FRNr = FMahnungen.front().RNr;
        }
        Gebucht_Anzeigen();
        if (qel_Meldung(CMeldung_Frage, 981,
                        QStringLiteral("Die Mahnungen wurden gebucht.\r\nSollen sie auch gedruckt werden?")) == mrYes)
            Drucken_Struktur();
    });
}

bool TfrmMahnungSchreiben::MahnungsStruktur_fuellen()
{
    bool ergebnis = false;
    Guard(__func__, [&] {
        FMahnungen.clear();
        TDateTime mahnungsdatum = 0, beruecksichtigt = 0;
        if (!edtMahnungsdatum->Lesen(mahnungsdatum, QStringLiteral("Fehler beim Lesen des Mahnungsdatums.")))
            return;
        if (!edtBeruecksichtigt->Lesen(beruecksichtigt, QStringLiteral("Fehler beim Lesen des Berücksichtigungs-Datums.")))
            return;

        auto Ist_Schon_Drin = [&](const TIntPair& gep) {
            int index = -1;
            qel_Guard(QStringLiteral("Ist_Schon_Drin"), [&] {
                for (size_t i = 0; i < FMahnungen.size() && index < 0; ++i)
                    if (IntPairEqual(FMahnungen[i].GepNr, gep))
                        index = int(i);
            });
            return index;
        };
        auto Position_Einfuegen = [&](int index, const TQEL_Mahnung_Belegpositionen& pos) {
            qel_Guard(QStringLiteral("Position_Einfuegen"), [&] { FMahnungen.at(size_t(index)).Positionen.push_back(pos); });
        };

        const bool schreiben = FModus == CQEL_Mahnungen_Schreiben;
        TVTVRList* vt = vtGewaehltePosten;
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n)) {
            TQEL_Mahnung_Belegpositionen pos;
            Init_TQEL_Mahnung_Belegpositionen(pos);
            const TIntPair gep = schreiben ? qel_String2TIntPair(vt->GetCellValueAsString(n, FColGepNr)) : FSelectedGepNr;
            // A reprint names the same contact person as the letter did: it comes from the item.
            TIntTrio trio;
            if (Posten_Trio(n, trio)) {
                pos.RNr = trio.RechnerNummer;
                pos.TransNr = trio.TransaktionsNummer;
                pos.LfdNr = trio.LfdNummer;
            }
            pos.ZahlbarBis = vt->GetCellValueAsDate(n, FColZahlbarbis);
            // After booking the list shows the new levels already.
            pos.Mahnstufe = int32_t(vt->GetCellValueAsInteger(n, FColMahnstufe)) + (schreiben && !FGebucht ? 1 : 0);
            pos.Saldo = vt->GetCellValueAsFloat(n, FColSaldo);
            pos.Mahngebuehren = vt->GetCellValueAsFloat(n, FColMahngebuehren);
            pos.Verzugszins = vt->GetCellValueAsFloat(n, FColVerzugszins);
            pos.Belegnummer = vt->GetCellValueAsString(n, FColBelegNr);
            pos.Belegdatum = vt->GetCellValueAsDate(n, FColDatum);
            if (Hat_Pauschale())
                pos.Pauschale = vt->GetCellValueAsFloat(n, FColPauschale);

            int index = Ist_Schon_Drin(gep);
            if (index < 0) {
                TQEL_Mahnung_Beleg beleg;
                beleg.Mandant = FSelectedMandant;
                beleg.GepNr = gep;
                // The organisation is the same for all items of a partner: asked once per document.
                if (!schreiben)
                    beleg.OrgeNr = FSelectedOrgeNr;
                else if (!FGPListenServer->Gep_Lesen(gep, beleg.OrgeNr))
                    throw EQELError(QStringLiteral("Der Geschäftspartner des Belegs %1 ist nicht bekannt.")
                                        .arg(pos.Belegnummer));
                beleg.Mahnungsdatum = mahnungsdatum;
                beleg.Beruecksichtigt = beruecksichtigt;
                beleg.MahnungsText = FMahnungsText;
                FMahnungen.push_back(std::move(beleg));
                index = int(FMahnungen.size()) - 1;
            }
            Position_Einfuegen(index, pos);
        }

        if (schreiben && FGebucht) {
            // Each letter keeps the number its own document was booked with.
            for (TQEL_Mahnung_Beleg& beleg : FMahnungen)
                for (const TQEL_Mahnung_Beleg& gebucht : FGebuchteMahnungen)
                    if (IntPairEqual(gebucht.GepNr, beleg.GepNr)) {
                        beleg.LfdNr = gebucht.LfdNr;
                        beleg.WirtschaftsJahr = gebucht.WirtschaftsJahr;
                        beleg.RNr = gebucht.RNr;
                        break;
                    }
        } else if ((FRNr != 0 || FLfdNr != 0 || FWirtschaftsJahr != 0) && !FMahnungen.empty()) {
            FMahnungen.front().LfdNr = FLfdNr;
            FMahnungen.front().WirtschaftsJahr = FWirtschaftsJahr;
            FMahnungen.front().RNr = FRNr;
        }
        ergebnis = true;
    });
    return ergebnis;
}

void TfrmMahnungSchreiben::Gebucht_Anzeigen()
{
    Guard(__func__, [&] {
        if (FGebuchteMahnungen.empty())
            return;
        const auto nummer = [](const TQEL_Mahnung_Beleg& m) {
            return QStringLiteral("AOP %1-%2 %3").arg(m.LfdNr).arg(m.WirtschaftsJahr).arg(m.RNr);
        };
        const size_t n = FGebuchteMahnungen.size();
        QString text = n == 1 ? QStringLiteral("1 Mahnung gebucht: ") + nummer(FGebuchteMahnungen.front())
                              : QStringLiteral("%1 Mahnungen gebucht: %2 bis %3")
                                    .arg(n)
                                    .arg(nummer(FGebuchteMahnungen.front()), nummer(FGebuchteMahnungen.back()));
        dspGebucht->setText(text);
        dspGebucht->setVisible(true);
        // The items now stand at their new dunning level.
        TVTVRList* vt = vtGewaehltePosten;
        TVTUpdate u(vt);
        for (TVirtualNode* k = vt->GetFirst(); k; k = vt->GetNext(k))
            vt->GetCellValue(k, FColMahnstufe) = TVRItem(vt->GetCellValueAsInteger(k, FColMahnstufe) + 1);
    });
}

bool TfrmMahnungSchreiben::Posten_Trio(TVirtualNode* zeile, TIntTrio& trio)
{
    TVTVRList* vt = vtGewaehltePosten;
    if (FModus == CQEL_Mahnungen_Schreiben) {
        trio = {int32_t(vt->GetCellValueAsInteger(zeile, FColRNr)), int32_t(vt->GetCellValueAsInteger(zeile, FColTransNr)),
                int32_t(vt->GetCellValueAsInteger(zeile, FColLNr))};
        return true;
    }
    // The booked dunning's positions as the dunning server lists them carry their open items.
    IQEL_MahnungEditServer* s = FMahnungEditServer.get();
    const int spalteLfdNr = s->PosSpalte_LfdNr();
    if (!FGewaehltePosten || FGewaehltePosten->GetColumnCount() <= spalteLfdNr ||
        FGewaehltePosten->Column(spalteLfdNr).Name != s->Positionen_Liste()->Column(spalteLfdNr).Name)
        return false;
    trio = {int32_t(vt->GetCellValueAsInteger(zeile, s->PosSpalte_RNr())),
            int32_t(vt->GetCellValueAsInteger(zeile, s->PosSpalte_TransNr())), int32_t(vt->GetCellValueAsInteger(zeile, spalteLfdNr))};
    return true;
}
