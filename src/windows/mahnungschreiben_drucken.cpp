// Dunning editor: printing the letters.
#include "mahnungschreiben.h"
#include "mahnungsmail.h"
#include "mahnungsdruck.h"

#include "suite/ui/dialogs/layoutform.h"
#include "suite/ui/orgemerkmale.h"
#include "suite/ui/programm.h"
#include "suite/reports/berichtausgabe.h"
#include "suite/reports/briefkopie.h"
#include "suite/reports/briefsatz.h"
#include "suite/reports/crystalrdcn.h"
#include "suite/reports/drucklauf.h"
#include "suite/core/servers/beleghelper.h"

#include <QDir>
#include <algorithm>
#include <functional>
#include <map>

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

// The layout for a document; null when the clerk cancels. In a run the dialog offers to keep the
// choice for the rest of it.
std::unique_ptr<TZIM_SelectedLayout> Layout_Waehlen(bool imLauf)
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
    eingabe.FuerAlleAnbieten = imLauf;
    {
        auto dialog = std::make_unique<TLayoutform>();
        dialog->Execute(eingabe, liste);
    }
    if (liste.empty())
        return nullptr;
    return std::move(liste.front());
}

const QString kKeinLayout = QStringLiteral("Es wurde kein Drucklayout gewählt. Die Mahnung wird nicht gedruckt.");

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

// The attachment server for the archived letters, given back when the run ends.
struct TArchiv {
    explicit TArchiv(const QString& kontext) : Kontext(kontext) { Glob_WWSServerFactoryClass().DokumentServer_Holen(Server); }
    ~TArchiv()
    {
        qel_Guard(Kontext, [&] { Glob_WWSServerFactoryClass().DokumentServer_Freigeben(Server); }, false);
    }
    QString Kontext;
    IQEL_DokumentServerRef Server;
};

// A dunning whose letter went out before is printed as a copy of that letter: the archived pages, or,
// for a dunning booked before letters were archived, the letter rebuilt from the booking. Empty: the
// letter is the original. A cancellation after the letter is noted on the archived pages.
QByteArray Kopie_Erstellen(IQEL_DokumentServer& archiv, const TQEL_Mahnungsnummer& nummer, TBriefsatz& satz,
                           const QString& storno)
{
    if (!nummer.Vergeben() || archiv.Brief_Offen(nummer))
        return QByteArray();
    QByteArray brief;
    if (!archiv.Brief_Lesen(nummer, brief))
        return qel_PdfKopie(qel_BriefAlsPdfA(satz));
    return qel_PdfKopie(brief, storno.isEmpty() ? QString() : QStringLiteral("STORNIERT – ") + storno);
}

}  // namespace

struct TMahnungsDrucker::TDaten {
    TDaten(IQEL_PrintEditServerRef& druck, IQEL_GPListenServer& gp, std::unique_ptr<TQEL_OrgeMerkmaleDM>& merkmale,
           const QString& kontext)
        : Druck(druck), Gp(gp), Merkmale(merkmale), Kontext(kontext), Archiv(kontext)
    {
    }

    // What one document's print job gives: the letter's data and, for a dunning sent before, its copy.
    struct TBrief {
        std::unique_ptr<TBriefsatz> Satz;
        QByteArray Kopie;
        QString Belegnummer;
        TQEL_Mahnungsnummer Nummer;
        bool Original() const { return Kopie.isEmpty() && Nummer.Vergeben(); }
    };

    // The print job of one document, from its rows to its output; the job is ended in every case.
    void Drucken(const TMahnungsDruck& m, const TZIM_SelectedLayout& layout, const std::function<void(TBrief&)>& ausgeben);
    void Archivieren(const TBrief& b, const QByteArray& pdf);

    IQEL_PrintEditServerRef& Druck;
    IQEL_GPListenServer& Gp;
    std::unique_ptr<TQEL_OrgeMerkmaleDM>& Merkmale;
    QString Kontext;
    TArchiv Archiv;
};

void TMahnungsDrucker::TDaten::Archivieren(const TBrief& b, const QByteArray& pdf)
{
    Archiv.Server->Brief_Archivieren(
        b.Nummer, TBerichtAusgabe::SichererDateiname(QStringLiteral("Brief %1.pdf").arg(b.Belegnummer)), pdf);
}

