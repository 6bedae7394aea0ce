// Booking dunnings: one transaction for all documents of a call.
#include "mahnungeditserver.h"

#include "database.h"
#include "postencache.h"
#include "servermeldung.h"

#include <QDate>
#include <array>
#include <csignal>

namespace {

// Crash tests name a position after which the process dies in the middle of a booking.
void abbruchpunkt(int position)
{
    static const int punkt = qEnvironmentVariableIntValue("QEL_SUITE_TEST_ABBRUCH_NACH_POSITION");
    if (punkt > 0 && position == punkt)
        std::raise(SIGKILL);
}

// A booking that must not happen; its text tells the clerk why.
class EBuchungAbgelehnt : public EQELError {
public:
    using EQELError::EQELError;
};

QString postenText(const TQEL_Mahnung_Belegpositionen& p)
{
    return p.Belegnummer.isEmpty() ? QStringLiteral("%1/%2/%3").arg(p.RNr).arg(p.TransNr).arg(p.LfdNr)
                                   : p.Belegnummer;
}

// Prepared once per booking; used for every document and position.
struct TBuchungsAbfragen {
    TSqlAbfrage nummerErhoehen{QStringLiteral(
        "UPDATE belegnummer_kreis SET letzte_nr = letzte_nr + 1 WHERE mandant_rnr = ? AND mandant_lnr = ? "
        "AND wirtschaftsjahr = ? AND rechner_nr = ?")};
    TSqlAbfrage nummerAnlegen{QStringLiteral(
        "INSERT INTO belegnummer_kreis (mandant_rnr, mandant_lnr, wirtschaftsjahr, rechner_nr, letzte_nr) "
        "VALUES (?, ?, ?, ?, 1)")};
    TSqlAbfrage nummerLesen{QStringLiteral(
        "SELECT letzte_nr FROM belegnummer_kreis WHERE mandant_rnr = ? AND mandant_lnr = ? AND wirtschaftsjahr = ? "
        "AND rechner_nr = ?")};
    TSqlAbfrage mahnungSchreiben{QStringLiteral(
        "INSERT INTO mahnung (rnr, lnr, mandant_rnr, mandant_lnr, gep_rnr, gep_lnr, orge_rnr, orge_lnr, "
        "mahnungsdatum, beruecksichtigt, mahnungstext, wirtschaftsjahr, beleg_rnr, beleg_lfdnr, gebucht_am, "
        "benutzer) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")};
    TSqlAbfrage postenLesen{QStringLiteral(
        "SELECT mandant_rnr, mandant_lnr, gep_rnr, gep_lnr, mahnstufe, soll_cent - haben_cent FROM offener_posten "
        "WHERE rechner_nr = ? AND trans_nr = ? AND lfd_nr = ?")};
    TSqlAbfrage stufeErhoehen{QStringLiteral(
        "UPDATE offener_posten SET mahnstufe = ? WHERE rechner_nr = ? AND trans_nr = ? AND lfd_nr = ? "
        "AND mahnstufe = ?")};
    TSqlAbfrage positionSchreiben{QStringLiteral(
        "INSERT INTO mahnung_position (mahnung_rnr, mahnung_lnr, pos, op_rechner_nr, op_trans_nr, op_lfd_nr, "
        "zahlbar_bis, mahnstufe, saldo_cent, mahngebuehren_cent, verzugszins_cent, belegnummer, belegdatum) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")};
};

int naechsteBelegnummer(TBuchungsAbfragen& a, const TIntPair& mandant, int wj, int rechner)
{
    a.nummerErhoehen.Bind({mandant.RNr, mandant.LNr, wj, rechner}).Exec();
    if (a.nummerErhoehen.ZeilenBetroffen() == 0)
        a.nummerAnlegen.Bind({mandant.RNr, mandant.LNr, wj, rechner}).Exec();
    a.nummerLesen.Bind({mandant.RNr, mandant.LNr, wj, rechner}).Exec();
    if (!a.nummerLesen.Next())
        throw EQELError(QStringLiteral("Der Nummernkreis der Mahnungen kann nicht gelesen werden."));
    const int nr = a.nummerLesen.Int(0);
    if (nr > 999999)
        throw EBuchungAbgelehnt(QStringLiteral("Der Nummernkreis der Mahnungen für %1 ist erschöpft.").arg(wj));
    return nr;
}

// The item must still be open, belong to the document's client and partner, and not have been dunned since.
void postenPruefenUndErhoehen(TBuchungsAbfragen& a, const TQEL_Mahnung_Beleg& beleg,
                              const TQEL_Mahnung_Belegpositionen& p)
{
    a.postenLesen.Bind({p.RNr, p.TransNr, int(p.LfdNr)}).Exec();
    if (!a.postenLesen.Next())
        throw EBuchungAbgelehnt(QStringLiteral("Der Offene Posten %1 existiert nicht mehr.").arg(postenText(p)));
    const TIntPair mandant{a.postenLesen.Int(0), a.postenLesen.Int(1)};
    const TIntPair gep{a.postenLesen.Int(2), a.postenLesen.Int(3)};
    const int stufe = a.postenLesen.Int(4);
    const qint64 saldo = a.postenLesen.Int64(5);
    if (!IntPairEqual(mandant, beleg.Mandant) || !IntPairEqual(gep, beleg.GepNr))
        throw EBuchungAbgelehnt(
            QStringLiteral("Der Offene Posten %1 gehört nicht zu diesem Mandanten und Geschäftspartner.").arg(postenText(p)));
    if (saldo == 0)
        throw EBuchungAbgelehnt(QStringLiteral("Der Offene Posten %1 ist inzwischen ausgeglichen.").arg(postenText(p)));
    if (stufe != p.Mahnstufe - 1)
        throw EBuchungAbgelehnt(QStringLiteral("Der Offene Posten %1 wurde inzwischen bereits gemahnt (Mahnstufe %2). "
                                               "Bitte die Liste aktualisieren.")
                                    .arg(postenText(p))
                                    .arg(stufe));
    a.stufeErhoehen.Bind({p.Mahnstufe, p.RNr, p.TransNr, int(p.LfdNr), stufe}).Exec();
    if (a.stufeErhoehen.ZeilenBetroffen() != 1)
        throw EBuchungAbgelehnt(
            QStringLiteral("Der Offene Posten %1 wurde gleichzeitig an einem anderen Arbeitsplatz gemahnt.").arg(postenText(p)));
}

void belegPruefen(const TQEL_Mahnung_Beleg& beleg)
{
    if (!IntPairDefined(beleg.Mandant) || !IntPairDefined(beleg.GepNr))
        throw EBuchungAbgelehnt(QStringLiteral("Eine Mahnung ohne Mandant oder Geschäftspartner kann nicht gebucht werden."));
    if (beleg.Positionen.empty())
        throw EBuchungAbgelehnt(QStringLiteral("Eine Mahnung ohne Posten kann nicht gebucht werden."));
    if (!qel_ToQDate(beleg.Mahnungsdatum).isValid() || beleg.Mahnungsdatum < 1)
        throw EBuchungAbgelehnt(QStringLiteral("Das Mahnungsdatum ist ungültig."));
}

}  // namespace

