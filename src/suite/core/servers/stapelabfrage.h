// Statements that carry many rows: a round trip per row would dominate on a database server.
#pragma once

#include "database_intern.h"

#include <QStringList>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>

// Rows per statement.
constexpr int kStapel = 200;

// "?, ?, ?": anzahl placeholders, for an IN list or a single row.
inline QString platzhalterListe(int anzahl)
{
    QString r;
    r.reserve(anzahl * 3);
    for (int i = 0; i < anzahl; ++i)
        r += i ? QStringLiteral(", ?") : QStringLiteral("?");
    return r;
}

// anzahl rows of spalten placeholders: "(?, ?), (?, ?)". Inside a VALUES list that is not an INSERT,
// PostgreSQL cannot infer the types, so those ask for CAST(? AS INTEGER).
inline QString platzhalterZeilen(int anzahl, int spalten, bool ganzzahlig)
{
    const QString feld = ganzzahlig ? QStringLiteral("CAST(? AS INTEGER)") : QStringLiteral("?");
    QStringList felder;
    for (int i = 0; i < spalten; ++i)
        felder << feld;
    const QString zeile = QLatin1Char('(') + felder.join(QStringLiteral(", ")) + QLatin1Char(')');
    QStringList zeilen;
    for (int i = 0; i < anzahl; ++i)
        zeilen << zeile;
    return zeilen.join(QStringLiteral(", "));
}

// One prepared statement per row count: full batches share one, the last batch gets its own.
// Abfrage: TSqlAbfrage, or TDirektAbfrage for statements that read many rows.
template <class Abfrage>
class TStapelAbfrageVon {
public:
    explicit TStapelAbfrageVon(std::function<QString(int)> sql) : m_sql(std::move(sql)) {}
    Abfrage& Fuer(int anzahl)
    {
        std::unique_ptr<Abfrage>& q = m_abfragen[anzahl];
        if (!q)
            q = std::make_unique<Abfrage>(m_sql(anzahl));
        return *q;
    }

private:
    std::function<QString(int)> m_sql;
    std::map<int, std::unique_ptr<Abfrage>> m_abfragen;
};
using TStapelAbfrage = TStapelAbfrageVon<TSqlAbfrage>;

// Collects rows and writes them kStapel at a time. Binding through Qt costs more per value than the
// database's own work, so the rows go in through the engine's bulk path: a prepared single-row INSERT
// on SQLite's own API, COPY on PostgreSQL. Same values, same errors as a TSqlAbfrage.
class TStapelSchreiber {
public:
    TStapelSchreiber(const QString& tabelleUndSpalten, int spalten);
    ~TStapelSchreiber();
    TStapelSchreiber(const TStapelSchreiber&) = delete;
    TStapelSchreiber& operator=(const TStapelSchreiber&) = delete;
    void Zeile(std::initializer_list<QVariant> werte)
    {
        for (const QVariant& v : werte)
            m_werte << v;
        if (++m_zeilen == kStapel)
            Schreiben();
    }
    void Schreiben();

private:
    void sqliteSchreiben();
    void postgresSchreiben();

    QString m_tabelle;
    int m_spalten;
    int m_zeilen = 0;
    QVariantList m_werte;
    // SQLite: prepared once for the writer's life (which ends before the connection closes).
    struct sqlite3* m_db = nullptr;
    struct sqlite3_stmt* m_st = nullptr;
};

// Keys of one range for many new rows, drawn in blocks on this workstation's number. The blocks grow
// with the rows written (up to kGroesster): a large import draws few, a small one leaves few unused.
class TSchluesselVorrat {
public:
    explicit TSchluesselVorrat(QString bereich) : m_bereich(std::move(bereich)) {}
    TIntPair Naechster()
    {
        if (m_rest == 0) {
            m_naechster = qel_NeueSchluessel(m_bereich, TSuiteDatenbank::RechnerNr(), m_block);
            m_rest = m_block;
            m_block = std::min(m_block * 2, kGroesster);
        }
        --m_rest;
        return TIntPair{m_naechster.RNr, m_naechster.LNr++};
    }

private:
    static constexpr int kGroesster = 10000;
    QString m_bereich;
    TIntPair m_naechster;
    int m_rest = 0;
    int m_block = kStapel;
};