void TMahnungsDrucker::TDaten::Drucken(const TMahnungsDruck& m, const TZIM_SelectedLayout& layout,
                                       const std::function<void(TBrief&)>& ausgeben)
{
    const TQEL_Mahnung_Beleg& beleg = m.Beleg;
    auto bericht = std::make_unique<TCrystalRDCn>(nullptr);
    const int auftrag = Druck->Druckauftrag_Beginnen(kPrgId);
    try {
        const TDruckArten arten = Positionen_Schreiben(*Druck, auftrag, beleg);
        Textzeile_Schreiben(*Druck, auftrag, m.Text);
        bericht->Clear();
        const QString beschreibung = Beschreibung(arten);
        const TDBFFiles_4_Crystal dateien = Druck->Druck_Kennung();
        bericht->SetReport(GetDirWwsByName(qfBerichte, layout.Berichtsdatei, true), true, dateien);
        const QString belegnummer = Formatiere_Belegnummer_String(QStringLiteral("AOP"), beleg.LfdNr, beleg.WirtschaftsJahr,
                                                                  beleg.RNr, 0, QString(), 0);
        const TIntPair schuldnerKontakt = Kontaktperson_Schuldner(beleg);
        const TAbsender absender = Absender_Ermitteln(beleg, Gp, Merkmale);

        TQELReport* r = bericht->GetReport(0);
        r->SetParameter(QStringLiteral("Param_Beleg_Beschreibung"), beschreibung);
        r->SetParameter(QStringLiteral("Param_PRG_ID"), kPrgId);
        r->SetParameter(QStringLiteral("Param_Session_ID"), Zahl(auftrag));
        r->SetParameter(QStringLiteral("Param_BelegDatum"), DateToStr(m.Mahnungsdatum));
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
        r->SetParameter(QStringLiteral("Param_Beruecksichtigt"), DateToStr(m.Beruecksichtigt));
        const bool eigenesLogo = layout.Wert(QStringLiteral("AltLogo")) == QLatin1String("J");
        const QString logoName =
            eigenesLogo || absender.LogoName.isEmpty() ? layout.Wert(QStringLiteral("txtLogoKennung")) : absender.LogoName;
        r->SetParameter(QStringLiteral("Param_LogoKennung1"), QStringLiteral("BRIEF"));
        r->SetParameter(QStringLiteral("Param_LogoKennung2"), QStringLiteral("BRIEFKO"));
        r->SetParameter(QStringLiteral("Param_LogoName"), logoName);
        r->SetParameter(QStringLiteral("Param_LogoLfdNr"), QStringLiteral("0"));
        r->SetParameter(QStringLiteral("Param_AbsenderAnzeigen"), layout.Wert(QStringLiteral("AbsenderAnzeigen")));
        r->SetParameter(QStringLiteral("Param_FonFaxMailBuchfiliale"), layout.Wert(QStringLiteral("ParamFonFaxMailBuchfiliale")));
        r->SetParameter(QStringLiteral("Param_GrussFilialname"), layout.Wert(QStringLiteral("ParamGrussFilialname")));
        r->SetParameter(QStringLiteral("Param_BelegFussDrucken"), layout.Wert(QStringLiteral("ParamBelegFussDrucken")));
        // Every print of a cancelled dunning says so.
        if (!m.StornoText.isEmpty())
            r->SetParameter(QStringLiteral("Param_Storniert"), m.StornoText);

        Raender_Setzen(*r->EngineReport(), layout);
        r->AddLogoConnectionByName(QStringLiteral("Bild5"), QStringLiteral("@const_LogoKennung1"),
                                   QStringLiteral("@const_LogoKennung2"), QStringLiteral("@const_LogoName"),
                                   QStringLiteral("@const_LogoLfdNr"));
        IReport* seite = bericht->GetIReport(0);
        seite->Set_PaperOrientation(crPortrait);
        seite->Set_PaperSize(crPaperA4);

        TBrief b;
        b.Nummer = TQEL_Mahnungsnummer{beleg.Mandant, beleg.WirtschaftsJahr, beleg.RNr, beleg.LfdNr};
        b.Belegnummer = belegnummer;
        b.Satz = bericht->Satz();
        b.Kopie = Kopie_Erstellen(*Archiv.Server, b.Nummer, *b.Satz, m.StornoText);
        ausgeben(b);
    } catch (...) {
        // The job must not outlive a failed letter; the original failure is the one to report.
        qel_Guard(Kontext, [&] { Druck->Druckauftrag_Beenden(kPrgId, auftrag); }, false);
        throw;
    }
    Druck->Druckauftrag_Beenden(kPrgId, auftrag);
}

