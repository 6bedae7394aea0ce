#include "testdaten.h"

#include "suite/core/servers/database_intern.h"

namespace {
TIntPair organisation(const QString& name, const QString& ort)
{
    const TIntPair id = qel_NeuerSchluessel(QStringLiteral("ORGANISATION"), 1);
    TSqlAbfrage(QStringLiteral("INSERT INTO organisation (rnr, lnr, name1, strasse, plz, ort, land) "
                               "VALUES (?, ?, ?, 'Am Markt 1', '28195', ?, 'Deutschland')"))
        .Bind({id.RNr, id.LNr, name, ort})
        .Exec();
    return id;
}
int g_trans = 5000;
}  // namespace

TTestMandant::TTestMandant(int nr, const QString& name) : Nr(nr), Name(name)
{
    TTransaktion t;
    const TIntPair orge = organisation(name, QStringLiteral("Bremen"));
    Id = qel_NeuerSchluessel(QStringLiteral("GEP"), 1);
    TSqlAbfrage(QStringLiteral("INSERT INTO mandant (rnr, lnr, nr, name, orge_rnr, orge_lnr) VALUES (?, ?, ?, ?, ?, ?)"))
        .Bind({Id.RNr, Id.LNr, nr, name, orge.RNr, orge.LNr})
        .Exec();
    t.Commit();
}

TIntPair TTestMandant::Partner(const QString& name, bool aktiv, const QString& ort)
{
    TTransaktion t;
    const TIntPair orge = organisation(name, ort);
    const TIntPair id = qel_NeuerSchluessel(QStringLiteral("GEP"), 1);
    TSqlAbfrage(QStringLiteral("INSERT INTO geschaeftspartner (rnr, lnr, mandant_rnr, mandant_lnr, nr, name, orge_rnr, "
                               "orge_lnr, aktiv) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"))
        .Bind({id.RNr, id.LNr, Id.RNr, Id.LNr, 10000 + id.LNr, name, orge.RNr, orge.LNr, aktiv ? 1 : 0})
        .Exec();
    t.Commit();
    return id;
}

TIntTrio TTestMandant::Posten(const TIntPair& partner, const TTestPosten& p)
{
    const TIntTrio trio{1, ++g_trans, 1};
    TSqlAbfrage(QStringLiteral(
                    "INSERT INTO offener_posten (rechner_nr, trans_nr, lfd_nr, mandant_rnr, mandant_lnr, gep_rnr, "
                    "gep_lnr, belegart, belegnummer, belegdatum, soll_cent, haben_cent, zahlungsziel, kommentar, "
                    "mahnstufe, zentralreguliert) VALUES (?, ?, ?, ?, ?, ?, ?, 'RE', ?, ?, ?, ?, ?, ?, ?, ?)"))
        .Bind({trio.RechnerNummer, trio.TransaktionsNummer, trio.LfdNummer, Id.RNr, Id.LNr, partner.RNr, partner.LNr,
               p.Beleg, p.Datum, qel_Cent(p.Soll), qel_Cent(p.Haben), p.Ziel, p.Kommentar, p.Mahnstufe,
               p.Zentral ? 1 : 0})
        .Exec();
    return trio;
}
