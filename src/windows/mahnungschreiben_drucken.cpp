// Dunning editor: printing the letters.
#include "mahnungschreiben.h"
#include "suite/ui/dialogs/wartemaske.h"

#include "suite/ui/dialogs/layoutform.h"
#include "suite/ui/orgemerkmale.h"
#include "suite/ui/programm.h"
#include "suite/reports/crystalrdcn.h"
#include "suite/core/servers/beleghelper.h"

#include <algorithm>

namespace {

const QString kPrgId = QStringLiteral("MAHNUNG");
const QString kErinnerung = QStringLiteral("Zahlungserinnerung");
const QString kMahnung = QStringLiteral("Mahnung");

// The print row and the text pieces expect Windows line ends, whatever the edit control gives.
QString briefText(const QTextEdit* edit)
{
    QString t = edit->toPlainText();
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return t;
}

std::unique_ptr<TZIM_SelectedLayout> Layout_Waehlen()
{
    TZIM_SelectedLayout_List liste;
    TZIM_LayoutDialog_InputData eingabe;
    eingabe.Init();
    eingabe.Ordner = C_QELFolder_Value(qfBerichte);
    eingabe.TitelEinstellungen = QStringLiteral("Einstellungen");
    eingabe.Ueberschrift = QStringLiteral("Druckoptionen der Mahnung");
    eingabe.TitelLayouts = QStringLiteral("Gestaltungsstypen");
    eingabe.Optionen = 0x12;
    eingabe.Arten = QStringList{QStringLiteral("KMAHN")};
    {
        auto dialog = std::make_unique<TLayoutform>();
        dialog->Execute(eingabe, liste);
    }
    if (liste.empty())
        throw EQELError(QStringLiteral("Es wurde kein Drucklayout gewählt. Die Mahnung wird nicht gedruckt."));
    return std::move(liste.front());
}

struct TDruckArten {
    bool Erinnerung = false;
    bool Mahnung = false;
};

TDruckArten Positionen_Schreiben(IQEL_PrintEditServer& server, int auftrag, const TQEL_Mahnung_Beleg& beleg)
{
    TDruckArten arten;
    TMOLA_PrintEditServer_Record zeile;
    for (const TQEL_Mahnung_Belegpositionen& pos : beleg.Positionen) {
        const bool erinnerung = pos.Mahnstufe == 1;
        (erinnerung ? arten.Erinnerung : arten.Mahnung) = true;
        zeile.Clear();
        zeile.PrgId = kPrgId;
        zeile.Auftrag = auftrag;
        zeile.Mahnstufe = pos.Mahnstufe;
        zeile.Saldo = pos.Saldo;
        zeile.Mahngebuehren = pos.Mahngebuehren;
        zeile.Verzugszins = pos.Verzugszins;
        zeile.Pauschale = pos.Pauschale;
        zeile.Belegnummer = pos.Belegnummer;
        zeile.Belegdatum = DateToStr(pos.Belegdatum);
        zeile.ZahlbarBis = DateToStr(pos.ZahlbarBis);
        zeile.Art = erinnerung ? kErinnerung : kMahnung;
        server.Druckdaten_Schreiben(zeile);
    }
    return arten;
}

void Textzeile_Schreiben(IQEL_PrintEditServer& server, int auftrag, const QString& text)
{
    TMOLA_PrintEditServer_Record zeile;
    zeile.Clear();
    zeile.PrgId = kPrgId;
    zeile.Auftrag = auftrag;
    zeile.Belegnummer = QStringLiteral("BLOB");
    for (int i = 0; i < 6; ++i)
        zeile.Text[i] = TfrmMahnungSchreiben::getBlobText(text, i);
    zeile.GanzerText = text;
    server.Druckdaten_Schreiben(zeile);
}

QString Beschreibung(const TDruckArten& arten)
{
    QString b;
    if (arten.Erinnerung) {
        b += kErinnerung;
        if (arten.Mahnung)
            b += QStringLiteral(" / ");
    }
    if (arten.Mahnung)
        b += kMahnung;
    return b;
}

TIntPair Kontaktperson_Schuldner(const TQEL_Mahnung_Beleg& beleg)
{
    TIntPair kontakt;
    kontakt.Clear();
    if (beleg.Positionen.empty())
        return kontakt;
    const TQEL_Mahnung_Belegpositionen& erste = beleg.Positionen.front();
    const TIntTrio trio{erste.RNr, erste.TransNr, erste.LfdNr};
    if (GBelegHelper().BelegEditServerExtern2_GoC()->Beleg_Laden(PairAusTrio(trio), erste.LfdNr))
        kontakt = GBelegHelper().BelegEditServerExtern2_GoC()->Beleg_Daten().Kopf.Kontaktperson;
    return kontakt;
}

struct TAbsender {
    TIntPair OrgeNr;
    TIntPair Kontaktperson;
    QString LogoName;
};

TAbsender Absender_Ermitteln(const TQEL_Mahnung_Beleg& beleg, IQEL_GPListenServer& gpServer,
                             std::unique_ptr<TQEL_OrgeMerkmaleDM>& merkmaleDM)
{
    TAbsender a;
    // A document without a number has no computer, hence no branch.
    const int filiale = beleg.RNr > 0 ? RVRTab().GetRNrUmfang(beleg.RNr).Filiale : 0;
    if (filiale > 0) {
        gpServer.Gep_Lesen_Umfang(beleg.Mandant, filiale, a.OrgeNr);
        if (!merkmaleDM)
            merkmaleDM = std::make_unique<TQEL_OrgeMerkmaleDM>();
        TQEL_OrgeMerkmale m;
        merkmaleDM->OrgeMerkmale_Lesen(beleg.Mandant, a.OrgeNr, m);
        a.LogoName = m.LogoName.trimmed();
        a.Kontaktperson = m.Kontaktperson;
    } else {
        gpServer.Gep_Lesen(beleg.Mandant, a.OrgeNr);
    }
    return a;
}

// The setting as millimetres: a German decimal number, 0 when it is none.
double Rand_mm(const TZIM_SelectedLayout& layout, const QString& name)
{
    const double mm = qel_StrToFloatDef(layout.Wert(name).trimmed(), 0);
    // Far beyond any sheet; kept in range so the report can refuse it instead of overflowing.
    return std::clamp(mm, -1000.0, 1000.0);
}

void Raender_Setzen(IReport& report, const TZIM_SelectedLayout& layout)
{
    report.Set_TopMargin(qel_mmToTwips(Rand_mm(layout, QStringLiteral("ObererRand"))));
    report.Set_LeftMargin(qel_mmToTwips(Rand_mm(layout, QStringLiteral("LinkerRand"))));
    report.Set_BottomMargin(qel_mmToTwips(Rand_mm(layout, QStringLiteral("UntererRand"))));
}

QString Zahl(int v) { return QString::number(v); }

}  // namespace

