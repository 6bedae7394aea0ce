#include "gplistenserver.h"

#include "database_intern.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

TGPListenServer::TGPListenServer()
{
    // Order and meaning as TGPSuchErgebnisSpalte.
    static const TVRSpalte spalten[] = {
        {"Name"}, {"Ort"}, {"Straße"}, {"Land"}, {"Nummer", CVR_Integer}, {"PLZ"}, {"GepNr", CVR_Text, false, false},
    };
    m_suchErgebnis.ColumnsAdd(spalten);
}

bool TGPListenServer::Gep_Lesen(const TIntPair& gepNr, TIntPair& orgeNr)
{
    orgeNr.Clear();
    if (!IntPairDefined(gepNr))
        return false;
    TSqlAbfrage q(QStringLiteral("SELECT orge_rnr, orge_lnr FROM geschaeftspartner WHERE rnr = ? AND lnr = ?"));
    q.Bind({gepNr.RNr, gepNr.LNr}).Exec();
    if (q.Next()) {
        orgeNr = TIntPair{q.Int(0), q.Int(1)};
        return true;
    }
    // A client is the partner of its own letters: its key gives its own organisation.
    TSqlAbfrage m(QStringLiteral("SELECT orge_rnr, orge_lnr FROM mandant WHERE rnr = ? AND lnr = ?"));
    m.Bind({gepNr.RNr, gepNr.LNr}).Exec();
    if (m.Next()) {
        orgeNr = TIntPair{m.Int(0), m.Int(1)};
        return true;
    }
    return false;
}

bool TGPListenServer::Gep_Lesen_Umfang(const TIntPair& mandant, int filiale, TIntPair& orgeNr)
{
    orgeNr.Clear();
    TSqlAbfrage q(QStringLiteral("SELECT orge_rnr, orge_lnr FROM filiale "
                                 "WHERE mandant_rnr = ? AND mandant_lnr = ? AND filiale_nr = ?"));
    q.Bind({mandant.RNr, mandant.LNr, filiale}).Exec();
    if (!q.Next())
        return false;
    orgeNr = TIntPair{q.Int(0), q.Int(1)};
    return true;
}

TVRList* TGPListenServer::Gep_Suchen(const TIntPair& mandant, const QString& name, const QString& ort,
                                     const QString& strasse, const QString& land, bool nurAktive, int maxZeilen)
{
    m_suchErgebnis.RowsClear();
    // Text matching happens here, not in SQL: SQLite's LOWER and LIKE fold only ASCII, and "MÜLLER"
    // must find "Müller".
    QString sql = QStringLiteral("SELECT g.rnr, g.lnr, g.nr, g.name, o.ort, o.strasse, o.land, o.plz "
                                 "FROM geschaeftspartner g "
                                 "LEFT JOIN organisation o ON o.rnr = g.orge_rnr AND o.lnr = g.orge_lnr "
                                 "WHERE g.mandant_rnr = ? AND g.mandant_lnr = ?");
    if (nurAktive)
        sql += QStringLiteral(" AND g.aktiv <> 0");
    TSqlAbfrage q(sql);
    q.Bind({mandant.RNr, mandant.LNr}).Exec();

    const QString sName = name.trimmed(), sOrt = ort.trimmed(), sStrasse = strasse.trimmed(), sLand = land.trimmed();
    auto passt = [](const QString& wert, const QString& muster) {
        return muster.isEmpty() || wert.contains(muster, Qt::CaseInsensitive);
    };

    struct Treffer {
        TIntPair id;
        int nr;
        QString name, ort, strasse, land, plz;
    };
    std::vector<Treffer> treffer;
    while (q.Next()) {
        Treffer t{TIntPair{q.Int(0), q.Int(1)}, q.Int(2), q.Text(3), q.Text(4), q.Text(5), q.Text(6), q.Text(7)};
        if (passt(t.name, sName) && passt(t.ort, sOrt) && passt(t.strasse, sStrasse) && passt(t.land, sLand))
            treffer.push_back(std::move(t));
    }

    QCollator collator{QLocale(QLocale::German, QLocale::Germany)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(treffer.begin(), treffer.end(), [&](const Treffer& a, const Treffer& b) {
        const int c = collator.compare(a.name, b.name);
        return c != 0 ? c < 0 : a.nr < b.nr;
    });
    if (maxZeilen > 0 && int(treffer.size()) > maxZeilen)
        treffer.resize(size_t(maxZeilen));

    m_suchErgebnis.Reserve(int(treffer.size()));
    for (const Treffer& t : treffer) {
        std::vector<TVRItem> zeile(7);
        zeile[CQEL_GPSuchErgebnis_NameFormatted] = TVRItem(t.name);
        zeile[CQEL_GPSuchErgebnis_Ort] = TVRItem(t.ort);
        zeile[CQEL_GPSuchErgebnis_Strasse] = TVRItem(t.strasse);
        zeile[CQEL_GPSuchErgebnis_Land] = TVRItem(t.land);
        zeile[CQEL_GPSuchErgebnis_Nummer] = TVRItem(t.nr);
        zeile[CQEL_GPSuchErgebnis_PLZ] = TVRItem(t.plz);
        zeile[CQEL_GPSuchErgebnis_GepNr] = TVRItem(qel_TIntPair2String(t.id));
        m_suchErgebnis.RowAdd(std::move(zeile));
    }
    return &m_suchErgebnis;
}