TMahnungsDrucker::TMahnungsDrucker(IQEL_PrintEditServerRef& druckServer, IQEL_GPListenServer& gpServer,
                                   std::unique_ptr<TQEL_OrgeMerkmaleDM>& merkmale, const QString& kontext)
    : d(std::make_unique<TDaten>(druckServer, gpServer, merkmale, kontext))
{
    if (!d->Druck)
        Glob_WWSServerFactoryClass().PrintEditServer_Holen(d->Druck);
}

TMahnungsDrucker::~TMahnungsDrucker() = default;

void TMahnungsDrucker::Einzeln(const TMahnungsDruck& m, bool vorschau)
{
    const std::unique_ptr<TZIM_SelectedLayout> layout = Layout_Waehlen(false);
    if (!layout)
        throw EQELError(kKeinLayout);
    d->Drucken(m, *layout, [&](TDaten::TBrief& b) {
        // The original is archived as it goes out, laid out from the same data.
        const QByteArray original = b.Original() ? qel_BriefAlsPdfA(*b.Satz) : QByteArray();
        const bool ausgegeben =
            vorschau ? TBerichtAusgabe::Vorschau(*b.Satz, b.Kopie) : TBerichtAusgabe::Drucken(*b.Satz, 0, false, b.Kopie);
        if (ausgegeben && !original.isEmpty())
            d->Archivieren(b, original);
    });
}

void TMahnungsDrucker::Lauf(const std::vector<TMahnungsDruck>& belege, bool mitEMail)
{
    const int anzahl = int(belege.size());
    TLaufWahl wahl;
    {
        TAusgabeDialog dialog(anzahl);
        dialog.SetMitEMail(mitEMail && TMahnungsMail_Eingerichtet());
        if (!dialog.Execute(wahl))
            return;
    }
    if (wahl.Ziel == TLaufZiel::EMail) {
        PerMail(belege);
        return;
    }
    const TLaufErgebnis e = Ausgeben(belege, wahl);
    const QStringList& fehler = e.Fehler;
    QString text;
    if (e.Abgebrochen)
        text = QStringLiteral("Der Lauf wurde abgebrochen%1: %2 von %3 Mahnungen wurden ausgegeben.")
                   .arg(e.OhneLayout ? QStringLiteral(" (es wurde kein Drucklayout gewählt)") : QString())
                   .arg(e.Ausgegeben)
                   .arg(anzahl);
    else if (e.Ausgegeben == anzahl && fehler.isEmpty())
        text = QStringLiteral("Alle %1 Mahnungen wurden ausgegeben.").arg(anzahl);
    else
        text = QStringLiteral("%1 von %2 Mahnungen wurden ausgegeben.").arg(e.Ausgegeben).arg(anzahl);
    if (wahl.Ziel == TLaufZiel::EinePdf && e.Ausgegeben > 0)
        text += QStringLiteral("\r\nDatei: %1").arg(QDir::toNativeSeparators(wahl.Pfad));
    else if (wahl.Ziel == TLaufZiel::PdfJePartner && e.Ausgegeben > 0)
        text += QStringLiteral("\r\nOrdner: %1").arg(QDir::toNativeSeparators(wahl.Pfad));
    if (!fehler.isEmpty())
        text += QStringLiteral("\r\n\r\nNicht ausgegeben:\r\n") + fehler.join(QStringLiteral("\r\n"));
    qel_Meldung(CMeldung_Hinweis, fehler.isEmpty() ? 997 : 991, text);
}

