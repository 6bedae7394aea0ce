// Booking dunnings: one transaction for all documents of a call.
#include "mahnungeditserver.h"

#include "database_intern.h"
#include "mahnregelnserver.h"
#include "postencache.h"
#include "rechte.h"
#include "servermeldung.h"
#include "wertpruefung.h"
#include "stapelabfrage.h"

#include <QDate>
#include <QStringList>
#include <algorithm>
#include <csignal>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <tuple>

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

int wirtschaftsjahr(const TQEL_Mahnung_Beleg& b) { return qel_ToQDate(b.Mahnungsdatum).year(); }

QString postenText(const TQEL_Mahnung_Belegpositionen& p)
{
    return p.Belegnummer.isEmpty() ? QStringLiteral("%1/%2/%3").arg(p.RNr).arg(p.TransNr).arg(p.LfdNr)
                                   : p.Belegnummer;
}

// Same limit as the column belegnummer.
constexpr int kBelegnummerLaenge = 40;

const char* const kPostenWerte = "WITH v (rechner_nr, trans_nr, lfd_nr, mahnstufe, mandant_rnr, mandant_lnr, gep_rnr, "
                                 "gep_lnr) AS (VALUES %1) ";

// Prepared once per booking; used for every document and position.
struct TBuchungsAbfragen {
    // The counter row first exists (a concurrent first booking waits instead of failing), then the
    // increment's row lock hands out the block.
    TSqlAbfrage nummernkreisAnlegen{QStringLiteral(
        "INSERT INTO belegnummer_kreis (mandant_rnr, mandant_lnr, wirtschaftsjahr, rechner_nr, letzte_nr) "
        "VALUES (?, ?, ?, ?, 0) ON CONFLICT DO NOTHING")};
    TSqlAbfrage nummernErhoehen{QStringLiteral(
        "UPDATE belegnummer_kreis SET letzte_nr = letzte_nr + ? WHERE mandant_rnr = ? AND mandant_lnr = ? "
        "AND wirtschaftsjahr = ? AND rechner_nr = ?")};
    TSqlAbfrage nummerLesen{QStringLiteral(
        "SELECT letzte_nr FROM belegnummer_kreis WHERE mandant_rnr = ? AND mandant_lnr = ? AND wirtschaftsjahr = ? "
        "AND rechner_nr = ?")};
    TStapelAbfrage mahnungenSchreiben{[](int n) {
        return QStringLiteral(
                   "INSERT INTO mahnung (rnr, lnr, mandant_rnr, mandant_lnr, gep_rnr, gep_lnr, orge_rnr, orge_lnr, "
                   "mahnungsdatum, beruecksichtigt, mahnungstext, wirtschaftsjahr, beleg_rnr, beleg_lfdnr, gebucht_am, "
                   "benutzer) VALUES %1")
            .arg(platzhalterZeilen(n, 16, false));
    }};
    TSqlAbfrage postenLesen{QStringLiteral(
        "SELECT mandant_rnr, mandant_lnr, gep_rnr, gep_lnr, mahnstufe, soll_cent - haben_cent FROM offener_posten "
        "WHERE rechner_nr = ? AND trans_nr = ? AND lfd_nr = ?")};
    // PostgreSQL locks a batch's rows in key order first: two workstations booking overlapping
    // items then wait for each other instead of deadlocking. (SQLite has one writer at a time.)
    TStapelAbfrage postenSperren{[](int n) {
        return QString::fromLatin1(kPostenWerte).arg(platzhalterZeilen(n, 8, true))
            + QStringLiteral("SELECT op.rechner_nr FROM offener_posten op JOIN v ON op.rechner_nr = v.rechner_nr "
                             "AND op.trans_nr = v.trans_nr AND op.lfd_nr = v.lfd_nr "
                             "ORDER BY op.rechner_nr, op.trans_nr, op.lfd_nr FOR UPDATE OF op");
    }};
    // Every condition in the statement itself: what it changes was true when it changed it, also
    // while another workstation books the same items. It names the rows it raised.
    // Each condition refers to v: one on offener_posten alone would let SQLite, once ANALYZE has run,
    // build a Bloom filter over the whole table for every batch (hence "+ 0 * v.mahnstufe").
    TStapelAbfrage stufenErhoehen{[](int n) {
        return QString::fromLatin1(kPostenWerte).arg(platzhalterZeilen(n, 8, true))
            + QStringLiteral("UPDATE offener_posten SET mahnstufe = v.mahnstufe + 1 FROM v "
                             "WHERE offener_posten.rechner_nr = v.rechner_nr AND offener_posten.trans_nr = v.trans_nr "
                             "AND offener_posten.lfd_nr = v.lfd_nr AND offener_posten.mahnstufe = v.mahnstufe "
                             "AND offener_posten.mandant_rnr = v.mandant_rnr AND offener_posten.mandant_lnr = v.mandant_lnr "
                             "AND offener_posten.gep_rnr = v.gep_rnr AND offener_posten.gep_lnr = v.gep_lnr "
                             "AND offener_posten.soll_cent <> offener_posten.haben_cent + 0 * v.mahnstufe "
                             "RETURNING offener_posten.rechner_nr, offener_posten.trans_nr, offener_posten.lfd_nr");
    }};
};

