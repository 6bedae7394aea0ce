// The dunning server: booked dunnings of a client, one found by its number, and its positions.
#include "mahnungeditserver.h"

#include "database_intern.h"

#include <QHash>
#include <QSet>
#include <optional>
#include <algorithm>

namespace {

// Columns of the list of booked dunnings.
enum : int {
    mlGepName = 0,
    mlMahnungsdatum,
    mlEmail,  // a narrow state beside the date, before the wide columns
    mlMahnungsText,
    mlBelegnummer,
    mlZusatz,
    mlMahnungsID,
    mlGepNr,
    mlOrgeNr,
    mlBeruecksichtigt,
    mlLfdNr,
    mlWirtschaftsJahr,
    mlRNr,
    mlSpaltenAnzahl
};

// Columns of the positions of one dunning.
enum : int {
    mpBelegNr = 0,
    mpDatum,
    mpZahlbarbis,
    mpSaldo,
    mpMahnstufe,
    mpMahngebuehren,
    mpVerzugszins,
    mpPauschale,
    mpRNr,
    mpTransNr,
    mpLfdNr,
    mpSpaltenAnzahl
};

const TVRSpalte kListenSpalten[mlSpaltenAnzahl] = {
    {"Geschäftspartner", CVR_Text, false, true},  {"Datum", CVR_Date, false, true},
    {"E-Mail", CVR_Text, false, true},            {"Mahnungstext", CVR_Text, false, false},
    {"Belegnummer", CVR_Text, false, true},       {"Art / Betrag", CVR_Text, false, true},
    {"MahnungsID", CVR_Text, false, false},
    {"GeschäftspartnerNr", CVR_Text, false, false}, {"OrganisationsNr", CVR_Text, false, false},
    {"Berücksichtigt bis", CVR_Date, false, false}, {"Lfd. Nr.", CVR_Integer, false, false},
    {"Wirtschaftsjahr", CVR_Integer, false, false}, {"Rechnernummer", CVR_Integer, false, false},
};

const TVRSpalte kPositionsSpalten[mpSpaltenAnzahl] = {
    {"Belegnummer", CVR_Text, false, true},    {"Rechnungsdatum", CVR_Date, false, true},
    {"Zahlbar bis", CVR_Date, false, true},    {"Saldo", CVR_Number, true, true},
    {"Mahnstufe", CVR_Integer, false, true},   {"Mahngebühren", CVR_Number, true, true},
    {"Verzugszinsen", CVR_Number, true, true}, {"Pauschale", CVR_Number, true, true},
    {"Rechnernummer OP", CVR_Integer, false, false}, {"Transaktionsnummer OP", CVR_Integer, false, false},
    {"Lfd. Nr. OP", CVR_Integer, false, false},
};

template <size_t N>
std::unique_ptr<TVRList> neueTabelle(const TVRSpalte (&spalten)[N])
{
    auto liste = std::make_unique<TVRList>();
    liste->ColumnsAdd(spalten);
    return liste;
}

// Sums and levels of a dunning's positions.
struct TPosSumme {
    qint64 Cent = 0;
    int MinStufe = 0;
    int MaxStufe = 0;
    QString Waehrung;
};

// "Zahlungserinnerung" for first dunnings only, "Mahnung" for later ones only, both when mixed.
QString mahnungsArt(const TPosSumme& s)
{
    if (s.MaxStufe <= 1)
        return QStringLiteral("Zahlungserinnerung");
    if (s.MinStufe > 1)
        return QStringLiteral("Mahnung");
    return QStringLiteral("Zahlungserinnerung / Mahnung");
}

QString zusatz(const TPosSumme& s)
{
    const QString waehrung = s.Waehrung.isEmpty() ? QStringLiteral("EUR") : s.Waehrung;
    return mahnungsArt(s) + QLatin1Char(' ') + qel_FormatMoney(qel_Betrag(s.Cent)) + QLatin1Char(' ') + waehrung;
}

quint64 schluessel(int rnr, int lnr) { return (quint64(quint32(rnr)) << 32) | quint32(lnr); }

// The currency of all the client's items when they share one; otherwise each position's item tells.
std::optional<QString> einzigeWaehrung(const TIntPair& mandant)
{
    TSqlAbfrage q(QStringLiteral("SELECT DISTINCT waehrung FROM offener_posten WHERE mandant_rnr = ? AND mandant_lnr = ?"));
    q.Bind({mandant.RNr, mandant.LNr}).Exec();
    QStringList w;
    while (q.Next())
        w << q.Text(0);
    if (w.size() > 1)
        return std::nullopt;
    return w.value(0);
}

// Sums of the positions of the dunnings the restriction selects (it names the dunning table "m").
// Summed here rather than grouped in SQL: a streamed join is several times cheaper than a grouped one.
QHash<quint64, TPosSumme> positionsSummen(const std::optional<QString>& waehrung, const QString& bedingung,
                                          const QVariantList& werte)
{
    const bool jePosten = !waehrung.has_value();
    TSqlAbfrage q(QStringLiteral("SELECT mp.mahnung_rnr, mp.mahnung_lnr, "
                                 "mp.saldo_cent + mp.mahngebuehren_cent + mp.verzugszins_cent + mp.pauschale_cent, mp.mahnstufe%1 "
                                 "FROM mahnung m JOIN mahnung_position mp ON mp.mahnung_rnr = m.rnr "
                                 "AND mp.mahnung_lnr = m.lnr %2 WHERE %3")
                      .arg(jePosten ? QStringLiteral(", op.waehrung") : QString(),
                           jePosten ? QStringLiteral("LEFT JOIN offener_posten op ON op.rechner_nr = mp.op_rechner_nr "
                                                     "AND op.trans_nr = mp.op_trans_nr AND op.lfd_nr = mp.op_lfd_nr")
                                    : QString(),
                           bedingung));
    for (const QVariant& v : werte)
        q.Bind(v);
    q.Query().setForwardOnly(true);
    q.Exec();
    QHash<quint64, TPosSumme> summen;
    while (q.Next()) {
        const quint64 key = schluessel(q.Int(0), q.Int(1));
        const int stufe = q.Int(3);
        auto it = summen.find(key);
        if (it == summen.end()) {
            summen.insert(key, TPosSumme{q.Int64(2), stufe, stufe, jePosten ? q.Text(4) : *waehrung});
            continue;
        }
        it->Cent += q.Int64(2);
        it->MinStufe = std::min(it->MinStufe, stufe);
        it->MaxStufe = std::max(it->MaxStufe, stufe);
        if (jePosten && it->Waehrung.isEmpty())
            it->Waehrung = q.Text(4);
    }
    return summen;
}

// Partner names of a client; read once instead of joined to every dunning.
QHash<quint64, QString> partnerNamen(const TIntPair& mandant)
{
    TSqlAbfrage q(QStringLiteral("SELECT rnr, lnr, name FROM geschaeftspartner WHERE mandant_rnr = ? AND mandant_lnr = ?"));
    q.Bind({mandant.RNr, mandant.LNr}).Exec();
    QHash<quint64, QString> namen;
    while (q.Next())
        namen.insert(schluessel(q.Int(0), q.Int(1)), q.Text(2));
    return namen;
}

// Whether and when each dunning of the client was mailed: an accepted mail counts over failed attempts,
// otherwise the latest failure tells why.
QHash<quint64, QString> versandStand(const TIntPair& mandant)
{
    TSqlAbfrage q(QStringLiteral("SELECT mahnung_rnr, mahnung_lnr, zeit, angenommen, meldung FROM mahnung_versand "
                                 "WHERE mandant_rnr = ? AND mandant_lnr = ? ORDER BY zeit, rnr, lnr"));
    q.Bind({mandant.RNr, mandant.LNr}).Exec();
    QHash<quint64, QString> stand;
    QSet<quint64> versendet;
    while (q.Next()) {
        const quint64 key = schluessel(q.Int(0), q.Int(1));
        const QString zeit = qel_ToQDateTime(q.Double(2)).toString(QStringLiteral("dd.MM.yyyy HH:mm"));
        if (q.Int(3) != 0) {
            if (!versendet.contains(key))
                stand.insert(key, QStringLiteral("versendet am %1").arg(zeit));
            versendet.insert(key);
        } else if (!versendet.contains(key)) {
            stand.insert(key, QStringLiteral("nicht versendet (%1): %2").arg(zeit, q.Text(4)));
        }
    }
    return stand;
}

void mahnungenLesen(TVRList& liste, const TIntPair& mandant, const std::optional<QString>& waehrung,
                    const QString& bedingung, const QVariantList& werte)
{
    const QHash<quint64, TPosSumme> summen = positionsSummen(waehrung, bedingung, werte);
    const QHash<quint64, QString> namen = partnerNamen(mandant);
    const QHash<quint64, QString> versand = versandStand(mandant);
    liste.Reserve(liste.GetRowCount() + int(summen.size()));  // one row per dunning with positions
    TSqlAbfrage q(QStringLiteral(
                      "SELECT m.rnr, m.lnr, m.mahnungsdatum, m.mahnungstext, m.beleg_lfdnr, m.wirtschaftsjahr, "
                      "m.beleg_rnr, m.gep_rnr, m.gep_lnr, m.orge_rnr, m.orge_lnr, m.beruecksichtigt, m.storniert_am "
                      "FROM mahnung m WHERE %1 ORDER BY m.mahnungsdatum, m.wirtschaftsjahr, m.beleg_rnr, m.beleg_lfdnr")
                      .arg(bedingung));
    for (const QVariant& w : werte)
        q.Bind(w);
    q.Query().setForwardOnly(true);
    q.Exec();
    while (q.Next()) {
        const int lfd = q.Int(4), wj = q.Int(5), rnr = q.Int(6);
        const TIntPair gep{q.Int(7), q.Int(8)};
        std::vector<TVRItem> zeile(mlSpaltenAnzahl);
        zeile[mlGepName] = namen.value(schluessel(gep.RNr, gep.LNr));
        zeile[mlMahnungsdatum] = q.Double(2);
        zeile[mlMahnungsText] = q.Text(3);
        zeile[mlBelegnummer] = Formatiere_Belegnummer_String(QStringLiteral("AOP"), lfd, wj, rnr);
        zeile[mlZusatz] = (q.Double(12) != 0 ? QStringLiteral("STORNIERT: ") : QString()) +
                          zusatz(summen.value(schluessel(q.Int(0), q.Int(1))));
        zeile[mlMahnungsID] = qel_TIntPair2String(TIntPair{q.Int(0), q.Int(1)});
        zeile[mlGepNr] = qel_TIntPair2String(gep);
        zeile[mlOrgeNr] = qel_TIntPair2String(TIntPair{q.Int(9), q.Int(10)});
        zeile[mlBeruecksichtigt] = q.Double(11);
        zeile[mlLfdNr] = qint64(lfd);
        zeile[mlWirtschaftsJahr] = qint64(wj);
        zeile[mlRNr] = qint64(rnr);
        zeile[mlEmail] = versand.value(schluessel(q.Int(0), q.Int(1)));
        liste.RowAdd(std::move(zeile));
    }
}

TVRList& mahnungenTabelle(std::unique_ptr<TVRList>& tabelle)
{
    if (!tabelle)
        tabelle = neueTabelle(kListenSpalten);
    return *tabelle;
}

TVRList& positionenTabelle(std::unique_ptr<TVRList>& tabelle)
{
    if (!tabelle)
        tabelle = neueTabelle(kPositionsSpalten);
    return *tabelle;
}

void zeilenUebernehmen(const TVRList& von, TVRList& nach)
{
    nach.RowsClear();
    for (int r = 0; r < von.GetRowCount(); ++r) {
        std::vector<TVRItem> zeile(von.GetColumnCount());
        for (int c = 0; c < von.GetColumnCount(); ++c)
            zeile[c] = von.GetCell(r, c);
        nach.RowAdd(std::move(zeile));
    }
}

}  // namespace

