// Dunning editor: text blocks and the letter text with its date placeholders.
#include "mahnungschreiben.h"

#include "suite/ui/dialogs/kopftextpopup.h"
#include "suite/ui/programm.h"
#include "suite/ui/vtupdate.h"
#include "suite/reports/briefsatz.h"
#include "suite/core/servers/beleghelper.h"

#include <algorithm>

namespace {
const QString& kHeute = Platzhalter::Heute;
const QString& kBeruecksichtigt = Platzhalter::Beruecksichtigt;

// The block dialog as the editor uses it, for creating and editing alike.
std::unique_ptr<Tkopftextpopupfrm> bausteinDialog(const QString& caption)
{
    auto dlg = std::make_unique<Tkopftextpopupfrm>();
    dlg->SetMitKurztext(true);
    dlg->SetMitPlatzhaltern(true);
    dlg->SetCaption(caption);
    return dlg;
}
}  // namespace

void TfrmMahnungSchreiben::Textbausteine_Laden()
{
    Guard(__func__, [&] {
        vtTextbausteine->ListeLoesen();
        if (!FMahnungEditServer->Textbausteine_Abfragen())
            return;
        TVTUpdate u(vtTextbausteine);
        vtTextbausteine->ListeBinden(FMahnungEditServer->Textbausteine_Liste());
        Spaltensichtbarkeit_Schalten_Textbausteine();
    });
}

void TfrmMahnungSchreiben::Textbaustein_Vorwaehlen()
{
    qel_Guard(QStringLiteral("Textbaustein_Vorwaehlen"), [&] {
        if (FEinstellungen.TextbausteinJeStufe.empty())
            return;
        int stufe = 0;
        TVTVRList* liste = vtGewaehltePosten;
        for (TVirtualNode* n = liste->GetFirst(); n; n = liste->GetNext(n))
            stufe = std::max(stufe, int(liste->GetCellValueAsInteger(n, FColMahnstufe)) + 1);
        const TIntPair id = FEinstellungen.Textbaustein(stufe);
        if (!IntPairDefined(id))
            return;
        const int spalte = FMahnungEditServer->Spalte_TB_ID();
        TVTVRList* vt = vtTextbausteine;
        // A block deleted since the client chose it is simply not preselected.
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
            if (IntPairEqual(qel_String2TIntPair(vt->GetCellValueAsString(n, spalte)), id)) {
                vt->SetSelected(n, true);
                return;
            }
    });
}

void TfrmMahnungSchreiben::Spaltensichtbarkeit_Schalten_Textbausteine()
{
    Guard(__func__, [&] {
        vtTextbausteine->Columns().GetItem(FMahnungEditServer->Spalte_TB_Kurztext()).SetWidth(147);
    });
}

void TfrmMahnungSchreiben::vtTextbausteineChange(TVTVRList* Sender, TVirtualNode* Node)
{
    Guard(__func__, [&] {
        Auswahl_Festigen(Sender, Node);
        Textbaustein_uebernehmen();
        Text_Anzeigen();
    });
}

void TfrmMahnungSchreiben::Textbaustein_uebernehmen()
{
    Guard(__func__, [&] {
        TVirtualNode* n = vtTextbausteine->GetFirstSelected();
        FMahnungsText = n ? vtTextbausteine->GetCellValueAsString(n, FMahnungEditServer->Spalte_TB_Text()) : QString();
    });
}

void TfrmMahnungSchreiben::vtTextbausteineDblClick() { Textbaustein_Bearbeiten(); }

