// import and export: data from and to the accounting (CSV and DATEV files).
#include "befehl.h"
#include "stammoptionen.h"

#include "suite/core/servers/importserver.h"

#include <QDate>

namespace admin {
namespace {

int befehlImport(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral(
        "Liest Geschäftspartner, offene Posten und Zahlungen aus Dateien der Buchhaltung ein: CSV-Dateien\n"
        "im Format von docs/import.md oder DATEV-Dateien (EXTF: Debitoren/Kreditoren, Buchungsstapel).\n"
        "Die Art jeder Datei ergibt sich aus ihrer ersten Zeile; Partnerdateien werden zuerst gelesen.\n"
        "Alles geschieht in einer Transaktion: Hat eine Datei fehlerhafte Zeilen, wird nichts übernommen\n"
        "(außer mit --ueberspringen), und jede fehlerhafte Zeile wird mit Datei, Zeile, Spalte und Grund\n"
        "genannt. Ein erneutes Einlesen derselben oder einer neueren Datei ändert nur, was sich geändert hat."));
    z.ArgumentListe(QStringLiteral("DATEI"), QStringLiteral("Einzulesende Datei(en)."));
    z.Option({QStringLiteral("mandant")}, QStringLiteral("Mandantennummer (entfällt, wenn es nur einen Mandanten gibt)."),
             QStringLiteral("NR"));
    z.Option({QStringLiteral("abgleich")}, QStringLiteral("Die Dateien sind ein vollständiger Bestand: offene Posten, die darin "
                                                          "fehlen, werden geschlossen und aufgelistet."));
    z.Option({QStringLiteral("pruefen")}, QStringLiteral("Nur prüfen: zeigt, was sich ändern würde, und speichert nichts."));
    z.Option({QStringLiteral("ueberspringen")}, QStringLiteral("Gute Zeilen übernehmen, fehlerhafte nur auflisten."));
    z.Lesen();
    z.DatenbankOeffnen();
    TImportOptionen o;
    o.MandantNr = MandantNr(z);
    o.Abgleich = z.Gesetzt(QStringLiteral("abgleich"));
    o.Pruefen = z.Gesetzt(QStringLiteral("pruefen"));
    o.Ueberspringen = z.Gesetzt(QStringLiteral("ueberspringen"));
    const TImportErgebnis e = Import_Ausfuehren(z.Argumente(), o);

