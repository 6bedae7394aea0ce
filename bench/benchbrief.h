// The letter both print benchmarks make: a report on the job's rows with every parameter the editor sets.
#pragma once

#include "suite/reports/crystalrdcn.h"
#include "suite/ui/programm.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <vector>

namespace bench {

struct TBriefEmpfaenger {
    TIntPair GepNr, OrgeNr;
    QString Name;
};

inline const QString kBriefText = QStringLiteral(
    "Sehr geehrte Damen und Herren,\r\n\r\nbei der Durchsicht unserer Buchhaltung haben wir festgestellt, dass die "
    "nachstehend aufgeführten Rechnungen noch nicht ausgeglichen sind.\r\n\r\nWir bitten Sie, den offenen Betrag bis "
    "zum angegebenen Zahlungsziel zu überweisen.\r\n\r\nMit freundlichen Grüßen");

// The shipped layout in the report folder; the first client of the demo data writes to its partners.
// False (with the reason printed) when the demo data or the layout is missing.
inline bool briefUmgebung(const TSuiteKonfiguration& k, TIntPair& mandant, TIntPair& firma,
                          std::vector<TBriefEmpfaenger>& an)
{
    QDir().mkpath(k.BerichtsOrdner);
    const QString vorlage = QStringLiteral(MAHNWESEN_SOURCE_DIR "/reports/mahnung.html");
    if (!QFile::copy(vorlage, QDir(k.BerichtsOrdner).filePath(QStringLiteral("mahnung.html")))) {
        std::printf("Briefvorlage fehlt: %s\n", qPrintable(vorlage));
        return false;
    }
    IQEL_MandListeServerRef mandanten;
    Glob_WWSServerFactoryClass().MandListeServer_Holen(mandanten);
    mandant = mandanten->Mandanten_Lesen().first().Id;
    Glob_WWSServerFactoryClass().MandListeServer_Freigeben(mandanten, QStringLiteral("bench"));
    IQEL_GPListenServerRef gp;
    Glob_WWSServerFactoryClass().GPListenServer_Holen(gp);
    gp->Gep_Lesen(mandant, firma);
    TVRList* partner = gp->Gep_Suchen(mandant, QString(), QString(), QString(), QString(), true, 200);
    for (int i = 0; i < partner->GetRowCount(); ++i) {
        TBriefEmpfaenger e;
        e.GepNr = qel_String2TIntPair(partner->GetCellValueAsString(i, CQEL_GPSuchErgebnis_GepNr));
        e.Name = partner->GetCellValueAsString(i, CQEL_GPSuchErgebnis_NameFormatted);
        gp->Gep_Lesen(e.GepNr, e.OrgeNr);
        an.push_back(e);
    }
    Glob_WWSServerFactoryClass().GPListenServer_Freigeben(gp);
    if (an.empty())
        std::printf("keine Geschäftspartner in den Demodaten\n");
    return !an.empty();
}

// The rows of letter `nr` in print job `auftrag`: `posten` invoices at levels 1 to 3, then the letter's text.
inline void briefZeilen(IQEL_PrintEditServer& server, int auftrag, int nr, int posten)
{
    TMOLA_PrintEditServer_Record r;
    for (int i = 0; i < posten; ++i) {
        r.Clear();
        r.PrgId = QStringLiteral("MAHNUNG");
        r.Auftrag = auftrag;
        r.Mahnstufe = 1 + i % 3;
        r.Saldo = 100.0 * (i % 7 + 1) + nr % 97;
        r.Mahngebuehren = (i % 3) * 2.5;
        r.Verzugszins = (i % 3) * 1.25;
        r.Belegnummer = QStringLiteral("RE-%1-%2").arg(nr).arg(i);
        r.Belegdatum = QStringLiteral("01.10.2026");
        r.ZahlbarBis = QStringLiteral("22.12.2026");
        r.Art = r.Mahnstufe == 1 ? QStringLiteral("Zahlungserinnerung") : QStringLiteral("Mahnung");
        server.Druckdaten_Schreiben(r);
    }
    r.Clear();
    r.PrgId = QStringLiteral("MAHNUNG");
    r.Auftrag = auftrag;
    r.Belegnummer = QStringLiteral("BLOB");
    r.GanzerText = kBriefText;
    server.Druckdaten_Schreiben(r);
}

// Fills the report of print job `auftrag` for letter `nr` from the client `mandant` (organisation
// `firma`) to the partner `gepNr` at organisation `orgeNr`.
inline void briefBericht(TCrystalRDCn& bericht, IQEL_PrintEditServer& server, int auftrag, const TIntPair& mandant,
                         const TIntPair& firma, const TIntPair& gepNr, const TIntPair& orgeNr, int nr)
{
    bericht.Clear();
    bericht.SetReport(GetDirWwsByName(qfBerichte, QStringLiteral("mahnung.html"), true), true, server.Druck_Kennung());
    TQELReport* p = bericht.GetReport(0);
    auto n = [](int v) { return QString::number(v); };
    p->SetParameter(QStringLiteral("Param_Beleg_Beschreibung"), QStringLiteral("Zahlungserinnerung / Mahnung"));
    p->SetParameter(QStringLiteral("Param_PRG_ID"), QStringLiteral("MAHNUNG"));
    p->SetParameter(QStringLiteral("Param_Session_ID"), n(auftrag));
    p->SetParameter(QStringLiteral("Param_BelegDatum"), QStringLiteral("08.12.2026"));
    p->SetParameter(QStringLiteral("Param_Belegnummer"), Formatiere_Belegnummer_String(QStringLiteral("AOP"), nr, 2026, 1));
    p->SetParameter(QStringLiteral("Param_GlaeubigerRNr"), n(mandant.RNr));
    p->SetParameter(QStringLiteral("Param_GlaeubigerLNr"), n(mandant.LNr));
    p->SetParameter(QStringLiteral("Param_Firma_OrgeRNr"), n(firma.RNr));
    p->SetParameter(QStringLiteral("Param_Firma_OrgeLNr"), n(firma.LNr));
    p->SetParameter(QStringLiteral("Param_Firma_MitaRNr"), QStringLiteral("0"));
    p->SetParameter(QStringLiteral("Param_Firma_MitaLNr"), QStringLiteral("0"));
    p->SetParameter(QStringLiteral("Param_SchuldnerRNr"), n(gepNr.RNr));
    p->SetParameter(QStringLiteral("Param_SchuldnerLNr"), n(gepNr.LNr));
    p->SetParameter(QStringLiteral("Param_Anschrift_OrgeRNr"), n(orgeNr.RNr));
    p->SetParameter(QStringLiteral("Param_Anschrift_OrgeLNr"), n(orgeNr.LNr));
    p->SetParameter(QStringLiteral("Param_Schuldner_MitaRNr"), QStringLiteral("0"));
    p->SetParameter(QStringLiteral("Param_Schuldner_MitaLNr"), QStringLiteral("0"));
    p->SetParameter(QStringLiteral("Param_Beruecksichtigt"), QStringLiteral("06.12.2026"));
    p->SetParameter(QStringLiteral("Param_LogoKennung1"), QStringLiteral("BRIEF"));
    p->SetParameter(QStringLiteral("Param_LogoKennung2"), QStringLiteral("BRIEFKO"));
    p->SetParameter(QStringLiteral("Param_LogoName"), QStringLiteral("FIRMA1"));
    p->SetParameter(QStringLiteral("Param_LogoLfdNr"), QStringLiteral("0"));
    for (const char* s : {"Param_AbsenderAnzeigen", "Param_FonFaxMailBuchfiliale", "Param_GrussFilialname",
                          "Param_BelegFussDrucken"})
        p->SetParameter(QString::fromLatin1(s), QStringLiteral("J"));
    p->EngineReport()->Set_TopMargin(qel_mmToTwips(20));
    p->EngineReport()->Set_LeftMargin(qel_mmToTwips(25));
    p->EngineReport()->Set_BottomMargin(qel_mmToTwips(20));
    p->AddLogoConnectionByName(QStringLiteral("Bild5"), QStringLiteral("@const_LogoKennung1"),
                               QStringLiteral("@const_LogoKennung2"), QStringLiteral("@const_LogoName"),
                               QStringLiteral("@const_LogoLfdNr"));
    bericht.GetIReport(0)->Set_PaperOrientation(crPortrait);
    bericht.GetIReport(0)->Set_PaperSize(crPaperA4);
}

}  // namespace bench