bool TMahnungEditServer::Mahnungen_Abfragen(const TIntPair& mandant, int rechner, TDateTime von, TDateTime bis)
{
    TVRList& liste = mahnungenTabelle(m_mahnungen);
    liste.RowsClear();
    if (!IntPairDefined(mandant) || bis < von)
        return false;
    // Whole days: a dunning written at noon belongs to a period that ends on that day (typed or picked
    // dates carry no time of day).
    QString bedingung = QStringLiteral(
        "m.mandant_rnr = ? AND m.mandant_lnr = ? AND m.mahnungsdatum >= ? AND m.mahnungsdatum < ?");
    QVariantList werte{mandant.RNr, mandant.LNr, qel_DateOf(von), qel_DateOf(bis) + 1};
    if (rechner > 0) {
        bedingung += QStringLiteral(" AND m.beleg_rnr = ?");
        werte << rechner;
    }
    mahnungenLesen(liste, mandant, einzigeWaehrung(mandant), bedingung, werte);
    return true;
}

bool TMahnungEditServer::Mahnung_Suchen_Belegnummer(const TIntPair& mandant, int lfdNr, int wirtschaftsJahr, int rNr)
{
    // Numbers are unique per client only, so the client must match as well.
    const auto treffer = neueTabelle(kListenSpalten);
    mahnungenLesen(*treffer, mandant, std::nullopt,
                   QStringLiteral("m.beleg_lfdnr = ? AND m.wirtschaftsjahr = ? AND m.beleg_rnr = ? "
                                  "AND m.mandant_rnr = ? AND m.mandant_lnr = ?"),
                   {lfdNr, wirtschaftsJahr, rNr, mandant.RNr, mandant.LNr});
    // A miss leaves the list as it is: a view may still show it while the clerk reads the message.
    if (treffer->GetRowCount() == 0)
        return false;
    zeilenUebernehmen(*treffer, mahnungenTabelle(m_mahnungen));
    return true;
}