// A block of anzahl consecutive document numbers of a client, fiscal year and computer; returns the first.
int belegnummernHolen(TBuchungsAbfragen& a, const TIntPair& mandant, int wj, int rechner, int anzahl)
{
    a.nummernkreisAnlegen.Bind({mandant.RNr, mandant.LNr, wj, rechner}).Exec();
    a.nummernErhoehen.Bind({anzahl, mandant.RNr, mandant.LNr, wj, rechner}).Exec();
    a.nummerLesen.Bind({mandant.RNr, mandant.LNr, wj, rechner}).Exec();
    if (!a.nummerLesen.Next())
        throw EQELError(QStringLiteral("Der Nummernkreis der Mahnungen kann nicht gelesen werden."));
    const int letzte = a.nummerLesen.Int(0);
    if (letzte > 999999)
        throw EBuchungAbgelehnt(QStringLiteral("Der Nummernkreis der Mahnungen für %1 ist erschöpft.").arg(wj));
    return letzte - anzahl + 1;
}

// Numbers in the order of the documents, consecutive per client and fiscal year.
std::vector<int> belegnummernVergeben(TBuchungsAbfragen& a, const TQEL_Mahnung_Beleg_Array& mahnungen, int rechner)
{
    std::map<std::tuple<int, int, int>, int> anzahl;
    for (const TQEL_Mahnung_Beleg& b : mahnungen)
        ++anzahl[{b.Mandant.RNr, b.Mandant.LNr, wirtschaftsjahr(b)}];
    std::map<std::tuple<int, int, int>, int> naechste;
    for (const auto& [kreis, n] : anzahl)
        naechste[kreis] = belegnummernHolen(a, TIntPair{std::get<0>(kreis), std::get<1>(kreis)}, std::get<2>(kreis),
                                            rechner, n);
    std::vector<int> nummern;
    nummern.reserve(mahnungen.size());
    for (const TQEL_Mahnung_Beleg& b : mahnungen)
        nummern.push_back(naechste[{b.Mandant.RNr, b.Mandant.LNr, wirtschaftsjahr(b)}]++);
    return nummern;
}

// Why the conditional update left an item alone.
[[noreturn]] void postenAbgelehnt(TBuchungsAbfragen& a, const TQEL_Mahnung_Beleg& beleg,
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
    throw EBuchungAbgelehnt(
        QStringLiteral("Der Offene Posten %1 wurde gleichzeitig an einem anderen Arbeitsplatz gemahnt.").arg(postenText(p)));
}

using TPostenRef = std::pair<const TQEL_Mahnung_Beleg*, const TQEL_Mahnung_Belegpositionen*>;
using TPostenSchluessel = std::tuple<int, int, int>;

TPostenSchluessel schluessel(const TQEL_Mahnung_Belegpositionen& p) { return {p.RNr, p.TransNr, int(p.LfdNr)}; }

