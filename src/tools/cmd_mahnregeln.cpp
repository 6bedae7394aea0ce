// mandant mahnregeln: a client's dunning rules (fee cap, fees and text blocks per level, payment terms,
// working days, minimum days between two dunnings).
#include "befehl.h"
#include "stammoptionen.h"

#include "suite/core/servers/interfaces.h"
#include "suite/core/servers/mahnregelnserver.h"

namespace admin {
namespace {

double betragLesen(const TBefehlsZeile& z, const QString& text, const QString& was)
{
    try {
        return qel_StrToFloat(text);
    } catch (const EConvertError&) {
        z.Falsch(QStringLiteral("%1 „%2“ ist kein Betrag.").arg(was, text));
    }
}

// "STUFE=WERT" of a per-level option.
std::pair<int, QString> stufeUndWert(const TBefehlsZeile& z, const QString& text, const QString& option)
{
    const int gleich = text.indexOf(QLatin1Char('='));
    if (gleich <= 0)
        z.Falsch(QStringLiteral("--%1 erwartet STUFE=WERT, nicht „%2“.").arg(option, text));
    return {Ganzzahl(text.left(gleich), QStringLiteral("Die Mahnstufe"), 1, 99), text.mid(gleich + 1).trimmed()};
}

// The key of a text block by its short text.
TIntPair textbaustein(const QString& kurztext)
{
    IQEL_MahnungEditServerRef s;
    Glob_ServerFactoryClass().MahnungEditServer_Holen(s);
    TIntPair id;
    if (s->Textbausteine_Abfragen()) {
        TVRList* l = s->Textbausteine_Liste();
        for (int i = 0; i < l->GetRowCount(); ++i)
            if (qel_strmatch(l->GetCellValueAsString(i, s->Spalte_TB_Kurztext()), kurztext))
                id = qel_String2TIntPair(l->GetCellValueAsString(i, s->Spalte_TB_ID()));
    }
    Glob_ServerFactoryClass().MahnungEditServer_Freigeben(s);
    if (!IntPairDefined(id))
        throw EQELError(QStringLiteral("Einen Textbaustein „%1“ gibt es nicht.").arg(kurztext));
    return id;
}

void einstellungenZeigen(const TMahnEinstellungen& e)
{
    FeldZeigen(QStringLiteral("Höchstgebühr je Posten"), qel_FormatMoney(e.MaxGebuehr));
    FeldZeigen(QStringLiteral("Zahlungsziel erste Mahnung"), QStringLiteral("%1 Tage").arg(e.ZielTageErste));
    FeldZeigen(QStringLiteral("Zahlungsziel weitere Mahnungen"), QStringLiteral("%1 Tage").arg(e.ZielTageWeitere));
    FeldZeigen(QStringLiteral("Nur Werktage"), e.NurWerktage ? QStringLiteral("J") : QStringLiteral("N"));
    FeldZeigen(QStringLiteral("Bundesland"), e.Bundesland.isEmpty() ? QStringLiteral("(nur bundesweite Feiertage)")
                                                                    : e.Bundesland);
    FeldZeigen(QStringLiteral("Mindestabstand"), e.MindestTage > 0 ? QStringLiteral("%1 Tage").arg(e.MindestTage)
                                                                   : QStringLiteral("keiner"));
    for (const auto& [stufe, g] : e.GebuehrJeStufe)
        FeldZeigen(QStringLiteral("Gebühr Mahnstufe %1").arg(stufe), qel_FormatMoney(g));
    for (const auto& [stufe, tb] : e.TextbausteinJeStufe)
        FeldZeigen(QStringLiteral("Textbaustein Mahnstufe %1").arg(stufe), qel_TIntPair2String(tb));
}

int aktionMahnregeln(const TAdminAufruf& a)
{
    TBefehlsZeile z(a, QStringLiteral("Zeigt oder ändert die Mahnregeln eines Mandanten; ohne Optionen werden sie gezeigt."));
    z.Argument(QStringLiteral("NR"), QStringLiteral("Mandantennummer."));
    z.Option({QStringLiteral("max-gebuehr")}, QStringLiteral("Höchste Mahngebühr je Posten (Vorgabe 2,50)."), QStringLiteral("BETRAG"));
    z.Option({QStringLiteral("ziel-tage-erste")}, QStringLiteral("Tage bis zum neuen Zahlungsziel bei der ersten Mahnung (Vorgabe 14)."),
             QStringLiteral("N"));
    z.Option({QStringLiteral("ziel-tage-weitere")}, QStringLiteral("Tage bis zum neuen Zahlungsziel bei jeder weiteren (Vorgabe 5)."),
             QStringLiteral("N"));
    z.Option({QStringLiteral("werktage")}, QStringLiteral("J: ein Zahlungsziel am Wochenende oder Feiertag rückt auf den "
                                                          "nächsten Werktag (Vorgabe N)."),
             QStringLiteral("J/N"));
    z.Option({QStringLiteral("bundesland")}, QStringLiteral("Bundesland für die Feiertage (BW, BY, BE, ... TH; leer: nur bundesweite)."),
             QStringLiteral("KÜRZEL"));
    z.Option({QStringLiteral("mindest-tage")}, QStringLiteral("Mindestabstand zweier Mahnungen eines Postens in Tagen (0: keiner)."),
             QStringLiteral("N"));
    z.Option({QStringLiteral("gebuehr")}, QStringLiteral("Vorgeschlagene Gebühr ab einer Mahnstufe, z. B. 3=2,50 (mehrfach)."),
             QStringLiteral("STUFE=BETRAG"));
    z.Option({QStringLiteral("textbaustein")}, QStringLiteral("Vorgewählter Textbaustein ab einer Mahnstufe, z. B. 2=Mahnung (mehrfach)."),
             QStringLiteral("STUFE=KURZTEXT"));
    z.Option({QStringLiteral("stufen-zuruecksetzen")}, QStringLiteral("Gebühren und Textbausteine je Mahnstufe auf die Vorgaben zurücksetzen."));
    z.Lesen();
    const int nr = Ganzzahl(z.Argument(0), QStringLiteral("Die Mandantennummer"), 1, 999999999);
    z.DatenbankOeffnen();
    const TIntPair mandant = MahnRegeln_Mandant(nr);
    TMahnEinstellungen e = MahnRegeln_Lesen(mandant);
    bool geaendert = false;
    auto wert = [&](const char* name) {
        const bool gesetzt = z.Gesetzt(QLatin1String(name));
        geaendert |= gesetzt;
        return gesetzt;
    };
    if (wert("max-gebuehr"))
        e.MaxGebuehr = betragLesen(z, z.Wert(QStringLiteral("max-gebuehr")), QStringLiteral("Die Höchstgebühr"));
    if (wert("ziel-tage-erste"))
        e.ZielTageErste = Ganzzahl(z.Wert(QStringLiteral("ziel-tage-erste")), QStringLiteral("--ziel-tage-erste"), 0, 365);
    if (wert("ziel-tage-weitere"))
        e.ZielTageWeitere = Ganzzahl(z.Wert(QStringLiteral("ziel-tage-weitere")), QStringLiteral("--ziel-tage-weitere"), 0, 365);
    if (wert("werktage"))
        e.NurWerktage = JaNein(z, QStringLiteral("werktage"), e.NurWerktage);
    if (wert("bundesland"))
        e.Bundesland = z.Wert(QStringLiteral("bundesland")).trimmed().toUpper();
    if (wert("mindest-tage"))
        e.MindestTage = Ganzzahl(z.Wert(QStringLiteral("mindest-tage")), QStringLiteral("--mindest-tage"), 0, 365);
    if (wert("stufen-zuruecksetzen")) {
        e.GebuehrJeStufe.clear();
        e.TextbausteinJeStufe.clear();
    }
    if (wert("gebuehr"))
        for (const QString& g : z.Werte(QStringLiteral("gebuehr"))) {
            const auto [stufe, text] = stufeUndWert(z, g, QStringLiteral("gebuehr"));
            e.GebuehrJeStufe[stufe] = betragLesen(z, text, QStringLiteral("Die Gebühr"));
        }
    if (wert("textbaustein"))
        for (const QString& t : z.Werte(QStringLiteral("textbaustein"))) {
            const auto [stufe, text] = stufeUndWert(z, t, QStringLiteral("textbaustein"));
            e.TextbausteinJeStufe[stufe] = textbaustein(text);
        }
    if (geaendert) {
        MahnRegeln_Speichern(mandant, e);
        err() << QStringLiteral("Mahnregeln des Mandanten %1 gespeichert.\n").arg(nr);
    }
    einstellungenZeigen(MahnRegeln_Lesen(mandant));
    return kOk;
}

const TAdminAktion mahnregeln("mandant", "mahnregeln", "Mahnregeln zeigen und ändern", aktionMahnregeln);

}  // namespace
}  // namespace admin