TVRList* TMahnungEditServer::Mahnungen_Liste() { return &mahnungenTabelle(m_mahnungen); }

int TMahnungEditServer::Spalte_M_GepName() { return mlGepName; }
int TMahnungEditServer::Spalte_Mahnungsdatum() { return mlMahnungsdatum; }
int TMahnungEditServer::Spalte_MahnungsText() { return mlMahnungsText; }
int TMahnungEditServer::Spalte_M_Belegnummer() { return mlBelegnummer; }
int TMahnungEditServer::Spalte_M_Zusatz() { return mlZusatz; }
int TMahnungEditServer::Spalte_MahnungsID() { return mlMahnungsID; }
int TMahnungEditServer::Spalte_M_GepNr() { return mlGepNr; }
int TMahnungEditServer::Spalte_M_OrgeNr() { return mlOrgeNr; }
int TMahnungEditServer::Spalte_Beruecksichtigt() { return mlBeruecksichtigt; }
int TMahnungEditServer::Spalte_M_LfdNr() { return mlLfdNr; }
int TMahnungEditServer::Spalte_M_WirtschaftsJahr() { return mlWirtschaftsJahr; }
int TMahnungEditServer::Spalte_M_RNr() { return mlRNr; }
int TMahnungEditServer::Spalte_M_Email() { return mlEmail; }

