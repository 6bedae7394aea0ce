// Dunning blocks: "posten sperren|entsperren" for single open items, "partner sperren|entsperren" for
// all items of a business partner.
#include "befehl.h"
#include "stammoptionen.h"

#include "suite/core/servers/mahnregelnserver.h"

namespace admin {
namespace {

TDateTime datumLesen(const TBefehlsZeile& z, const QString& text, const QString& was)
{
    try {
        return StrToDate(text);
    } catch (const EConvertError&) {
        z.Falsch(QStringLiteral("%1 „%2“ ist kein Datum (TT.MM.JJJJ).").arg(was, text));
    }
}

void sperrOptionen(TBefehlsZeile& z, const QString& argument, const QString& beschreibung, bool mitGrund)
{
    z.Argument(argument, beschreibung);
    z.Option({QStringLiteral("mandant")}, QStringLiteral("Mandantennummer (entfällt, wenn es nur einen Mandanten gibt)."),
             QStringLiteral("NR"));
    if (!mitGrund)
        return;
    z.Option({QStringLiteral("grund")}, QStringLiteral("Grund der Mahnsperre (Pflicht)."), QStringLiteral("TEXT"));
    z.Option({QStringLiteral("bis")}, QStringLiteral("Letzter Tag der Sperre (Pflicht, nicht in der Vergangenheit)."),
             QStringLiteral("DATUM"));
}

int sperren(const TAdminAufruf& a, bool partner)
{
    TBefehlsZeile z(a, partner ? QStringLiteral("Sperrt alle Posten eines Geschäftspartners für Mahnungen.")
                               : QStringLiteral("Sperrt einen Offenen Posten für Mahnungen."));
    sperrOptionen(z, partner ? QStringLiteral("NR") : QStringLiteral("BELEG"),
                  partner ? QStringLiteral("Partnernummer.") : QStringLiteral("Belegnummer oder Schlüssel RECHNER/TRANSAKTION/LFD."),
                  true);
    z.Lesen();
    if (!z.Gesetzt(QStringLiteral("grund")) || !z.Gesetzt(QStringLiteral("bis")))
        z.Falsch(QStringLiteral("Eine Mahnsperre braucht --grund und --bis."));
    const TDateTime bis = datumLesen(z, z.Wert(QStringLiteral("bis")), QStringLiteral("Das Ende der Sperre"));
    z.DatenbankOeffnen();
    TMahnsperre s;
    s.Mandant = MahnRegeln_Mandant(MandantNr(z));
    if (partner)
        s.GepNr = MahnRegeln_Partner(s.Mandant, Ganzzahl(z.Argument(0), QStringLiteral("Die Partnernummer"), 1, 999999999));
    else
        s.Posten = MahnRegeln_Posten(s.Mandant, z.Argument(0));
    s.Grund = z.Wert(QStringLiteral("grund"));
    s.Bis = bis;
    MahnRegeln_Sperren(s);
    err() << QStringLiteral("%1 %2 ist bis %3 für Mahnungen gesperrt.\n")
                 .arg(partner ? QStringLiteral("Geschäftspartner") : QStringLiteral("Posten"), z.Argument(0), DateToStr(bis));
    return kOk;
}

int entsperren(const TAdminAufruf& a, bool partner)
{
    TBefehlsZeile z(a, QStringLiteral("Hebt die Mahnsperren auf."));
    sperrOptionen(z, partner ? QStringLiteral("NR") : QStringLiteral("BELEG"),
                  partner ? QStringLiteral("Partnernummer.") : QStringLiteral("Belegnummer oder Schlüssel RECHNER/TRANSAKTION/LFD."),
                  false);
    z.Lesen();
    z.DatenbankOeffnen();
    const TIntPair mandant = MahnRegeln_Mandant(MandantNr(z));
    TIntPair gep;
    TIntTrio posten;
    if (partner)
        gep = MahnRegeln_Partner(mandant, Ganzzahl(z.Argument(0), QStringLiteral("Die Partnernummer"), 1, 999999999));
    else
        posten = MahnRegeln_Posten(mandant, z.Argument(0));
    const int n = MahnRegeln_Entsperren(mandant, gep, posten);
    if (n == 0)
        throw EQELError(QStringLiteral("Es besteht keine Mahnsperre, die aufgehoben werden könnte."));
    err() << QStringLiteral("%1 Mahnsperre(n) aufgehoben.\n").arg(n);
    return kOk;
}

int postenSperren(const TAdminAufruf& a) { return sperren(a, false); }
int postenEntsperren(const TAdminAufruf& a) { return entsperren(a, false); }

int befehlPosten(const TAdminAufruf& a)
{
    return Aktion_Ausfuehren(a, QStringLiteral("Mahnsperren einzelner Offener Posten."),
                             {{"sperren", "Posten für Mahnungen sperren", postenSperren},
                              {"entsperren", "Mahnsperre eines Postens aufheben", postenEntsperren}});
}
const TAdminBefehl posten("posten", "Offene Posten für Mahnungen sperren", befehlPosten);

int partnerSperren(const TAdminAufruf& a) { return sperren(a, true); }
int partnerEntsperren(const TAdminAufruf& a) { return entsperren(a, true); }
const TAdminAktion partnerSperre("partner", "sperren", "Geschäftspartner für Mahnungen sperren", partnerSperren);
const TAdminAktion partnerEntsperre("partner", "entsperren", "Mahnsperre eines Geschäftspartners aufheben",
                                   partnerEntsperren);

}  // namespace
}  // namespace admin