    for (const TImportFehler& f : e.Fehler)
        err() << f.Text() << QLatin1Char('\n');
    if (e.FehlerGesamt > e.Fehler.size())
        err() << QStringLiteral("... und %1 weitere Fehler.\n").arg(e.FehlerGesamt - e.Fehler.size());
    for (const QString& h : e.Hinweise)
        err() << QStringLiteral("Hinweis: ") << h << QLatin1Char('\n');
    // A dry run shows every change; a real one the items it closed.
    for (const QString& aenderung : e.Aenderungen)
        if (o.Pruefen || aenderung.startsWith(QLatin1String("abgeglichen")) || aenderung.startsWith(QLatin1String("ausgeglichen")))
            out() << aenderung << QLatin1Char('\n');
    const QString zahlen = QStringLiteral(
                               "%1 Zeilen gelesen. Geschäftspartner: %2 neu, %3 geändert, %4 unverändert. Offene Posten: %5 neu, "
                               "%6 geändert, %7 unverändert, %8 ausgeglichen, %9 abgeglichen.")
                               .arg(e.Zeilen)
                               .arg(e.PartnerNeu)
                               .arg(e.PartnerGeaendert)
                               .arg(e.PartnerUnveraendert)
                               .arg(e.PostenNeu)
                               .arg(e.PostenGeaendert)
                               .arg(e.PostenUnveraendert)
                               .arg(e.PostenAusgeglichen)
                               .arg(e.PostenAbgeglichen);
    if (o.Pruefen)
        err() << QStringLiteral("Prüflauf, nichts gespeichert. ") << zahlen << QLatin1Char('\n');
    else if (e.Gespeichert)
        err() << QStringLiteral("Eingelesen. ") << zahlen << QLatin1Char('\n');
    else
        err() << QStringLiteral("Nichts eingelesen: %1 Fehler (mit --ueberspringen werden die guten Zeilen übernommen).\n")
                     .arg(e.FehlerGesamt);
    if (e.FehlerGesamt > 0 && e.Gespeichert)
        err() << QStringLiteral("Zeilen mit %1 Fehlern wurden übersprungen.\n").arg(e.FehlerGesamt);
    return e.FehlerGesamt > 0 ? kFehler : kOk;
}

TDateTime datumOption(const TBefehlsZeile& z, const QString& name)
{
    if (!z.Gesetzt(name))
        return 0;
    const QDate d = QDate::fromString(z.Wert(name), QStringLiteral("dd.MM.yyyy"));
    if (!d.isValid())
        z.Falsch(QStringLiteral("--%1 erwartet ein Datum TT.MM.JJJJ, nicht '%2'.").arg(name, z.Wert(name)));
    return qel_EncodeDate(d.year(), d.month(), d.day());
}

int exportCsv(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Schreibt die Geschäftspartner und die Posten eines Mandanten im CSV-Format des Imports."));
    z.Option({QStringLiteral("mandant")}, QStringLiteral("Mandantennummer (entfällt, wenn es nur einen Mandanten gibt)."),
             QStringLiteral("NR"));
    z.Option({QStringLiteral("partner")}, QStringLiteral("Datei für die Geschäftspartner."), QStringLiteral("DATEI"));
    z.Option({QStringLiteral("posten")}, QStringLiteral("Datei für die Posten und Zahlungen."), QStringLiteral("DATEI"));
    z.Lesen();
    if (!z.Gesetzt(QStringLiteral("partner")) && !z.Gesetzt(QStringLiteral("posten")))
        z.Falsch(QStringLiteral("export csv braucht --partner oder --posten."));
    z.DatenbankOeffnen();
    const int mandant = MandantNr(z);
    if (z.Gesetzt(QStringLiteral("partner")))
        Export_CsvPartner(mandant, z.Wert(QStringLiteral("partner")));
    if (z.Gesetzt(QStringLiteral("posten")))
        Export_CsvPosten(mandant, z.Wert(QStringLiteral("posten")));
    err() << QStringLiteral("Geschrieben.\n");
    return kOk;
}

int exportDatev(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral(
        "Schreibt Mahngebühren und Verzugszinsen gebuchter Mahnungen als DATEV-Buchungsstapel (Windows-1252)\n"
        "für die Buchhaltung: Debitor an Erlöskonto des Mandanten. Jede Mahnung geht nur einmal hinaus;\n"
        "eine danach stornierte Mahnung wird einmal zurückgebucht (Erlöskonto an Debitor, am Tag des Stornos).\n"
        "--erneut schreibt einen Zeitraum noch einmal."));
    z.Argument(QStringLiteral("DATEI"), QStringLiteral("Zieldatei, üblich EXTF_Mahngebuehren.csv."));
    z.Option({QStringLiteral("mandant")}, QStringLiteral("Mandantennummer (entfällt, wenn es nur einen Mandanten gibt)."),
             QStringLiteral("NR"));
    z.Option({QStringLiteral("von")}, QStringLiteral("Mahnungen ab diesem Datum (TT.MM.JJJJ)."), QStringLiteral("DATUM"));
    z.Option({QStringLiteral("bis")}, QStringLiteral("Mahnungen bis zu diesem Datum (TT.MM.JJJJ)."), QStringLiteral("DATUM"));
    z.Option({QStringLiteral("erneut")}, QStringLiteral("Auch schon ausgegebene Mahnungen des Zeitraums schreiben."));
    z.Lesen();
    z.DatenbankOeffnen();
    TDatevExportOptionen o;
    o.MandantNr = MandantNr(z);
    o.Von = datumOption(z, QStringLiteral("von"));
    o.Bis = datumOption(z, QStringLiteral("bis"));
    o.Erneut = z.Gesetzt(QStringLiteral("erneut"));
    const TDatevExportErgebnis e = Export_DatevGebuehren(o, z.Argument(0));
    if (e.Mahnungen == 0 && e.Stornos == 0) {
        err() << QStringLiteral("Keine Mahnungen auszugeben; es wurde keine Datei geschrieben.\n");
        return kOk;
    }
    err() << QStringLiteral("%1 Mahnungen, %2 Stornos, %3 Buchungen, Saldo %4 EUR geschrieben: %5\n")
                 .arg(e.Mahnungen)
                 .arg(e.Stornos)
                 .arg(e.Buchungen)
                 .arg(QLocale(QLocale::German).toString(double(e.SummeCent) / 100.0, 'f', 2), z.Argument(0));
    return kOk;
}

int befehlExport(const TAdminAufruf& a)
{
    return Aktion_Ausfuehren(a, QStringLiteral("Daten für die Buchhaltung oder einen anderen Arbeitsplatz ausgeben."),
                             {{"csv", "Geschäftspartner und Posten im CSV-Format des Imports", exportCsv},
                              {"datev", "Mahngebühren und Zinsen als DATEV-Buchungsstapel", exportDatev}});
}

const TAdminBefehl import("import", "Partner, offene Posten und Zahlungen aus CSV- oder DATEV-Dateien einlesen", befehlImport);
const TAdminBefehl exportBefehl("export", "Posten als CSV, Mahngebühren als DATEV-Buchungsstapel ausgeben", befehlExport);

}  // namespace
}  // namespace admin