void TfrmMahnungSchreiben::actDruckenExecute()
{
    Guard(__func__, [&] {
        MahnungsStruktur_fuellen();
        Drucken_Struktur();
    });
}

void TfrmMahnungSchreiben::Drucken_Struktur()
{
    const QString kontext = Kontext(__func__);
    qel_Guard(kontext, [&] {
        if (FMahnungen.size() >= 2
            && qel_Meldung(CMeldung_Frage, 981,
                           QStringLiteral("Es sind Offene Posten zu mehr als einem Geschäftspartner\rgewählt. Keine "
                                          "Druckvorschau möglich! Trotzdem drucken?"))
                   != mrYes)
            return;
        if (!FPrintEditServer)
            Glob_WWSServerFactoryClass().PrintEditServer_Holen(FPrintEditServer);
        const QString text = briefText(redtKopfText);

        TfrmWartemaske warten;
        int nummer = 0;
        for (const TQEL_Mahnung_Beleg& beleg : FMahnungen) {
            ++nummer;
            auto bericht = std::make_unique<TCrystalRDCn>(nullptr);
            const std::unique_ptr<TZIM_SelectedLayout> layout = Layout_Waehlen();
            const int auftrag = FPrintEditServer->Druckauftrag_Beginnen(kPrgId);
            try {
                const TDruckArten arten = Positionen_Schreiben(*FPrintEditServer, auftrag, beleg);
                Textzeile_Schreiben(*FPrintEditServer, auftrag, text);
                bericht->Clear();
                const QString beschreibung = Beschreibung(arten);
                const TDBFFiles_4_Crystal dateien = FPrintEditServer->Druck_Kennung();
                bericht->SetReport(GetDirWwsByName(qfBerichte, layout->Berichtsdatei, true), true, dateien);
                const QString belegnummer = Formatiere_Belegnummer_String(
                    QStringLiteral("AOP"), beleg.LfdNr, beleg.WirtschaftsJahr, beleg.RNr, 0, QString(), 0);
                const TIntPair schuldnerKontakt = Kontaktperson_Schuldner(beleg);
                const TAbsender absender = Absender_Ermitteln(beleg, *FGPListenServer, FOrgeMerkmaleDM);

                TQELReport* r = bericht->GetReport(0);
                r->SetParameter(QStringLiteral("Param_Beleg_Beschreibung"), beschreibung);
                r->SetParameter(QStringLiteral("Param_PRG_ID"), kPrgId);
                r->SetParameter(QStringLiteral("Param_Session_ID"), Zahl(auftrag));
                r->SetParameter(QStringLiteral("Param_BelegDatum"), DateToStr(FMahnungsdatum));
                r->SetParameter(QStringLiteral("Param_Belegnummer"), belegnummer);
                r->SetParameter(QStringLiteral("Param_GlaeubigerRNr"), Zahl(beleg.Mandant.RNr));
                r->SetParameter(QStringLiteral("Param_GlaeubigerLNr"), Zahl(beleg.Mandant.LNr));
                r->SetParameter(QStringLiteral("Param_Firma_OrgeRNr"), Zahl(absender.OrgeNr.RNr));
                r->SetParameter(QStringLiteral("Param_Firma_OrgeLNr"), Zahl(absender.OrgeNr.LNr));
                r->SetParameter(QStringLiteral("Param_Firma_MitaRNr"), Zahl(absender.Kontaktperson.RNr));
                r->SetParameter(QStringLiteral("Param_Firma_MitaLNr"), Zahl(absender.Kontaktperson.LNr));
                r->SetParameter(QStringLiteral("Param_SchuldnerRNr"), Zahl(beleg.GepNr.RNr));
                r->SetParameter(QStringLiteral("Param_SchuldnerLNr"), Zahl(beleg.GepNr.LNr));
                r->SetParameter(QStringLiteral("Param_Anschrift_OrgeRNr"), Zahl(beleg.OrgeNr.RNr));
                r->SetParameter(QStringLiteral("Param_Anschrift_OrgeLNr"), Zahl(beleg.OrgeNr.LNr));
                r->SetParameter(QStringLiteral("Param_Schuldner_MitaRNr"), Zahl(schuldnerKontakt.RNr));
                r->SetParameter(QStringLiteral("Param_Schuldner_MitaLNr"), Zahl(schuldnerKontakt.LNr));
                r->SetParameter(QStringLiteral("Param_Beruecksichtigt"), DateToStr(FBeruecksichtigt));
                const bool eigenesLogo = layout->Wert(QStringLiteral("AltLogo")) == QLatin1String("J");
                const QString logoName = eigenesLogo || absender.LogoName.isEmpty()
                                             ? layout->Wert(QStringLiteral("txtLogoKennung"))
                                             : absender.LogoName;
                r->SetParameter(QStringLiteral("Param_LogoKennung1"), QStringLiteral("BRIEF"));
                r->SetParameter(QStringLiteral("Param_LogoKennung2"), QStringLiteral("BRIEFKO"));
                r->SetParameter(QStringLiteral("Param_LogoName"), logoName);
                r->SetParameter(QStringLiteral("Param_LogoLfdNr"), QStringLiteral("0"));
                r->SetParameter(QStringLiteral("Param_AbsenderAnzeigen"), layout->Wert(QStringLiteral("AbsenderAnzeigen")));
                r->SetParameter(QStringLiteral("Param_FonFaxMailBuchfiliale"),
                                layout->Wert(QStringLiteral("ParamFonFaxMailBuchfiliale")));
                r->SetParameter(QStringLiteral("Param_GrussFilialname"), layout->Wert(QStringLiteral("ParamGrussFilialname")));
                r->SetParameter(QStringLiteral("Param_BelegFussDrucken"),
                                layout->Wert(QStringLiteral("ParamBelegFussDrucken")));
                // Every print of a cancelled dunning says so.
                if (!FStornoText.isEmpty())
                    r->SetParameter(QStringLiteral("Param_Storniert"), FStornoText);

                Raender_Setzen(*r->EngineReport(), *layout);
                r->AddLogoConnectionByName(QStringLiteral("Bild5"), QStringLiteral("@const_LogoKennung1"),
                                           QStringLiteral("@const_LogoKennung2"), QStringLiteral("@const_LogoName"),
                                           QStringLiteral("@const_LogoLfdNr"));
                IReport* seite = bericht->GetIReport(0);
                seite->Set_PaperOrientation(crPortrait);
                seite->Set_PaperSize(crPaperA4);

                if (FModus == CQEL_Mahnungen_Schreiben && FMahnungen.size() != 1) {
                    warten.Zeigen(QStringLiteral("Mahnung %1 von %2 wird gedruckt ...").arg(nummer).arg(FMahnungen.size()));
                    bericht->Print(0, false);
                    warten.Verbergen();
                } else
                    bericht->ShowReport();
            } catch (...) {
                // The job must not outlive a failed letter; the original failure is the one to report.
                qel_Guard(kontext, [&] { FPrintEditServer->Druckauftrag_Beenden(kPrgId, auftrag); }, false);
                throw;
            }
            FPrintEditServer->Druckauftrag_Beenden(kPrgId, auftrag);
        }
    });
}

QString TfrmMahnungSchreiben::getBlobText(const QString& Text, int N)
{
    // Positions are 1-based as in the row format's description; Text[p - 1] is character p.
    const int laenge = Text.size();
    int start = 1, bruch = 1, stueck = 0, anzahl = 0;
    auto teil = [&] { return bruch < start ? QString() : Text.mid(start - 1, bruch - start + 1); };
    for (int p = 1; p <= laenge; ++p) {
        if (p <= bruch)
            continue;
        if (anzahl >= 250) {
            if (stueck == N)
                return teil();
            start = bruch + 1;
            ++stueck;
            anzahl = 0;
        }
        const QChar c = Text.at(p - 1);
        if ((c == QLatin1Char('\\') || c == QLatin1Char('\r')) && p < laenge
            && (Text.at(p) == QLatin1Char('n') || Text.at(p) == QLatin1Char('\n')))
            bruch = p + 1;
        else if (c == QLatin1Char('.') || c == QLatin1Char('!') || c == QLatin1Char('?'))
            bruch = p;
        ++anzahl;
    }
    return N > stueck ? QString() : teil();
}