TfrmMahnungSchreiben::TPlatzhalterWerte TfrmMahnungSchreiben::Platzhalter_Werte()
{
    TPlatzhalterWerte w;
    Guard(__func__, [&] {
        TVTVRList* vt = vtGewaehltePosten;
        TVirtualNode* erster = vt->GetFirst();
        if (!erster)
            return;
        const bool schreiben = FModus == CQEL_Mahnungen_Schreiben;
        const QString gep = schreiben ? vt->GetCellValueAsString(erster, FColGepNr) : QString();
        TDateTime ziel = 0;
        for (TVirtualNode* n = erster; n; n = vt->GetNext(n)) {
            if (schreiben && vt->GetCellValueAsString(n, FColGepNr) != gep)
                return;
            ziel = std::max(ziel, vt->GetCellValueAsDate(n, FColZahlbarbis));
        }
        if (ziel > 0)
            w.Zahlungsziel = DateToStr(ziel);
        w.Gesamtbetrag = qel_FormatMoney(FGesamt) + QLatin1Char(' ') + QELProgramm().GetWaehrung();
        // The debtor's contact person is the one named on the first item, as in the letter; a booked
        // dunning's positions name their items too.
        TIntTrio trio;
        if (!Posten_Trio(erster, trio))
            return;
        const QString schluessel = QStringLiteral("%1/%2/%3").arg(trio.RechnerNummer).arg(trio.TransaktionsNummer).arg(trio.LfdNummer);
        if (schluessel != FAnredeFuer) {
            TKontaktperson k;
            IQEL_BelegEditServer* belege = GBelegHelper().BelegEditServerExtern2_GoC();
            if (belege->Beleg_Laden(PairAusTrio(trio), int16_t(trio.LfdNummer))) {
                IQEL_SystemServerRef system;
                Glob_WWSServerFactoryClass().SystemServer_Holen(system);
                system->Kontaktperson_Lesen(belege->Beleg_Daten().Kopf.Kontaktperson, k);
                Glob_WWSServerFactoryClass().SystemServer_Freigeben(system);
            }
            FAnrede = qel_Briefanrede(k.Anrede, k.Nachname);
            FAnredeFuer = schluessel;
        }
        w.Anrede = FAnrede;
    });
    return w;
}

void TfrmMahnungSchreiben::Text_Anzeigen()
{
    Guard(__func__, [&] {
        QString text = FMahnungsText;
        // A booked dunning shows the text as it was sent: "today" was its dunning date.
        text.replace(kHeute, DateToStr(FModus == CQEL_Mahnung_Lesen ? FMahnungsdatum : qel_Now()));
        text.replace(kBeruecksichtigt, DateToStr(FBeruecksichtigt));
        const TPlatzhalterWerte w = Platzhalter_Werte();
        if (!w.Anrede.isEmpty())
            text.replace(Platzhalter::Anrede, w.Anrede);
        if (!w.Zahlungsziel.isEmpty())
            text.replace(Platzhalter::Zahlungsziel, w.Zahlungsziel);
        if (!w.Gesamtbetrag.isEmpty())
            text.replace(Platzhalter::Gesamtbetrag, w.Gesamtbetrag);
        redtKopfText->setPlainText(text);
    });
}

void TfrmMahnungSchreiben::Text_uebernehmen()
{
    Guard(__func__, [&] {
        // The considered date first: a date that is also today becomes "#Berücksichtigt".
        QString text = redtKopfText->PlainText();
        text.replace(DateToStr(FBeruecksichtigt), kBeruecksichtigt);
        const TPlatzhalterWerte w = Platzhalter_Werte();
        if (!w.Zahlungsziel.isEmpty())
            text.replace(w.Zahlungsziel, Platzhalter::Zahlungsziel);
        text.replace(DateToStr(qel_Now()), kHeute);
        if (!w.Gesamtbetrag.isEmpty())
            text.replace(w.Gesamtbetrag, Platzhalter::Gesamtbetrag);
        if (!w.Anrede.isEmpty())
            text.replace(w.Anrede, Platzhalter::Anrede);
        FMahnungsText = text;
    });
}

void TfrmMahnungSchreiben::redtKopfTextExit(QObject*)
{
    Guard(__func__, [&] { Text_uebernehmen(); });
}

