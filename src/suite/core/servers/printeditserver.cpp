#include "printeditserver.h"

#include "database_intern.h"
#include "wertpruefung.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace {

const QString kBereich = QStringLiteral("DRUCKAUFTRAG");

// Rows without a workstation part: the counter row of computer 0 serves the whole suite.
constexpr int kSuiteZaehler = 0;

void alteAuftraegeAufraeumen()
{
    const double grenze = qel_Now() - TPrintEditServer::CAufbewahrungTage;
    TSqlAbfrage(QStringLiteral("DELETE FROM druckdaten WHERE auftrag_nr IN "
                               "(SELECT auftrag_nr FROM druckauftrag WHERE beendet = 0 AND begonnen < ?)"))
        .Bind(grenze)
        .Exec();
    TSqlAbfrage(QStringLiteral("UPDATE druckauftrag SET beendet = ? WHERE beendet = 0 AND begonnen < ?"))
        .Bind({qel_Now(), grenze})
        .Exec();
}

}  // namespace

QString qel_DruckzeileText(const TMOLA_PrintEditServer_Record& rec)
{
    for (double betrag : {rec.Saldo, rec.Mahngebuehren, rec.Verzugszins})
        if (!std::isfinite(betrag) || std::abs(betrag) >= 1e13)
            throw EQELError(QStringLiteral("Die Druckzeile %1 enthält einen ungültigen Betrag.").arg(rec.Belegnummer));
    QJsonObject o;
    o.insert(QStringLiteral("prg"), rec.PrgId);
    o.insert(QStringLiteral("auftrag"), rec.Auftrag);
    o.insert(QStringLiteral("stufe"), rec.Mahnstufe);
    // Money in cents, as everywhere in the suite's storage: exact, and no double survives a round trip
    // through text with a different value.
    o.insert(QStringLiteral("saldo_cent"), qel_Cent(rec.Saldo));
    o.insert(QStringLiteral("gebuehren_cent"), qel_Cent(rec.Mahngebuehren));
    o.insert(QStringLiteral("zins_cent"), qel_Cent(rec.Verzugszins));
    o.insert(QStringLiteral("pauschale_cent"), qel_Cent(rec.Pauschale));
    o.insert(QStringLiteral("beleg"), rec.Belegnummer);
    o.insert(QStringLiteral("datum"), rec.Belegdatum);
    o.insert(QStringLiteral("bis"), rec.ZahlbarBis);
    o.insert(QStringLiteral("art"), rec.Art);
    QJsonArray teile;
    for (const QString& t : rec.Text)
        teile.append(t);
    o.insert(QStringLiteral("text"), teile);
    o.insert(QStringLiteral("ganz"), rec.GanzerText);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

TMOLA_PrintEditServer_Record qel_DruckzeileLesen(const QString& text)
{
    QJsonParseError fehler;
    const QJsonDocument d = QJsonDocument::fromJson(text.toUtf8(), &fehler);
    if (fehler.error != QJsonParseError::NoError || !d.isObject())
        throw EQELError(QStringLiteral("Eine Zeile des Druckauftrags ist beschädigt: %1").arg(fehler.errorString()));
    const QJsonObject o = d.object();
    TMOLA_PrintEditServer_Record r;
    r.PrgId = o.value(QStringLiteral("prg")).toString();
    r.Auftrag = o.value(QStringLiteral("auftrag")).toInt();
    r.Mahnstufe = o.value(QStringLiteral("stufe")).toInt();
    const auto betrag = [&o](const char* name) {
        const QJsonValue v = o.value(QLatin1String(name));
        if (!v.isDouble() || v.toDouble() != double(v.toInteger()))
            throw EQELError(QStringLiteral("Eine Zeile des Druckauftrags ist beschädigt: %1 ist kein Centbetrag.")
                                .arg(QLatin1String(name)));
        return qel_Betrag(v.toInteger());
    };
    r.Saldo = betrag("saldo_cent");
    r.Mahngebuehren = betrag("gebuehren_cent");
    r.Verzugszins = betrag("zins_cent");
    r.Pauschale = betrag("pauschale_cent");
    r.Belegnummer = o.value(QStringLiteral("beleg")).toString();
    r.Belegdatum = o.value(QStringLiteral("datum")).toString();
    r.ZahlbarBis = o.value(QStringLiteral("bis")).toString();
    r.Art = o.value(QStringLiteral("art")).toString();
    const QJsonArray teile = o.value(QStringLiteral("text")).toArray();
    for (int i = 0; i < 6 && i < teile.size(); ++i)
        r.Text[i] = teile.at(i).toString();
    r.GanzerText = o.value(QStringLiteral("ganz")).toString();
    return r;
}

int TPrintEditServer::Druckauftrag_Beginnen(const QString& prgId)
{
    if (prgId.trimmed().isEmpty())
        throw EQELError(QStringLiteral("Ein Druckauftrag braucht die Kennung des Programms."));
    if (m_naechsteNr >= m_blockEnde) {
        TTransaktion t;
        alteAuftraegeAufraeumen();
        m_naechsteNr = qel_NeueSchluessel(kBereich, kSuiteZaehler, CNummernBlock).LNr;
        t.Commit();
        m_blockEnde = m_naechsteNr + CNummernBlock;
    }
    const int auftrag = m_naechsteNr++;
    m_ungespeichert.insert(auftrag, TNeuerAuftrag{prgId, qel_Now()});
    m_aktuell = TDBFFiles_4_Crystal{prgId, auftrag};
    m_letzteZeile.insert(auftrag, 0);
    m_offen.insert(auftrag, prgId);
    return auftrag;
}

QString TPrintEditServer::offenerAuftragPrgId(int auftrag)
{
    if (m_ungespeichert.contains(auftrag))
        return m_ungespeichert.value(auftrag).PrgId;
    TSqlAbfrage q(QStringLiteral("SELECT prg_id, beendet FROM druckauftrag WHERE auftrag_nr = ?"));
    q.Bind(auftrag).Exec();
    if (!q.Next())
        throw EQELError(QStringLiteral("Der Druckauftrag %1 wurde nicht begonnen.").arg(auftrag));
    if (q.Double(1) != 0)
        throw EQELError(QStringLiteral("Der Druckauftrag %1 ist bereits beendet.").arg(auftrag));
    return q.Text(0);
}

void TPrintEditServer::Druckdaten_Schreiben(const TMOLA_PrintEditServer_Record& rec)
{
    QString prgId = m_offen.value(rec.Auftrag);
    if (prgId.isEmpty()) {
        prgId = offenerAuftragPrgId(rec.Auftrag);
        m_offen.insert(rec.Auftrag, prgId);
    }
    if (prgId != rec.PrgId)
        throw EQELError(QStringLiteral("Die Druckzeile (%1) gehört nicht zum Druckauftrag %2 (%3).")
                            .arg(rec.PrgId)
                            .arg(rec.Auftrag)
                            .arg(prgId));
    qel_StufePruefen(QStringLiteral("Mahnstufe"), rec.Mahnstufe);
    qel_BetragPruefen(QStringLiteral("Saldo"), rec.Saldo);
    qel_BetragPruefen(QStringLiteral("Mahngebühren"), rec.Mahngebuehren);
    qel_BetragPruefen(QStringLiteral("Verzugszinsen"), rec.Verzugszins);
    m_puffer.emplace_back(rec.Auftrag, qel_DruckzeileText(rec));
}

void TPrintEditServer::speichern()
{
    if (m_puffer.empty() && m_ungespeichert.isEmpty())
        return;
    TTransaktion t;
    for (auto it = m_ungespeichert.cbegin(); it != m_ungespeichert.cend(); ++it)
        TSqlAbfrage(QStringLiteral("INSERT INTO druckauftrag (auftrag_nr, prg_id, rechner_nr, benutzer, begonnen, "
                                   "beendet) VALUES (?, ?, ?, ?, ?, 0)"))
            .Bind({it.key(), it.value().PrgId, TSuiteDatenbank::RechnerNr(), TSuiteDatenbank::Benutzer(),
                   it.value().Begonnen})
            .Exec();
    TSqlAbfrage ins(QStringLiteral("INSERT INTO druckdaten (auftrag_nr, zeile, inhalt) VALUES (?, ?, ?)"));
    QMap<int, int> letzte = m_letzteZeile;
    for (const auto& z : m_puffer) {
        // The job may have been ended meanwhile by another workstation's housekeeping.
        offenerAuftragPrgId(z.first);
        int zeile = letzte.value(z.first, -1);
        if (zeile < 0) {
            // A job begun by another server object: continue after its last row.
            TSqlAbfrage q(QStringLiteral("SELECT COALESCE(MAX(zeile), 0) FROM druckdaten WHERE auftrag_nr = ?"));
            q.Bind(z.first).Exec();
            zeile = q.Next() ? q.Int(0) : 0;
        }
        letzte.insert(z.first, ++zeile);
        ins.Bind({z.first, zeile, z.second}).Exec();
    }
    t.Commit();
    m_letzteZeile = letzte;
    m_puffer.clear();
    m_ungespeichert.clear();
}

void TPrintEditServer::Druckauftrag_Beenden(const QString& prgId, int auftrag)
{
    const auto neu = m_ungespeichert.find(auftrag);
    if (neu != m_ungespeichert.end()) {
        if (neu.value().PrgId != prgId)
            throw EQELError(QStringLiteral("Der Druckauftrag %1 gehört nicht zu %2.").arg(auftrag).arg(prgId));
        m_ungespeichert.erase(neu);
    } else {
        TTransaktion t;
        TSqlAbfrage q(QStringLiteral("SELECT prg_id, beendet FROM druckauftrag WHERE auftrag_nr = ?"));
        q.Bind(auftrag).Exec();
        if (!q.Next())
            throw EQELError(QStringLiteral("Der Druckauftrag %1 ist unbekannt.").arg(auftrag));
        if (q.Text(0) != prgId)
            throw EQELError(QStringLiteral("Der Druckauftrag %1 gehört nicht zu %2.").arg(auftrag).arg(prgId));
        if (q.Double(1) == 0) {
            TSqlAbfrage(QStringLiteral("DELETE FROM druckdaten WHERE auftrag_nr = ?")).Bind(auftrag).Exec();
            TSqlAbfrage(QStringLiteral("UPDATE druckauftrag SET beendet = ? WHERE auftrag_nr = ?"))
                .Bind({qel_Now(), auftrag})
                .Exec();
        }
        t.Commit();
    }
    // Rows of this job that were never handed over are of no use any more.
    m_puffer.erase(std::remove_if(m_puffer.begin(), m_puffer.end(), [auftrag](const auto& z) { return z.first == auftrag; }),
                   m_puffer.end());
    m_offen.remove(auftrag);
    m_letzteZeile.remove(auftrag);
}

TDBFFiles_4_Crystal TPrintEditServer::Druck_Kennung()
{
    if (m_aktuell.Auftrag == 0)
        throw EQELError(QStringLiteral("Es wurde noch kein Druckauftrag begonnen."));
    speichern();
    return m_aktuell;
}

std::vector<TMOLA_PrintEditServer_Record> TPrintEditServer::Druckdaten_Lesen(int auftrag)
{
    speichern();
    offenerAuftragPrgId(auftrag);
    TSqlAbfrage q(QStringLiteral("SELECT inhalt FROM druckdaten WHERE auftrag_nr = ? ORDER BY zeile"));
    q.Bind(auftrag).Exec();
    std::vector<TMOLA_PrintEditServer_Record> zeilen;
    while (q.Next())
        zeilen.push_back(qel_DruckzeileLesen(q.Text(0)));
    return zeilen;
}