bool TMahnungEditServer::Mahnung_Abfragen(const TIntPair& mahnungsId)
{
    TVRList& liste = positionenTabelle(m_positionen);
    liste.RowsClear();
    if (!IntPairDefined(mahnungsId))
        return false;
    TSqlAbfrage kopf(QStringLiteral("SELECT COUNT(*) FROM mahnung WHERE rnr = ? AND lnr = ?"));
    kopf.Bind({mahnungsId.RNr, mahnungsId.LNr}).Exec();
    if (!kopf.Next() || kopf.Int(0) == 0)
        return false;
    TSqlAbfrage q(QStringLiteral(
        "SELECT belegnummer, belegdatum, zahlbar_bis, saldo_cent, mahnstufe, mahngebuehren_cent, verzugszins_cent, "
        "pauschale_cent, op_rechner_nr, op_trans_nr, op_lfd_nr FROM mahnung_position WHERE mahnung_rnr = ? AND mahnung_lnr = ? ORDER BY pos"));
    q.Bind({mahnungsId.RNr, mahnungsId.LNr}).Exec();
    while (q.Next()) {
        std::vector<TVRItem> zeile(mpSpaltenAnzahl);
        zeile[mpBelegNr] = q.Text(0);
        zeile[mpDatum] = q.Double(1);
        zeile[mpZahlbarbis] = q.Double(2);
        zeile[mpSaldo] = qel_Betrag(q.Int64(3));
        zeile[mpMahnstufe] = qint64(q.Int(4));
        zeile[mpMahngebuehren] = qel_Betrag(q.Int64(5));
        zeile[mpVerzugszins] = qel_Betrag(q.Int64(6));
        zeile[mpPauschale] = qel_Betrag(q.Int64(7));
        zeile[mpRNr] = qint64(q.Int(8));
        zeile[mpTransNr] = qint64(q.Int(9));
        zeile[mpLfdNr] = qint64(q.Int(10));
        liste.RowAdd(std::move(zeile));
    }
    return true;
}

TVRList* TMahnungEditServer::Positionen_Liste() { return &positionenTabelle(m_positionen); }

int TMahnungEditServer::PosSpalte_BelegNr() { return mpBelegNr; }
int TMahnungEditServer::PosSpalte_Datum() { return mpDatum; }
int TMahnungEditServer::PosSpalte_Zahlbarbis() { return mpZahlbarbis; }
int TMahnungEditServer::PosSpalte_Saldo() { return mpSaldo; }
int TMahnungEditServer::PosSpalte_Mahnstufe() { return mpMahnstufe; }
int TMahnungEditServer::PosSpalte_Mahngebuehren() { return mpMahngebuehren; }
int TMahnungEditServer::PosSpalte_Verzugszins() { return mpVerzugszins; }
int TMahnungEditServer::PosSpalte_Pauschale() { return mpPauschale; }
int TMahnungEditServer::PosSpalte_RNr() { return mpRNr; }
int TMahnungEditServer::PosSpalte_TransNr() { return mpTransNr; }
int TMahnungEditServer::PosSpalte_LfdNr() { return mpLfdNr; }