bool TMahnungEditServer::Mahnungen_Buchen(TQEL_Mahnung_Beleg_Array& mahnungen)
{
    if (mahnungen.empty()) {
        qel_ServerMeldung(QStringLiteral("Es wurden keine Mahnungen zum Buchen übergeben."));
        return false;
    }
    const int rechner = TSuiteDatenbank::RechnerNr();
    const TDateTime jetzt = qel_Now();
    const QString benutzer = TSuiteDatenbank::Benutzer();
    std::vector<std::array<int, 3>> nummern;
    nummern.reserve(mahnungen.size());
    try {
        TTransaktion t;
        TBuchungsAbfragen a;
        int positionen = 0;
        for (const TQEL_Mahnung_Beleg& beleg : mahnungen) {
            belegPruefen(beleg);
            const int wj = qel_ToQDate(beleg.Mahnungsdatum).year();
            const int lfd = naechsteBelegnummer(a, beleg.Mandant, wj, rechner);
            const TIntPair id = qel_NeuerSchluessel(QStringLiteral("MAHNUNG"), rechner);
            a.mahnungSchreiben
                .Bind({id.RNr, id.LNr, beleg.Mandant.RNr, beleg.Mandant.LNr, beleg.GepNr.RNr, beleg.GepNr.LNr,
                       beleg.OrgeNr.RNr, beleg.OrgeNr.LNr, beleg.Mahnungsdatum, beleg.Beruecksichtigt,
                       beleg.MahnungsText, wj, rechner, lfd, jetzt, benutzer})
                .Exec();
            int pos = 0;
            for (const TQEL_Mahnung_Belegpositionen& p : beleg.Positionen) {
                postenPruefenUndErhoehen(a, beleg, p);
                a.positionSchreiben
                    .Bind({id.RNr, id.LNr, ++pos, p.RNr, p.TransNr, int(p.LfdNr), p.ZahlbarBis, p.Mahnstufe,
                           qel_Cent(p.Saldo), qel_Cent(p.Mahngebuehren), qel_Cent(p.Verzugszins), p.Belegnummer,
                           p.Belegdatum})
                    .Exec();
                abbruchpunkt(++positionen);
            }
            nummern.push_back({wj, rechner, lfd});
        }
        t.Commit();
    } catch (const EBuchungAbgelehnt& e) {
        qel_ServerMeldung(QStringLiteral("Die Mahnungen wurden nicht gebucht.\n%1").arg(e.Text()));
        return false;
    }
    // Only a committed booking hands its numbers back.
    for (size_t i = 0; i < mahnungen.size(); ++i) {
        mahnungen[i].WirtschaftsJahr = nummern[i][0];
        mahnungen[i].RNr = nummern[i][1];
        mahnungen[i].LfdNr = nummern[i][2];
    }
    TPostenCache::Instance().Leeren();
    return true;
}
