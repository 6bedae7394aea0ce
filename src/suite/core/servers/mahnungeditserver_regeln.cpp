// The dunning server: a client's dunning rules, default interest by law, blocks and cancellation.
#include "mahnungeditserver.h"

#include "database_intern.h"
#include "mahnregelnserver.h"
#include "postencache.h"
#include "servermeldung.h"

TMahnEinstellungen TMahnungEditServer::Mahneinstellungen(const TIntPair& mandant) { return MahnRegeln_Lesen(mandant); }

bool TMahnungEditServer::Verzugszinsen_Berechnen(TDateTime bis, bool verbraucher, std::vector<TZinsPosten>& posten)
{
    try {
        const TBasiszinsTabelle tabelle = MahnRegeln_Basiszinsen();
        const QDate stichtag = qel_ToQDate(bis);
        const double punkte = qel_Verzugszins_Punkte(verbraucher);
        TPostenCache& cache = TPostenCache::Instance();
        std::vector<double> zinsen;
        zinsen.reserve(posten.size());
        for (const TZinsPosten& p : posten) {
            std::optional<TPostenMahnDaten> d = cache.Lesen(p.RNr, p.TransNr, p.LfdNr);
            if (!d)
                d = TPostenCache::AusDatenbank(p.RNr, p.TransNr, p.LfdNr);
            if (!d)
                throw EMahnRegel(QStringLiteral("Den Offenen Posten %1 gibt es nicht mehr.").arg(p.Belegnummer));
            try {
                zinsen.push_back(tabelle.Verzugszins(p.Saldo, qel_ToQDate(d->Faellig), stichtag, punkte));
            } catch (const EMahnRegel& e) {
                throw EMahnRegel(QStringLiteral("Posten %1 (fällig am %2): %3")
                                     .arg(p.Belegnummer, DateToStr(d->Faellig), e.Text()));
            }
        }
        for (size_t i = 0; i < posten.size(); ++i)
            posten[i].Zins = zinsen[i];
        return true;
    } catch (const EMahnRegel& e) {
        qel_ServerMeldung(QStringLiteral("Die Verzugszinsen wurden nicht berechnet.\n%1").arg(e.Text()));
        return false;
    }
}

bool TMahnungEditServer::Ist_Verbraucher(const TIntPair& gepNr)
{
    TSqlAbfrage q(QStringLiteral("SELECT verbraucher FROM geschaeftspartner WHERE rnr = ? AND lnr = ?"));
    q.Bind({gepNr.RNr, gepNr.LNr}).Exec();
    return q.Next() && q.Int(0) != 0;
}

bool TMahnungEditServer::Pauschale_Berechnet(int rechnerNr, int transNr, int lfdNr)
{
    TSqlAbfrage q(QStringLiteral(
        "SELECT 1 FROM mahnung_position mp JOIN mahnung m ON m.rnr = mp.mahnung_rnr AND m.lnr = mp.mahnung_lnr "
        "WHERE mp.op_rechner_nr = ? AND mp.op_trans_nr = ? AND mp.op_lfd_nr = ? AND mp.pauschale_cent <> 0 "
        "AND m.storniert_am = 0"));
    q.Bind({rechnerNr, transNr, lfdNr}).Exec();
    return q.Next();
}

bool TMahnungEditServer::Mahnsperre_Setzen(const TMahnsperre& sperre)
{
    try {
        MahnRegeln_Sperren(sperre);
        return true;
    } catch (const EMahnRegel& e) {
        qel_ServerMeldung(e.Text());
        return false;
    }
}

bool TMahnungEditServer::Mahnsperre_Aufheben(const TIntPair& mandant, const TIntPair& gepNr, const TIntTrio& posten)
{
    if (MahnRegeln_Entsperren(mandant, gepNr, posten) > 0)
        return true;
    qel_ServerMeldung(QStringLiteral("Es besteht keine Mahnsperre, die aufgehoben werden könnte."));
    return false;
}

namespace {
// A cancellation that must not happen; its text tells the clerk why.
class EStornoAbgelehnt : public EQELError {
public:
    using EQELError::EQELError;
};
}  // namespace

