// Statements that carry many rows: a round trip per row would dominate on a database server.
#pragma once

#include "database_intern.h"

#include <QStringList>
#include <functional>
#include <map>
#include <memory>

// Rows per statement.
constexpr int kStapel = 200;

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
class TStapelAbfrage {
public:
    explicit TStapelAbfrage(std::function<QString(int)> sql) : m_sql(std::move(sql)) {}
    TSqlAbfrage& Fuer(int anzahl)
    {
        std::unique_ptr<TSqlAbfrage>& q = m_abfragen[anzahl];
        if (!q)
            q = std::make_unique<TSqlAbfrage>(m_sql(anzahl));
        return *q;
    }

private:
    std::function<QString(int)> m_sql;
    std::map<int, std::unique_ptr<TSqlAbfrage>> m_abfragen;
};

// Collects rows of bound values and writes them kStapel at a time with an INSERT ... VALUES.
class TStapelSchreiber {
public:
    TStapelSchreiber(const QString& tabelleUndSpalten, int spalten)
        : m_abfrage([tabelleUndSpalten, spalten](int n) {
              return QStringLiteral("INSERT INTO %1 VALUES %2").arg(tabelleUndSpalten, platzhalterZeilen(n, spalten, false));
          })
    {
    }
    void Zeile(std::initializer_list<QVariant> werte)
    {
        for (const QVariant& v : werte)
            m_werte << v;
        if (++m_zeilen == kStapel)
            Schreiben();
    }
    void Schreiben()
    {
        if (m_zeilen == 0)
            return;
        TSqlAbfrage& q = m_abfrage.Fuer(m_zeilen);
        for (const QVariant& v : m_werte)
            q.Bind(v);
        q.Exec();
        m_werte.clear();
        m_zeilen = 0;
    }

private:
    int m_zeilen = 0;
    QVariantList m_werte;
    TStapelAbfrage m_abfrage;
};

// Keys of one range for many new rows, drawn kStapel at a time on this workstation's number.
class TSchluesselVorrat {
public:
    explicit TSchluesselVorrat(QString bereich) : m_bereich(std::move(bereich)) {}
    TIntPair Naechster()
    {
        if (m_rest == 0) {
            m_naechster = qel_NeueSchluessel(m_bereich, TSuiteDatenbank::RechnerNr(), kStapel);
            m_rest = kStapel;
        }
        --m_rest;
        return TIntPair{m_naechster.RNr, m_naechster.LNr++};
    }

private:
    QString m_bereich;
    TIntPair m_naechster;
    int m_rest = 0;
};