void TfrmMahnungSchreiben::btnPlatzhalterClick()
{
    Guard(__func__, [&] {
        const QString zeilen =
            QLatin1Char('\'') + kHeute + QStringLiteral("' wird zum heutigen Datum.\r\n") + QLatin1Char('\'') +
            kBeruecksichtigt + QStringLiteral("' wird zum Berücksichtigungsdatum.\r\n") + QLatin1Char('\'') +
            Platzhalter::Anrede + QStringLiteral("' wird zur Anrede des Ansprechpartners beim Kunden.\r\n") +
            QLatin1Char('\'') + Platzhalter::Zahlungsziel + QStringLiteral("' wird zum spätesten neuen Zahlungsziel.\r\n") +
            QLatin1Char('\'') + Platzhalter::Gesamtbetrag + QStringLiteral("' wird zum zu zahlenden Gesamtbetrag.\r\n") +
            QLatin1Char('\'') + Platzhalter::Aufstellung +
            QStringLiteral("' markiert, wo im Brief die Aufstellung der Rechnungen steht.\r\n");
        QELHinweisBox(zeilen, QStringLiteral("Platzhalter:"));
    });
}

bool TfrmMahnungSchreiben::Textbaustein_testen(const QString& Kurztext, const QString& Text,
                                               TVirtualNode* Bearbeitet)
{
    bool ergebnis = false;
    Guard(__func__, [&] {
        auto Kurztext_Vorhanden = [&](const QString& kurz, TVirtualNode* auslassen) {
            bool vorhanden = false;
            qel_Guard(QStringLiteral("Kurztext_Vorhanden"), [&] {
                const int spalte = FMahnungEditServer->Spalte_TB_Kurztext();
                TVTVRList* vt = vtTextbausteine;
                for (TVirtualNode* n = vt->GetFirst(); n && !vorhanden; n = vt->GetNext(n))
                    vorhanden = n != auslassen && qel_strmatch(vt->GetCellValueAsString(n, spalte), kurz);
            });
            return vorhanden;
        };
        if (Kurztext.trimmed().isEmpty()) {
            qel_Meldung(CMeldung_Hinweis, 994, QStringLiteral("Der Kurztext darf nicht leer sein!"));
            return;
        }
        if (Kurztext_Vorhanden(Kurztext, Bearbeitet)) {
            qel_Meldung(CMeldung_Hinweis, 994, QStringLiteral("Der Kurztext ist bereits vorhanden!"));
            return;
        }
        if (Text.isEmpty() &&
            qel_Meldung(CMeldung_Frage, 981, QStringLiteral("Der Text ist leer. Trotzdem speichern?")) != mrYes)
            return;
        ergebnis = true;
    });
    return ergebnis;
}

void TfrmMahnungSchreiben::btnneuClick()
{
    Guard(__func__, [&] {
        auto dlg = bausteinDialog(QStringLiteral("Neuen Textbaustein erstellen"));
        if (dlg->ShowModal() != mrOk)
            return;
        while (!Textbaustein_testen(dlg->Kurztext(), dlg->Text(), nullptr))
            if (dlg->ShowModal() == mrCancel)
                return;
        const QString kurztext = dlg->Kurztext();
        if (FMahnungEditServer->Textbaustein_Anlegen(kurztext, dlg->Text()))
            qel_Meldung(CMeldung_Hinweis, 997, QStringLiteral("Buchen des Textbausteins erfolgreich."));
        Textbausteine_Laden();
        Baustein_Selektieren_Kurztext(kurztext);
        Text_Anzeigen();
    });
}

void TfrmMahnungSchreiben::Baustein_Selektieren_Kurztext(const QString& Kurztext)
{
    Guard(__func__, [&] {
        const int spalte = FMahnungEditServer->Spalte_TB_Kurztext();
        TVTVRList* vt = vtTextbausteine;
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
            if (qel_strmatch(vt->GetCellValueAsString(n, spalte), Kurztext)) {
                vt->SetSelected(n, true);
                vt->scrollTo(vt->model()->index(vt->DisplayRow(n), 0));
                return;
            }
    });
}

void TfrmMahnungSchreiben::btnbearbeitenClick()
{
    Guard(__func__, [&] {
        if (!vtTextbausteine->GetFirstSelected()) {
            qel_Meldung(CMeldung_Hinweis, 994, QStringLiteral("Bitte selektieren Sie zunächst einen Textbaustein."));
            return;
        }
        Textbaustein_Bearbeiten();
    });
}