// Raises one batch; every item must have been raised exactly once, an item twice in the call only once.
void stapelErhoehen(TBuchungsAbfragen& a, const TPostenRef* von, int anzahl)
{
    auto binden = [&](TSqlAbfrage& q) -> TSqlAbfrage& {
        for (int i = 0; i < anzahl; ++i) {
            const TQEL_Mahnung_Beleg& b = *von[i].first;
            const TQEL_Mahnung_Belegpositionen& p = *von[i].second;
            q.Bind({p.RNr, p.TransNr, int(p.LfdNr), p.Mahnstufe - 1, b.Mandant.RNr, b.Mandant.LNr, b.GepNr.RNr,
                    b.GepNr.LNr});
        }
        return q;
    };
    if (TSuiteDatenbank::IstPostgres())
        binden(a.postenSperren.Fuer(anzahl)).Exec();
    TSqlAbfrage& q = binden(a.stufenErhoehen.Fuer(anzahl)).Exec();
    std::set<TPostenSchluessel> erhoeht;
    while (q.Next())
        erhoeht.insert({q.Int(0), q.Int(1), q.Int(2)});
    q.Query().finish();
    for (int i = 0; i < anzahl; ++i)
        if (erhoeht.erase(schluessel(*von[i].second)) == 0)
            postenAbgelehnt(a, *von[i].first, *von[i].second);
}

// The item must still be open, belong to the document's client and partner, and not have been dunned
// since. Items go in key order, so that concurrent bookings lock them in the same order.
void allePostenErhoehen(TBuchungsAbfragen& a, const TQEL_Mahnung_Beleg_Array& mahnungen)
{
    std::vector<TPostenRef> posten;
    for (const TQEL_Mahnung_Beleg& b : mahnungen)
        for (const TQEL_Mahnung_Belegpositionen& p : b.Positionen)
            posten.emplace_back(&b, &p);
    std::stable_sort(posten.begin(), posten.end(),
                     [](const TPostenRef& x, const TPostenRef& y) { return schluessel(*x.second) < schluessel(*y.second); });
    for (size_t i = 0; i < posten.size(); i += kStapel)
        stapelErhoehen(a, posten.data() + i, int(std::min(posten.size() - i, size_t(kStapel))));
}

// The documents with their positions, in batches; the crash seam counts positions as before.
void belegeSchreiben(TBuchungsAbfragen& a, const TQEL_Mahnung_Beleg_Array& mahnungen, const std::vector<int>& nummern,
                     TIntPair id, int rechner, TDateTime jetzt, const QString& benutzer)
{
    const int n = int(mahnungen.size());
    for (int anfang = 0; anfang < n; anfang += kStapel) {
        const int anzahl = std::min(n - anfang, kStapel);
        TSqlAbfrage& q = a.mahnungenSchreiben.Fuer(anzahl);
        for (int i = anfang; i < anfang + anzahl; ++i) {
            const TQEL_Mahnung_Beleg& beleg = mahnungen[size_t(i)];
            q.Bind({id.RNr, id.LNr + i, beleg.Mandant.RNr, beleg.Mandant.LNr, beleg.GepNr.RNr, beleg.GepNr.LNr,
                    beleg.OrgeNr.RNr, beleg.OrgeNr.LNr, beleg.Mahnungsdatum, beleg.Beruecksichtigt, beleg.MahnungsText,
                    wirtschaftsjahr(beleg), rechner, nummern[size_t(i)], jetzt, benutzer});
        }
        q.Exec();
    }
    std::vector<std::tuple<int, int, const TQEL_Mahnung_Belegpositionen*>> positionen;  // document, pos, item
    for (int i = 0; i < n; ++i) {
        int pos = 0;
        for (const TQEL_Mahnung_Belegpositionen& p : mahnungen[size_t(i)].Positionen)
            positionen.emplace_back(i, ++pos, &p);
    }
    TStapelSchreiber neu(QStringLiteral("mahnung_position (mahnung_rnr, mahnung_lnr, pos, op_rechner_nr, op_trans_nr, "
                                        "op_lfd_nr, zahlbar_bis, mahnstufe, saldo_cent, mahngebuehren_cent, "
                                        "verzugszins_cent, belegnummer, belegdatum, pauschale_cent)"),
                         14);
    int geschrieben = 0;
    for (size_t anfang = 0; anfang < positionen.size(); anfang += kStapel) {
        const int anzahl = int(std::min(positionen.size() - anfang, size_t(kStapel)));
        for (size_t k = anfang; k < anfang + size_t(anzahl); ++k) {
            const auto& [i, pos, pp] = positionen[k];
            const TQEL_Mahnung_Belegpositionen& p = *pp;
            neu.Zeile({id.RNr, id.LNr + i, pos, p.RNr, p.TransNr, int(p.LfdNr), p.ZahlbarBis, p.Mahnstufe,
                       qel_Cent(p.Saldo), qel_Cent(p.Mahngebuehren), qel_Cent(p.Verzugszins), p.Belegnummer,
                       p.Belegdatum, qel_Cent(p.Pauschale)});
        }
        neu.Schreiben();
        for (int k = 0; k < anzahl; ++k)
            abbruchpunkt(++geschrieben);
    }
}

