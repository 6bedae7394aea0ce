// Text blocks of dunning letters: the table textbaustein, listed by short text.
#include "mahnungeditserver.h"

#include "database_intern.h"
#include "servermeldung.h"
#include "wertpruefung.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

namespace {

enum : int { tbKurztext = 0, tbID = 1, tbText = 2 };

// Same limit as the column kurztext.
constexpr int kKurztextLaenge = 120;

struct TTextbaustein {
    TIntPair Id;
    QString Kurztext;
    QString Text;
};

// Checks a short text against the table; the UNIQUE column refuses duplicates all the same,
// this gives the clerk the reason instead of a database error.
// Returns the short text as it is stored.
QString kurztextPruefen(const QString& eingabe, const TIntPair& ausser)
{
    const QString kurztext = qel_TextPruefen(QStringLiteral("Kurztext"), eingabe, kKurztextLaenge);
    if (qel_TextNorm(kurztext).isEmpty())
        throw EQELError(QStringLiteral("Der Kurztext darf nicht leer sein!"));
    TSqlAbfrage q(QStringLiteral("SELECT rnr, lnr FROM textbaustein WHERE kurztext_norm = ?"));
    q.Bind(qel_TextNorm(kurztext)).Exec();
    while (q.Next())
        if (!IntPairEqual(TIntPair{q.Int(0), q.Int(1)}, ausser))
            throw EQELError(QStringLiteral("Der Kurztext ist bereits vorhanden!"));
    return kurztext;
}

bool abgelehnt(const QString& was, const EQELError& e)
{
    qel_ServerMeldung(QStringLiteral("%1\n%2").arg(was, e.Text()));
    return false;
}

}  // namespace

bool TMahnungEditServer::Textbausteine_Abfragen()
{
    if (!m_textbausteine) {
        m_textbausteine = std::make_unique<TVRList>();
        static const TVRSpalte spalten[] = {
            {"Kurztext", CVR_Text, false, true, 147}, {"Protokollnummer", CVR_Text, false, false}, {"Text", CVR_Text, false, false}};
        m_textbausteine->ColumnsAdd(spalten);
    }
    m_textbausteine->RowsClear();
    // The e-mail's own blocks are not letter texts.
    TSqlAbfrage q(QStringLiteral("SELECT rnr, lnr, kurztext, text FROM textbaustein WHERE art = 'BRIEF'"));
    q.Query().setForwardOnly(true);
    q.Exec();
    std::vector<TTextbaustein> bausteine;
    while (q.Next())
        bausteine.push_back({TIntPair{q.Int(0), q.Int(1)}, q.Text(2), q.Text(3)});
    // German order whatever the database's collation; equal names by age of the key.
    QCollator collator{QLocale(QLocale::German, QLocale::Germany)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(bausteine.begin(), bausteine.end(), [&](const TTextbaustein& a, const TTextbaustein& b) {
        const int c = collator.compare(a.Kurztext, b.Kurztext);
        if (c != 0)
            return c < 0;
        return a.Id.RNr != b.Id.RNr ? a.Id.RNr < b.Id.RNr : a.Id.LNr < b.Id.LNr;
    });
    m_textbausteine->Reserve(int(bausteine.size()));
    for (TTextbaustein& b : bausteine)
        m_textbausteine->RowAdd({TVRItem(b.Kurztext), TVRItem(qel_TIntPair2String(b.Id)), TVRItem(b.Text)});
    return true;
}

TVRList* TMahnungEditServer::Textbausteine_Liste()
{
    if (!m_textbausteine)
        Textbausteine_Abfragen();
    return m_textbausteine.get();
}

int TMahnungEditServer::Spalte_TB_Kurztext() { return tbKurztext; }

int TMahnungEditServer::Spalte_TB_ID() { return tbID; }

int TMahnungEditServer::Spalte_TB_Text() { return tbText; }

bool TMahnungEditServer::Textbaustein_Anlegen(const QString& kurztext, const QString& text)
{
    try {
        TTransaktion t;
        const QString kurz = kurztextPruefen(kurztext, CLeeresIntPair);
        const TIntPair id = qel_NeuerSchluessel(QStringLiteral("TEXTBAUSTEIN"), TSuiteDatenbank::RechnerNr());
        TSqlAbfrage(QStringLiteral(
                        "INSERT INTO textbaustein (rnr, lnr, kurztext, kurztext_norm, text) VALUES (?, ?, ?, ?, ?)"))
            .Bind({id.RNr, id.LNr, kurz, qel_TextNorm(kurz), qel_OhneNul(text)})
            .Exec();
        t.Commit();
        return true;
    } catch (const EQELError& e) {
        return abgelehnt(QStringLiteral("Der Textbaustein wurde nicht angelegt."), e);
    }
}

bool TMahnungEditServer::Textbaustein_Aendern(const TIntPair& id, const QString& kurztext, const QString& text)
{
    try {
        TTransaktion t;
        const QString kurz = kurztextPruefen(kurztext, id);
        TSqlAbfrage q(QStringLiteral(
            "UPDATE textbaustein SET kurztext = ?, kurztext_norm = ?, text = ? WHERE rnr = ? AND lnr = ?"));
        q.Bind({kurz, qel_TextNorm(kurz), qel_OhneNul(text), id.RNr, id.LNr}).Exec();
        if (q.ZeilenBetroffen() != 1)
            throw EQELError(QStringLiteral("Der Textbaustein existiert nicht mehr."));
        t.Commit();
        return true;
    } catch (const EQELError& e) {
        return abgelehnt(QStringLiteral("Der Textbaustein wurde nicht geändert."), e);
    }
}

bool TMahnungEditServer::Textbaustein_Entfernen(const TIntPair& id)
{
    try {
        TSqlAbfrage q(QStringLiteral("DELETE FROM textbaustein WHERE rnr = ? AND lnr = ?"));
        q.Bind({id.RNr, id.LNr}).Exec();
        // A block already gone is the caller's message to give.
        return q.ZeilenBetroffen() == 1;
    } catch (const EQELError& e) {
        return abgelehnt(QStringLiteral("Der Textbaustein wurde nicht gelöscht."), e);
    }
}