bool TMahnungEditServer::Mahnung_Stornieren(const TIntPair& mahnungsId, const QString& grund)
{
    const QString g = grund.trimmed();
    try {
        if (g.isEmpty())
            throw EStornoAbgelehnt(QStringLiteral("Bitte einen Grund für das Stornieren angeben."));
        if (g.size() > 200)
            throw EStornoAbgelehnt(QStringLiteral("Der Grund darf höchstens 200 Zeichen lang sein."));
        TTransaktion t;
        // The dunning's row first: a second cancellation waits here and then finds it cancelled.
        TSqlAbfrage markieren(QStringLiteral("UPDATE mahnung SET storniert_am = ?, storniert_von = ?, storno_grund = ? "
                                             "WHERE rnr = ? AND lnr = ? AND storniert_am = 0"));
        markieren.Bind({qel_Now(), TSuiteDatenbank::Benutzer(), g, mahnungsId.RNr, mahnungsId.LNr}).Exec();
        if (markieren.ZeilenBetroffen() != 1) {
            TSqlAbfrage da(QStringLiteral("SELECT 1 FROM mahnung WHERE rnr = ? AND lnr = ?"));
            da.Bind({mahnungsId.RNr, mahnungsId.LNr}).Exec();
            throw EStornoAbgelehnt(da.Next() ? QStringLiteral("Die Mahnung ist bereits storniert.")
                                             : QStringLiteral("Die Mahnung gibt es nicht."));
        }
        TSqlAbfrage positionen(QStringLiteral(
            "SELECT op_rechner_nr, op_trans_nr, op_lfd_nr, mahnstufe, belegnummer FROM mahnung_position "
            "WHERE mahnung_rnr = ? AND mahnung_lnr = ? ORDER BY op_rechner_nr, op_trans_nr, op_lfd_nr"));
        positionen.Bind({mahnungsId.RNr, mahnungsId.LNr}).Exec();
        struct TPos {
            int r, t, l, stufe;
            QString beleg;
        };
        std::vector<TPos> liste;
        while (positionen.Next())
            liste.push_back({positionen.Int(0), positionen.Int(1), positionen.Int(2), positionen.Int(3),
                             positionen.Text(4)});
        // Items in key order, as booking locks them: the two wait for each other instead of deadlocking.
        // The level condition is in the statement: an item dunned again since keeps its level and refuses.
        TSqlAbfrage zurueck(QStringLiteral("UPDATE offener_posten SET mahnstufe = ? WHERE rechner_nr = ? AND trans_nr = ? "
                                           "AND lfd_nr = ? AND mahnstufe = ?"));
        for (const TPos& p : liste) {
            zurueck.Bind({p.stufe - 1, p.r, p.t, p.l, p.stufe}).Exec();
            if (zurueck.ZeilenBetroffen() != 1)
                throw EStornoAbgelehnt(QStringLiteral("Der Posten %1 wurde nach dieser Mahnung erneut gemahnt; die Mahnung "
                                                      "kann nicht storniert werden.")
                                           .arg(p.beleg));
        }
        t.Commit();
    } catch (const EStornoAbgelehnt& e) {
        qel_ServerMeldung(QStringLiteral("Die Mahnung wurde nicht storniert.\n%1").arg(e.Text()));
        return false;
    } catch (const EDatenbankKonflikt& e) {
        qel_ServerMeldung(QStringLiteral("Die Mahnung wurde nicht storniert.\n%1").arg(e.Text()));
        return false;
    }
    TPostenCache::Instance().Leeren();
    return true;
}

QString TMahnungEditServer::Storno_Text(const TIntPair& mahnungsId)
{
    TSqlAbfrage q(QStringLiteral("SELECT storniert_am, storniert_von, storno_grund FROM mahnung WHERE rnr = ? AND lnr = ?"));
    q.Bind({mahnungsId.RNr, mahnungsId.LNr}).Exec();
    if (!q.Next() || q.Double(0) == 0)
        return QString();
    return QStringLiteral("Storniert am %1 um %2 von %3: %4")
        .arg(DateToStr(q.Double(0)), qel_ToQDateTime(q.Double(0)).toString(QStringLiteral("HH:mm")), q.Text(1), q.Text(2));
}