// Every value is checked before anything is written; a refusal names the field and the value.
void belegPruefen(const TQEL_Mahnung_Beleg& beleg)
{
    if (!IntPairDefined(beleg.Mandant) || !IntPairDefined(beleg.GepNr))
        throw EBuchungAbgelehnt(QStringLiteral("Eine Mahnung ohne Mandant oder Geschäftspartner kann nicht gebucht werden."));
    if (beleg.Positionen.empty())
        throw EBuchungAbgelehnt(QStringLiteral("Eine Mahnung ohne Posten kann nicht gebucht werden."));
    qel_DatumPruefen(QStringLiteral("Mahnungsdatum"), beleg.Mahnungsdatum);
    qel_DatumOderLeerPruefen(QStringLiteral("Berücksichtigt bis"), beleg.Beruecksichtigt);
    for (const TQEL_Mahnung_Belegpositionen& p : beleg.Positionen) {
        const QString wo = QStringLiteral(" (Beleg %1)").arg(postenText(p));
        qel_TextPruefen(QStringLiteral("Belegnummer"), p.Belegnummer, kBelegnummerLaenge);
        qel_DatumOderLeerPruefen(QStringLiteral("Zahlbar bis") + wo, p.ZahlbarBis);
        qel_DatumOderLeerPruefen(QStringLiteral("Belegdatum") + wo, p.Belegdatum);
        // A booking raises the level by one: the new level is at least 1.
        qel_StufePruefen(QStringLiteral("Mahnstufe") + wo, p.Mahnstufe, 1, CQEL_MaxMahnstufe);
        qel_BetragPruefen(QStringLiteral("Saldo") + wo, p.Saldo);
        qel_BetragPruefen(QStringLiteral("Mahngebühren") + wo, p.Mahngebuehren);
        qel_BetragPruefen(QStringLiteral("Verzugszinsen") + wo, p.Verzugszins);
        qel_BetragPruefen(QStringLiteral("Pauschale") + wo, p.Pauschale);
    }
}

bool abgelehnt(const EQELError& e)
{
    qel_ServerMeldung(QStringLiteral("Die Mahnungen wurden nicht gebucht.\n%1").arg(e.Text()));
    return false;
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
    std::vector<int> nummern;
    try {
        // Checked again here: the start-up check is the program's, a booking is the server's.
        const QString verweigert = Rechte_Verweigerung(benutzer, CQEL_Mahnwesen_Rechte);
        if (!verweigert.isEmpty())
            throw EBuchungAbgelehnt(verweigert);
        for (const TQEL_Mahnung_Beleg& beleg : mahnungen)
            belegPruefen(beleg);
        TTransaktion t;
        MahnRegeln_BuchungPruefen(mahnungen);
        TBuchungsAbfragen a;
        allePostenErhoehen(a, mahnungen);
        nummern = belegnummernVergeben(a, mahnungen, rechner);
        const TIntPair id = qel_NeueSchluessel(QStringLiteral("MAHNUNG"), rechner, int(mahnungen.size()));
        belegeSchreiben(a, mahnungen, nummern, id, rechner, jetzt, benutzer);
        t.Commit();
    } catch (const EWertUngueltig& e) {
        return abgelehnt(e);
    } catch (const EBuchungAbgelehnt& e) {
        return abgelehnt(e);
    } catch (const EMahnRegel& e) {
        return abgelehnt(e);
    } catch (const EDatenbankKonflikt& e) {
        // Another workstation held the same items too long, or the engine broke a deadlock.
        return abgelehnt(e);
    }
    // Only a committed booking hands its numbers back.
    for (size_t i = 0; i < mahnungen.size(); ++i) {
        mahnungen[i].WirtschaftsJahr = wirtschaftsjahr(mahnungen[i]);
        mahnungen[i].RNr = rechner;
        mahnungen[i].LfdNr = nummern[i];
    }
    TPostenCache::Instance().Leeren();
    return true;
}
