#include "belegeditserver.h"

#include "database_intern.h"

bool TBelegEditServer::Beleg_Laden(const TIntPair& key, int16_t lfdNr)
{
    m_daten = TBelegDaten();
    m_geladen = false;
    TSqlAbfrage q(QStringLiteral("SELECT mandant_rnr, mandant_lnr, gep_rnr, gep_lnr, belegnummer, belegdatum, "
                                 "kontakt_rnr, kontakt_lnr FROM offener_posten "
                                 "WHERE rechner_nr = ? AND trans_nr = ? AND lfd_nr = ?"));
    q.Bind({key.RNr, key.LNr, int(lfdNr)}).Exec();
    if (!q.Next())
        return false;
    TBelegKopf& k = m_daten.Kopf;
    k.Mandant = TIntPair{q.Int(0), q.Int(1)};
    k.GepNr = TIntPair{q.Int(2), q.Int(3)};
    k.Belegnummer = q.Text(4);
    k.Belegdatum = q.Double(5);
    k.Kontaktperson = TIntPair{q.Int(6), q.Int(7)};
    m_geladen = true;
    return true;
}

const TBelegDaten& TBelegEditServer::Beleg_Daten()
{
    if (!m_geladen)
        throw EQELError(QStringLiteral("Es ist kein Beleg geladen."));
    return m_daten;
}
