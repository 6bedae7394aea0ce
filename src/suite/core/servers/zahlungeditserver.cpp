#include "zahlungeditserver.h"

#include "database_intern.h"
#include "direktabfrage.h"
#include "mahnregelnserver.h"
#include "postencache.h"

#include <QCollator>
#include <QHash>
#include <QSet>
#include <QLocale>
#include <algorithm>
#include <tuple>
#include <cmath>

namespace {
const TVRSpalte kSpalten[opSpaltenAnzahl] = {
    {"Geschäftspartner", CVR_Text, false, true},   {"Belegnummer", CVR_Text, false, true},
    {"Rechnungsdatum", CVR_Date, false, true},     {"Soll", CVR_Number, true, true},
    {"Haben", CVR_Number, true, true},             {"Saldo", CVR_Number, true, true},
    {"Zahlungsziel", CVR_Date, false, true},       {"Kommentar", CVR_Text, false, true},
    {"Mahnstufe", CVR_Integer, false, true},       {"GeschäftspartnerNr", CVR_Text, false, false},
    {"RechnerNummer", CVR_Integer, false, false},  {"TransaktionsNummer", CVR_Integer, false, false},
    {"LfdNummer", CVR_Integer, false, false},      {"Währung", CVR_Text, false, false},
    {"Buchungsperiode", CVR_Integer, false, false}, {"Kostenstelle", CVR_Text, false, false},
    {"Belegart", CVR_Text, false, false},          {"Konto", CVR_Text, false, false},
    {"Partnernummer", CVR_Integer, false, false},  {"Tage überfällig", CVR_Integer, false, false},
    {"Skonto", CVR_Number, true, false},           {"Skonto bis", CVR_Date, false, false},
    {"Letzte Zahlung", CVR_Date, false, false},    {"Kontaktperson", CVR_Text, false, false},
    {"Ort", CVR_Text, false, false},               {"Urspr. Zahlungsziel", CVR_Date, false, false},
    {"Letzte Mahnung", CVR_Date, false, false},    {"Zentralreguliert", CVR_Text, false, false},
    {"Mandant", CVR_Text, false, false},           {"Anschrift", CVR_Text, false, false},
    {"Mahnsperre", CVR_Text, false, true},
};

QString belegartenFilter(const QVector<TSRVTyp>& typen)
{
    QStringList arten;
    for (TSRVTyp t : typen) {
        if (t == TSRVTyp::srvAlle)
            return QString();
        if (t == TSRVTyp::srvDebitoren)
            arten << QStringLiteral("'RE'") << QStringLiteral("'GS'");
        else if (t == TSRVTyp::srvKreditoren)
            arten << QStringLiteral("'ER'");
    }
    if (arten.isEmpty())
        return QString();
    return QStringLiteral(" AND op.belegart IN (%1)").arg(arten.join(QLatin1Char(',')));
}

QString paarText(int rnr, int lnr) { return qel_TIntPair2String(TIntPair{rnr, lnr}); }

struct TPostenSchluessel {
    int r, t, l;
    bool operator==(const TPostenSchluessel& o) const { return r == o.r && t == o.t && l == o.l; }
};
size_t qHash(const TPostenSchluessel& k, size_t seed) { return qHashMulti(seed, k.r, k.t, k.l); }

// What the booked dunnings say about one item.
struct TMahnStand {
    QVector<std::pair<int, TDateTime>> Ziele;  // (level, granted term)
    TDateTime LetzteMahnung = 0;
    // The term granted by the dunning that brought the item to its current level.
    TDateTime ZielFuerStufe(int stufe, TDateTime eigenesZiel) const
    {
        TDateTime ziel = 0;
        bool gefunden = false;
        for (const auto& [s, z] : Ziele)
            if (s == stufe && (!gefunden || z > ziel)) {
                ziel = z;
                gefunden = true;
            }
        return gefunden ? ziel : eigenesZiel;
    }
};

// Order of the list: partner name (German collation), invoice date, document number, item key.
// Sorting here instead of in SQL keeps the database from copying every wide row through its sorter,
// and sorts names the way a clerk expects on both engines.
struct TSortierSchluessel {
    QString Name;
    TDateTime Datum;
    QString Beleg;
    int R, T, L;
};

std::vector<int> listenReihenfolge(const std::vector<TSortierSchluessel>& s)
{
    QStringList namen;
    QHash<QString, int> rang;
    for (const TSortierSchluessel& k : s)
        if (!rang.contains(k.Name)) {
            rang.insert(k.Name, 0);
            namen << k.Name;
        }
    QCollator deutsch(QLocale(QLocale::German, QLocale::Germany));
    deutsch.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(namen.begin(), namen.end(), deutsch);
    for (int i = 0; i < namen.size(); ++i)
        rang[namen[i]] = i;
    std::vector<int> nameRang(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        nameRang[i] = rang.value(s[i].Name);
    std::vector<int> reihenfolge(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        reihenfolge[i] = int(i);
    std::sort(reihenfolge.begin(), reihenfolge.end(), [&](int a, int b) {
        const TSortierSchluessel& x = s[size_t(a)];
        const TSortierSchluessel& y = s[size_t(b)];
        if (nameRang[size_t(a)] != nameRang[size_t(b)])
            return nameRang[size_t(a)] < nameRang[size_t(b)];
        if (x.Datum != y.Datum)
            return x.Datum < y.Datum;
        if (const int c = x.Beleg.compare(y.Beleg))
            return c < 0;
        return std::tie(x.R, x.T, x.L) < std::tie(y.R, y.T, y.L);
    });
    return reihenfolge;
}

// The partners of a client with what the list shows of them, read once per load. An item of a
// partner outside the client (which the data should not have) is looked up on its own.
class TPartnerVorrat {
public:
    struct TPartner {
        TIntPair Id;
        QString Name, Schluessel, OrgeSchluessel, Ort;
        int Nr = 0;
    };
    explicit TPartnerVorrat(const TIntPair& mandant)
        : m_einzeln(QStringLiteral("SELECT gp.rnr, gp.lnr, gp.name, gp.nr, gp.orge_rnr, gp.orge_lnr, o.ort "
                                   "FROM geschaeftspartner gp LEFT JOIN organisation o ON o.rnr = gp.orge_rnr "
                                   "AND o.lnr = gp.orge_lnr WHERE gp.rnr = ? AND gp.lnr = ?"))
    {
        TDirektAbfrage q(QStringLiteral("SELECT gp.rnr, gp.lnr, gp.name, gp.nr, gp.orge_rnr, gp.orge_lnr, o.ort "
                                     "FROM geschaeftspartner gp LEFT JOIN organisation o ON o.rnr = gp.orge_rnr "
                                     "AND o.lnr = gp.orge_lnr WHERE gp.mandant_rnr = ? AND gp.mandant_lnr = ?"));
        q.Bind({mandant.RNr, mandant.LNr}).Exec();
        while (q.Next())
            lesen(q);
    }
    // Null for a partner not read (yet); it is noted for Nachlesen.
    const TPartner* Finden(int rnr, int lnr)
    {
        const qint64 k = schluessel(rnr, lnr);
        if (const auto it = m_partner.constFind(k); it != m_partner.constEnd())
            return &*it;
        if (!m_gibtEsNicht.contains(k))
            m_fehlend.insert(k);
        return nullptr;
    }
    // Reads the noted partners one by one (not while another query is being read: PostgreSQL serves one
    // at a time). True when one of them exists.
    bool Nachlesen()
    {
        bool gefunden = false;
        for (const qint64 k : std::as_const(m_fehlend)) {
            m_einzeln.Bind({int(k >> 32), int(quint32(k))}).Exec();
            if (m_einzeln.Next()) {
                lesen(m_einzeln);
                gefunden = true;
            } else {
                m_gibtEsNicht.insert(k);
            }
        }
        m_fehlend.clear();
        return gefunden;
    }

private:
    static qint64 schluessel(int rnr, int lnr) { return (qint64(rnr) << 32) | quint32(lnr); }
    QHash<qint64, TPartner>::iterator lesen(TDirektAbfrage& q)
    {
        TPartner p;
        p.Id = TIntPair{q.Int(0), q.Int(1)};
        p.Name = q.Text(2);
        p.Nr = q.Int(3);
        p.Schluessel = paarText(p.Id.RNr, p.Id.LNr);
        p.OrgeSchluessel = paarText(q.Int(4), q.Int(5));
        p.Ort = q.Text(6);
        return m_partner.insert(schluessel(p.Id.RNr, p.Id.LNr), p);
    }
    QHash<qint64, TPartner> m_partner;
    QSet<qint64> m_fehlend, m_gibtEsNicht;
    TDirektAbfrage m_einzeln;
};

// All dunning positions of a client in one pass, instead of two lookups per listed item.
QHash<TPostenSchluessel, TMahnStand> mahnStaende(const TIntPair& mandant)
{
    QHash<TPostenSchluessel, TMahnStand> staende;
    TDirektAbfrage q(QStringLiteral(
        "SELECT mp.op_rechner_nr, mp.op_trans_nr, mp.op_lfd_nr, mp.mahnstufe, mp.zahlbar_bis, m.mahnungsdatum "
        "FROM mahnung_position mp JOIN mahnung m ON m.rnr = mp.mahnung_rnr AND m.lnr = mp.mahnung_lnr "
        "WHERE m.mandant_rnr = ? AND m.mandant_lnr = ? AND m.storniert_am = 0"));
    q.Bind({mandant.RNr, mandant.LNr}).Exec();
    while (q.Next()) {
        TMahnStand& s = staende[TPostenSchluessel{q.Int(0), q.Int(1), q.Int(2)}];
        s.Ziele.append({q.Int(3), q.Double(4)});
        s.LetzteMahnung = std::max(s.LetzteMahnung, q.Double(5));
    }
    return staende;
}
}  // namespace

TZahlungEditServer::TZahlungEditServer() : m_liste(std::make_unique<TVRList>()) { spaltenAnlegen(); }

TZahlungEditServer::~TZahlungEditServer() = default;

void TZahlungEditServer::spaltenAnlegen()
{
    m_liste->ColumnsAdd(kSpalten);
}

bool TZahlungEditServer::OffenePosten_Abfragen(const TIntPair& mandant, const TIntPair& gep, TDateTime von,
                                               TDateTime bis, int modus, TDateTime stichtag,
                                               TDateTime zahlungsStichtag, const QVector<TSRVTyp>& typen,
                                               int nurOffene, int mitZentralreguliert)
{
    m_liste->RowsClear();
    TPostenCache& cache = TPostenCache::Instance();
    cache.Leeren();
    if (!IntPairDefined(mandant))
        return false;
    const QString datumSpalte = modus == 1 ? QStringLiteral("op.zahlungsziel") : QStringLiteral("op.belegdatum");
    // The items alone: joining every row with its partner and address costs the database two index
    // look-ups per item; the client's partners are read once instead and found in memory.
    QString bedingung = QStringLiteral("WHERE op.mandant_rnr = ? AND op.mandant_lnr = ? AND %1 >= ? AND %1 <= ? "
                                       "AND op.belegdatum <= ?")
                            .arg(datumSpalte);
    if (IntPairDefined(gep))
        bedingung += QStringLiteral(" AND op.gep_rnr = ? AND op.gep_lnr = ?");
    if (nurOffene == 1)
        bedingung += QStringLiteral(" AND op.soll_cent - op.haben_cent <> 0");
    if (mitZentralreguliert != 1)
        bedingung += QStringLiteral(" AND op.zentralreguliert = 0");
    bedingung += belegartenFilter(typen);
    auto binden = [&](auto& q) {
        q.Bind({mandant.RNr, mandant.LNr, von, bis, stichtag});
        if (IntPairDefined(gep))
            q.Bind({gep.RNr, gep.LNr});
        q.Exec();
    };

    const QHash<TPostenSchluessel, TMahnStand> mahnungen = mahnStaende(mandant);
    const TAktiveSperren sperren = MahnRegeln_AktiveSperren(mandant, stichtag);
    const int mindestTage = MahnRegeln_Lesen(mandant).MindestTage;
    TPartnerVorrat partner(mandant);

    // The table's storage is reserved once instead of grown and copied row by row.
    int erwartet = 0;
    {
        TSqlAbfrage anzahl(QStringLiteral("SELECT COUNT(*) FROM offener_posten op ") + bedingung);
        binden(anzahl);
        if (anzahl.Next())
            erwartet = anzahl.Int(0);
    }
    m_liste->Reserve(erwartet);
    // Read through the engine's own library: Qt's conversion of every value costs more than the query.
    TDirektAbfrage q(QStringLiteral(
        "SELECT op.rechner_nr, op.trans_nr, op.lfd_nr, op.gep_rnr, op.gep_lnr, op.belegnummer, op.belegdatum, "
        "op.soll_cent, op.haben_cent, op.zahlungsziel, op.kommentar, op.mahnstufe, op.zentralreguliert, op.waehrung, "
        "op.buchungsperiode, op.kostenstelle, op.belegart, op.konto, op.skonto_cent, op.skonto_bis, op.letzte_zahlung, "
        "op.kontakt_rnr, op.kontakt_lnr FROM offener_posten op ") + bedingung);
    const QString mandantText = qel_TIntPair2String(mandant);
    std::vector<TVRItem> zeile(opSpaltenAnzahl);
    std::vector<TSortierSchluessel> schluessel;
    schluessel.reserve(size_t(erwartet));
    auto lesen = [&] {
        binden(q);
        while (q.Next()) {
            const TPartnerVorrat::TPartner* gp = partner.Finden(q.Int(3), q.Int(4));
            if (!gp)
                continue;  // an item without its partner is not listed
            const int rechner = q.Int(0), trans = q.Int(1), lfd = q.Int(2);
            const qint64 soll = q.Int64(7), haben = q.Int64(8);
            const TDateTime ziel = q.Double(9);
            const bool zentral = q.Int(12) != 0;
            const int mahnstufe = q.Int(11);
            const auto stand = mahnungen.constFind(TPostenSchluessel{rechner, trans, lfd});
            const bool gemahnt = stand != mahnungen.constEnd();
            const TDateTime aktuellesZiel = gemahnt ? stand->ZielFuerStufe(mahnstufe, ziel) : ziel;
            const QString beleg = q.Text(5);
            const TDateTime datum = q.Double(6);
            zeile[opGep] = gp->Name;
            zeile[opBelegnummer] = beleg;
            zeile[opDatum] = datum;
            zeile[opSoll] = qel_Betrag(soll);
            zeile[opHaben] = qel_Betrag(haben);
            zeile[opSaldo] = qel_Betrag(soll - haben);
            // The term now in force: a booked dunning's granted term replaces the item's own.
            zeile[opZahlungsziel] = aktuellesZiel;
            zeile[opKommentar] = q.Text(10);
            zeile[opMahnstufe] = qint64(mahnstufe);
            zeile[opGepNr] = gp->Schluessel;
            zeile[opRechnerNummer] = qint64(rechner);
            zeile[opTransNummer] = qint64(trans);
            zeile[opLfdNummer] = qint64(lfd);
            zeile[opWaehrung] = q.Text(13);
            zeile[opBuchungsperiode] = qint64(q.Int(14));
            zeile[opKostenstelle] = q.Text(15);
            zeile[opBelegart] = q.Text(16);
            zeile[opKonto] = q.Text(17);
            zeile[opGepNummer] = qint64(gp->Nr);
            zeile[opTageUeberfaellig] = qint64(std::max(0.0, std::floor(zahlungsStichtag - aktuellesZiel)));
            zeile[opSkonto] = qel_Betrag(q.Int64(18));
            zeile[opSkontoBis] = q.Double(19);
            zeile[opLetzteZahlung] = q.Double(20);
            zeile[opKontaktperson] = paarText(q.Int(21), q.Int(22));
            zeile[opOrt] = gp->Ort;
            zeile[opUrspruenglichesZiel] = ziel;
            zeile[opLetzteMahnung] = gemahnt ? TVRItem(stand->LetzteMahnung) : TVRItem();
            zeile[opZentralreguliert] = zentral ? QStringLiteral("J") : QStringLiteral("N");
            zeile[opMandant] = mandantText;
            zeile[opOrgeNr] = gp->OrgeSchluessel;
            QString sperre = sperren.Text(gp->Id.RNr, gp->Id.LNr, rechner, trans, lfd);
            if (sperre.isEmpty() && gemahnt)
                sperre = MahnRegeln_MindestabstandText(stand->LetzteMahnung, stichtag, mindestTage);
            zeile[opMahnsperre] = sperre;
            schluessel.push_back({gp->Name, datum, beleg, rechner, trans, lfd});
            m_liste->RowAdd(std::move(zeile));  // every cell is set again for the next row
            cache.Setzen(rechner, trans, lfd, TPostenMahnDaten{aktuellesZiel, zentral, ziel});
        }
    };
    lesen();
    // Items of a partner outside the client: read those partners, then the list once more.
    if (partner.Nachlesen()) {
        m_liste->RowsClear();
        cache.Leeren();
        schluessel.clear();
        m_liste->Reserve(erwartet);
        lesen();
    }
    m_liste->RowsReorder(listenReihenfolge(schluessel));
    return true;
}