void TfrmMahnungSchreiben::Textbaustein_Bearbeiten()
{
    Guard(__func__, [&] {
        TVirtualNode* n = vtTextbausteine->GetFirstSelected();
        if (!n)
            return;
        auto dlg = bausteinDialog(QStringLiteral("Textbaustein Bearbeiten"));
        dlg->SetKurztext(vtTextbausteine->GetCellValueAsString(n, FMahnungEditServer->Spalte_TB_Kurztext()));
        dlg->SetText(vtTextbausteine->GetCellValueAsString(n, FMahnungEditServer->Spalte_TB_Text()));
        if (dlg->ShowModal() != mrOk)
            return;
        while (!Textbaustein_testen(dlg->Kurztext(), dlg->Text(), n))
            if (dlg->ShowModal() == mrCancel)
                return;
        const TIntPair id =
            qel_String2TIntPair(vtTextbausteine->GetCellValueAsString(n, FMahnungEditServer->Spalte_TB_ID()));
        if (FMahnungEditServer->Textbaustein_Aendern(id, dlg->Kurztext(), dlg->Text()))
            qel_Meldung(CMeldung_Hinweis, 997, QStringLiteral("Buchen des Textbausteins erfolgreich."));
        Textbausteine_Laden();
        Baustein_Selektieren(id);
    });
}

void TfrmMahnungSchreiben::Baustein_Selektieren(const TIntPair& Id)
{
    Guard(__func__, [&] {
        const int spalte = FMahnungEditServer->Spalte_TB_ID();
        TVTVRList* vt = vtTextbausteine;
        for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
            if (IntPairEqual(qel_String2TIntPair(vt->GetCellValueAsString(n, spalte)), Id)) {
                vt->SetSelected(n, true);
                vt->scrollTo(vt->model()->index(vt->DisplayRow(n), 0));
                Text_Anzeigen();
                return;
            }
        qel_Meldung(CMeldung_Hinweis, 994, QStringLiteral("Es existiert kein Textbaustein mit dieser Protokollnummer"));
        redtKopfText->clear();
    });
}

void TfrmMahnungSchreiben::btnloeschenClick()
{
    Guard(__func__, [&] {
        TVirtualNode* n = vtTextbausteine->GetFirstSelected();
        if (!n) {
            qel_Meldung(CMeldung_Hinweis, 994, QStringLiteral("Bitte zunächst einen Textbaustein selektieren!"));
            return;
        }
        const QString kurz = vtTextbausteine->GetCellValueAsString(n, FMahnungEditServer->Spalte_TB_Kurztext());
        if (qel_Meldung(CMeldung_Frage, 981, QStringLiteral("Textbaustein ") + kurz + QStringLiteral(" wirklich löschen?")) ==
            mrYes)
            TextbausteinLoeschen();
    });
}

void TfrmMahnungSchreiben::TextbausteinLoeschen()
{
    Guard(__func__, [&] {
        TVirtualNode* n = vtTextbausteine->GetFirstSelected();
        if (!n)
            return;
        const TIntPair id =
            qel_String2TIntPair(vtTextbausteine->GetCellValueAsString(n, FMahnungEditServer->Spalte_TB_ID()));
        if (!FMahnungEditServer->Textbaustein_Entfernen(id)) {
            qel_Meldung(CMeldung_Hinweis, 994, QStringLiteral("Fehler beim Löschen des Textbausteins!"));
            return;
        }
        qel_Meldung(CMeldung_Hinweis, 997, QStringLiteral("Der Textbaustein wurde gelöscht!"));
        Textbausteine_Laden();
        FMahnungsText.clear();
        Maske_Aktualisieren();
    });
}

void TfrmMahnungSchreiben::actloeschenExecute()
{
    Guard(__func__,
              [&] { qel_Meldung(CMeldung_Hinweis, 997, QStringLiteral("Noch nicht implementiert!")); });
}