TMahnungsDrucker::TLaufErgebnis TMahnungsDrucker::Ausgeben(const std::vector<TMahnungsDruck>& belege, const TLaufWahl& wahl,
                                                          const std::function<bool(int, const QByteArray&)>& versenden)
{
    const int anzahl = int(belege.size());
    TDruckLauf lauf(wahl);
    // Originals of booked dunnings, by their place in the run: archived once they went out.
    std::map<int, TDaten::TBrief> originale;
    QStringList archivFehler;
    lauf.Fertig = [&](int nr, const QString& name, const QByteArray& pdf, const QString& fehler) {
        const bool hinaus = fehler.isEmpty() && (!versenden || versenden(nr, pdf));
        auto it = originale.find(nr);
        if (it == originale.end())
            return;
        if (hinaus)
            qel_Guard(d->Kontext, [&] {
                try {
                    d->Archivieren(it->second, pdf);
                } catch (const std::exception& x) {
                    archivFehler << QStringLiteral("%1: %2").arg(name, QString::fromUtf8(x.what()));
                }
            });
        originale.erase(it);
    };

    QStringList fehler;
    bool abgebrochen = false;
    bool ohneLayout = false;
    {
        TLaufFortschritt fortschritt(anzahl);
        std::unique_ptr<TZIM_SelectedLayout> layout;
        for (int i = 0; i < anzahl && !abgebrochen; ++i) {
            const TMahnungsDruck& m = belege[size_t(i)];
            fortschritt.Brief(i + 1, m.Partner);
            if (fortschritt.Abgebrochen()) {
                abgebrochen = true;
                break;
            }
            const QString name = QStringLiteral("%1 %2")
                                     .arg(Formatiere_Belegnummer_String(QStringLiteral("AOP"), m.Beleg.LfdNr,
                                                                        m.Beleg.WirtschaftsJahr, m.Beleg.RNr),
                                          m.Partner)
                                     .trimmed();
            if (!layout || !layout->FuerAlleWeiteren) {
                layout = Layout_Waehlen(true);
                if (!layout) {
                    abgebrochen = ohneLayout = true;
                    break;
                }
            }
            try {
                d->Drucken(m, *layout, [&](TDaten::TBrief& b) {
                    QByteArray kopie = b.Kopie;
                    auto satz = std::move(b.Satz);
                    const bool original = b.Original();
                    if (original)
                        originale.emplace(i, std::move(b));
                    lauf.Brief(i, std::move(satz), kopie, name, original || versenden);
                });
            } catch (const std::exception& x) {
                fehler << QStringLiteral("%1: %2").arg(name, QString::fromUtf8(x.what()));
            }
        }
        fortschritt.lblText->setText(QStringLiteral("Die letzten Briefe werden ausgegeben ..."));
        try {
            lauf.Beenden();
        } catch (const std::exception& x) {
            fehler << QString::fromUtf8(x.what());
        }
    }
    fehler << lauf.Fehlgeschlagen() << archivFehler;
    return TLaufErgebnis{lauf.Ausgegeben(), fehler, abgebrochen, ohneLayout};
}

void TfrmMahnungSchreiben::actDruckenExecute()
{
    Guard(__func__, [&] {
        MahnungsStruktur_fuellen();
        Drucken_Struktur();
    });
}

std::vector<TMahnungsDruck> TfrmMahnungSchreiben::Druckdaten() const
{
    const QString text = briefText(redtKopfText);
    std::vector<TMahnungsDruck> belege;
    for (const TQEL_Mahnung_Beleg& beleg : FMahnungen) {
        TMahnungsDruck m;
        m.Beleg = beleg;
        m.Text = text;
        m.Mahnungsdatum = FMahnungsdatum;
        m.Beruecksichtigt = FBeruecksichtigt;
        m.StornoText = FStornoText;
        m.Partner = FGepName;
        if (FModus == CQEL_Mahnungen_Schreiben && FGewaehltePosten) {
            // The partner's name as the open-items list shows it.
            TVTVRList* vt = vtGewaehltePosten;
            for (TVirtualNode* n = vt->GetFirst(); n; n = vt->GetNext(n))
                if (IntPairEqual(qel_String2TIntPair(vt->GetCellValueAsString(n, FColGepNr)), beleg.GepNr)) {
                    m.Partner = vt->GetCellValueAsString(n, FColGep);
                    break;
                }
        }
        belege.push_back(std::move(m));
    }
    return belege;
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
        if (FMahnungen.empty())
            return;
        TMahnungsDrucker drucker(FPrintEditServer, *FGPListenServer, FOrgeMerkmaleDM, kontext);
        const std::vector<TMahnungsDruck> belege = Druckdaten();
        if (belege.size() == 1)
            drucker.Einzeln(belege.front(), true);
        else
            drucker.Lauf(belege);
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
