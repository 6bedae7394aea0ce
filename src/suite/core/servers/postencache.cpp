#include "postencache.h"

#include "database_intern.h"

TPostenCache& TPostenCache::Instance()
{
    static TPostenCache cache;
    return cache;
}

std::optional<TPostenMahnDaten> TPostenCache::Lesen(int rechnerNr, int transNr, int lfdNr) const
{
    const auto it = m_daten.constFind(schluessel(rechnerNr, transNr, lfdNr));
    if (it == m_daten.constEnd())
        return std::nullopt;
    return *it;
}

std::optional<TPostenMahnDaten> TPostenCache::AusDatenbank(int rechnerNr, int transNr, int lfdNr)
{
    TSqlAbfrage q(QStringLiteral(
        "SELECT op.zahlungsziel, op.zentralreguliert, "
        "(SELECT MAX(mp.zahlbar_bis) FROM mahnung_position mp WHERE mp.op_rechner_nr = op.rechner_nr "
        "  AND mp.op_trans_nr = op.trans_nr AND mp.op_lfd_nr = op.lfd_nr AND mp.mahnstufe = op.mahnstufe "
        "  AND NOT EXISTS (SELECT 1 FROM mahnung m WHERE m.rnr = mp.mahnung_rnr AND m.lnr = mp.mahnung_lnr "
        "  AND m.storniert_am <> 0)) "
        "FROM offener_posten op WHERE op.rechner_nr = ? AND op.trans_nr = ? AND op.lfd_nr = ?"));
    q.Bind({rechnerNr, transNr, lfdNr}).Exec();
    if (!q.Next())
        return std::nullopt;
    TPostenMahnDaten d;
    d.AktuellesZahlungsziel = q.Wert(2).isNull() ? q.Double(0) : q.Wert(2).toDouble();
    d.Zentralreguliert = q.Int(1) != 0;
    d.Faellig = q.Double(0);
    return d;
}
