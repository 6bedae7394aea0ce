#include "mahnungeditserver.h"

#include "database_intern.h"
#include "postencache.h"

TMahnungEditServer::TMahnungEditServer() = default;
TMahnungEditServer::~TMahnungEditServer() = default;

namespace {
TPostenMahnDaten mahnDaten(int rechnerNr, int transNr, int lfdNr)
{
    if (auto d = TPostenCache::Instance().Lesen(rechnerNr, transNr, lfdNr))
        return *d;
    if (auto d = TPostenCache::AusDatenbank(rechnerNr, transNr, lfdNr))
        return *d;
    throw EQELError(QStringLiteral("Der Offene Posten %1/%2/%3 existiert nicht.").arg(rechnerNr).arg(transNr).arg(lfdNr));
}
}  // namespace

TDateTime TMahnungEditServer::Aktuelles_Zahlungsziel(int rechnerNr, int transNr, int lfdNr)
{
    return mahnDaten(rechnerNr, transNr, lfdNr).AktuellesZahlungsziel;
}

bool TMahnungEditServer::Ist_Zentralreguliert(int rechnerNr, int transNr, int lfdNr)
{
    return mahnDaten(rechnerNr, transNr, lfdNr).Zentralreguliert;
}

TVRList* TMahnungEditServer::Mahnhistorie_Liste(int rechnerNr, int transNr, int lfdNr)
{
    if (!m_historie) {
        m_historie = std::make_unique<TVRList>();
        static const TVRSpalte spalten[] = {
            {"Mahnungsdatum", CVR_Date, false, true, 100},   {"Mahnstufe", CVR_Integer, false, true, 80},
            {"Mahnnummer", CVR_Text, false, true, 130},      {"Mahngebühren", CVR_Number, true, true, 100},
            {"Verzugszinsen", CVR_Number, true, true, 100},  {"Neues Zahlungsziel", CVR_Date, false, true, 120}};
        m_historie->ColumnsAdd(spalten);
    }
    m_historie->RowsClear();
    TSqlAbfrage q(QStringLiteral(
        "SELECT m.mahnungsdatum, mp.mahnstufe, m.beleg_lfdnr, m.wirtschaftsjahr, m.beleg_rnr, "
        "mp.mahngebuehren_cent, mp.verzugszins_cent, mp.zahlbar_bis, m.storniert_am "
        "FROM mahnung_position mp JOIN mahnung m ON m.rnr = mp.mahnung_rnr AND m.lnr = mp.mahnung_lnr "
        "WHERE mp.op_rechner_nr = ? AND mp.op_trans_nr = ? AND mp.op_lfd_nr = ? "
        "ORDER BY m.mahnungsdatum, mp.mahnstufe"));
    q.Bind({rechnerNr, transNr, lfdNr}).Exec();
    while (q.Next()) {
        QString nummer = Formatiere_Belegnummer_String(QStringLiteral("AOP"), q.Int(2), q.Int(3), q.Int(4));
        if (q.Double(8) != 0)
            nummer += QStringLiteral(" (storniert)");
        m_historie->RowAdd({TVRItem(q.Double(0)), TVRItem(qint64(q.Int(1))), TVRItem(nummer),
                            TVRItem(qel_Betrag(q.Int64(5))), TVRItem(qel_Betrag(q.Int64(6))), TVRItem(q.Double(7))});
    }
    return m_historie.get();
}
